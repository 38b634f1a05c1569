// A library that stands where the converter should be: either it exports
// ConvertBMPtoJPG and answers every conversion with FAKE_CONVERTER_RESULT
// (with FAKE_CONVERTER_EMPTY_JPEG, having left an empty file where the JPEG
// of a bitmap named without ".bmp" goes), or it exports something else only.

#include <cstdint>
#include <cstdio>
#include <string>

#if defined(FAKE_CONVERTER_NO_ENTRY)
extern "C" __attribute__((visibility("default"))) int32_t ConvertSomethingElse()
{
    return 0;
}
#else
extern "C" __attribute__((visibility("default"))) int32_t ConvertBMPtoJPG(const char* bitmap, int32_t, int32_t)
{
#if defined(FAKE_CONVERTER_EMPTY_JPEG)
    if (FILE* jpeg = std::fopen((std::string(bitmap) + ".jpg").c_str(), "wx"))
        std::fclose(jpeg);
#else
    (void)bitmap;
#endif
    return FAKE_CONVERTER_RESULT;
}
#endif
