#pragma once
// A read-only little-endian view over untrusted bytes, such as one metafile
// record. Every read is checked against the end of the view in 64-bit
// arithmetic and throws PlatformError instead of reading past it, so the
// players never trust a count or an offset taken from the file.

#include "platform/picture/picture_errors.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

class ByteReader {
public:
    ByteReader(const char* data, size_t size) : m_data(data), m_size(size) {}

    const char* data() const { return m_data; }
    size_t size() const { return m_size; }

    // Whether count items of itemSize bytes fit from offset on.
    bool fits(uint64_t offset, uint64_t count, uint64_t itemSize = 1) const
    {
        if (offset > m_size)
            return false;
        const uint64_t room = m_size - offset;
        return itemSize == 0 || count <= room / itemSize;
    }

    // Throws unless count items of itemSize bytes fit from offset on.
    void require(uint64_t offset, uint64_t count, uint64_t itemSize = 1) const
    {
        if (!fits(offset, count, itemSize))
            throw malformedPicture("a record reaches past its end");
    }

    template <typename T>
    T get(uint64_t offset) const
    {
        static_assert(std::is_arithmetic_v<T>);
        require(offset, sizeof(T));
        T value;
        std::memcpy(&value, m_data + offset, sizeof(T));  // unaligned in the file
        return value;
    }

    int16_t i16(uint64_t offset) const { return get<int16_t>(offset); }
    uint16_t u16(uint64_t offset) const { return get<uint16_t>(offset); }
    int32_t i32(uint64_t offset) const { return get<int32_t>(offset); }
    uint32_t u32(uint64_t offset) const { return get<uint32_t>(offset); }
    uint8_t u8(uint64_t offset) const { return get<uint8_t>(offset); }
    float f32(uint64_t offset) const { return get<float>(offset); }

    // A checked sub-view of count bytes from offset.
    ByteReader sub(uint64_t offset, uint64_t count) const
    {
        require(offset, count);
        return ByteReader(m_data + offset, static_cast<size_t>(count));
    }

private:
    const char* m_data;
    size_t m_size;
};
