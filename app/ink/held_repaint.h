#pragma once
// Holds back an ink's change reports to the renderer (whose raster repaints
// every stroke in a changed area) while an eraser cuts, and hands it one
// repaint per area that changed when the eraser is done.
//
// A split of opaque ink changes no pixel but along the segment it cut (the
// cut point lies on whole ink units), yet the ink reports the whole
// stroke's area. So the eraser tells what it removed, the cut segments are
// taken from the splits, and only those are repainted, in one pass over the
// tiles they reach: a stroke split twice and a stretch of it deleted is one
// small repaint instead of three of the whole stroke, and the long
// stretches cut out of a dense scribble repaint the bands they covered, not
// their bounds. Where the two parts of a cut opaque stroke cross each
// other, their antialiased edges now blend twice: a grey level, left for
// the layer's next whole repaint. Translucent parts darken where they
// overlap, so a translucent stroke's split repaints all of it. Should the
// eraser fail on the way, everything the ink reported is repainted instead,
// overlapping areas merged. Nothing may paint the ink while one is held.

#include "app/ink/stretch_cut.h"
#include "platform/ink/ink_model.h"
#include "platform/ink/ink_renderer.h"

#include <QRect>

#include <vector>

class QWidget;

class HeldRepaint : private InkChangeListener {
public:
    HeldRepaint(InkDisp& ink, InkRenderer& renderer);
    ~HeldRepaint() override;
    HeldRepaint(const HeldRepaint&) = delete;
    HeldRepaint& operator=(const HeldRepaint&) = delete;

    // Ink the eraser took away (without parts: all of its bounds).
    void removed(RemovedInk gone);
    // The paper pixels that show what was taken away so far, with the
    // markers that can sit on its edges (their circles reach past the ink).
    QRect removedPixels(const QWidget& paper) const;

    // Areas that meet are merged into their common bounds until none meet.
    static std::vector<InkRectangle> merged(std::vector<InkRectangle> areas);

private:
    void strokeAdded(const InkStrokeDisp& stroke) override;
    void inkChanged(const InkRectangle& area) override;
    void strokeSplit(const InkStrokeDisp& stroke, const InkStrokeDisp& piece, const InkRectangle& strokeArea,
                     const InkRectangle& cutArea) override;

    InkDisp& m_ink;
    InkRenderer& m_renderer;
    bool m_holding = false;
    int m_failuresAtStart = 0;
    std::vector<InkRectangle> m_reported;
    std::vector<InkRectangle> m_removed;
    std::vector<InkRectangle> m_removedParts;
};
