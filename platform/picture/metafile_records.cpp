#include "platform/picture/metafile_records.h"

#include "platform/picture/picture_errors.h"

#include <cmath>

namespace {

QPointF pointAt(const ByteReader& r, uint64_t offset, PointSize size)
{
    if (size == PointSize::Short)
        return QPointF(r.i16(offset), r.i16(offset + 2));
    return QPointF(r.i32(offset), r.i32(offset + 4));
}

// More points than the player's whole budget would let it draw; refused
// before they take memory (16 bytes each, four times what a short point
// takes in the file).
constexpr uint32_t kMaxRecordPoints = 1000000;

void checkPointCount(uint64_t count)
{
    if (count > kMaxRecordPoints)
        throw pictureTooLarge("metafile record of " + std::to_string(count) + " points");
}

QPolygonF readPoints(const ByteReader& r, uint64_t countOffset, PointSize size)
{
    const uint32_t count = r.u32(countOffset);
    const uint64_t first = countOffset + 4;
    const uint64_t step = uint64_t(size);
    r.require(first, count, step);
    checkPointCount(count);
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (uint64_t i = 0; i < count; ++i)
        points.append(pointAt(r, first + i * step, size));
    return points;
}

}  // namespace

QPolygonF readPoints32(const ByteReader& r, uint64_t countOffset)
{
    return readPoints(r, countOffset, PointSize::Long);
}

QPolygonF readPoints16(const ByteReader& r, uint64_t countOffset)
{
    return readPoints(r, countOffset, PointSize::Short);
}

std::vector<QPolygonF> readPolyPoints(const ByteReader& r, uint64_t offset, PointSize size)
{
    const uint32_t polygons = r.u32(offset);
    const uint32_t total = r.u32(offset + 4);
    const uint64_t counts = offset + 8;
    r.require(counts, polygons, 4);
    const uint64_t first = counts + uint64_t(polygons) * 4;
    const uint64_t step = uint64_t(size);
    r.require(first, total, step);
    checkPointCount(total);

    std::vector<QPolygonF> result;
    result.reserve(polygons);
    uint64_t used = 0;
    for (uint32_t p = 0; p < polygons; ++p) {
        const uint32_t count = r.u32(counts + uint64_t(p) * 4);
        if (count > total - used)
            throw malformedPicture("polygon counts exceed the point count");
        QPolygonF points;
        points.reserve(qsizetype(count));
        for (uint64_t i = 0; i < count; ++i)
            points.append(pointAt(r, first + (used + i) * step, size));
        used += count;
        result.push_back(std::move(points));
    }
    return result;
}

std::optional<QTransform> readXform(const ByteReader& r, uint64_t offset)
{
    double m[6];
    for (int i = 0; i < 6; ++i) {
        m[i] = r.f32(offset + uint64_t(i) * 4);
        if (!std::isfinite(m[i]) || std::abs(m[i]) > 1e9)
            return std::nullopt;
    }
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

GdiFont readLogFontW(const ByteReader& r, uint64_t offset)
{
    GdiFont font;
    font.height = r.i32(offset);
    font.escapement = r.i32(offset + 8);
    font.weight = r.i32(offset + 16);
    font.italic = r.u8(offset + 20) != 0;
    font.underline = r.u8(offset + 21) != 0;
    font.strikeOut = r.u8(offset + 22) != 0;
    font.charSet = r.u8(offset + 23);
    // The face name: up to 32 UTF-16 units, ended by a zero one.
    const uint64_t face = offset + 28;
    for (uint64_t i = 0; i < 32 && r.fits(face + i * 2, 2); ++i) {
        const char16_t unit = r.u16(face + i * 2);
        if (unit == 0)
            break;
        font.face.append(QChar(unit));
    }
    return font;
}
