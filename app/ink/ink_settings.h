#pragma once
// The fixed values of drawing and erasing: the application modes, the three
// pens, the paper colours and the eraser's reach.

#include <QColor>

#include <cstdint>

namespace InkSettings {

// ApplicationMode values.
constexpr int16_t kModeInk = 1;
constexpr int16_t kModeCuspErase = 2;
constexpr int16_t kModeIntersectionErase = 3;
constexpr int16_t kModeStrokeErase = 4;

// Pen widths in ink units: thin, middle, thick.
constexpr int16_t kThinPen = 10;
constexpr int16_t kMiddlePen = 50;
constexpr int16_t kThickPen = 100;

// Paper colours, packed red + 256 * green + 65536 * blue.
constexpr int32_t kDarkPaper = 0x222222;
constexpr int32_t kWhitePaper = 0xFFFFFF;

// Strokes whose edge comes this near the eraser (ink units) are under it.
constexpr float kEraserRadius = 30.0f;

// DataPresent values.
constexpr int16_t kDataPresent = -1;
constexpr int16_t kNoData = 0;

}  // namespace InkSettings

// The colour of a packed value.
inline QColor colorFromPacked(int32_t packed)
{
    return QColor(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
}

// Which pen cursor holder (1 to 3: picPen1 to picPen3) shows a pen of this
// width: the width rounded to a whole number, halves to even; 50 the middle
// pen's, 100 the thick pen's, any other the thin pen's.
int penCursorFor(float width);
