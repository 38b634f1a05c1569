// Delay: a wait during which the window stays live. A nested event loop
// sleeps until a timer fires, so the processor is idle; both the timer and
// the elapsed time run on the monotonic clock, so a change of the time of
// day (or midnight) does not shorten or stretch the wait.

#include "app/shell/inkwrite.h"

#include "platform/platform_error.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

void InkWrite::Delay(float& ms)
{
    if (!std::isfinite(ms))
        throw PlatformError(PlatformErrorCode::InvalidArgument, "Delay: the wait is not a finite number");

    QElapsedTimer clock;
    clock.start();
    struct DepthGuard {
        InkWrite& form;
        explicit DepthGuard(InkWrite& f) : form(f) { ++form.m_delayDepth; }
        ~DepthGuard()
        {
            // The window was unloaded during the wait: the program ends only
            // after the waiting procedure has finished and gone back to the
            // main loop.
            if (--form.m_delayDepth == 0 && form.m_unloaded)
                QTimer::singleShot(0, &form, &InkWrite::endWhenIdle);
        }
    } depth(*this);

    // One pass at least, whatever the wait.
    QCoreApplication::processEvents(QEventLoop::AllEvents);

    const double limit = double(ms);
    for (double left = limit - clock.nsecsElapsed() / 1e6; left > 0;
         left = limit - clock.nsecsElapsed() / 1e6) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        bool fired = false;
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            fired = true;
            loop.quit();
        });
        // A timer waits at most INT_MAX milliseconds; a longer wait takes turns.
        timer.start(int(std::min(std::ceil(left), double(std::numeric_limits<int>::max()))));
        loop.exec();
        // The whole application is quitting (its loops no longer run): there
        // is nothing left to wait for.
        if (!fired)
            break;
    }
}
