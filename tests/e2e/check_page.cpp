// Checks an image (a saved page or a screenshot) for what the end-to-end
// tests expect: its size, dark ink along given rows, and rows without any.
// Usage: check_page <image> [size=WxH] [ink=Y:X0-X1]... [blank=Y:X0-X1]...
//   ink:   dark (grey < 100) within 3 rows of Y in 95% of the columns X0..X1
//   blank: nothing darker than grey 200 within 3 rows of Y over X0..X1
// Exit status 0 when everything holds, 1 when something does not, 2 for bad
// arguments or an unreadable image.

#include <QImage>
#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <cstdio>

namespace {

struct Row {
    int y, x0, x1;
};

bool parseRow(const QString& text, Row& row)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+):(\\d+)-(\\d+)$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    row = {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
    return row.x0 <= row.x1;
}

// The darkest grey in the column x, rows y - 3 .. y + 3 inside the image.
int darkestAround(const QImage& image, int x, int y)
{
    int darkest = 255;
    for (int dy = -3; dy <= 3; ++dy) {
        if (y + dy >= 0 && y + dy < image.height())
            darkest = std::min(darkest, qGray(image.pixel(x, y + dy)));
    }
    return darkest;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <image> [size=WxH] [ink=Y:X0-X1]... [blank=Y:X0-X1]...\n", argv[0]);
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read an image from %s\n", argv[1]);
        return 2;
    }
    bool ok = true;
    for (int i = 2; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("size="))) {
            const QString expected = arg.mid(5);
            const QString actual = QStringLiteral("%1x%2").arg(image.width()).arg(image.height());
            std::printf("size %s (expected %s)\n", qPrintable(actual), qPrintable(expected));
            ok = ok && actual == expected;
            continue;
        }
        Row row;
        const bool ink = arg.startsWith(QLatin1String("ink="));
        const bool blank = arg.startsWith(QLatin1String("blank="));
        if ((!ink && !blank) || !parseRow(arg.mid(ink ? 4 : 6), row) || row.x1 >= image.width()
            || row.y >= image.height()) {
            std::fprintf(stderr, "bad check %s\n", argv[i]);
            return 2;
        }
        int inked = 0, marked = 0;
        for (int x = row.x0; x <= row.x1; ++x) {
            const int darkest = darkestAround(image, x, row.y);
            inked += darkest < 100;
            marked += darkest < 200;
        }
        const int columns = row.x1 - row.x0 + 1;
        std::printf("%s: ink in %d of %d columns, marks in %d\n", argv[i], inked, columns, marked);
        if (ink)
            ok = ok && inked >= columns * 95 / 100;
        else
            ok = ok && marked == 0;
    }
    std::printf("%s\n", ok ? "as expected" : "NOT as expected");
    return ok ? 0 : 1;
}
