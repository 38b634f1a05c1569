// The cusp eraser: the pointer cuts out of each stroke under it the stretch
// between the two cusps around the stroke's point nearest the pointer; a
// stroke without inner cusps goes whole. In this mode every cusp is marked.

#include "app/shell/inkwrite.h"

#include "app/ink/held_repaint.h"
#include "app/ink/ink_settings.h"
#include "app/ink/marker_cache.h"
#include "app/ink/markers.h"
#include "app/ink/stretch_cut.h"
#include "platform/ink/ink_collector.h"

// Each hit stroke loses at most one stretch; a failing call ends the erase
// and the paper is then not refreshed.
void InkWrite::EraseCuspSegment(int32_t x, int32_t y)
{
    InkDisp& ink = myInkCollector->Ink();
    const InkStrokes hits = ink.HitTestCircle(x, y, InkSettings::kEraserRadius);
    QRect changed;
    {
        // The raster repaints what went, once, after all the cuts.
        HeldRepaint hold(ink, myInkCollector->Renderer());
        for (InkStrokeDisp stroke : hits) {
            const std::vector<int32_t> cusps = stroke.PolylineCusps();
            if (cusps.size() <= 2) {
                hold.removed(RemovedInk::of(stroke));
                ink.DeleteStroke(stroke);
                continue;
            }
            const float nearest = stroke.NearestPoint(x, y);
            const std::optional<size_t> lower = cuspLowerBoundary(cusps, nearest);
            if (lower)
                hold.removed(stretchCut(ink, stroke, cuspBoundaries(cusps), *lower));
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

// Every cusp of the strokes, their ends included. The whole page comes from
// the cache; any other collection, or a window without the cache, is read
// afresh stroke by stroke.
void InkWrite::DrawCuspMarkers(QPainter& painter, const QRect& exposed, const InkStrokes& strokes)
{
    InkDisp& ink = myInkCollector->Ink();
    if (m_markerCacheEnabled && strokes.wholeInkOf() == &ink && strokes.revision() == ink.revision()) {
        if (!m_cuspMarkers)
            m_cuspMarkers.reset(new MarkerCache(MarkerCache::Kind::Cusps));
        m_cuspMarkers->draw(painter, exposed, ink, *ImgPaper);
        return;
    }
    std::vector<QPoint> centres;
    for (const InkStrokeDisp& stroke : strokes)
        for (const InkPoint& p : cuspMarkerPoints(stroke)) {
            int32_t px = p.x;
            int32_t py = p.y;
            myInkCollector->Renderer().InkSpaceToPixel(ImgPaper, px, py);
            centres.emplace_back(px, py);
        }
    drawMarkers(painter, centres);
}
