// A library that stands where the converter should be: either it exports
// ConvertBMPtoJPG and answers every conversion with FAKE_CONVERTER_RESULT
// without writing anything, or it exports something else only.

#include <cstdint>

#if defined(FAKE_CONVERTER_NO_ENTRY)
extern "C" __attribute__((visibility("default"))) int32_t ConvertSomethingElse()
{
    return 0;
}
#else
extern "C" __attribute__((visibility("default"))) int32_t ConvertBMPtoJPG(const char*, int32_t, int32_t)
{
    return FAKE_CONVERTER_RESULT;
}
#endif
