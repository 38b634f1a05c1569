#pragma once
// Reading the structures that enhanced metafile records share: point
// arrays, lists of polygons, transforms and fonts. Every count is checked
// against the record before anything is allocated for it.

#include "platform/picture/byte_reader.h"
#include "platform/picture/gdi_objects.h"

#include <QPolygonF>
#include <QTransform>

#include <optional>
#include <vector>

enum class PointSize { Short = 4, Long = 8 };  // bytes per point: POINTS or POINTL

// A count at countOffset and that many points right after it.
QPolygonF readPoints32(const ByteReader& r, uint64_t countOffset);
QPolygonF readPoints16(const ByteReader& r, uint64_t countOffset);

// nPolys at offset, the total point count after it, nPolys counts, then the
// points. The counts must add up to no more than the total.
std::vector<QPolygonF> readPolyPoints(const ByteReader& r, uint64_t offset, PointSize size);

// An XFORM; none when a value is not a finite number of sane size.
std::optional<QTransform> readXform(const ByteReader& r, uint64_t offset);

// A LOGFONTW.
GdiFont readLogFontW(const ByteReader& r, uint64_t offset);
