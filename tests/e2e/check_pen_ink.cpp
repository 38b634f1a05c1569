// Checks a screenshot for the line the pens end-to-end test draws along
// y = 300 (screen) from x = 265 to 455: its colour, its thickness and the
// paper around it; or that the line is gone and only paper is left.
// Usage: check_pen_ink <screenshot> <ink #rrggbb | none> <paper #rrggbb> [min max]
//   min, max: the line's thickness in pixels (pixels nearer the ink colour
//   than the paper colour, per column; the median over the line).
// Exit status 0 when everything holds.

#include <QColor>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFrom = 265, kTo = 455, kLineY = 300, kBand = 12, kPaperY = 330;

double distance(QColor a, QColor b)
{
    return std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr, "usage: %s <screenshot> <ink #rrggbb|none> <paper #rrggbb> [min max]\n", argv[0]);
        return 2;
    }
    const QImage screen(QString::fromLocal8Bit(argv[1]));
    const QString inkName = QString::fromLatin1(argv[2]);
    const QColor paper(QString::fromLatin1(argv[3]));
    if (screen.isNull() || screen.width() < 500 || screen.height() < 400 || !paper.isValid()) {
        std::fprintf(stderr, "cannot read the screenshot or the colours\n");
        return 2;
    }
    const int columns = kTo - kFrom + 1;

    if (inkName == QLatin1String("none")) {
        int inked = 0;
        for (int x = kFrom; x <= kTo; ++x)
            for (int y = kLineY - kBand; y <= kLineY + kBand; ++y)
                inked += screen.pixelColor(x, y) != paper;
        std::printf("%d pixels differ from the paper where the line was\n", inked);
        return inked == 0 ? 0 : 1;
    }

    const QColor ink(inkName);
    const int minWidth = argc == 6 ? std::atoi(argv[4]) : 1;
    const int maxWidth = argc == 6 ? std::atoi(argv[5]) : 2 * kBand;
    int coloured = 0, stray = 0;
    std::vector<int> widths;
    for (int x = kFrom; x <= kTo; ++x) {
        int width = 0;
        double best = 1e9;
        for (int y = kLineY - kBand; y <= kLineY + kBand; ++y) {
            const QColor c = screen.pixelColor(x, y);
            width += distance(c, ink) < distance(c, paper);
            best = std::min(best, distance(c, ink));
        }
        widths.push_back(width);
        coloured += best <= 40.0;
        stray += screen.pixelColor(x, kPaperY) != paper;
    }
    std::sort(widths.begin(), widths.end());
    const int median = widths[widths.size() / 2];
    std::printf("ink colour in %d of %d columns, thickness %d px (median), %d stray paper pixels\n", coloured,
                columns, median, stray);
    if (coloured < columns * 95 / 100) {
        std::printf("the line is missing or not in its colour\n");
        return 1;
    }
    if (median < minWidth || median > maxWidth) {
        std::printf("the line is not %d to %d pixels thick\n", minWidth, maxWidth);
        return 1;
    }
    if (stray > 0) {
        std::printf("the paper is not %s below the line\n", argv[3]);
        return 1;
    }
    return 0;
}
