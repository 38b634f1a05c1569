#pragma once
// Raster picture files made in the tests: JPEG through Qt's writer, bitmaps
// and GIF through small encoders of our own (Qt writes neither top-down nor
// run-length bitmaps, and no GIF), files whose header claims a huge picture,
// and the committed fuzz seeds.

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

QByteArray jpegOf(const QImage& image, bool progressive = false);
// A bitmap of `bits` per pixel (below 16, indices into the four colours of
// the GIF palette below), its rows bottom-up or top-down; or, with rle, run-
// length coded in 8 bits with absolute runs of three pixels, each padded
// (for a width of 3n + 1).
QByteArray bmpOf(const QImage& image, int bits = 24, bool topDown = false, bool rle = false);

// A file of the committed seed corpus, e.g. "picture_jpeg/colour_24x16".
QByteArray fuzzSeed(const QString& name);

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
