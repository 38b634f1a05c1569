#pragma once
// JPEG decoding with libjpeg-turbo's own interface rather than Qt's reader,
// for two bounds Qt does not offer: the number of progressive scans (each
// one costs a pass over the whole picture), and pixels only for the part of
// the picture that can show.

#include <QByteArray>
#include <QImage>
#include <QSize>

// Decodes the top-left `shown` part of a JPEG (all of it for an invalid
// size). fullSize receives the whole picture's size. Throws PlatformError for
// a damaged file, too many scans or a decoder past its memory budget.
QImage decodeJpeg(const QByteArray& bytes, QSize shown, QSize* fullSize);
