#pragma once
// The drawing objects a metafile creates and selects (pens, brushes, fonts),
// as plain values in the metafile's own units. Objects we keep only so that
// the object table's numbering stays right (palettes, regions) are
// placeholders.

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>
#include <variant>

// A COLORREF: red, green and blue in the low three bytes.
inline QColor colorFromRef(uint32_t ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

struct GdiPen {
    uint32_t style = 0;  // PS_* style, end cap and join bits
    double width = 0;    // logical units; 0 is one pixel
    QColor color = Qt::black;
};

struct GdiBrush {
    uint32_t style = 0;  // BS_*
    QColor color = Qt::white;
    uint32_t hatch = 0;  // HS_*
    QImage pattern;      // for pattern brushes, when their bitmap decoded
};

struct GdiFont {
    double height = 0;       // logical units: < 0 character height, > 0 cell height, 0 default
    int32_t escapement = 0;  // tenths of a degree, counter-clockwise
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charSet = 0;
    QString face;
};

struct GdiPlaceholder {};

using GdiObject = std::variant<GdiPlaceholder, GdiPen, GdiBrush, GdiFont>;

// Text that a metafile stores in 8-bit characters, in the code page of the
// font's character set.
QString textFromCharSet(const char* bytes, size_t length, uint8_t charSet);

// The stock objects that GDI's GetStockObject hands out, by number.
GdiObject gdiStockObject(uint32_t number);
