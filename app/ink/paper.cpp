// Paper input and repaint: the collector's events (the pen's eraser end in
// ink mode), the mouse over the paper in the erase modes, and the paper's
// paint, which draws all ink and the markers of the mode.

#include "app/shell/inkwrite.h"

#include "app/ink/ink_settings.h"
#include "app/ink/marker_cache.h"
#include "platform/ink/ink_collector.h"
#include "platform/ink/ink_units.h"

#include <QPainter>

// Any touch in ink mode gives the page something to save, even one whose
// stroke is then thrown away. The eraser end's own stroke is invisible.
void InkWrite::myInkCollector_CursorDown(const InkCursor& Cursor, const InkStrokeDisp& Stroke)
{
    DataPresent = InkSettings::kDataPresent;
    if (Cursor.Inverted) {
        InkStrokeDisp stroke = Stroke;
        InkDrawingAttributes attributes = stroke.DrawingAttributes();
        attributes.SetTransparency(255);
        stroke.SetDrawingAttributes(attributes);
    }
}

// Every packet of the eraser end erases, in the order they came. Positions
// are counted in sizes, so a batch of any length works.
void InkWrite::myInkCollector_NewPackets(const InkCursor& Cursor, const InkStrokeDisp& Stroke,
                                         int32_t /*PacketCount*/, const std::vector<int32_t>& PacketData)
{
    if (!Cursor.Inverted)
        return;
    const int16_t packetSize = Stroke.PacketSize();
    if (packetSize < 2)
        throw PlatformError(PlatformErrorCode::InvalidState, "A packet without both coordinates cannot be erased at");
    const size_t size = static_cast<size_t>(packetSize);
    const size_t packets = PacketData.size() / size;
    for (size_t k = 0; k < packets; ++k)
        StrokeEraseAt(PacketData[k * size], PacketData[k * size + 1], Stroke);
}

// The eraser end's stroke never joins the ink.
void InkWrite::myInkCollector_Stroke(const InkCursor& Cursor, const InkStrokeDisp& /*Stroke*/, bool& Cancel)
{
    if (Cursor.Inverted)
        Cancel = true;
}

void InkWrite::paperToInk(float X, float Y, int32_t& x, int32_t& y) const
{
    x = ink_units::roundHalfEven(X);
    y = ink_units::roundHalfEven(Y);
    myInkCollector->Renderer().PixelToInkSpace(ImgPaper, x, y);
}

// The stroke eraser sweeps from where the button went down, so a quick drag
// skips no stroke between two moves.
void InkWrite::ImgPaper_MouseDown(int16_t /*Button*/, int16_t /*Shift*/, float X, float Y)
{
    if (ApplicationMode == InkSettings::kModeStrokeErase) {
        paperToInk(X, Y, m_eraserLastX, m_eraserLastY);
        m_eraserStrokeId = kMouseEraser;
    }
}

// With a button held in an erase mode (the collector then leaves the mouse
// to the paper), the mode's eraser works at the pointer. The paper takes the
// keyboard focus whatever happens.
void InkWrite::ImgPaper_MouseMove(int16_t Button, int16_t /*Shift*/, float X, float Y)
{
    if (Button > 0 && ApplicationMode != InkSettings::kModeInk) {
        int32_t x = 0;
        int32_t y = 0;
        paperToInk(X, Y, x, y);
        switch (ApplicationMode) {
        case InkSettings::kModeCuspErase:
            EraseCuspSegment(x, y);
            break;
        case InkSettings::kModeIntersectionErase:
            EraseIntersectionSegment(x, y);
            break;
        case InkSettings::kModeStrokeErase:
            StrokeEraseAt(x, y, InkStrokeDisp());
            break;
        default:
            break;
        }
    }
    ImgPaper->setFocus();
}

// The paper box has painted its colour and background picture over the
// exposed part; all ink goes on top, then the markers of the mode. The
// collector's own redraw is off, so this is what shows the ink.
void InkWrite::ImgPaper_Paint(QPainter& painter, const QRect& exposed)
{
    const InkStrokes strokes = myInkCollector->Ink().Strokes();
    myInkCollector->Renderer().Draw(painter, strokes);
    // A cache left behind by another mode stops following the ink.
    if (ApplicationMode != InkSettings::kModeCuspErase && m_cuspMarkers)
        m_cuspMarkers->reset();
    if (ApplicationMode != InkSettings::kModeIntersectionErase && m_intersectionMarkers)
        m_intersectionMarkers->reset();
    if (ApplicationMode == InkSettings::kModeCuspErase)
        DrawCuspMarkers(painter, exposed, strokes);
    else if (ApplicationMode == InkSettings::kModeIntersectionErase)
        DrawIntersectionMarkers(painter, exposed, strokes);
}

void InkWrite::setMarkerCacheEnabled(bool on)
{
    m_markerCacheEnabled = on;
    if (!on) {
        m_cuspMarkers.reset();
        m_intersectionMarkers.reset();
    }
}

void InkWrite::MarkerCacheDeleter::operator()(MarkerCache* cache) const
{
    delete cache;
}
