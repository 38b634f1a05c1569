// Enhanced metafiles: the header gives the picture's frame in 0.01 mm and
// the reference device the records were made for; each record is framed by
// us, checked by libUEMF's U_emf_record_safe, read through ByteReader and
// played on a GdiDevice.

#include "platform/picture/metafile.h"

#include "platform/picture/byte_reader.h"
#include "platform/picture/dib_image.h"
#include "platform/picture/gdi_device.h"
#include "platform/picture/metafile_records.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <uemf.h>
#include <uemf_safe.h>

#include <QPainter>

#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kEmrHeaderMinSize = 88;

QPointF pointL(const ByteReader& r, uint64_t offset)
{
    return QPointF(r.i32(offset), r.i32(offset + 4));
}

QRectF rectL(const ByteReader& r, uint64_t offset)
{
    return QRectF(pointL(r, offset), pointL(r, offset + 8));
}

QSizeF sizeL(const ByteReader& r, uint64_t offset)
{
    return QSizeF(r.i32(offset), r.i32(offset + 4));
}

QImage bitmapIn(const ByteReader& r, DibDecoder& dibs, uint64_t at, uint32_t usage)
{
    // at: the record's offBmi, cbBmi, offBits, cbBits in a row.
    const uint32_t offBmi = r.u32(at), cbBmi = r.u32(at + 4);
    const uint32_t offBits = r.u32(at + 8), cbBits = r.u32(at + 12);
    return dibs.decode(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), usage);
}

// The record types EmfPlayer reads; others are skipped unread.
bool isPlayed(uint32_t type)
{
    switch (type) {
    case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE: case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO: case U_EMR_POLYPOLYLINE: case U_EMR_POLYPOLYGON: case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16: case U_EMR_POLYLINE16: case U_EMR_POLYBEZIERTO16: case U_EMR_POLYLINETO16:
    case U_EMR_POLYPOLYLINE16: case U_EMR_POLYPOLYGON16: case U_EMR_SETWINDOWEXTEX:
    case U_EMR_SETWINDOWORGEX: case U_EMR_SETVIEWPORTEXTEX: case U_EMR_SETVIEWPORTORGEX:
    case U_EMR_SCALEVIEWPORTEXTEX: case U_EMR_SCALEWINDOWEXTEX: case U_EMR_SETMAPMODE:
    case U_EMR_SETWORLDTRANSFORM: case U_EMR_MODIFYWORLDTRANSFORM: case U_EMR_SETBKMODE:
    case U_EMR_SETPOLYFILLMODE: case U_EMR_SETTEXTALIGN: case U_EMR_SETTEXTCOLOR: case U_EMR_SETBKCOLOR:
    case U_EMR_SETARCDIRECTION: case U_EMR_SAVEDC: case U_EMR_RESTOREDC: case U_EMR_MOVETOEX:
    case U_EMR_LINETO: case U_EMR_SETPIXELV: case U_EMR_RECTANGLE: case U_EMR_ELLIPSE:
    case U_EMR_ROUNDRECT: case U_EMR_ARC: case U_EMR_CHORD: case U_EMR_PIE: case U_EMR_BEGINPATH:
    case U_EMR_ENDPATH: case U_EMR_CLOSEFIGURE: case U_EMR_FILLPATH: case U_EMR_STROKEANDFILLPATH:
    case U_EMR_STROKEPATH: case U_EMR_ABORTPATH: case U_EMR_SELECTCLIPPATH: case U_EMR_INTERSECTCLIPRECT:
    case U_EMR_EXCLUDECLIPRECT: case U_EMR_EXTSELECTCLIPRGN: case U_EMR_SELECTOBJECT:
    case U_EMR_DELETEOBJECT: case U_EMR_CREATEPEN: case U_EMR_EXTCREATEPEN: case U_EMR_CREATEBRUSHINDIRECT:
    case U_EMR_CREATEMONOBRUSH: case U_EMR_CREATEDIBPATTERNBRUSHPT: case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_CREATEPALETTE: case U_EMR_BITBLT: case U_EMR_STRETCHBLT: case U_EMR_STRETCHDIBITS:
    case U_EMR_EXTTEXTOUTA: case U_EMR_EXTTEXTOUTW:
        return true;
    default:
        return false;
    }
}

class EmfPlayer {
public:
    EmfPlayer(GdiDevice& dc, DibDecoder& dibs) : m_dc(dc), m_dibs(dibs) {}
    void play(uint32_t type, const ByteReader& r);

private:
    void playObject(uint32_t type, const ByteReader& r);
    void playBitmap(uint32_t type, const ByteReader& r);
    void playText(uint32_t type, const ByteReader& r);
    void playClipRegion(const ByteReader& r);

    GdiDevice& m_dc;
    DibDecoder& m_dibs;
};

void EmfPlayer::play(uint32_t type, const ByteReader& r)
{
    GdiDevice& dc = m_dc;
    switch (type) {
    case U_EMR_POLYBEZIER: dc.polyBezier(readPoints32(r, 24)); break;
    case U_EMR_POLYGON: dc.polygon(readPoints32(r, 24)); break;
    case U_EMR_POLYLINE: dc.polyline(readPoints32(r, 24)); break;
    case U_EMR_POLYBEZIERTO: dc.polyBezierTo(readPoints32(r, 24)); break;
    case U_EMR_POLYLINETO: dc.polylineTo(readPoints32(r, 24)); break;
    case U_EMR_POLYPOLYLINE: dc.polyPolyline(readPolyPoints(r, 24, PointSize::Long)); break;
    case U_EMR_POLYPOLYGON: dc.polyPolygon(readPolyPoints(r, 24, PointSize::Long)); break;
    case U_EMR_POLYBEZIER16: dc.polyBezier(readPoints16(r, 24)); break;
    case U_EMR_POLYGON16: dc.polygon(readPoints16(r, 24)); break;
    case U_EMR_POLYLINE16: dc.polyline(readPoints16(r, 24)); break;
    case U_EMR_POLYBEZIERTO16: dc.polyBezierTo(readPoints16(r, 24)); break;
    case U_EMR_POLYLINETO16: dc.polylineTo(readPoints16(r, 24)); break;
    case U_EMR_POLYPOLYLINE16: dc.polyPolyline(readPolyPoints(r, 24, PointSize::Short)); break;
    case U_EMR_POLYPOLYGON16: dc.polyPolygon(readPolyPoints(r, 24, PointSize::Short)); break;

    case U_EMR_SETWINDOWEXTEX: dc.setWindowExt(sizeL(r, 8)); break;
    case U_EMR_SETWINDOWORGEX: dc.setWindowOrg(pointL(r, 8)); break;
    case U_EMR_SETVIEWPORTEXTEX: dc.setViewportExt(sizeL(r, 8)); break;
    case U_EMR_SETVIEWPORTORGEX: dc.setViewportOrg(pointL(r, 8)); break;
    case U_EMR_SCALEVIEWPORTEXTEX:
        dc.scaleViewportExt(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        break;
    case U_EMR_SCALEWINDOWEXTEX: dc.scaleWindowExt(r.i32(8), r.i32(12), r.i32(16), r.i32(20)); break;
    case U_EMR_SETMAPMODE: dc.setMapMode(r.u32(8)); break;
    case U_EMR_SETWORLDTRANSFORM:
        if (const auto xform = readXform(r, 8))
            dc.setWorldTransform(*xform);
        break;
    case U_EMR_MODIFYWORLDTRANSFORM:
        if (const auto xform = readXform(r, 8))
            dc.modifyWorldTransform(*xform, r.u32(32));
        break;

    case U_EMR_SETBKMODE: dc.setBkMode(r.u32(8)); break;
    case U_EMR_SETPOLYFILLMODE: dc.setPolyFillMode(r.u32(8)); break;
    case U_EMR_SETTEXTALIGN: dc.setTextAlign(r.u32(8)); break;
    case U_EMR_SETTEXTCOLOR: dc.setTextColor(colorFromRef(r.u32(8))); break;
    case U_EMR_SETBKCOLOR: dc.setBkColor(colorFromRef(r.u32(8))); break;
    case U_EMR_SETARCDIRECTION: dc.setArcDirection(r.u32(8)); break;
    case U_EMR_SAVEDC: dc.saveDc(); break;
    case U_EMR_RESTOREDC: dc.restoreDc(r.i32(8)); break;

    case U_EMR_MOVETOEX: dc.moveTo(pointL(r, 8)); break;
    case U_EMR_LINETO: dc.lineTo(pointL(r, 8)); break;
    case U_EMR_SETPIXELV: dc.setPixel(pointL(r, 8), colorFromRef(r.u32(16))); break;
    case U_EMR_RECTANGLE: dc.rectangle(rectL(r, 8)); break;
    case U_EMR_ELLIPSE: dc.ellipse(rectL(r, 8)); break;
    case U_EMR_ROUNDRECT: dc.roundRect(rectL(r, 8), sizeL(r, 24)); break;
    case U_EMR_ARC: dc.arc(GdiDevice::ArcKind::Arc, rectL(r, 8), pointL(r, 24), pointL(r, 32)); break;
    case U_EMR_CHORD: dc.arc(GdiDevice::ArcKind::Chord, rectL(r, 8), pointL(r, 24), pointL(r, 32)); break;
    case U_EMR_PIE: dc.arc(GdiDevice::ArcKind::Pie, rectL(r, 8), pointL(r, 24), pointL(r, 32)); break;

    case U_EMR_BEGINPATH: dc.beginPath(); break;
    case U_EMR_ENDPATH: dc.endPath(); break;
    case U_EMR_CLOSEFIGURE: dc.closeFigure(); break;
    case U_EMR_FILLPATH: dc.fillPath(); break;
    case U_EMR_STROKEANDFILLPATH: dc.strokeAndFillPath(); break;
    case U_EMR_STROKEPATH: dc.strokePath(); break;
    case U_EMR_ABORTPATH: dc.abortPath(); break;
    case U_EMR_SELECTCLIPPATH: dc.selectClipPath(r.u32(8)); break;
    case U_EMR_INTERSECTCLIPRECT: dc.intersectClipRect(rectL(r, 8)); break;
    case U_EMR_EXCLUDECLIPRECT: dc.excludeClipRect(rectL(r, 8)); break;
    case U_EMR_EXTSELECTCLIPRGN: playClipRegion(r); break;

    case U_EMR_SELECTOBJECT: dc.selectObject(r.u32(8)); break;
    case U_EMR_DELETEOBJECT: dc.deleteObject(r.u32(8)); break;
    case U_EMR_CREATEPEN:
    case U_EMR_EXTCREATEPEN:
    case U_EMR_CREATEBRUSHINDIRECT:
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_EXTCREATEFONTINDIRECTW:
    case U_EMR_CREATEPALETTE:
        playObject(type, r);
        break;

    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_STRETCHDIBITS:
        playBitmap(type, r);
        break;
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW:
        playText(type, r);
        break;
    default:
        break;  // records that change nothing we draw
    }
}

void EmfPlayer::playObject(uint32_t type, const ByteReader& r)
{
    const uint32_t index = r.u32(8);
    switch (type) {
    case U_EMR_CREATEPEN: {
        GdiPen pen;
        pen.style = r.u32(12);
        pen.width = r.i32(16);
        pen.color = colorFromRef(r.u32(24));
        m_dc.createObject(index, pen);
        break;
    }
    case U_EMR_EXTCREATEPEN: {
        GdiPen pen;
        pen.style = r.u32(28);
        // Only a geometric pen has a width of its own; a cosmetic one is one pixel.
        pen.width = (pen.style & U_PS_GEOMETRIC) ? double(r.u32(32)) : 0.0;
        pen.color = colorFromRef(r.u32(40));
        if (r.u32(36) == U_BS_NULL)
            pen.style = (pen.style & ~0xFu) | U_PS_NULL;
        m_dc.createObject(index, pen);
        break;
    }
    case U_EMR_CREATEBRUSHINDIRECT: {
        GdiBrush brush;
        brush.style = r.u32(12);
        brush.color = colorFromRef(r.u32(16));
        brush.hatch = r.u32(20);
        m_dc.createObject(index, brush);
        break;
    }
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT: {
        GdiBrush brush;
        brush.style = type == U_EMR_CREATEMONOBRUSH ? U_BS_PATTERN : U_BS_DIBPATTERNPT;
        brush.pattern = bitmapIn(r, m_dibs, 16, r.u32(12));
        m_dc.createObject(index, brush);
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW:
        m_dc.createObject(index, readLogFontW(r, 12));
        break;
    default:
        m_dc.createObject(index, GdiPlaceholder());
        break;
    }
}

void EmfPlayer::playBitmap(uint32_t type, const ByteReader& r)
{
    if (type == U_EMR_STRETCHDIBITS) {
        const QRectF dest(r.i32(24), r.i32(28), r.i32(72), r.i32(76));
        QRectF source(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
        const uint32_t usage = r.u32(64);
        const QImage image = bitmapIn(r, m_dibs, 48, usage);
        if (image.isNull())
            return;
        // The source rectangle of a bottom-up bitmap counts from its last row.
        if (DibDecoder::isBottomUp(r.sub(r.u32(48), r.u32(52))))
            source.moveTop(image.height() - source.top() - source.height());
        m_dc.drawBitmap(dest, image, source, r.u32(68));
        return;
    }
    // BITBLT and STRETCHBLT: without a source bitmap they fill with the brush.
    const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
    const uint32_t rop = r.u32(40);
    if (r.u32(88) == 0) {
        m_dc.patBlt(dest, rop);
        return;
    }
    const QImage image = bitmapIn(r, m_dibs, 84, r.u32(80));
    const QSizeF sourceSize = type == U_EMR_STRETCHBLT ? sizeL(r, 100) : dest.size();
    m_dc.drawBitmap(dest, image, QRectF(QPointF(r.i32(44), r.i32(48)), sourceSize), rop);
}

void EmfPlayer::playText(uint32_t type, const ByteReader& r)
{
    const QPointF reference = pointL(r, 36);
    const uint32_t count = r.u32(44);
    const uint32_t offString = r.u32(48);
    const uint32_t options = r.u32(52);
    std::optional<QRectF> rect;
    if (!(options & U_ETO_NO_RECT))
        rect = rectL(r, 56);
    QString text;
    if (type == U_EMR_EXTTEXTOUTW) {
        r.require(offString, count, 2);
        std::u16string units(count, u'\0');  // the string need not be aligned in the record
        std::memcpy(units.data(), r.data() + offString, size_t(count) * 2);
        text = QString::fromStdU16String(units);
    } else {
        r.require(offString, count);
        text = textFromCharSet(r.data() + offString, count, m_dc.font().charSet);
    }
    std::vector<double> dx;
    const uint32_t offDx = r.u32(rect ? 72 : 56);
    if (offDx != 0 && count != 0) {
        const uint64_t stride = (options & U_ETO_PDY) ? 8 : 4;  // x and y advances
        r.require(offDx, count, stride);
        dx.reserve(count);
        for (uint64_t i = 0; i < count; ++i)
            dx.push_back(r.i32(offDx + i * stride));
    }
    m_dc.text(reference, text, dx, options, rect);
}

void EmfPlayer::playClipRegion(const ByteReader& r)
{
    const uint32_t dataSize = r.u32(8);
    const uint32_t mode = r.u32(12);
    std::vector<QRectF> rects;
    if (dataSize != 0) {
        const ByteReader data = r.sub(16, dataSize);
        const uint32_t count = data.u32(8);
        data.require(32, count, 16);
        // A region of very many rectangles is clipped to its bounds instead:
        // combining it rectangle by rectangle would take too long.
        if (count > 512) {
            rects.push_back(rectL(data, 16));
        } else {
            for (uint32_t i = 0; i < count; ++i)
                rects.push_back(rectL(data, 32 + uint64_t(i) * 16));
        }
    }
    m_dc.setClipRegion(rects, mode);
}

}  // namespace

Picture playEnhancedMetafile(const QByteArray& bytes, double dpi, QSize shown, double ratio)
{
    const ByteReader file(bytes.constData(), size_t(bytes.size()));
    if (file.u32(0) != U_EMR_HEADER || file.u32(4) < kEmrHeaderMinSize || !file.fits(0, file.u32(4)))
        throw malformedPicture("enhanced metafile header");
    const ByteReader header = file.sub(0, file.u32(4));
    const QRectF frame = rectL(header, 24);  // 0.01 mm
    if (!(frame.width() > 0 && frame.height() > 0))
        throw malformedPicture("enhanced metafile without a frame");
    const auto sizeAt = [&frame](double at) {
        return QSize(std::max(1, int(std::lround(std::min(frame.width() * at / 2540, 1e9)))),
                     std::max(1, int(std::lround(std::min(frame.height() * at / 2540, 1e9)))));
    };
    const QSize size = sizeAt(dpi), played = sizeAt(dpi * ratio);
    if (!pictureSizeAllowed(size.width(), size.height()))
        throw pictureTooLarge("enhanced metafile frame");

    // The reference device's pixels per millimetre; a header without them
    // is taken as made on a 96 dpi screen.
    const QSizeF devicePixels = sizeL(header, 72), millimetres = sizeL(header, 80);
    QSizeF perMm(96 / 25.4, 96 / 25.4);
    if (devicePixels.width() > 0 && devicePixels.height() > 0 && millimetres.width() > 0
        && millimetres.height() > 0)
        perMm = QSizeF(devicePixels.width() / millimetres.width(), devicePixels.height() / millimetres.height());
    const QTransform deviceToOutput =
        QTransform::fromTranslate(-frame.left() / 100 * perMm.width(), -frame.top() / 100 * perMm.height())
        * QTransform::fromScale(played.width() / (frame.width() / 100 * perMm.width()),
                                played.height() / (frame.height() / 100 * perMm.height()));

    QImage canvas = metafileCanvas(played, shown, ratio);
    QPainter painter(&canvas);
    GdiDevice dc(painter, QSizeF(played), dpi * ratio, GdiDevice::Mapping::Gdi);
    dc.setDeviceToOutput(deviceToOutput, perMm);
    DibDecoder dibs(kMaxMetafileBitmapBytes);
    EmfPlayer player(dc, dibs);

    bool ended = false;
    for (uint64_t offset = 0; offset < file.size() && !ended;) {
        const uint32_t type = file.u32(offset);
        const uint32_t recordSize = file.u32(offset + 4);
        if (recordSize < 8 || recordSize % 4 != 0 || !file.fits(offset, recordSize))
            throw malformedPicture("enhanced metafile record size");
        const ByteReader record = file.sub(offset, recordSize);
        // libUEMF checks the counts and offsets of a record against its size;
        // its checks multiply in 32 bits, so ours run again as fields are read.
        const bool played = offset != 0 && isPlayed(type);
        if ((played || type == U_EMR_EOF) && !U_emf_record_safe(record.data()))
            throw malformedPicture("enhanced metafile record " + std::to_string(type));
        if (type == U_EMR_EOF) {
            ended = true;
        } else if (played) {
            dc.countRecord();
            player.play(type, record);
        }
        offset += recordSize;
    }
    painter.end();
    if (!ended)
        throw malformedPicture("enhanced metafile ends early");
    canvas.setDevicePixelRatio(ratio);
    return Picture::fromRendering(canvas, size, dpi);
}
