#pragma once
// The window's fixed layout: its size, frame and place on the screen, and the
// controls it holds, each with its place, tooltip and cursor. Positions are in
// twips (15 to a pixel at 96 dots per inch), as the layout was designed; the
// window places its children in pixels.

#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>

namespace Layout {

constexpr int kTwipsPerPixel = 15;
// Every place in the layout is a whole number of pixels.
constexpr QRect toPixels(const QRect& twips)
{
    return QRect(twips.x() / kTwipsPerPixel, twips.y() / kTwipsPerPixel,
                 twips.width() / kTwipsPerPixel, twips.height() / kTwipsPerPixel);
}

constexpr int kFrameWidth = 3;              // the thin fixed dialog frame
constexpr QSize kClientSize{621, 488};      // 9315 x 7320 twips
constexpr QSize kOuterSize{kClientSize.width() + 2 * kFrameWidth,
                           kClientSize.height() + 2 * kFrameWidth};
constexpr QPoint kClientPosition{161, 118};  // on the screen, where it opens

enum class Kind { PictureBox, Image, Label };

// Where a control's cursor comes from.
enum class CursorFrom {
    Default,       // the platform's arrow
    CustomArrow,   // the arrow shared by the page buttons
    PicPen1,       // the cursor held by picPen1 (thin pen)
    PicPen2,       // ... picPen2 (middle pen)
    PicPen3,       // ... picPen3 (thick pen)
    EraserButton,  // the eraser icon of the undo button
};

struct Control {
    const char* name;      // the control's name; "labColor" for every swatch
    Kind kind;
    int16_t index;         // the swatch index, -1 for others
    QRect twips;           // left, top, width, height in the container
    bool shown;
    const char* tooltip;   // UTF-8; nullptr for none
    CursorFrom cursor;
};

// The 25 palette swatches, by index: place and pen colour.
struct Swatch {
    QRect twips;
    int32_t foreColor;  // red + 256 * green + 65536 * blue
};
extern const std::array<Swatch, 25> kSwatches;

// Direct children of the window, back to front.
extern const std::array<Control, 7> kFormControls;
// Children of the title picture Picture1, back to front.
extern const std::array<Control, 35> kToolBarControls;

}  // namespace Layout
