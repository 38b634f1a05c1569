#include "platform/picture/gdi_objects.h"

#include <QStringDecoder>

QString textFromCharSet(const char* bytes, size_t length, uint8_t charSet)
{
    const char* codePage = "windows-1252";  // ANSI_CHARSET and DEFAULT_CHARSET
    switch (charSet) {
    case 2: return QString::fromLatin1(bytes, qsizetype(length));  // SYMBOL_CHARSET
    case 128: codePage = "Shift_JIS"; break;
    case 129: codePage = "windows-949"; break;  // HANGUL_CHARSET
    case 134: codePage = "GBK"; break;
    case 136: codePage = "Big5"; break;
    case 161: codePage = "windows-1253"; break;
    case 162: codePage = "windows-1254"; break;
    case 163: codePage = "windows-1258"; break;
    case 177: codePage = "windows-1255"; break;
    case 178: codePage = "windows-1256"; break;
    case 186: codePage = "windows-1257"; break;
    case 204: codePage = "windows-1251"; break;
    case 222: codePage = "windows-874"; break;
    case 238: codePage = "windows-1250"; break;
    default: break;
    }
    QStringDecoder decoder(codePage);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes, qsizetype(length));
    return decoder.decode(QByteArrayView(bytes, qsizetype(length)));
}

GdiObject gdiStockObject(uint32_t number)
{
    auto brush = [](uint32_t style, QColor color) {
        GdiBrush b;
        b.style = style;
        b.color = color;
        return GdiObject(b);
    };
    auto pen = [](uint32_t style, QColor color) {
        GdiPen p;
        p.style = style;
        p.color = color;
        return GdiObject(p);
    };
    constexpr uint32_t solid = 0, nullBrush = 1, nullPen = 5;
    switch (number) {
    case 0: return brush(solid, QColor(255, 255, 255));  // WHITE_BRUSH
    case 1: return brush(solid, QColor(192, 192, 192));  // LTGRAY_BRUSH
    case 2: return brush(solid, QColor(128, 128, 128));  // GRAY_BRUSH
    case 3: return brush(solid, QColor(64, 64, 64));     // DKGRAY_BRUSH
    case 4: return brush(solid, QColor(0, 0, 0));        // BLACK_BRUSH
    case 5: return brush(nullBrush, QColor());           // NULL_BRUSH
    case 6: return pen(solid, QColor(255, 255, 255));    // WHITE_PEN
    case 7: return pen(solid, QColor(0, 0, 0));          // BLACK_PEN
    case 8: return pen(nullPen, QColor());               // NULL_PEN
    case 18: return brush(solid, QColor(255, 255, 255)); // DC_BRUSH
    case 19: return pen(solid, QColor(0, 0, 0));         // DC_PEN
    case 10:  // OEM_FIXED_FONT
    case 11:  // ANSI_FIXED_FONT
    case 16: {  // SYSTEM_FIXED_FONT
        GdiFont font;
        font.face = QStringLiteral("Monospace");
        return font;
    }
    case 12: case 13: case 14: case 17:  // the proportional system fonts
        return GdiFont();
    default:
        return GdiPlaceholder();  // DEFAULT_PALETTE and unknown numbers
    }
}
