#pragma once
// Metafiles for the tests, written with libUEMF's record writers, so the
// player is checked against files made by an independent writer.
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

void writeEmfScene(const QString& path);
void writeWmfScene(const QString& path);

struct SceneProbe {
    const char* what;
    QPoint at;      // output pixel at 96 dpi
    QColor colour;  // invalid: nothing drawn there
};
std::vector<SceneProbe> sceneProbes();

// Boxes in the scene with what they must hold.
constexpr QRect kTextBox(600, 300, 200, 45);      // "Hello", 40 pixels high, dark
constexpr QRect kHatchBox(352, 302, 196, 146);    // blue cross-hatch over white
constexpr QRect kDashLine(600, 400, 300, 1);      // a dashed black line

// One red rectangle placed through a single way of mapping.
enum class Mapping {
    EmfText,           // MM_TEXT on a 96 dpi reference device
    EmfIsotropic,      // MM_ISOTROPIC, the smaller scale on both axes
    EmfFlippedY,       // MM_ANISOTROPIC with y growing upwards
    EmfLoMetric,       // MM_LOMETRIC, tenths of a millimetre
    EmfWorld,          // a world transform moving the drawing
    EmfViewportOrigin, // the viewport's origin moving the drawing
    EmfHiResDevice,    // MM_TEXT on a 300 dpi reference device
    WmfWindowOrigin,   // a placeable metafile moving its window
    WmfUnplaced,       // a metafile without the placeable header
};
struct MappingCase {
    Mapping mapping;
    const char* name;
    QSize size;      // the picture at 96 dpi
    QRectF redRect;  // where the rectangle lands, in output pixels
};
std::vector<MappingCase> mappingCases();
void writeMapping(const QString& path, Mapping mapping);

}  // namespace fixtures
