// Opens picture files as the window's open button does (LoadPicture at the
// paper's 624 x 401 pixels, 96 dpi, ratio 1, then the pixmap the paper shows)
// and prints, for each, what it cost: processor time and how far the peak
// resident memory rose over the process after start-up. For hostile files
// (docs/reliability.md, docs/performance.md); one file per process gives a
// clean peak.
//
// Usage: open_picture FILE [WIDTH HEIGHT RATIO]

#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>
#include <ctime>

#include <sys/resource.h>

namespace {

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: open_picture FILE [WIDTH HEIGHT RATIO]\n");
        return 2;
    }
    const QSize shown = argc == 5 ? QSize(std::atoi(argv[2]), std::atoi(argv[3])) : QSize(624, 401);
    const double ratio = argc == 5 ? std::atof(argv[4]) : 1.0;
    const long baseKb = peakKb();
    const double start = cpuMs();
    QString outcome;
    try {
        const Picture picture = LoadPicture(QString::fromLocal8Bit(argv[1]), 96, shown, ratio);
        const QPixmap shownPixmap = QPixmap::fromImage(picture.toImage());
        outcome = QString("shown %1 x %2 of %3 x %4")
                      .arg(shownPixmap.width()).arg(shownPixmap.height())
                      .arg(picture.size().width()).arg(picture.size().height());
    } catch (const PlatformError& error) {
        outcome = QString("refused (%1): %2").arg(error.code()).arg(QString::fromUtf8(error.what()));
    }
    std::printf("%s: %s; %.0f ms processor time; peak memory +%ld KB\n", argv[1], qPrintable(outcome),
                cpuMs() - start, peakKb() - baseKb);
    return 0;
}
