// Picture loading figures for docs/performance.md: opening a 4000 x 3000
// photo-like JPEG whole (target: 200 ms), beside the same picture as a
// 24-bit bitmap and Qt's plain QImage load of the JPEG; and the open as the
// window makes it, for the paper's part inside the window only: a 6000 x 4000
// baseline JPEG (target: 100 ms) and a 5640 x 3172 progressive one (target:
// 600 ms). The files are made here, in a RAM folder when there is one.
// Also how long a refusal of a hostile picture takes (the fuzz seeds that ask
// the most work), the time a user waits for the message.

#include "platform/picture/picture_loader.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> g_dir;
QString g_jpeg, g_bmp, g_baseline, g_progressive;
const QSize kShownPaper(624, 401);

// Smooth gradients with noise and shapes: compresses like a photo, not
// like a flat test card.
QImage photoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(4000);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = int(random.bounded(24));
            line[x] = qRgb((x * 255 / width + noise) & 0xFF, (y * 255 / height + noise) & 0xFF,
                           ((x + y) * 127 / (width + height) + 64 + noise) & 0xFF);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 200; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate()));
        painter.drawEllipse(QPointF(random.bounded(width), random.bounded(height)), 40 + random.bounded(200),
                            40 + random.bounded(200));
    }
    painter.end();
    return image;
}

void BM_LoadPictureJpeg4000x3000(benchmark::State& state)
{
    for (auto _ : state) {
        const Picture picture = LoadPicture(g_jpeg, 96);
        benchmark::DoNotOptimize(picture.size());
    }
}
BENCHMARK(BM_LoadPictureJpeg4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenBaselineJpeg6000x4000(benchmark::State& state)
{
    for (auto _ : state) {
        const Picture picture = LoadPicture(g_baseline, 96, kShownPaper);
        benchmark::DoNotOptimize(picture.size());
    }
}
BENCHMARK(BM_OpenBaselineJpeg6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenProgressiveJpeg5640x3172(benchmark::State& state)
{
    for (auto _ : state) {
        const Picture picture = LoadPicture(g_progressive, 96, kShownPaper);
        benchmark::DoNotOptimize(picture.size());
    }
}
BENCHMARK(BM_OpenProgressiveJpeg5640x3172)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QImageLoadJpeg4000x3000(benchmark::State& state)
{
    for (auto _ : state) {
        const QImage image(g_jpeg);
        benchmark::DoNotOptimize(image.size());
    }
}
BENCHMARK(BM_QImageLoadJpeg4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadPictureBmp4000x3000(benchmark::State& state)
{
    for (auto _ : state) {
        const Picture picture = LoadPicture(g_bmp, 96);
        benchmark::DoNotOptimize(picture.size());
    }
}
BENCHMARK(BM_LoadPictureBmp4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

// 0: a progressive JPEG of 600 scans; 1: an EMF of 1000 full-frame
// rectangles; 2: a bitmap claiming 60000 x 60000. Each must be refused.
void BM_RefuseHostilePicture(benchmark::State& state)
{
    static const char* const kSeeds[] = {"picture_jpeg/hostile_progressive_600_scans",
                                         "picture_emf/hostile_full_frame_rectangles"};
    QString path;
    if (state.range(0) < 2) {
        const QString seed = QStringLiteral(TAVRO_FUZZ_SEEDS "/") + kSeeds[state.range(0)];
        path = g_dir->filePath(QFileInfo(seed).fileName() + (state.range(0) == 0 ? ".jpg" : ".emf"));
        QFile::remove(path);
        if (!QFile::copy(seed, path)) {
            state.SkipWithError("no seed");
            return;
        }
    } else {
        QByteArray bmp(54, '\0');
        const auto put32 = [&](int at, quint32 v) {
            for (int i = 0; i < 4; ++i)
                bmp[at + i] = char(v >> (8 * i));
        };
        bmp[0] = 'B';
        bmp[1] = 'M';
        put32(2, 54), put32(10, 54), put32(14, 40), put32(18, 60000), put32(22, 60000), put32(26, 1 | 24u << 16);
        path = g_dir->filePath("bomb.bmp");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bmp) != bmp.size())
            state.SkipWithError("cannot write the bitmap");
    }
    for (auto _ : state) {
        try {
            LoadPicture(path, 96, kShownPaper);
            state.SkipWithError("a hostile picture was loaded");
            return;
        } catch (...) {  // PlatformError, or bad_alloc, as the window takes them
        }
    }
    state.SetLabel(state.range(0) == 0 ? "600 scans" : state.range(0) == 1 ? "1000 rectangles" : "60000 x 60000");
}
BENCHMARK(BM_RefuseHostilePicture)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    g_dir = std::make_unique<QTemporaryDir>(QDir("/dev/shm").exists() ? "/dev/shm/tavro-bench-XXXXXX"
                                                                      : QDir::tempPath() + "/tavro-bench-XXXXXX");
    const QImage photo = photoLike(4000, 3000);
    g_jpeg = g_dir->filePath("photo.jpg");
    g_bmp = g_dir->filePath("photo.bmp");
    if (!photo.save(g_jpeg, "jpeg", 90) || !photo.save(g_bmp, "bmp"))
        return 1;
    g_baseline = g_dir->filePath("baseline.jpg");
    g_progressive = g_dir->filePath("progressive.jpg");
    QImageWriter progressive(g_progressive, "jpeg");
    progressive.setQuality(90);
    progressive.setProgressiveScanWrite(true);
    if (!photoLike(6000, 4000).save(g_baseline, "jpeg", 90) || !progressive.write(photoLike(5640, 3172)))
        return 1;
    std::printf("JPEG %lld bytes, bitmap %lld bytes, in %s\n", QFileInfo(g_jpeg).size(), QFileInfo(g_bmp).size(),
                qPrintable(g_dir->path()));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_dir.reset();
    return 0;
}
