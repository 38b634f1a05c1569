// Page output figures, all in one run on one window with a page of
// handwriting drawn through the real collector:
// - the capture that every pointer movement over the save button takes;
// - a whole save without its one-second wait: the save dialog set up and
//   answered (scripted), the bitmap written, the converter run, the bitmap
//   deleted: the steps End_Rtn runs around its Delay, in a RAM folder and in
//   the temporary folder on disk;
// - End_Rtn itself, wait included, to show that nothing but the wait is slow;
// - opening a 4000 x 3000 JPEG as the background picture, up to the paper
//   painted with it;
// - a repaint of the whole paper with that picture shown;
// - a page at its limits (one stroke of 100,000 packets, 50,000 strokes)
//   drawn with the mouse, then erased at, saved, undone and cleared.
// Wall-clock times. Runs on the offscreen platform unless told otherwise.

#include "bench/qt_benchmark_main.h"
#include "tests/app_output/output_fixture.h"
#include "app/output/jpeg_converter.h"
#include "app/output/save_page.h"
#include "app/shell/application.h"
#include "app/shell/inkwrite.h"
#include "app/shell/services.h"
#include "platform/dialogs/scripted_common_dialog.h"
#include "platform/dialogs/scripted_message_box.h"
#include "platform/ink/ink_collector.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

struct Page {
    ScriptedMessageBoxService messageBox;
    ScriptedCommonDialogFactory dialogs;
    Services services{messageBox, dialogs, QStringLiteral(TAVRO_CONVERTER_FOLDER)};
    std::unique_ptr<InkWrite> form;

    Page()
    {
        form = std::make_unique<InkWrite>(services);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the window did not show");
        writeByHand();
        hoverSave();
    }

    void mouse(QWidget* target, QEvent::Type type, Qt::MouseButtons held, QPointF at)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

    // Nine lines of seven wavy words across the page.
    void writeByHand()
    {
        for (int line = 0; line < 9; ++line) {
            for (int word = 0; word < 7; ++word) {
                const double x = 20 + word * 84, y = 40 + line * 40;
                mouse(form->ImgPaper, QEvent::MouseButtonPress, Qt::LeftButton, QPointF(x, y));
                for (int i = 1; i <= 30; ++i)
                    mouse(form->ImgPaper, QEvent::MouseMove, Qt::LeftButton,
                          QPointF(x + i * 2.3, y + 8 * std::sin(i * 0.9 + word)));
                mouse(form->ImgPaper, QEvent::MouseButtonRelease, Qt::NoButton, QPointF(x + 69, y));
            }
        }
        QCoreApplication::processEvents();
    }

    void hoverSave() { mouse(form->imgSave, QEvent::MouseMove, Qt::NoButton, QPointF(20, 20)); }
};

Page& page()
{
    static Page* instance = new Page;  // lives until the process ends
    return *instance;
}

void BM_CaptureOnPointerMove(benchmark::State& state)
{
    Page& p = page();
    for (auto _ : state)
        p.hoverSave();
    if (p.form->Picture2->picture().size() != QSize(619, 396))
        state.SkipWithError("no capture of the page");
}
BENCHMARK(BM_CaptureOnPointerMove)->Unit(benchmark::kMillisecond)->UseRealTime();

// The folder the files go to: 0 RAM (/dev/shm), 1 the temporary folder.
QString folderFor(int64_t which)
{
    return which == 0 ? QStringLiteral("/dev/shm") : QDir::tempPath();
}

void BM_SaveWithoutTheWait(benchmark::State& state)
{
    Page& p = page();
    QTemporaryDir dir(folderFor(state.range(0)) + QStringLiteral("/tavro-bench-XXXXXX"));
    JpegConverter converter(p.services.converterFolder);
    const QString chosen = dir.filePath(QStringLiteral("page.jpg"));
    for (auto _ : state) {
        p.dialogs.queueFileName(chosen);
        std::unique_ptr<CommonDialog> dialog = p.dialogs.create(p.form.get());
        SavePage::setUpSaveDialog(*dialog, p.form->goCount);
        dialog->ShowSave();
        SavePage::PageBitmap bitmap(p.form->Picture2->picture().toImage(), dialog->FileName);
        converter.convert(bitmap.path());
        bitmap.placeJpeg();
        bitmap.remove();
    }
    if (QImage(chosen).size() != QSize(619, 396))
        state.SkipWithError("no JPEG of the page");
    state.SetLabel(state.range(0) == 0 ? "RAM" : "disk");
}
BENCHMARK(BM_SaveWithoutTheWait)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// End_Rtn as the click runs it, wait included; "beyond_wait" is what it
// takes over the 1000 ms of its Delay.
void BM_EndRtnWithTheWait(benchmark::State& state)
{
    Page& p = page();
    QTemporaryDir dir(QStringLiteral("/dev/shm/tavro-bench-XXXXXX"));
    double beyond = 0;
    for (auto _ : state) {
        p.dialogs.queueFileName(dir.filePath(QStringLiteral("page")));
        QElapsedTimer clock;
        clock.start();
        p.form->End_Rtn();
        beyond += clock.nsecsElapsed() / 1e6 - 1000.0;
    }
    if (!p.messageBox.calls().isEmpty() || !QFile::exists(dir.filePath(QStringLiteral("page.jpg"))))
        state.SkipWithError("the save failed");
    state.counters["beyond_wait_ms"] = beyond / double(state.iterations());
}
BENCHMARK(BM_EndRtnWithTheWait)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// A photograph-like picture: smooth gradients with detail, so the JPEG is
// neither trivial nor unusually hard to decode.
QString writeLargeJpeg(const QString& folder)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb((x / 16) % 256, (y / 12) % 256, int(128 + 127 * std::sin((x + y) * 0.01)) ^ (x * y % 7));
    }
    const QString path = folder + QStringLiteral("/photo.jpg");
    if (!image.save(path, "JPG", 90))
        return QString();
    return path;
}

void BM_OpenBackground4000x3000(benchmark::State& state)
{
    Page& p = page();
    QTemporaryDir dir(QStringLiteral("/dev/shm/tavro-bench-XXXXXX"));
    const QString photo = writeLargeJpeg(dir.path());
    if (photo.isEmpty()) {
        state.SkipWithError("cannot write the JPEG");
        return;
    }
    for (auto _ : state) {
        p.dialogs.queueFileName(photo);
        p.mouse(p.form->picOpen, QEvent::MouseButtonPress, Qt::LeftButton, QPointF(10, 10));
        p.mouse(p.form->picOpen, QEvent::MouseButtonRelease, Qt::NoButton, QPointF(10, 10));
        p.form->ImgPaper->repaint();
    }
    // Pixels are kept for the paper's part inside the window only.
    if (p.form->ImgPaper->picture().size() != QSize(624, 401) || !p.messageBox.calls().isEmpty())
        state.SkipWithError("the picture was not opened");
}
BENCHMARK(BM_OpenBackground4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

// After the open above: the picture is a pixmap, so a repaint copies it.
void BM_PaperRepaintWithPicture(benchmark::State& state)
{
    Page& p = page();
    if (!p.form->ImgPaper->hasPicture()) {
        state.SkipWithError("no picture on the paper");
        return;
    }
    for (auto _ : state)
        p.form->ImgPaper->repaint();
}
BENCHMARK(BM_PaperRepaintWithPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// Everything the page offers on a page at its limits, each step timed once:
// the page drawn with the mouse (rows 150 to 349 of the paper, 40 pixels
// long; the big stroke zigzags over the same area), the three erase modes
// moved over a clear spot, then a save, undo and new page (the save's 1 s
// wait included). Arguments: strokes, mouse moves a stroke.
void BM_BigPage(benchmark::State& state)
{
    const int strokes = int(state.range(0)), moves = int(state.range(1));
    for (auto _ : state) {
        QTemporaryDir dir;
        OutputWindow w;
        if (!w.show()) {
            state.SkipWithError("the window did not show");
            return;
        }
        const auto moveWithButton = [&](QPoint at) {
            sendMouse(w.form->ImgPaper, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at);
        };
        QElapsedTimer clock;
        clock.start();
        for (int s = 0; s < strokes; ++s) {
            const QPoint start(20 + (s / 200) % 500, 150 + s % 200);
            sendMouse(w.form->ImgPaper, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
            for (int m = 1; m <= moves; ++m)
                moveWithButton(start + QPoint(moves == 1 ? 40 : (m / 200) % 500, moves == 1 ? 0 : m % 200));
            sendMouse(w.form->ImgPaper, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton,
                      start + QPoint(40, 0));
        }
        state.counters["drawn_ms"] = double(clock.restart());
        bool right = w.strokeCount() == strokes &&
                     w.form->myInkCollector->Ink().Strokes().Item(0).PacketCount() >= moves + 1;
        for (int mode : {2, 3, 4}) {
            w.form->UpdateApplicationMode(int16_t(mode));
            moveWithButton(QPoint(600, 380));  // clear of the ink: nothing goes
            right = right && w.strokeCount() == strokes;
        }
        w.form->Ink();
        state.counters["erase_modes_ms"] = double(clock.restart());
        w.drawRow(100);
        w.dialogs.queueFileName(dir.filePath(QStringLiteral("page")));
        w.save();
        const QImage saved(dir.filePath(QStringLiteral("page.jpg")));
        right = right && showsRow(saved, 100) && qGray(saved.pixel(pageAt(QPoint(30, 250)))) < 128;
        click(w.form->Image4);
        right = right && w.strokeCount() == strokes;
        w.messageBox.queueAnswer(MessageBoxResult::Yes);
        click(w.form->imgNew);
        state.counters["save_undo_new_ms"] = double(clock.elapsed());
        if (!right || w.strokeCount() != 0 || w.messageBox.calls().size() != 1)
            state.SkipWithError("the big page did not work as it should");
    }
}
BENCHMARK(BM_BigPage)->Args({1, 99999})->Args({50000, 1})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<TavroApplication>(argc, argv);
}
