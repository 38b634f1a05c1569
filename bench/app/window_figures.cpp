// Figures for the window, one measurement a run:
//   window_figures startup  time from the process's start (and from main) to
//                           the paper's first paint
//   window_figures delay    processor time spent in Delay(1000), beside a loop
//                           that polls for events for the same second
// Run them on a real X server (Xvfb); run_figures.sh does.

#include "app/shell/application.h"
#include "app/shell/inkwrite.h"
#include "platform/dialogs/scripted_common_dialog.h"
#include "platform/dialogs/scripted_message_box.h"

#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

double secondsSinceBoot()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// When the process started, in seconds since boot (clock-tick resolution).
double processStartSinceBoot()
{
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name, which is in parentheses.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        rest >> field;
    return std::stod(field) / double(sysconf(_SC_CLK_TCK));
}

double cpuMilliseconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(use.ru_utime) + ms(use.ru_stime);
}

class FirstPaint : public QObject {
public:
    explicit FirstPaint(QElapsedTimer& sinceMain) : m_sinceMain(sinceMain) {}
    bool seen = false;
    double msFromMain = 0;
    double msFromStart = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            msFromMain = m_sinceMain.nsecsElapsed() / 1e6;
            msFromStart = (secondsSinceBoot() - processStartSinceBoot()) * 1e3;
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        }
        return false;
    }

private:
    QElapsedTimer& m_sinceMain;
};

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    const bool startup = argc > 1 && std::strcmp(argv[1], "startup") == 0;
    const bool delay = argc > 1 && std::strcmp(argv[1], "delay") == 0;
    if (!startup && !delay) {
        std::fprintf(stderr, "usage: %s startup|delay\n", argv[0]);
        return 2;
    }

    TavroApplication app(argc, argv);
    ScriptedMessageBoxService messageBox;
    ScriptedCommonDialogFactory dialogs;
    Services services{messageBox, dialogs, QString()};
    InkWrite form(services);

    if (startup) {
        FirstPaint probe(sinceMain);
        form.ImgPaper->installEventFilter(&probe);
        form.show();
        app.exec();
        std::printf("startup_to_first_paint_ms from_process_start=%.1f from_main=%.1f\n",
                    probe.msFromStart, probe.msFromMain);
        return 0;
    }

    form.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    double before = cpuMilliseconds();
    QElapsedTimer wall;
    wall.start();
    float second = 1000;
    form.Delay(second);
    const double delayCpu = cpuMilliseconds() - before;
    const double delayWall = wall.nsecsElapsed() / 1e6;

    // What a wait built on polling costs: process events until a second passed.
    before = cpuMilliseconds();
    wall.restart();
    while (wall.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    const double pollCpu = cpuMilliseconds() - before;
    const double pollWall = wall.nsecsElapsed() / 1e6;

    std::printf("delay_1000 cpu_ms=%.1f wall_ms=%.1f | polling_loop cpu_ms=%.1f wall_ms=%.1f\n",
                delayCpu, delayWall, pollCpu, pollWall);
    return 0;
}
