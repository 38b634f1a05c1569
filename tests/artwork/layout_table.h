#pragma once
// Where the tool bar's hot spots and colour swatch labels lie on the title
// picture (pixels, relative to it), and the colour painted under each label.
// The artwork and window layout tests measure against it.

#include <QColor>
#include <QRect>
#include <array>

namespace ArtworkLayout {

struct HotSpot {
    const char* name;
    QRect rect;
};

// The drawings along the top, each under its hot spot.
inline const std::array<HotSpot, 8> hotSpots{{
    {"imgNew", QRect(6, 5, 56, 54)},
    {"Image1", QRect(68, 4, 31, 57)},
    {"Image2", QRect(104, 8, 65, 49)},
    {"Image3", QRect(170, 5, 60, 58)},
    {"Image4", QRect(230, 1, 56, 46)},
    {"picOpen", QRect(469, 8, 52, 49)},
    {"imgSave", QRect(527, 9, 46, 46)},
    {"imgExit", QRect(577, 3, 43, 42)},
}};

// The two paper-colour spots: plain parts of the picture.
inline const QRect darkPaperSpot(295, 6, 20, 20);
inline const QRect whitePaperSpot(318, 6, 20, 20);

struct Swatch {
    int index;       // labColor index
    QRect label;     // the label's rectangle
    QColor painted;  // what the picture shows there
};

// In painted order, from the left.
inline const std::array<Swatch, 25> swatches{{
    {0, QRect(4, 64, 20, 20), QColor(255, 128, 128)},
    {1, QRect(28, 63, 23, 22), QColor(255, 255, 128)},
    {2, QRect(53, 64, 23, 22), QColor(128, 255, 128)},
    {3, QRect(77, 64, 23, 22), QColor(128, 255, 255)},
    {4, QRect(103, 63, 23, 22), QColor(0, 128, 255)},
    {5, QRect(127, 63, 23, 22), QColor(255, 128, 255)},
    {6, QRect(152, 63, 23, 22), QColor(255, 0, 128)},
    {7, QRect(176, 64, 23, 22), QColor(192, 0, 0)},
    {8, QRect(201, 62, 23, 22), QColor(192, 64, 0)},
    {9, QRect(226, 64, 23, 22), QColor(192, 192, 0)},
    {10, QRect(251, 64, 23, 22), QColor(0, 192, 0)},
    {11, QRect(275, 63, 23, 22), QColor(0, 128, 128)},
    {12, QRect(300, 63, 23, 22), QColor(0, 192, 192)},
    {13, QRect(324, 63, 23, 22), QColor(0, 0, 192)},
    {14, QRect(350, 63, 23, 22), QColor(0, 0, 64)},
    {15, QRect(374, 63, 23, 22), QColor(128, 0, 0)},
    {16, QRect(399, 63, 23, 22), QColor(128, 64, 64)},
    {17, QRect(423, 63, 23, 22), QColor(0, 64, 64)},
    {22, QRect(446, 61, 23, 22), QColor(0, 78, 117)},
    {23, QRect(472, 62, 23, 22), QColor(0, 39, 78)},
    {24, QRect(496, 62, 23, 22), QColor(39, 0, 78)},
    {18, QRect(520, 60, 23, 22), QColor(255, 255, 255)},
    {19, QRect(544, 60, 23, 22), QColor(192, 192, 192)},
    {20, QRect(569, 62, 23, 22), QColor(128, 128, 128)},
    {21, QRect(595, 61, 23, 22), QColor(0, 0, 0)},
}};

}  // namespace ArtworkLayout
