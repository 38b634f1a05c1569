// Erasing and repainting on pages that are hard for the geometry, each move
// timed in the thread's processor time from its event to the paint after it:
//  - a grid of 110 horizontal and 110 vertical mouse lines (12,100
//    crossings), erased along a diagonal drag in intersection-erase mode;
//    and the same drag with all its moves queued at once, as a fast mouse
//    leaves them while one is handled: every move erases, the paper paints
//    once;
//  - pages that users can make but no one would draw for long: a scribble of
//    100,000 points crossing itself all over the paper, a zigzag of 3,000
//    points with the widest pen (Pen_Width 32767), and 50,000 short strokes;
//    the switch to each erase mode and its paint, a drag of moves on the ink
//    in that mode, and five repaints of the whole page with nothing kept
//    from before (median and worst). The switch and the repaints are timed
//    on the clock (the layer paints a large page on several threads), the
//    repaints' processor time of all threads beside them.

#include "bench/app_ink/bench_window.h"

#include "app/ink/marker_cache.h"
#include "platform/ink/ink_renderer.h"

#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

constexpr float kMiddlePen = 53.0f;

class PaintCounter : public QObject {
public:
    int paints = 0;
    int moves = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        else if (event->type() == QEvent::MouseMove)
            ++moves;
        return false;
    }
};

// Runs what the last events left to do (the paint among it).
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

std::vector<QPoint> line(QPoint from, QPoint to, int step)
{
    const int n = std::max(1, int(std::ceil(std::hypot(to.x() - from.x(), to.y() - from.y()) / step)));
    std::vector<QPoint> points;
    for (int i = 0; i <= n; ++i)
        points.push_back(from + (to - from) * i / n);
    return points;
}

// 110 rows 3 pixels apart and 110 columns 5 apart, drawn with the mouse in
// 4-pixel moves, middle pen; then intersection erase, shown and settled.
void drawGridToErase(BenchWindow& w)
{
    for (int i = 0; i < 110; ++i)
        w.addMouseStroke(line(QPoint(20, 20 + 3 * i), QPoint(600, 20 + 3 * i), 4), kMiddlePen);
    for (int i = 0; i < 110; ++i)
        w.addMouseStroke(line(QPoint(22 + 5 * i, 10), QPoint(22 + 5 * i, 370), 4), kMiddlePen);
    w.form->IntersectionErase();
    settle();
}

// The drag across the grid: 180 moves of about 3.5 pixels.
std::vector<QPoint> gridDrag()
{
    std::vector<QPoint> moves;
    for (int i = 0; i < 180; ++i)
        moves.push_back(QPoint(30 + i * 550 / 180, 25 + i * 320 / 180));
    return moves;
}

// Processor time of the moves that changed the ink: the whole move, and
// its two parts, the erase and the paint after it.
struct MoveTimes {
    std::vector<double> hits;
    std::vector<double> erases;
    std::vector<double> paints;
    std::vector<double> walls;  // the whole move on the clock: threads that paint beside it count
    void report(benchmark::State& state)
    {
        state.counters["hits"] = double(hits.size());
        if (hits.empty())
            return;
        for (auto* v : {&hits, &erases, &paints, &walls})
            std::sort(v->begin(), v->end());
        state.counters["wall_worst_ms"] = walls.back();
        state.counters["median_ms"] = hits[hits.size() / 2];
        state.counters["worst_ms"] = hits.back();
        state.counters["erase_median_ms"] = erases[erases.size() / 2];
        state.counters["paint_median_ms"] = paints[paints.size() / 2];
    }
};

// One move with the button held and the paint it leads to.
void timedMove(BenchWindow& w, QPoint at, MoveTimes& times)
{
    const uint64_t revision = w.ink().revision();
    const double wallBefore = wallMs();
    const double before = threadCpuMs();
    w.moveWithButton(at);
    const double erased = threadCpuMs();
    settle();
    const double after = threadCpuMs();
    if (w.ink().revision() != revision) {
        times.walls.push_back(wallMs() - wallBefore);
        times.hits.push_back(after - before);
        times.erases.push_back(erased - before);
        times.paints.push_back(after - erased);
    }
}

void BM_GridIntersectionErase(benchmark::State& state)
{
    MoveTimes times;
    int strokes = 0;
    double asked = 0;
    double circles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        BenchWindow w;
        drawGridToErase(w);
        state.ResumeTiming();
        const MarkerCache::Stats before = w.form->intersectionMarkerCache()->stats();
        for (const QPoint& at : gridDrag())
            timedMove(w, at, times);
        const MarkerCache::Stats after = w.form->intersectionMarkerCache()->stats();
        strokes = w.ink().strokeCount();
        asked += double(after.strokesAsked - before.strokesAsked);
        circles += double(after.markersRepainted - before.markersRepainted);
        state.counters["layer_repaints"] = double(after.layerRepaints - before.layerRepaints);
        state.counters["full_rebuilds"] = double(after.fullRebuilds - before.fullRebuilds);
    }
    state.counters["asked_per_hit"] = asked / double(times.hits.size());
    state.counters["circles_per_hit"] = circles / double(times.hits.size());
    times.report(state);
    state.counters["strokes_after"] = strokes;
}
BENCHMARK(BM_GridIntersectionErase)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole drag queued before the first move is handled.
void BM_GridDragQueued(benchmark::State& state)
{
    double paints = 0;
    double moves = 0;
    int strokes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        BenchWindow w;
        drawGridToErase(w);
        PaintCounter seen;
        w.paper()->installEventFilter(&seen);
        state.ResumeTiming();
        for (const QPoint& at : gridDrag())
            QCoreApplication::postEvent(w.paper(), w.moveEvent(at));
        settle();
        state.PauseTiming();
        paints += seen.paints;
        moves += seen.moves;
        strokes = w.ink().strokeCount();
        w.paper()->removeEventFilter(&seen);
        state.ResumeTiming();
    }
    state.counters["paints"] = benchmark::Counter(paints, benchmark::Counter::kAvgIterations);
    state.counters["moves"] = benchmark::Counter(moves, benchmark::Counter::kAvgIterations);
    state.counters["strokes_after"] = strokes;
}
BENCHMARK(BM_GridDragQueued)->Unit(benchmark::kMillisecond)->Iterations(3);

// WholeScribble: the scribble not cut up first, in intersection erase (it
// crosses nothing but itself, so a move takes it whole).
enum Page { Scribble, WideZigzag, ManyStrokes, WholeScribble };

// A hand scribbling over the whole paper in mouse moves of 2 to 8 pixels,
// its heading wandering: it crosses itself everywhere.
void drawScribble(BenchWindow& w)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> turn(-0.5, 0.5);
    std::uniform_real_distribution<double> step(2.0, 8.0);
    std::vector<QPoint> points;
    double x = 310, y = 200, heading = 0;
    while (points.size() < 100000) {
        const QPoint at(int(std::lround(x)), int(std::lround(y)));
        if (points.empty() || points.back() != at)
            points.push_back(at);
        heading += turn(rng);
        const double s = step(rng);
        x += s * std::cos(heading);
        y += s * std::sin(heading);
        if (x < 20 || x > 600)
            heading = M_PI - heading, x = std::clamp(x, 20.0, 600.0);
        if (y < 20 || y > 380)
            heading = -heading, y = std::clamp(y, 20.0, 380.0);
    }
    w.addMouseStroke(points, kMiddlePen);
}

// 3,000 points: up and down between rows 50 and 350 in 30-pixel moves,
// 2 pixels to the right each time, with the widest pen.
void drawWideZigzag(BenchWindow& w)
{
    std::vector<QPoint> points;
    for (int i = 0; i < 3000; ++i) {
        const int leg = i / 10;
        const int along = i % 10;
        points.push_back(QPoint(20 + i / 5, leg % 2 == 0 ? 50 + 30 * along : 350 - 30 * along));
    }
    w.addMouseStroke(points, 32767.0f);
}

// 50,000 strokes of 40 pixels on 200 rows, as the page-limits test draws them.
void drawManyStrokes(BenchWindow& w)
{
    for (int s = 0; s < 50000; ++s) {
        const QPoint start(20 + (s / 200) % 500, 150 + s % 200);
        w.addMouseStroke({start, start + QPoint(40, 0)}, kMiddlePen);
    }
}

// Until markers found on another thread show.
void waitForMarkers(BenchWindow& w)
{
    while (w.form->intersectionMarkerCache() && w.form->intersectionMarkerCache()->finding()) {
        QThread::msleep(1);
        QCoreApplication::processEvents();
    }
    settle();
}

// TAVRO_BENCH_MOVES=n: the drag makes n moves (at most 12) whatever they
// take, to compare builds under a simulator such as valgrind's callgrind,
// where the cut-off on time would end each build's drag at another move.
int fixedMoves()
{
    const char* moves = std::getenv("TAVRO_BENCH_MOVES");
    return moves ? std::clamp(std::atoi(moves), 1, 12) : 0;
}

// range(0): the page; range(1): the mode (2 cusps, 3 crossings, 4 strokes).
void BM_HardPage(benchmark::State& state)
{
    const auto page = Page(state.range(0));
    const auto mode = int16_t(state.range(1));
    MoveTimes times;
    double switchMs = 0;
    double shownMs = 0;
    std::vector<double> repaints;
    std::vector<double> repaintShown;
    std::vector<double> repaintCpuMs;
    for (auto _ : state) {
        state.PauseTiming();
        BenchWindow w;
        if (page == Scribble || page == WholeScribble)
            drawScribble(w);
        else if (page == WideZigzag)
            drawWideZigzag(w);
        else
            drawManyStrokes(w);
        if (mode == 3 && page == Scribble) {
            // One stroke crosses nothing else: cut it up first, as a user
            // would with the cusp eraser, so that its pieces cross.
            w.form->UpdateApplicationMode(2);
            std::mt19937 cuts(5);
            for (int i = 0; i < 12 && w.ink().strokeCount() > 0; ++i) {
                const InkStrokes strokes = w.ink().Strokes();
                const InkStrokeDisp s = strokes.Item(int32_t(cuts() % unsigned(strokes.Count())));
                w.moveWithButton(w.toPixels(s.GetPoints(int32_t(cuts() % unsigned(s.PacketCount())), 1).front()));
            }
        }
        // Switching to the mode, as a user does, and its paint: the markers
        // found on the whole page, the ink's raster kept.
        const double switchStart = wallMs();
        w.form->UpdateApplicationMode(mode);
        settle();
        switchMs = std::max(switchMs, wallMs() - switchStart);
        waitForMarkers(w);
        shownMs = std::max(shownMs, wallMs() - switchStart);
        state.ResumeTiming();
        // A drag of 12 moves, each on ink that is still there (cut short
        // past 20 s, should one be that slow).
        std::mt19937 rng(3);
        const double start = threadCpuMs();
        const int fixed = fixedMoves();
        const int moves = fixed ? fixed : 12;
        const double cutOffMs = fixed ? INFINITY : 20000;
        for (int i = 0; i < moves && w.ink().strokeCount() > 0 && threadCpuMs() - start < cutOffMs; ++i) {
            const InkStrokes strokes = w.ink().Strokes();
            const InkStrokeDisp s = strokes.Item(int32_t(rng() % unsigned(strokes.Count())));
            const InkPoint p = s.GetPoints(int32_t(rng() % unsigned(s.PacketCount())), 1).front();
            const QPoint at = w.toPixels(p);
            timedMove(w, QPoint(std::clamp(at.x(), 0, 620), std::clamp(at.y(), 0, 397)), times);
        }
        // The whole page painted anew, five times: the renderer's raster
        // and the markers start from nothing each time.
        for (int i = 0; i < 5; ++i) {
            InkRenderer& renderer = w.form->myInkCollector->Renderer();
            renderer.attach(&w.ink(), w.paper());
            w.form->setMarkerCacheEnabled(false);
            w.form->setMarkerCacheEnabled(true);
            const double before = wallMs();
            const double cpuBefore = processCpuMs();
            w.paper()->repaint();
            repaints.push_back(wallMs() - before);
            repaintCpuMs.push_back(processCpuMs() - cpuBefore);
            waitForMarkers(w);
            repaintShown.push_back(wallMs() - before);
        }
    }
    times.report(state);
    state.counters["switch_ms"] = switchMs;
    state.counters["markers_shown_ms"] = shownMs;
    std::sort(repaints.begin(), repaints.end());
    std::sort(repaintCpuMs.begin(), repaintCpuMs.end());
    state.counters["repaint_ms"] = repaints[repaints.size() / 2];
    state.counters["repaint_worst_ms"] = repaints.back();
    state.counters["repaint_cpu_ms"] = repaintCpuMs[repaintCpuMs.size() / 2];
    std::sort(repaintShown.begin(), repaintShown.end());
    state.counters["repaint_markers_shown_ms"] = repaintShown[repaintShown.size() / 2];
}
BENCHMARK(BM_HardPage)
    ->ArgsProduct({{Scribble, WideZigzag, ManyStrokes}, {2, 3, 4}})
    ->Args({WholeScribble, 3})
    ->ArgNames({"page", "mode"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
