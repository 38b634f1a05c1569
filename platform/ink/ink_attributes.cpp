// Drawing attributes: validated on the way in, so a stroke never holds a
// colour, width or transparency it cannot be drawn with.

#include "platform/ink/ink_model.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

namespace {
[[noreturn]] void invalid(const std::string& message)
{
    throw PlatformError(PlatformErrorCode::InvalidArgument, message);
}
}  // namespace

void InkDrawingAttributes::SetColor(int32_t color)
{
    if (color < 0 || color > 0xFFFFFF)
        invalid("Color must be a packed RGB value from 0 to 0xFFFFFF, not " + std::to_string(color));
    m_color = color;
}

void InkDrawingAttributes::SetWidth(float width)
{
    if (!std::isfinite(width) || width < 0.0f)
        invalid("Width must be a finite number of ink units, 0 or more");
    m_width = width;
}

void InkDrawingAttributes::SetTransparency(int32_t transparency)
{
    if (transparency < 0 || transparency > 255)
        invalid("Transparency must be from 0 to 255, not " + std::to_string(transparency));
    m_transparency = transparency;
}

double InkDrawingAttributes::drawnWidthAt(double pressure) const
{
    if (m_ignorePressure)
        return m_width;
    // Half pressure (the mouse) draws at exactly Width.
    const double factor = std::clamp(0.5 + pressure / kInkMaxPressure, 0.5, 1.5);
    return static_cast<double>(m_width) * factor;
}

float InkDrawingAttributes::drawnWidth(int32_t pressure) const
{
    return static_cast<float>(std::min(drawnWidthAt(pressure), static_cast<double>(FLT_MAX)));
}

float InkDrawingAttributes::maxDrawnWidth() const
{
    const double widest = m_ignorePressure ? m_width : 1.5 * static_cast<double>(m_width);
    return static_cast<float>(std::min(widest, static_cast<double>(FLT_MAX)));
}
