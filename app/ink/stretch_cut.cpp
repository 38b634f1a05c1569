#include "app/ink/stretch_cut.h"

#include <cmath>

RemovedInk stretchCut(InkDisp& ink, InkStrokeDisp& stroke, std::span<const double> boundaries, size_t lower)
{
    const size_t upper = lower + 1;
    if (upper >= boundaries.size())
        throw PlatformError(PlatformErrorCode::IndexOutOfRange, "The stretch to cut lies past the stroke's end");
    double lowerIndex = boundaries[lower];
    // The piece after the upper boundary stays in the ink untouched.
    if (upper < boundaries.size() - 1) {
        const double upperIndex = boundaries[upper];
        stroke.Split(static_cast<float>(upperIndex));
        // Points before the cut keep their indices, but a lower boundary on
        // the very segment that was cut now lies on a shorter one: the same
        // place is that share of the way to the cut point.
        const double segment = std::floor(upperIndex);
        if (lower > 0 && upperIndex > segment && std::floor(lowerIndex) == segment)
            lowerIndex = segment + (lowerIndex - segment) / (upperIndex - segment);
    }
    if (lower == 0) {
        RemovedInk gone = RemovedInk::of(stroke);
        ink.DeleteStroke(stroke);
        return gone;
    }
    const InkStrokeDisp stretch = stroke.Split(static_cast<float>(lowerIndex));
    RemovedInk gone = RemovedInk::of(stretch);
    ink.DeleteStroke(stretch);
    return gone;
}

std::optional<size_t> cuspLowerBoundary(std::span<const int32_t> cusps, float f)
{
    if (cusps.size() < 2)
        return std::nullopt;
    for (size_t k = cusps.size() - 1; k-- > 0;) {
        if (static_cast<double>(cusps[k]) <= static_cast<double>(f))
            return k;
    }
    return std::nullopt;
}

std::vector<double> cuspBoundaries(std::span<const int32_t> cusps)
{
    return std::vector<double>(cusps.begin(), cusps.end());
}

IntersectionStretch intersectionStretch(const InkStrokeDisp::CrossingsAround& around, int32_t lastPoint)
{
    IntersectionStretch stretch;
    stretch.boundaries.push_back(0.0);
    if (around.atOrBefore)
        stretch.boundaries.push_back(static_cast<double>(*around.atOrBefore));
    stretch.lower = stretch.boundaries.size() - 1;
    if (around.after)
        stretch.boundaries.push_back(static_cast<double>(*around.after));
    stretch.boundaries.push_back(static_cast<double>(lastPoint));
    return stretch;
}
