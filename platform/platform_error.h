#pragma once
// The one failure type of our platform layer: a call that cannot do what it
// is asked throws this, never undefined behaviour. Callers catch it where the
// program's design says a procedure handles its own failures.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace PlatformErrorCode {
constexpr int32_t InvalidArgument = 5;    // NaN, infinite or negative where not allowed
constexpr int32_t IndexOutOfRange = 9;    // an index or count outside the collection
constexpr int32_t NullReference = 91;     // a call on an empty reference
constexpr int32_t DetachedStroke = 1001;  // the stroke was deleted from its ink
constexpr int32_t ForeignStroke = 1002;   // the stroke belongs to another ink
constexpr int32_t InvalidState = 1003;    // the object cannot do this now
constexpr int32_t DialogCancel = 32755;   // the user cancelled a common dialog
}  // namespace PlatformErrorCode

class PlatformError : public std::runtime_error {
public:
    PlatformError(int32_t code, const std::string& message)
        : std::runtime_error(message), m_code(code) {}
    int32_t code() const noexcept { return m_code; }

private:
    int32_t m_code;
};
