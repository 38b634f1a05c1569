// GdiDevice: text. Glyphs are laid out in output pixels (only the reference
// point goes through the mapping) so that text stays sharp and upright
// whatever the map mode, the way GDI draws it.

#include "platform/picture/gdi_device.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kEtoOpaque = 0x2;
constexpr uint32_t kEtoClipped = 0x4;
constexpr uint32_t kTaUpdateCp = 0x1;
constexpr uint32_t kTaHorizontal = 0x6;  // TA_LEFT 0, TA_RIGHT 2, TA_CENTER 6
constexpr uint32_t kTaVertical = 0x18;   // TA_TOP 0, TA_BOTTOM 8, TA_BASELINE 24
constexpr double kMaxGlyphPixels = 4096;

// The Qt font for a GDI font whose height maps to `pixels` output pixels.
QFont qtFont(const GdiFont& f, double pixels)
{
    QFont font;
    if (!f.face.isEmpty())
        font.setFamily(f.face);
    font.setPixelSize(std::max(1, int(std::lround(pixels))));
    if (f.height > 0) {
        // A positive height is the cell (ascent and descent); Qt sizes the em.
        const QFontMetricsF metrics(font);
        const double cell = metrics.ascent() + metrics.descent();
        if (cell > 0)
            font.setPixelSize(std::max(1, int(std::lround(std::min(pixels * pixels / cell, kMaxGlyphPixels)))));
    }
    const int weight = f.weight <= 0 ? 400 : std::clamp(int(f.weight), 100, 900);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    return font;
}

}  // namespace

void GdiDevice::text(QPointF reference, const QString& text, const std::vector<double>& dx,
                     uint32_t options, const std::optional<QRectF>& rect)
{
    if (m_inPath)
        return;  // text outlines in paths are not played
    const QTransform t = toOutput();
    if (rect && (options & kEtoOpaque)) {
        QPainterPath area;
        area.addRect(rect->normalized());
        const QPainterPath out = t.map(area);
        m_painter.fillPath(charge(out, 0, 0), m_state.bkColor);
    }
    if (text.isEmpty())
        return;
    m_spent.characters += text.size();
    checkBudget();

    const double scaleX = std::hypot(t.m11(), t.m12());
    const double scaleY = std::hypot(t.m21(), t.m22());
    const GdiFont& gdiFont = m_state.font;
    const double pixels = gdiFont.height == 0 ? 12.0 * m_dpi / 72.0 : std::abs(gdiFont.height) * scaleY;
    if (!std::isfinite(pixels) || pixels < 1)
        return;  // too small to show
    const QFont font = qtFont(gdiFont, std::min(pixels, kMaxGlyphPixels));
    const QFontMetricsF metrics(font);

    // Advances in output pixels: the file's own spacing when it gives one.
    std::vector<double> advances;
    double total = 0;
    if (!dx.empty()) {
        advances.reserve(size_t(text.size()));
        for (qsizetype i = 0; i < text.size(); ++i) {
            const double advance = size_t(i) < dx.size() ? dx[size_t(i)] * scaleX : 0.0;
            advances.push_back(std::isfinite(advance) ? advance : 0.0);
            total += advances.back();
        }
    } else {
        total = metrics.horizontalAdvance(text);
    }

    const bool updateCp = m_state.textAlign & kTaUpdateCp;
    const QPointF origin = t.map(updateCp ? m_state.current : reference);
    double x = 0;
    switch (m_state.textAlign & kTaHorizontal) {
    case 6: x = -total / 2; break;
    case 2: x = -total; break;
    default: break;
    }
    double baseline = metrics.ascent();  // TA_TOP
    switch (m_state.textAlign & kTaVertical) {
    case 24: baseline = 0; break;
    case 8: baseline = -metrics.descent(); break;
    default: break;
    }

    const QRectF line(x, baseline - metrics.ascent(), total, metrics.ascent() + metrics.descent());
    QTransform local = QTransform::fromTranslate(origin.x(), origin.y());
    local.rotate(-gdiFont.escapement / 10.0);  // counter-clockwise on the output
    chargeArea(local.mapRect(line), std::max(std::abs(total), metrics.height()) * metrics.height());

    m_painter.save();
    if (rect && (options & kEtoClipped)) {
        QPainterPath area;
        area.addRect(rect->normalized());
        m_painter.setClipPath(t.map(area), Qt::IntersectClip);
    }
    m_painter.setTransform(local);
    if (m_state.opaqueBackground)
        m_painter.fillRect(line, m_state.bkColor);
    m_painter.setFont(font);
    m_painter.setPen(m_state.textColor);
    if (advances.empty()) {
        m_painter.drawText(QPointF(x, baseline), text);
    } else {
        double pos = x;
        for (qsizetype i = 0; i < text.size(); ++i) {
            // A surrogate pair is one character, placed by its first advance.
            const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
            const qsizetype length = pair ? 2 : 1;
            m_painter.drawText(QPointF(pos, baseline), text.mid(i, length));
            pos += advances[size_t(i)] + (pair ? advances[size_t(i) + 1] : 0.0);
            i += length - 1;
        }
    }
    m_painter.restore();

    if (updateCp && scaleX > 0)
        m_state.current.rx() += total / scaleX;
}
