// Checks a screenshot for the line the end-to-end test draws: dark ink along
// y = 300 from x = 265 to 455 on the screen, and untouched white paper 30
// pixels below it. Exit status 0 when both hold.
// Usage: check_ink <screenshot>

#include <QColor>
#include <QImage>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <screenshot>\n", argv[0]);
        return 2;
    }
    const QImage screen(QString::fromLocal8Bit(argv[1]));
    if (screen.isNull() || screen.width() < 500 || screen.height() < 400) {
        std::fprintf(stderr, "cannot read a screenshot from %s\n", argv[1]);
        return 2;
    }
    auto brightest = [&](int x, int y) {
        const QColor c = screen.pixelColor(x, y);
        return std::max({c.red(), c.green(), c.blue()});
    };

    constexpr int from = 265, to = 455, lineY = 300, paperY = 330;
    int inked = 0, stray = 0;
    for (int x = from; x <= to; ++x) {
        int darkest = 255;
        for (int y = lineY - 3; y <= lineY + 3; ++y)
            darkest = std::min(darkest, brightest(x, y));
        if (darkest < 100)
            ++inked;
        if (screen.pixelColor(x, paperY) != QColor(Qt::white))
            ++stray;
    }
    const int columns = to - from + 1;
    std::printf("ink in %d of %d columns; %d stray pixels below\n", inked, columns, stray);
    if (inked < columns * 95 / 100) {
        std::printf("the line is missing\n");
        return 1;
    }
    if (stray > 0) {
        std::printf("ink where nothing was drawn\n");
        return 1;
    }
    return 0;
}
