#pragma once
// How loading a picture fails: PlatformError with one of these codes (the
// ones the original platform's picture loader used) and a message for logs
// and tests. The window shows its own message whatever the code.

#include "platform/platform_error.h"

#include <string>

namespace PictureErrorCode {
constexpr int32_t OutOfMemory = 7;      // the decoded picture would pass the memory limit
constexpr int32_t FileNotFound = 53;    // no such file, or not a file
constexpr int32_t FileUnreadable = 75;  // the file exists but cannot be read
constexpr int32_t InvalidPicture = 481; // no supported picture, or a damaged one
}  // namespace PictureErrorCode

inline PlatformError malformedPicture(const std::string& what)
{
    return PlatformError(PictureErrorCode::InvalidPicture, "invalid picture: " + what);
}

inline PlatformError pictureTooLarge(const std::string& what)
{
    return PlatformError(PictureErrorCode::OutOfMemory, "picture too large: " + what);
}
