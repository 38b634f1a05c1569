// Opens a background picture of any bytes the way the program does: the file
// is written under the format's extension, loaded with LoadPicture at the
// paper's 96 dpi for the part of the paper the window shows, and a loaded
// picture is drawn. Built once per format
// (TAVRO_FUZZ_FORMAT); inputs of another format are still loaded, but kept
// out of the corpus so that each target stays on its own reader.
//
// A failure must be a PlatformError with a picture code (or bad_alloc, which
// the program also catches); anything else escaping is a crash.
//
// With TAVRO_FUZZ_VERBOSE set, each input's outcome is printed, for checking
// seeds by hand.

#include "fuzz/fuzz_scratch.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#ifndef TAVRO_FUZZ_FORMAT
#error "TAVRO_FUZZ_FORMAT: jpeg, gif, bmp, wmf or emf"
#endif

namespace {

#define TAVRO_STRING2(x) #x
#define TAVRO_STRING(x) TAVRO_STRING2(x)
constexpr const char* kFormatName = TAVRO_STRING(TAVRO_FUZZ_FORMAT);

struct FormatInfo {
    const char* name;
    const char* extension;
    PictureFormat format;
};
constexpr FormatInfo kFormats[] = {
    {"jpeg", "jpg", PictureFormat::Jpeg}, {"gif", "gif", PictureFormat::Gif},
    {"bmp", "bmp", PictureFormat::Bmp},   {"wmf", "wmf", PictureFormat::Wmf},
    {"emf", "emf", PictureFormat::Emf},
};

const FormatInfo& target()
{
    for (const FormatInfo& f : kFormats)
        if (std::string_view(f.name) == kFormatName)
            return f;
    std::abort();
}

// The part of the paper inside the window, from its corner.
constexpr QSize kShownPaper(624, 401);

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

bool isPictureCode(int32_t code)
{
    return code == PictureErrorCode::OutOfMemory || code == PictureErrorCode::FileNotFound
        || code == PictureErrorCode::FileUnreadable || code == PictureErrorCode::InvalidPicture;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts and painting need a GUI application; no screen is needed.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argc > 0 ? (*argv)[0] : const_cast<char*>("fuzz")), nullptr};
    static QGuiApplication app(qtArgc, qtArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzScratch scratch;
    static const bool verbose = std::getenv("TAVRO_FUZZ_VERBOSE") != nullptr;
    const FormatInfo& format = target();
    const std::string path = scratch.write(std::string("background.") + format.extension, data, size);

    try {
        const Picture picture = LoadPicture(QString::fromStdString(path), 96.0, kShownPaper);
        check(!picture.isNull() && picture.size().isValid(), "a loaded picture has a size");
        check(int64_t(picture.size().width()) * picture.size().height() <= kMaxDecodedPictureBytes / 4,
              "a loaded picture stays within the limit");
        const QSize kept = picture.toImage().size();
        check(kept.width() <= kShownPaper.width() && kept.height() <= kShownPaper.height(),
              "pixels are kept only for what shows");
        QImage paper(kShownPaper, QImage::Format_ARGB32_Premultiplied);
        paper.fill(Qt::white);
        QPainter painter(&paper);
        picture.draw(painter, QPointF(0, 0));
        painter.end();
        if (verbose)
            std::fprintf(stderr, "loaded %d x %d %s\n", picture.size().width(), picture.size().height(),
                         picture.isRaster() ? "raster" : "drawing");
    } catch (const PlatformError& failure) {
        check(isPictureCode(failure.code()), "a failure with a picture code");
        if (verbose)
            std::fprintf(stderr, "refused (%d): %s\n", failure.code(), failure.what());
    } catch (const std::bad_alloc&) {
        if (verbose)
            std::fprintf(stderr, "refused: out of memory\n");
    }
    scratch.clear();

    const QByteArray head(reinterpret_cast<const char*>(data), int(std::min<size_t>(size, 64)));
    return detectPictureFormat(head) == format.format ? 0 : -1;
}
