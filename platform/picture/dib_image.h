#pragma once
// Device-independent bitmaps inside metafile records: a bitmap header with
// its colour table, and the pixel bits. Decoded with Qt's bitmap reader, and
// charged against one budget for the whole metafile, so a metafile cannot
// unpack to more memory than a picture may take.

#include "platform/picture/byte_reader.h"

#include <QImage>

#include <cstdint>

class DibDecoder {
public:
    explicit DibDecoder(int64_t budgetBytes) : m_budget(budgetBytes) {}

    // header: the bitmap header and colour table; bits: the pixels.
    // Returns a null image for what we do not draw (palette-indexed colours,
    // embedded JPEG or PNG); throws PlatformError for a damaged bitmap or one
    // past the budget.
    QImage decode(const ByteReader& header, const ByteReader& bits, uint32_t usage);

    // A packed bitmap: header, colour table and bits in one block, as
    // Windows metafiles carry them.
    QImage decodePacked(const ByteReader& packed, uint32_t usage);

    // Whether a bitmap stored bottom-up (the usual way) is in header.
    static bool isBottomUp(const ByteReader& header);

private:
    int64_t m_budget;
};
