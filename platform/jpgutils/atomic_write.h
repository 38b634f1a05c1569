#pragma once
// Puts a whole file in place or nothing: readers of the target never see a
// half-written file, and a failed write leaves an older file of that name as
// it was.

#include <cstddef>
#include <cstdint>
#include <string>

namespace JpgUtils {

// Writes `size` bytes to a new, uniquely named temporary file in the target's
// folder (made exclusively, never through a link), flushes it to disk and
// renames it to `targetPath` where that may be replaced (see mayReplace in
// file_entries.h): nothing there, a link, or a regular file the user may
// write. On failure the temporary file is removed. Returns JPGUTILS_OK or
// JPGUTILS_ERROR_WRITE.
int32_t writeFileAtomically(const std::string& targetPath, const uint8_t* data, std::size_t size);

}  // namespace JpgUtils
