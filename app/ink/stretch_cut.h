#pragma once
// The stretch cut that both geometric erasers make, and the searches that
// pick the stretch: the cusp eraser's (boundaries are the stroke's cusps, its
// two ends included) and the intersection eraser's (the stroke's start, its
// crossings, its end). Free functions, so they are reached without a window.

#include "platform/ink/ink_model.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The drawn ink an eraser took away: its bounds, and the drawn bounds of
// its runs of segments (a long wandering stretch covers far less than its
// bounds), which alone are repainted.
struct RemovedInk {
    InkRectangle bounds;
    std::vector<InkRectangle> parts;
    // All of a stroke, read before it goes.
    static RemovedInk of(const InkStrokeDisp& stroke) { return {stroke.drawnBounds(), stroke.drawnParts()}; }
};

// Cuts the stretch from boundaries[lower] to boundaries[lower + 1] out of
// stroke. boundaries ascend along the stroke; the first entry stands for its
// first point and the last for its last point. The upper cut comes first;
// the points before it keep their indices, and a lower boundary on the
// segment the upper cut shortened is moved along with it, so the cut removes
// exactly the stretch between the two places. What follows the stretch stays
// in the ink as a stroke of its own. Returns the drawn ink taken away, whose
// bounds hold both cuts. A failing call ends the cut where it failed.
RemovedInk stretchCut(InkDisp& ink, InkStrokeDisp& stroke, std::span<const double> boundaries, size_t lower);

// The cusp eraser's lower boundary for nearest index f: the last position k,
// searched from n-2 down, with cusps[k] <= f. The last cusp never is one.
// None for fewer than two cusps or an f before every cusp.
std::optional<size_t> cuspLowerBoundary(std::span<const int32_t> cusps, float f);

// Boundary lists for stretchCut.
std::vector<double> cuspBoundaries(std::span<const int32_t> cusps);

// The intersection eraser's stretch around the stroke's point nearest the
// pointer: from the last crossing at or before it (or the stroke's start)
// to the first after it (or its end). Boundaries for stretchCut, and the
// lower one's position among them.
struct IntersectionStretch {
    std::vector<double> boundaries;
    size_t lower = 0;
};
IntersectionStretch intersectionStretch(const InkStrokeDisp::CrossingsAround& around, int32_t lastPoint);
