#pragma once
// The JPEG converter library (libJPGUtils.so), loaded the first time a page is
// converted and kept loaded. It is looked for only in the program's private
// library folder, given as an absolute path: never by bare name, so neither
// the working directory nor the loader's search path (LD_LIBRARY_PATH) can
// put another library in its place.

#include <QString>

#include <cstdint>

namespace ConverterErrorCode {
constexpr int32_t LibraryNotLoaded = 48;   // the library is missing or cannot be loaded
constexpr int32_t EntryPointMissing = 453; // it has no ConvertBMPtoJPG
constexpr int32_t ConversionFailed = 2001; // ConvertBMPtoJPG reported a failure
}  // namespace ConverterErrorCode

class JpegConverter {
public:
    // folder: where the library is; must be an absolute path.
    explicit JpegConverter(QString folder);
    ~JpegConverter();
    JpegConverter(const JpegConverter&) = delete;
    JpegConverter& operator=(const JpegConverter&) = delete;

    // The library's full path, or an empty string when the folder is not
    // absolute.
    QString libraryPath() const;
    bool isLoaded() const { return m_convert != nullptr; }

    // Makes the JPEG of the bitmap at bitmapPath with the best quality the
    // library offers (100 and -1). Loads the library first if it is not yet
    // loaded; a load that failed is tried again on the next call. Throws
    // PlatformError (codes above) when the library or its entry point is
    // missing or the conversion fails; the bitmap is never touched.
    void convert(const QString& bitmapPath);

private:
    void load();

    QString m_folder;
    void* m_handle = nullptr;
    int32_t (*m_convert)(const char*, int32_t, int32_t) = nullptr;
};
