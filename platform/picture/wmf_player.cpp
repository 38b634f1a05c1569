// Windows metafiles: 16-bit records, parameters mostly in reverse order.
// A placeable header gives the bounding box and its units per inch; the
// window (set by the records, the bounding box until they do) fills the
// picture. Records are framed by us and cross-checked with libUEMF's
// U_WMRRECSAFE_get, read through ByteReader and played on a GdiDevice.

#include "platform/picture/metafile.h"

#include "platform/picture/byte_reader.h"
#include "platform/picture/dib_image.h"
#include "platform/picture/gdi_device.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <uwmf.h>

#include <QPainter>

#include <cmath>

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint64_t kPlaceableSize = 22;
constexpr uint64_t kHeaderSize = 18;
constexpr double kUnplacedUnitsPerInch = 96;  // see frameOf()
constexpr uint16_t kDefaultObjectTable = 256;

// Full record function numbers of the records we play.
enum WmfFunction : uint16_t {
    SetBkColor = 0x0201, SetBkMode = 0x0102, SetPolyFillMode = 0x0106, SetTextColor = 0x0209,
    SetTextAlign = 0x012E, SetWindowOrg = 0x020B, SetWindowExt = 0x020C, OffsetWindowOrg = 0x020F,
    ScaleWindowExt = 0x0410, LineTo = 0x0213, MoveTo = 0x0214, ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416, Arc = 0x0817, Ellipse = 0x0418, Pie = 0x081A, Rectangle = 0x041B,
    RoundRect = 0x061C, PatBlt = 0x061D, SaveDc = 0x001E, SetPixel = 0x041F, TextOut = 0x0521,
    Polygon = 0x0324, Polyline = 0x0325, RestoreDc = 0x0127, SelectObject = 0x012D, Chord = 0x0830,
    ExtTextOut = 0x0A32, PolyPolygon = 0x0538, DibBitBlt = 0x0940, DibStretchBlt = 0x0B41,
    DibCreatePatternBrush = 0x0142, StretchDib = 0x0F43, DeleteObject = 0x01F0,
    CreatePalette = 0x00F7, CreatePatternBrush = 0x01F9, CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB, CreateBrushIndirect = 0x02FC, CreateBitmapIndirect = 0x02FD,
    CreateBitmap = 0x06FE, CreateRegion = 0x06FF,
};

// Parameters start after the record's size and function.
constexpr uint64_t P = 6;

QPointF yx(const ByteReader& r, uint64_t offset)
{
    return QPointF(r.i16(offset + 2), r.i16(offset));
}

// Bottom, right, top, left.
QRectF brtl(const ByteReader& r, uint64_t offset)
{
    return QRectF(QPointF(r.i16(offset + 6), r.i16(offset + 4)), QPointF(r.i16(offset + 2), r.i16(offset)));
}

QPolygonF points16(const ByteReader& r, uint64_t offset, uint64_t count)
{
    r.require(offset, count, 4);
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (uint64_t i = 0; i < count; ++i)
        points.append(QPointF(r.i16(offset + i * 4), r.i16(offset + i * 4 + 2)));
    return points;
}

class WmfPlayer {
public:
    WmfPlayer(GdiDevice& dc, DibDecoder& dibs) : m_dc(dc), m_dibs(dibs) {}
    void play(uint16_t function, const ByteReader& r);

private:
    void playObject(uint16_t function, const ByteReader& r);
    void playBitmap(uint16_t function, const ByteReader& r);
    void playText(uint16_t function, const ByteReader& r);

    GdiDevice& m_dc;
    DibDecoder& m_dibs;
};

void WmfPlayer::play(uint16_t function, const ByteReader& r)
{
    GdiDevice& dc = m_dc;
    switch (function) {
    case SetBkColor: dc.setBkColor(colorFromRef(r.u32(P))); break;
    case SetBkMode: dc.setBkMode(r.u16(P)); break;
    case SetPolyFillMode: dc.setPolyFillMode(r.u16(P)); break;
    case SetTextColor: dc.setTextColor(colorFromRef(r.u32(P))); break;
    case SetTextAlign: dc.setTextAlign(r.u16(P)); break;
    case SetWindowOrg: dc.setWindowOrg(yx(r, P)); break;
    case SetWindowExt: {
        const QPointF extent = yx(r, P);
        dc.setWindowExt(QSizeF(extent.x(), extent.y()));
        break;
    }
    case OffsetWindowOrg: dc.offsetWindowOrg(yx(r, P)); break;
    case ScaleWindowExt: dc.scaleWindowExt(r.i16(P + 6), r.i16(P + 4), r.i16(P + 2), r.i16(P)); break;
    case SaveDc: dc.saveDc(); break;
    case RestoreDc: dc.restoreDc(r.i16(P)); break;
    case IntersectClipRect: dc.intersectClipRect(brtl(r, P)); break;
    case ExcludeClipRect: dc.excludeClipRect(brtl(r, P)); break;

    case MoveTo: dc.moveTo(yx(r, P)); break;
    case LineTo: dc.lineTo(yx(r, P)); break;
    case SetPixel: dc.setPixel(yx(r, P + 4), colorFromRef(r.u32(P))); break;
    case Rectangle: dc.rectangle(brtl(r, P)); break;
    case Ellipse: dc.ellipse(brtl(r, P)); break;
    case RoundRect: dc.roundRect(brtl(r, P + 4), QSizeF(r.i16(P + 2), r.i16(P))); break;
    case Arc: dc.arc(GdiDevice::ArcKind::Arc, brtl(r, P + 8), yx(r, P + 4), yx(r, P)); break;
    case Pie: dc.arc(GdiDevice::ArcKind::Pie, brtl(r, P + 8), yx(r, P + 4), yx(r, P)); break;
    case Chord: dc.arc(GdiDevice::ArcKind::Chord, brtl(r, P + 8), yx(r, P + 4), yx(r, P)); break;
    case PatBlt: {
        const QPointF topLeft = yx(r, P + 8);
        dc.patBlt(QRectF(topLeft, QSizeF(r.i16(P + 6), r.i16(P + 4))), r.u32(P));
        break;
    }
    case Polygon:
    case Polyline: {
        const int16_t count = r.i16(P);
        if (count < 0)
            throw malformedPicture("negative point count");
        const QPolygonF points = points16(r, P + 2, uint64_t(count));
        function == Polygon ? dc.polygon(points) : dc.polyline(points);
        break;
    }
    case PolyPolygon: {
        const uint16_t polygons = r.u16(P);
        r.require(P + 2, polygons, 2);
        uint64_t next = P + 2 + uint64_t(polygons) * 2;
        std::vector<QPolygonF> shapes;
        shapes.reserve(polygons);
        for (uint16_t p = 0; p < polygons; ++p) {
            const uint16_t count = r.u16(P + 2 + uint64_t(p) * 2);
            shapes.push_back(points16(r, next, count));
            next += uint64_t(count) * 4;
        }
        dc.polyPolygon(shapes);
        break;
    }

    case SelectObject: dc.selectObject(r.u16(P)); break;
    case DeleteObject: dc.deleteObject(r.u16(P)); break;
    case CreatePenIndirect: case CreateBrushIndirect: case CreateFontIndirect:
    case DibCreatePatternBrush: case CreatePatternBrush: case CreatePalette:
    case CreateRegion: case CreateBitmap: case CreateBitmapIndirect:
        playObject(function, r);
        break;

    case DibBitBlt: case DibStretchBlt: case StretchDib:
        playBitmap(function, r);
        break;
    case TextOut: case ExtTextOut:
        playText(function, r);
        break;
    default:
        break;  // records that change nothing we draw
    }
}

void WmfPlayer::playObject(uint16_t function, const ByteReader& r)
{
    switch (function) {
    case CreatePenIndirect: {
        GdiPen pen;
        pen.style = r.u16(P);
        pen.width = r.i16(P + 2);
        pen.color = colorFromRef(r.u32(P + 6));
        m_dc.addObject(pen);
        break;
    }
    case CreateBrushIndirect: {
        GdiBrush brush;
        brush.style = r.u16(P);
        brush.color = colorFromRef(r.u32(P + 2));
        brush.hatch = r.u16(P + 6);
        m_dc.addObject(brush);
        break;
    }
    case CreateFontIndirect: {
        GdiFont font;
        font.height = r.i16(P);
        font.escapement = r.i16(P + 4);
        font.weight = r.i16(P + 8);
        font.italic = r.u8(P + 10) != 0;
        font.underline = r.u8(P + 11) != 0;
        font.strikeOut = r.u8(P + 12) != 0;
        font.charSet = r.u8(P + 13);
        // The face name: up to 32 bytes in the record, ended by a zero.
        QByteArray face;
        for (uint64_t i = 0; i < 32 && r.fits(P + 18 + i, 1) && r.u8(P + 18 + i) != 0; ++i)
            face.append(char(r.u8(P + 18 + i)));
        font.face = textFromCharSet(face.constData(), size_t(face.size()), font.charSet);
        m_dc.addObject(font);
        break;
    }
    case DibCreatePatternBrush: {
        GdiBrush brush;
        brush.style = U_BS_DIBPATTERNPT;
        if (r.u16(P) != U_BS_PATTERN)  // BS_PATTERN carries an old device bitmap we do not draw
            brush.pattern = m_dibs.decodePacked(r.sub(P + 4, r.size() - (P + 4)), r.u16(P + 2));
        m_dc.addObject(brush);
        break;
    }
    case CreatePatternBrush: {
        GdiBrush brush;
        brush.style = U_BS_PATTERN;
        m_dc.addObject(brush);
        break;
    }
    default:
        m_dc.addObject(GdiPlaceholder());  // keeps the table's numbering
        break;
    }
}

void WmfPlayer::playBitmap(uint16_t function, const ByteReader& r)
{
    const uint32_t rop = r.u32(P);
    // Without a bitmap the record is shorter: its size in words is then
    // the function's high byte plus 3.
    const bool hasBitmap = r.size() / 2 != uint64_t(function >> 8) + 3u;
    QRectF dest, source;
    uint64_t dib = 0;
    uint16_t usage = 0;
    switch (function) {
    case StretchDib:
        usage = r.u16(P + 4);
        source = QRectF(yx(r, P + 10), QSizeF(r.i16(P + 8), r.i16(P + 6)));
        dest = QRectF(yx(r, P + 18), QSizeF(r.i16(P + 16), r.i16(P + 14)));
        dib = P + 22;
        break;
    case DibStretchBlt:
        source = QRectF(yx(r, P + 8), QSizeF(r.i16(P + 6), r.i16(P + 4)));
        dest = hasBitmap ? QRectF(yx(r, P + 16), QSizeF(r.i16(P + 14), r.i16(P + 12)))
                         : QRectF(yx(r, P + 18), QSizeF(r.i16(P + 16), r.i16(P + 14)));
        dib = P + 20;
        break;
    default:  // DibBitBlt
        if (hasBitmap) {
            dest = QRectF(yx(r, P + 12), QSizeF(r.i16(P + 10), r.i16(P + 8)));
            source = QRectF(yx(r, P + 4), dest.size());
            dib = P + 16;
        } else {
            dest = QRectF(yx(r, P + 10), QSizeF(r.i16(P + 8), r.i16(P + 6)));
        }
        break;
    }
    if (!hasBitmap && function != StretchDib) {
        m_dc.patBlt(dest, rop);
        return;
    }
    const ByteReader packed = r.sub(dib, r.size() - std::min<uint64_t>(dib, r.size()));
    const QImage image = m_dibs.decodePacked(packed, usage);
    if (image.isNull())
        return;
    if (function == StretchDib && DibDecoder::isBottomUp(packed))
        source.moveTop(image.height() - source.top() - source.height());
    m_dc.drawBitmap(dest, image, source, rop);
}

void WmfPlayer::playText(uint16_t function, const ByteReader& r)
{
    const uint8_t charSet = m_dc.font().charSet;
    if (function == TextOut) {
        const int16_t length = r.i16(P);
        if (length < 0)
            throw malformedPicture("negative text length");
        const uint64_t padded = (uint64_t(length) + 1) & ~uint64_t(1);
        r.require(P + 2, padded + 4);
        const QString text = textFromCharSet(r.data() + P + 2, size_t(length), charSet);
        m_dc.text(yx(r, P + 2 + padded), text, {}, 0, std::nullopt);
        return;
    }
    const QPointF reference = yx(r, P);
    const int16_t length = r.i16(P + 4);
    const uint16_t options = r.u16(P + 6);
    if (length < 0)
        throw malformedPicture("negative text length");
    uint64_t at = P + 8;
    std::optional<QRectF> rect;
    if (options & (U_ETO_OPAQUE | U_ETO_CLIPPED)) {
        rect = QRectF(QPointF(r.i16(at), r.i16(at + 2)), QPointF(r.i16(at + 4), r.i16(at + 6)));
        at += 8;
    }
    r.require(at, uint64_t(length));
    const QString text = textFromCharSet(r.data() + at, size_t(length), charSet);
    at += (uint64_t(length) + 1) & ~uint64_t(1);
    std::vector<double> dx;
    if (length > 0 && r.fits(at, uint64_t(length), 2)) {  // the advances are optional
        for (int16_t i = 0; i < length; ++i)
            dx.push_back(r.i16(at + uint64_t(i) * 2));
    }
    m_dc.text(reference, text, dx, options, rect);
}

struct Frame {
    QSize size;           // pixels at the target DPI
    QPointF windowOrg;    // the window that fills it until the records set their own
    QSizeF windowExt;
};

// A placeable metafile says how big it is. One without that header does not:
// its first window (origin and extent) is taken for the picture, in units of
// 1/96 inch, the pixels of the screen such metafiles were mostly made on.
Frame frameOf(const ByteReader& file, bool placeable, uint64_t firstRecord, double dpi)
{
    Frame frame;
    double unitsPerInch = kUnplacedUnitsPerInch;
    if (placeable) {
        const QPointF topLeft(file.i16(6), file.i16(8));
        const QPointF bottomRight(file.i16(10), file.i16(12));
        unitsPerInch = file.u16(14);
        if (unitsPerInch == 0)
            throw malformedPicture("placeable metafile without units per inch");
        frame.windowOrg = topLeft;
        frame.windowExt = QSizeF(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y());
    } else {
        bool found = false;
        for (uint64_t offset = firstRecord; !found && file.fits(offset, 6);) {
            const uint64_t bytes = uint64_t(file.u32(offset)) * 2;
            if (bytes < 6 || !file.fits(offset, bytes))
                break;  // the play reports it
            const uint16_t function = file.u16(offset + 4);
            if (function == 0)
                break;
            const ByteReader r = file.sub(offset, bytes);
            if (function == SetWindowOrg)
                frame.windowOrg = yx(r, P);
            if (function == SetWindowExt) {
                const QPointF extent = yx(r, P);
                frame.windowExt = QSizeF(extent.x(), extent.y());
                found = true;
            }
            offset += bytes;
        }
        if (!found)
            throw malformedPicture("metafile without a size");
    }
    const double width = std::abs(frame.windowExt.width()) * dpi / unitsPerInch;
    const double height = std::abs(frame.windowExt.height()) * dpi / unitsPerInch;
    frame.size = QSize(std::max(1, int(std::lround(width))), std::max(1, int(std::lround(height))));
    if (frame.windowExt.width() == 0 || frame.windowExt.height() == 0)
        throw malformedPicture("metafile of no size");
    if (!pictureSizeAllowed(frame.size.width(), frame.size.height()))
        throw pictureTooLarge("metafile size");
    return frame;
}

}  // namespace

Picture playWindowsMetafile(const QByteArray& bytes, double dpi, QSize shown, double ratio)
{
    const ByteReader file(bytes.constData(), size_t(bytes.size()));
    const bool placeable = file.u32(0) == kPlaceableKey;
    const uint64_t headerAt = placeable ? kPlaceableSize : 0;
    const uint16_t type = file.u16(headerAt);
    if ((type != 1 && type != 2) || file.u16(headerAt + 2) != kHeaderSize / 2)
        throw malformedPicture("metafile header");
    const uint16_t objects = file.u16(headerAt + 10);
    const uint64_t firstRecord = headerAt + kHeaderSize;
    const Frame frame = frameOf(file, placeable, firstRecord, dpi);
    const QSize played = ratio == 1.0 ? frame.size : frameOf(file, placeable, firstRecord, dpi * ratio).size;

    QImage canvas = metafileCanvas(played, shown, ratio);
    QPainter painter(&canvas);
    GdiDevice dc(painter, QSizeF(played), dpi * ratio, GdiDevice::Mapping::WindowToFrame);
    dc.setWindowOrg(frame.windowOrg);
    dc.setWindowExt(frame.windowExt);
    // Writers that leave the table size out still number their objects.
    dc.setObjectCapacity(objects != 0 ? objects : kDefaultObjectTable);
    DibDecoder dibs(kMaxMetafileBitmapBytes);
    WmfPlayer player(dc, dibs);

    const char* const end = file.data() + file.size();
    bool ended = false;
    for (uint64_t offset = firstRecord; offset < file.size() && !ended;) {
        file.require(offset, 6);
        const uint64_t bytes = uint64_t(file.u32(offset)) * 2;
        if (bytes < 6 || !file.fits(offset, bytes))
            throw malformedPicture("metafile record size");
        // libUEMF must agree on the record's extent.
        if (U_WMRRECSAFE_get(file.data() + offset, end) != bytes)
            throw malformedPicture("metafile record fails libUEMF's check");
        const uint16_t function = file.u16(offset + 4);
        if (function == 0) {  // META_EOF
            ended = true;
        } else {
            dc.countRecord();
            player.play(function, file.sub(offset, bytes));
        }
        offset += bytes;
    }
    painter.end();
    if (!ended)
        throw malformedPicture("metafile ends early");
    canvas.setDevicePixelRatio(ratio);
    return Picture::fromRendering(canvas, frame.size, dpi);
}
