#pragma once
// What a moving eraser touches between two of its positions: strokes whose
// drawn edge comes within a radius of the straight path from one to the
// other. A stroke is taken as its centre line widened, at every point, by
// half the width drawn there (pressure included), so a path that runs past a
// thick stroke's edge without meeting its centre line still finds it.

#include "platform/ink/ink_model.h"

#include <span>

// Whether a stroke of these packets, drawn with these attributes, has its
// edge within radius of the segment from -> to (a point when they are equal).
bool edgeNearSegment(std::span<const InkPacket> packets, const InkDrawingAttributes& attributes, InkPoint from,
                     InkPoint to, double radius);

// Every stroke of ink whose edge comes within radius of the segment, in ink
// order; the spatial index offers the candidates, so the cost follows the
// ink near the path, not the page.
InkStrokes strokesNearSegment(const InkDisp& ink, InkPoint from, InkPoint to, float radius);
