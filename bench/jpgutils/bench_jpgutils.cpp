// ConvertBMPtoJPG on a saved page, side by side with ImageMagick's
// `convert page.bmp -quality 100 page.jpg` and with Qt's own JPEG writer
// (bitmap read and JPEG written at quality 100) on the same bitmap, in a RAM
// folder and in the temporary folder on disk. Wall-clock times; a summary at
// the end compares them with the targets.

#include "platform/jpgutils/jpgutils.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kPageWidth = 619;
constexpr int kPageHeight = 396;
constexpr double kBudgetMs = 5.0;
constexpr double kFasterThanConvert = 3.0;

// White paper with handwriting-like strokes in a few pen colours and widths.
QImage syntheticPage()
{
    QImage page(kPageWidth, kPageHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor pens[] = {Qt::black, Qt::blue, Qt::red, QColor(0, 128, 0)};
    for (int line = 0; line < 9; ++line) {
        for (int word = 0; word < 7; ++word) {
            QPainterPath path;
            const double x = 20 + word * 84;
            const double y = 35 + line * 40;
            path.moveTo(x, y);
            for (int i = 1; i <= 14; ++i)
                path.cubicTo(x + i * 5 - 3, y - 14 + (i * 7) % 11, x + i * 5 - 1, y + 6 - (i * 5) % 9,
                             x + i * 5, y + ((i + word) % 5) - 2);
            painter.setPen(QPen(pens[(line + word) % 4], 1.5 + (word % 3), Qt::SolidLine, Qt::RoundCap));
            painter.drawPath(path);
        }
    }
    return page;
}

std::string fileSystemName(const QString& folder)
{
    struct statfs info {};
    if (::statfs(QFile::encodeName(folder).constData(), &info) != 0)
        return "unknown";
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x01021994: return "tmpfs";
    case 0xEF53: return "ext4";
    case 0x9123683E: return "btrfs";
    case 0x58465342: return "xfs";
    case 0x794C7630: return "overlayfs";
    default: return "type " + std::to_string(static_cast<unsigned long>(info.f_type));
    }
}

void convertWithLibrary(benchmark::State& state, const QString& folder)
{
    const QByteArray bitmap = QFile::encodeName(folder + "/page.bmp");
    for (auto _ : state) {
        if (ConvertBMPtoJPG(bitmap.constData(), 100, JPGUTILS_FLAG_BEST) != JPGUTILS_OK) {
            state.SkipWithError("ConvertBMPtoJPG failed");
            break;
        }
    }
}

void convertWithImageMagick(benchmark::State& state, const QString& folder)
{
    std::string program = TAVRO_IMAGEMAGICK_CONVERT;
    std::string input = QFile::encodeName(folder + "/page.bmp").toStdString();
    std::string output = QFile::encodeName(folder + "/page-magick.jpg").toStdString();
    std::string quality = "-quality";
    std::string hundred = "100";
    char* argv[] = {program.data(), input.data(), quality.data(), hundred.data(), output.data(), nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        int status = 0;
        if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0
            || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError(("could not run " + program).c_str());
            break;
        }
    }
}

void convertWithQt(benchmark::State& state, const QString& folder)
{
    const QString input = folder + "/page.bmp";
    const QString output = folder + "/page-qt.jpg";
    for (auto _ : state) {
        const QImage page(input);
        if (page.isNull() || !page.save(output, "JPG", 100)) {
            state.SkipWithError("Qt could not convert the page");
            break;
        }
    }
}

// Prints the usual table and keeps each benchmark's time per iteration.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median)
                m_millis[run.run_name.function_name] = run.GetAdjustedRealTime()
                    * benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond)
                    / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
    double millis(const std::string& name) const
    {
        const auto found = m_millis.find(name);
        return found == m_millis.end() ? -1 : found->second;
    }

private:
    std::map<std::string, double> m_millis;
};

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    struct Place {
        std::string label;
        std::unique_ptr<QTemporaryDir> dir;
    };
    std::vector<Place> places;
    for (const auto& [label, base] : {std::pair<std::string, QString>{"ram", "/dev/shm"},
                                      std::pair<std::string, QString>{"disk", QDir::tempPath()}}) {
        if (!QFileInfo(base).isDir() || !QFileInfo(base).isWritable())
            continue;
        auto dir = std::make_unique<QTemporaryDir>(base + "/jpgutils-bench-XXXXXX");
        if (!dir->isValid() || !syntheticPage().save(dir->filePath("page.bmp"), "BMP"))
            continue;
        std::printf("%s: %s (%s)\n", label.c_str(), qPrintable(dir->path()),
                    fileSystemName(dir->path()).c_str());
        places.push_back({label, std::move(dir)});
    }
    std::printf("page: %d x %d, 24-bit bitmap written by Qt; convert: %s\n", kPageWidth, kPageHeight,
                TAVRO_IMAGEMAGICK_CONVERT);

    for (const Place& place : places) {
        const QString folder = place.dir->path();
        benchmark::RegisterBenchmark(("ConvertBMPtoJPG/" + place.label).c_str(), convertWithLibrary, folder)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("ImageMagickConvert/" + place.label).c_str(), convertWithImageMagick, folder)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("QtJpegWriter/" + place.label).c_str(), convertWithQt, folder)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    for (const Place& place : places) {
        const double ours = reporter.millis("ConvertBMPtoJPG/" + place.label);
        const double magick = reporter.millis("ImageMagickConvert/" + place.label);
        const double qt = reporter.millis("QtJpegWriter/" + place.label);
        if (ours <= 0)
            continue;
        std::printf("%s: ConvertBMPtoJPG %.2f ms (<= %.0f ms: %s)", place.label.c_str(), ours, kBudgetMs,
                    verdict(ours <= kBudgetMs));
        if (magick > 0)
            std::printf("; convert %.1f ms, %.1fx (>= %.0fx: %s)", magick, magick / ours,
                        kFasterThanConvert, verdict(magick >= kFasterThanConvert * ours));
        if (qt > 0)
            std::printf("; Qt %.2f ms, %.2fx (> 1x: %s)", qt, qt / ours, verdict(qt > ours));
        std::printf("\n");
    }
    return 0;
}
