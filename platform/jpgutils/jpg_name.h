#pragma once
// Where ConvertBMPtoJPG puts the JPEG made from a bitmap. Header-only so that
// callers and tests share the converter's rule without the library exporting
// anything beyond its one entry point.

#include <string>
#include <string_view>

namespace JpgUtils {

namespace detail {
inline bool endsWithNoCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}
}  // namespace detail

// The bitmap's path without a final ".bmp" (any case), with ".jpg" appended
// unless it already ends in ".jpg" or ".jpeg" (any case). Empty when the
// path is empty or the result would be the bitmap's own path, so that the
// converter can never write over its input.
inline std::string jpegPathForBitmap(std::string_view bitmapPath)
{
    if (bitmapPath.empty())
        return std::string();
    std::string_view stem = bitmapPath;
    if (detail::endsWithNoCase(stem, ".bmp"))
        stem.remove_suffix(4);
    std::string jpegPath(stem);
    if (!detail::endsWithNoCase(stem, ".jpg") && !detail::endsWithNoCase(stem, ".jpeg"))
        jpegPath += ".jpg";
    if (jpegPath == bitmapPath)
        return std::string();
    return jpegPath;
}

}  // namespace JpgUtils
