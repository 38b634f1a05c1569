#pragma once
// The metafile scene for the tests, written once by libUEMF's record writers
// (data/make_scenes.sh), so the player is checked against files made by an
// independent writer.
//
// The scene: one picture of 960 x 480 pixels at 96 dpi whose logical units
// are tenths of an output pixel, reached through window and viewport
// extents. It holds a filled and framed rectangle, an ellipse, a thick
// polyline, a polygon, text, a hatched rectangle, a stretched 2 x 2 bitmap
// and a dashed line; SceneProbe lists where each shows and in what colour.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>

#include <vector>

namespace fixtures {

constexpr int kSceneWidth = 960;
constexpr int kSceneHeight = 480;

// Copies of the committed scene files, at path.
void writeEmfScene(const QString& path);
void writeWmfScene(const QString& path);

struct SceneProbe {
    const char* what;
    QPoint at;      // output pixel at 96 dpi
    QColor colour;  // invalid: nothing drawn there
};
std::vector<SceneProbe> sceneProbes();

// Boxes in the scene with what they must hold.
constexpr QRect kTextBox(600, 300, 200, 45);    // "Hello", 40 pixels high, dark
constexpr QRect kHatchBox(352, 302, 196, 146);  // blue cross-hatch over white
constexpr QRect kDashLine(600, 400, 300, 1);    // a dashed black line

}  // namespace fixtures
