#pragma once
// Raster picture files made in the tests: JPEG and bitmap through Qt's
// writers, GIF through a small encoder of our own (Qt has no GIF writer),
// and files whose header claims a huge picture.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

namespace fixtures {

// Whether every channel of a is within tolerance of b's.
bool near(QColor a, QColor b, int tolerance);

// Writes bytes to path and returns path; throws when it cannot.
QString writeFile(const QString& path, const QByteArray& bytes);

// 64 x 48: the top half red, the bottom half blue, a green square at
// (8, 8, 16, 16). Block-aligned, so JPEG keeps the colours close.
QImage quadrantImage();

QByteArray jpegOf(const QImage& image);
QByteArray bmpOf(const QImage& image);

// A GIF of frames in at most four colours (black, red, green, blue); every
// frame covers the whole screen.
QByteArray gifOf(const std::vector<QImage>& frames);

// Headers that claim width x height pixels, with next to no data after them.
QByteArray bmpClaiming(int width, int height);
QByteArray jpegClaiming(int width, int height);
// A GIF whose logical screen claims that size, or, with inFrame, a small
// screen whose first frame does.
QByteArray gifClaiming(int width, int height, bool inFrame = false);

}  // namespace fixtures
