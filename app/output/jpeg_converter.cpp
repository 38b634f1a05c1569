#include "app/output/jpeg_converter.h"

#include "platform/jpgutils/jpg_name.h"
#include "platform/jpgutils/jpgutils.h"
#include "platform/platform_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include <string>

namespace {

constexpr int32_t kBestQuality = 100;

std::string lastLoaderError()
{
    const char* error = ::dlerror();
    return error ? std::string(error) : std::string("unknown error");
}

}  // namespace

JpegConverter::JpegConverter(QString folder) : m_folder(std::move(folder)) {}

JpegConverter::~JpegConverter()
{
    if (m_handle)
        ::dlclose(m_handle);
}

QString JpegConverter::libraryPath() const
{
    if (m_folder.isEmpty() || !QDir::isAbsolutePath(m_folder))
        return QString();
    return QDir::cleanPath(m_folder + QLatin1Char('/') + QLatin1String(JPGUTILS_LIBRARY_FILE_NAME));
}

void JpegConverter::load()
{
    const QString path = libraryPath();
    if (path.isEmpty())
        throw PlatformError(ConverterErrorCode::LibraryNotLoaded,
                            "the converter's folder is not an absolute path: " + m_folder.toStdString());

    // A path with a slash: dlopen takes exactly this file and searches nowhere.
    void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw PlatformError(ConverterErrorCode::LibraryNotLoaded, lastLoaderError());

    ::dlerror();
    void* entry = ::dlsym(handle, JPGUTILS_ENTRY_POINT_NAME);
    if (!entry) {
        const std::string error = lastLoaderError();
        ::dlclose(handle);
        throw PlatformError(ConverterErrorCode::EntryPointMissing, error);
    }
    m_handle = handle;
    m_convert = reinterpret_cast<ConvertBMPtoJPGFunction>(entry);
}

void JpegConverter::convert(const QString& bitmapPath)
{
    if (!m_convert)
        load();
    const QByteArray path = QFile::encodeName(bitmapPath);
    const int32_t result = m_convert(path.constData(), kBestQuality, JPGUTILS_FLAG_BEST);
    if (result != JPGUTILS_OK)
        throw PlatformError(ConverterErrorCode::ConversionFailed,
                            "ConvertBMPtoJPG failed with " + std::to_string(result));
    // The caller deletes the bitmap next, so a success must be seen on disk:
    // without a JPEG that bitmap is the only copy of the page.
    const QFileInfo jpeg(QFile::decodeName(JpgUtils::jpegPathForBitmap(path.toStdString()).c_str()));
    if (!jpeg.isFile() || jpeg.size() == 0)
        throw PlatformError(ConverterErrorCode::ConversionFailed,
                            "ConvertBMPtoJPG reported success but wrote no JPEG at " + jpeg.filePath().toStdString());
}
