// Figures of the window's drawing and erasing, each beside the plain
// approach in the same run:
//  - a repaint of the paper in intersection-erase and cusp-erase mode, with
//    the ink unchanged and right after an erase: cached markers against
//    asking every stroke again (5,000 strokes);
//  - one erase through the mouse, its refresh included (10,000 strokes);
//  - a pointer move in an erase mode that hits nothing (10,000 strokes);
//  - every packet of a 200-packet pen stroke, from the event to the repainted
//    rectangle (10,000 strokes), beside repainting the whole paper each time;
//    wall time, and the processor time of the thread (a loaded machine
//    preempts the process now and then, which only the wall time shows).
// The pages are handwriting: random-walk strokes of letter size spread over
// the visible paper.

#include "bench/app_ink/bench_window.h"
#include "bench/qt_benchmark_main.h"
#include "app/ink/marker_cache.h"
#include "app/ink/stretch_cut.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <algorithm>
#include <map>
#include <memory>
#include <random>

namespace {

constexpr int kSmallPage = 5000;
constexpr int kLargePage = 10000;

// What the intersection or cusp eraser does to the ink at a point, without
// the refresh, so that the repaint after it can be measured alone.
void eraseInInk(InkDisp& ink, InkPoint at, bool intersections)
{
    for (InkStrokeDisp s : ink.HitTestCircle(at.x, at.y, 30.0f)) {
        if (intersections) {
            const InkStrokeDisp::CrossingsAround around = s.crossingsAround(s.NearestPoint(at.x, at.y));
            if (!around.any) {
                ink.DeleteStroke(s);
                continue;
            }
            const IntersectionStretch stretch = intersectionStretch(around, s.PacketCount() - 1);
            stretchCut(ink, s, stretch.boundaries, stretch.lower);
        } else {
            const std::vector<int32_t> cusps = s.PolylineCusps();
            if (cusps.size() <= 2) {
                ink.DeleteStroke(s);
                continue;
            }
            stretchCut(ink, s, cuspBoundaries(cusps), *cuspLowerBoundary(cusps, s.NearestPoint(at.x, at.y)));
        }
    }
}

size_t markerCount(BenchWindow& w, int16_t mode)
{
    MarkerCache cache(mode == 2 ? MarkerCache::Kind::Cusps : MarkerCache::Kind::Intersections);
    size_t n = 0;
    for (const auto& stroke : cache.positions(w.ink()))
        n += stroke.size();
    return n;
}

// state.range(0): the mode (2 cusps, 3 crossings); range(1): 1 cached, 0 plain.
void BM_Repaint_Unchanged(benchmark::State& state)
{
    BenchWindow w(kSmallPage);
    const auto mode = int16_t(state.range(0));
    w.form->setMarkerCacheEnabled(state.range(1) == 1);
    w.form->UpdateApplicationMode(mode);  // its refresh fills the cache
    for (auto _ : state)
        w.paper()->repaint();
    state.counters["markers"] = double(markerCount(w, mode));
}
BENCHMARK(BM_Repaint_Unchanged)
    ->ArgsProduct({{2, 3}, {1, 0}})
    ->ArgNames({"mode", "cached"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

void BM_Repaint_AfterErase(benchmark::State& state)
{
    BenchWindow w(kSmallPage);
    const auto mode = int16_t(state.range(0));
    w.form->setMarkerCacheEnabled(state.range(1) == 1);
    w.form->UpdateApplicationMode(mode);
    std::mt19937 rng(5);
    for (auto _ : state) {
        state.PauseTiming();
        eraseInInk(w.ink(), w.toInk(w.pointOnInk(rng)), mode == 3);
        state.ResumeTiming();
        w.paper()->repaint();
    }
    state.counters["strokes"] = w.ink().strokeCount();
}
BENCHMARK(BM_Repaint_AfterErase)
    ->ArgsProduct({{2, 3}, {1, 0}})
    ->ArgNames({"mode", "cached"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);

// One mouse move that erases, its refresh (ink and markers) included.
void BM_EraseCall(benchmark::State& state)
{
    BenchWindow w(kLargePage);
    const auto mode = int16_t(state.range(0));
    w.form->setMarkerCacheEnabled(state.range(1) == 1);
    w.form->UpdateApplicationMode(mode);
    std::mt19937 rng(9);
    for (auto _ : state) {
        state.PauseTiming();
        const QPoint at = w.pointOnInk(rng);
        const int before = w.ink().strokeCount();
        state.ResumeTiming();
        w.moveWithButton(at);
        benchmark::DoNotOptimize(before);
    }
    state.counters["strokes"] = w.ink().strokeCount();
}
BENCHMARK(BM_EraseCall)
    ->ArgsProduct({{2, 3}, {1, 0}})
    ->ArgNames({"mode", "cached"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);

// A move with the button held that hits nothing, in each erase mode.
void BM_MoveHittingNothing(benchmark::State& state)
{
    BenchWindow w(kLargePage);
    const auto mode = int16_t(state.range(0));
    w.form->UpdateApplicationMode(mode);
    std::mt19937 rng(3);
    std::vector<QPoint> empty;
    for (int i = 0; i < 64; ++i)
        empty.push_back(w.pointOffInk(rng));
    const int strokes = w.ink().strokeCount();
    size_t i = 0;
    for (auto _ : state)
        w.moveWithButton(empty[i++ % empty.size()]);
    if (w.ink().strokeCount() != strokes)
        state.SkipWithError("a move erased something");
    state.counters["strokes"] = strokes;
}
BENCHMARK(BM_MoveHittingNothing)->DenseRange(2, 4)->ArgName("mode")->Unit(benchmark::kMicrosecond);

// Per packet of a 200-packet mouse stroke in ink mode: from sending the
// event to the paint of its rectangle. range(0) 1: the collector's own
// rectangle; 0: the whole paper repainted after every packet as well.
class PaintSeen : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void BM_PenStrokePackets(benchmark::State& state)
{
    BenchWindow w(kLargePage);
    const bool local = state.range(0) == 1;
    // The collector draws a stroke being made on its overlay over the paper.
    QWidget* overlay = nullptr;
    for (QWidget* child : w.paper()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        overlay = child;
    PaintSeen seen;
    (overlay ? overlay : w.paper())->installEventFilter(&seen);
    w.paper()->installEventFilter(&seen);
    std::mt19937 rng(1);
    std::vector<double> latencies;
    std::vector<double> cpu;
    // Keeps the page's size: strokes made here are taken out again.
    for (auto _ : state) {
        std::vector<QPoint> path{QPoint(100 + int(rng() % 400), 100 + int(rng() % 200))};
        for (int i = 1; i < 200; ++i)
            path.push_back(path.back() + QPoint(int(rng() % 5) - 2, int(rng() % 5) - 2));
        for (size_t i = 0; i < path.size(); ++i) {
            const QEvent::Type type = i == 0 ? QEvent::MouseButtonPress
                                     : i + 1 == path.size() ? QEvent::MouseButtonRelease
                                                            : QEvent::MouseMove;
            const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, QPointF(path[i]), QPointF(path[i]), QPointF(w.paper()->mapToGlobal(path[i])),
                              button, held, Qt::NoModifier);
            const int before = seen.paints;
            const double cpuBefore = threadCpuMs();
            QElapsedTimer timer;
            timer.start();
            QApplication::sendEvent(w.paper(), &event);
            if (!local)
                w.paper()->update();
            for (int spins = 0; seen.paints == before && spins < 1000; ++spins)
                QCoreApplication::processEvents();
            latencies.push_back(timer.nsecsElapsed() / 1e6);
            cpu.push_back(threadCpuMs() - cpuBefore);
        }
        state.PauseTiming();
        w.ink().DeleteStroke(w.ink().Strokes().Item(w.ink().strokeCount() - 1));
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    std::sort(latencies.begin(), latencies.end());
    std::sort(cpu.begin(), cpu.end());
    state.counters["packets"] = double(latencies.size());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
    state.counters["worst_ms"] = latencies.back();
    state.counters["cpu_worst_ms"] = cpu.back();
}
BENCHMARK(BM_PenStrokePackets)->Arg(1)->Arg(0)->ArgName("local")->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<TavroApplication>(argc, argv);
}
