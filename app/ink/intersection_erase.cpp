// The intersection eraser: the pointer cuts out of each stroke under it the
// stretch between the two crossings with other ink around the stroke's point
// nearest the pointer; a stroke that crosses nothing goes whole. In this mode
// every crossing is marked, once from each of the strokes that meet there.

#include "app/shell/inkwrite.h"

#include "app/ink/held_repaint.h"
#include "app/ink/ink_settings.h"
#include "app/ink/marker_cache.h"
#include "app/ink/markers.h"
#include "app/ink/stretch_cut.h"
#include "platform/ink/ink_collector.h"

// Each hit stroke's crossings are found against the ink as it stands at that
// moment, so cuts made earlier in the same call count. A failing call ends
// the erase and the paper is then not refreshed.
void InkWrite::EraseIntersectionSegment(int32_t x, int32_t y)
{
    InkDisp& ink = myInkCollector->Ink();
    const InkStrokes hits = ink.HitTestCircle(x, y, InkSettings::kEraserRadius);
    QRect changed;
    {
        // The raster repaints what went, once, after all the cuts.
        HeldRepaint hold(ink, myInkCollector->Renderer());
        for (InkStrokeDisp stroke : hits) {
            // All of the ink as it stands now (the ink changes after each
            // cut), asked only around the place: a stroke crossing ink
            // thousands of times costs the stretch, not all its crossings.
            const InkStrokeDisp::CrossingsAround around = stroke.crossingsAround(stroke.NearestPoint(x, y));
            if (!around.any) {
                hold.removed(RemovedInk::of(stroke));
                ink.DeleteStroke(stroke);
                continue;
            }
            const IntersectionStretch stretch = intersectionStretch(around, stroke.PacketCount() - 1);
            hold.removed(stretchCut(ink, stroke, stretch.boundaries, stretch.lower));
        }
        changed = hold.removedPixels(*ImgPaper);
    }
    // Painted once the moves already queued behind this one are erased too:
    // a fast drag loses no move and paints once, not once a move. Only what
    // went is painted; markers that came or went elsewhere (the pieces of a
    // stroke get cusps and crossings of their own) have the marker pass ask
    // for their own repaint.
    if (hits.Count() > 0)
        ImgPaper->update(changed);
}

// Every crossing of the strokes with the collection, each placed along its
// own stroke. The whole page comes from the cache; any other collection, or
// a window without the cache, is asked afresh stroke by stroke.
void InkWrite::DrawIntersectionMarkers(QPainter& painter, const QRect& exposed, const InkStrokes& strokes)
{
    InkDisp& ink = myInkCollector->Ink();
    if (m_markerCacheEnabled && strokes.wholeInkOf() == &ink && strokes.revision() == ink.revision()) {
        if (!m_intersectionMarkers)
            m_intersectionMarkers.reset(new MarkerCache(MarkerCache::Kind::Intersections, m_markersInBackgroundFrom));
        m_intersectionMarkers->draw(painter, exposed, ink, *ImgPaper);
        return;
    }
    std::vector<QPoint> centres;
    for (const InkStrokeDisp& stroke : strokes)
        for (const InkPoint& p : intersectionMarkerPoints(stroke, strokes)) {
            int32_t px = p.x;
            int32_t py = p.y;
            myInkCollector->Renderer().InkSpaceToPixel(ImgPaper, px, py);
            centres.emplace_back(px, py);
        }
    drawMarkers(painter, centres);
}
