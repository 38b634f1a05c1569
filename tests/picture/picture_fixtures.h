#pragma once
// The pictures the tests read: committed files in data/ (the rasters and
// damaged files written by make_rasters.py, the metafile scene by
// tools/picture-scenes with libUEMF, an independent writer) and the fuzz
// seeds; and where the scene's shapes lie.
//
// The scene: one picture of 960 x 480 pixels at 96 dpi whose logical units
// are tenths of an output pixel, reached through window and viewport
// extents. It holds a filled and framed rectangle, an ellipse, a thick
// polyline, a polygon, text, a hatched rectangle, a stretched 2 x 2 bitmap
// and a dashed line; SceneProbe lists where each shows and in what colour.

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <vector>

namespace fixtures {

// Whether every channel of a is within tolerance of b's.
inline bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Writes bytes to path and returns path; throws when it cannot.
QString writeFile(const QString& path, const QByteArray& bytes);

// A file's bytes; empty when it cannot be read.
inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
// A folder's entries by name, hidden ones too: a temporary file left behind
// shows up.
inline QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A file of data/, or, for "seeds/...", of the fuzz seed corpus; one
// ending in .z is uncompressed.
QString dataPath(const QString& name);
QByteArray dataFile(const QString& name);

constexpr int kSceneWidth = 960;
constexpr int kSceneHeight = 480;

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
