// Drawing and input figures for docs/performance.md: the repaint of an
// unchanged page, adding a finished stroke, and one packet of a stroke in
// progress, each beside the plain approach of drawing every stroke anew.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "bench/qt_benchmark_main.h"
#include "bench/ink_model/random_page.h"
#include "platform/ink/ink_units.h"
#include "platform/ink/stroke_coverage.h"
#include "platform/ink/stroke_painter.h"
#include "tests/ink_qt/paper_fixture.h"

#include <benchmark/benchmark.h>

#include <QWindow>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <random>

namespace {

// The visible paper of the window: 625 x 401 pixels in ink units.
RandomPageSpec pageSpec(int strokes, unsigned seed)
{
    RandomPageSpec spec;
    spec.strokes = strokes;
    spec.width = 16536;
    spec.height = 10610;
    spec.seed = seed;
    return spec;
}

// A shown window whose 9405 x 7410 paper shows 625 x 401 pixels, with a
// collector set up the way the program's window sets it up.
struct BenchPaper {
    explicit BenchPaper(int strokes) : window(QSize(625, 451))
    {
        collector.SetWindow(window.paper);
        collector.SetAutoRedraw(false);
        collector.SetEventInterest(InkCollectorEventInterest::CursorDown, true);
        collector.SetEventInterest(InkCollectorEventInterest::NewPackets, true);
        QObject::connect(&collector, &InkCollector::NewPackets,
                         [this](const InkCursor&, const InkStrokeDisp&, int32_t count, const std::vector<int32_t>&) {
                             packetsSeen += count;
                         });
        // Strokes made while measuring never join the page, so it keeps its size.
        QObject::connect(&collector, &InkCollector::Stroke,
                         [](const InkCursor&, const InkStrokeDisp&, bool& cancel) { cancel = true; });
        collector.SetEnabled(true);
        window.paper->drawInkOf(collector);
        fillInk(collector.Ink(), randomWalkStrokes(pageSpec(strokes, 20240601u + unsigned(strokes))));
        allStrokes = InkStrokes(collector.Ink().Strokes().items());
        window.window.show();
        while (!window.window.windowHandle()->isExposed())
            QCoreApplication::processEvents();
        window.paper->repaint();
    }

    PaperWindow window;
    InkCollector collector;
    InkStrokes allStrokes;  // the same strokes, not marked as the whole ink
    int64_t packetsSeen = 0;
};

// copy: pages that a benchmark changes get one of their own.
BenchPaper& benchPaper(int strokes, int copy = 0)
{
    static std::map<std::pair<int, int>, std::unique_ptr<BenchPaper>> papers;
    auto& paper = papers[{strokes, copy}];
    if (!paper)
        paper = std::make_unique<BenchPaper>(strokes);
    return *paper;
}

// Counts paint events of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) : m_widget(widget) { widget->installEventFilter(this); }
    ~PaintCounter() override { m_widget->removeEventFilter(this); }
    int64_t paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }

private:
    QWidget* m_widget;
};

void repaintUnchangedPage(benchmark::State& state, bool plain)
{
    BenchPaper& page = benchPaper(static_cast<int>(state.range(0)));
    TestPaper* paper = page.window.paper;
    if (plain)
        paper->only = page.allStrokes;
    for (auto _ : state)
        paper->repaint();
    paper->only.reset();
    state.counters["strokes"] = page.collector.Ink().strokeCount();
}
void BM_RepaintUnchangedPage_Layer(benchmark::State& state) { repaintUnchangedPage(state, false); }
void BM_RepaintUnchangedPage_Plain(benchmark::State& state) { repaintUnchangedPage(state, true); }

// Its own page, which grows by the strokes added (300 a run): taking
// them out again would measure the delete's repaint in the caches' place.
void addFinishedStroke(benchmark::State& state, bool plain)
{
    BenchPaper& page = benchPaper(static_cast<int>(state.range(0)), plain ? 2 : 1);
    TestPaper* paper = page.window.paper;
    InkDisp& ink = page.collector.Ink();
    const auto extra = randomWalkStrokes(pageSpec(64, 99));
    InkDrawingAttributes pen;
    size_t next = 0;
    for (auto _ : state) {
        const auto& packets = extra[next++ % extra.size()];
        const auto start = std::chrono::steady_clock::now();
        const InkStrokeDisp stroke = ink.CreateStroke(packets, pen);
        if (plain) {
            paper->only = InkStrokes(ink.Strokes().items());
            paper->repaint();
        } else {
            paper->repaint(ink_units::inkAreaToPixels(stroke.drawnBounds(), ink_units::scaleOf(*paper), 2));
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    paper->only.reset();
}
void BM_AddFinishedStroke_Layer(benchmark::State& state) { addFinishedStroke(state, false); }
void BM_AddFinishedStroke_Plain(benchmark::State& state) { addFinishedStroke(state, true); }

// One packet: the move event in, the collector's work and signal, and the
// window's posted repaint of what changed, painted and flushed.
void packetInProgress(benchmark::State& state, bool plain)
{
    BenchPaper& page = benchPaper(static_cast<int>(state.range(0)));
    TestPaper* paper = page.window.paper;
    QWidget* window = &page.window.window;
    const auto walk = randomWalkStrokes(pageSpec(1, 7)).front();
    if (plain)
        paper->only = page.allStrokes;
    PaintCounter overlayPaints(paper->findChild<QWidget*>());
    const int64_t packetsBefore = page.packetsSeen;
    auto pixels = [](const InkPacket& p) { return QPointF(p.x * 96.0 / 2540.0, p.y * 96.0 / 2540.0); };
    size_t i = 0;
    sendMouse(paper, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, pixels(walk[0]));
    for (auto _ : state) {
        if (++i == walk.size()) {
            // A fresh stroke now and then, so its length stays like handwriting; not measured.
            sendMouse(paper, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, pixels(walk.back()));
            QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
            i = 1;
            sendMouse(paper, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, pixels(walk[0]));
            QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
        }
        const auto start = std::chrono::steady_clock::now();
        sendMouse(paper, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, pixels(walk[i]));
        if (plain)
            paper->repaint();
        QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    sendMouse(paper, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, pixels(walk[i]));
    QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    paper->only.reset();
    state.counters["overlay_paints_per_packet"] =
        benchmark::Counter(double(overlayPaints.paints) / double(page.packetsSeen - packetsBefore));
}
void BM_PacketInProgress_Layer(benchmark::State& state) { packetInProgress(state, false); }
void BM_PacketInProgress_Plain(benchmark::State& state) { packetInProgress(state, true); }

// Deleting a stroke: the layer repaints the stroke's area, drawing again
// every stroke that reaches into it (on this page, thousands).
void deleteStroke(benchmark::State& state, bool plain)
{
    BenchPaper& page = benchPaper(static_cast<int>(state.range(0)));
    TestPaper* paper = page.window.paper;
    InkDisp& ink = page.collector.Ink();
    const auto extra = randomWalkStrokes(pageSpec(64, 98));
    InkDrawingAttributes pen;
    size_t next = 0;
    for (auto _ : state) {
        const InkStrokeDisp stroke = ink.CreateStroke(extra[next++ % extra.size()], pen);
        const QRect area = ink_units::inkAreaToPixels(stroke.drawnBounds(), ink_units::scaleOf(*paper), 2);
        paper->repaint(area);
        const auto start = std::chrono::steady_clock::now();
        ink.DeleteStroke(stroke);
        if (plain) {
            paper->only = InkStrokes(ink.Strokes().items());
            paper->repaint();
        } else {
            paper->repaint(area);
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        paper->only.reset();
    }
}
void BM_DeleteStroke_Layer(benchmark::State& state) { deleteStroke(state, false); }
void BM_DeleteStroke_Plain(benchmark::State& state) { deleteStroke(state, true); }

void BM_Part_RepaintRect(benchmark::State& state)
{
    BenchPaper& page = benchPaper(10000);
    for (auto _ : state)
        page.window.paper->repaint(QRect(100, 100, int(state.range(0)), int(state.range(0))));
}

// Where the time of adding a stroke goes: the ink's own bookkeeping, the
// snapshot that every paint handler takes, and painting one stroke.
void BM_Part_StrokesSnapshot(benchmark::State& state)
{
    BenchPaper& page = benchPaper(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(page.collector.Ink().Strokes());
}
void BM_Part_CreateStrokeInModel(benchmark::State& state)
{
    InkDisp ink;
    fillInk(ink, randomWalkStrokes(pageSpec(static_cast<int>(state.range(0)), 5)));
    const auto extra = randomWalkStrokes(pageSpec(64, 99));
    InkDrawingAttributes pen;
    size_t next = 0;
    for (auto _ : state) {
        const InkStrokeDisp stroke = ink.CreateStroke(extra[next++ % extra.size()], pen);
        state.PauseTiming();
        ink.DeleteStroke(stroke);
        state.ResumeTiming();
    }
}
void BM_Part_PaintOneStroke(benchmark::State& state)
{
    QImage layer(625, 401, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    const auto extra = randomWalkStrokes(pageSpec(64, 99));
    InkDrawingAttributes pen;
    size_t next = 0;
    for (auto _ : state)
        paintInkStrokeInto(layer, QTransform(), extra[next++ % extra.size()], pen, ink_units::PixelScale(),
                           layer.rect());
}

// One capsule's coverage, its buffers included: range(0) 0 for a 40-pixel
// horizontal line of the middle pen (the 50,000-stroke page's), 1 for the
// 2 to 8 pixel segments of a scribble at any angle.
void BM_Part_Capsule(benchmark::State& state)
{
    std::mt19937 rng(3);
    std::vector<std::pair<QPointF, QPointF>> segments;
    for (int s = 0; s < 1024; ++s) {
        const QPointF a(20.5 + s % 250, 150.5 + s % 200);
        if (state.range(0) == 0) {
            segments.emplace_back(a, a + QPointF(40, 0));
        } else {
            const double angle = double(rng() % 6283) / 1000.0;
            const double length = 2.0 + double(rng() % 7);
            segments.emplace_back(a, a + QPointF(length * std::cos(angle), length * std::sin(angle)));
        }
    }
    size_t next = 0;
    for (auto _ : state) {
        const auto& [a, b] = segments[next++ % segments.size()];
        StrokeCoverage coverage(StrokeCoverage::capsuleBounds(a, 1.0, b, 1.0).toAlignedRect());
        coverage.addCapsule(a, 1.0, b, 1.0, true);
        benchmark::DoNotOptimize(coverage.isEmpty());
    }
}

}  // namespace

BENCHMARK(BM_Part_Capsule)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_DeleteStroke_Layer)->Arg(300)->Arg(10000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteStroke_Plain)->Arg(10000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Part_RepaintRect)->Arg(20)->Arg(150)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Part_StrokesSnapshot)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Part_CreateStrokeInModel)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Part_PaintOneStroke)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintUnchangedPage_Layer)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintUnchangedPage_Plain)->Arg(10000)->Unit(benchmark::kMicrosecond);
// Timed by hand around the measured part only ("manual_time" in the report).
BENCHMARK(BM_AddFinishedStroke_Layer)->Arg(10000)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddFinishedStroke_Plain)->Arg(10000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PacketInProgress_Layer)->Arg(10)->Arg(10000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PacketInProgress_Plain)->Arg(10)->Arg(10000)->UseManualTime()->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
