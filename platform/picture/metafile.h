#pragma once
// Our metafile reader: plays a Windows metafile (with or without its
// placeable header) or an enhanced metafile, at the size its header gives in
// pixels at the target DPI, into an image of the part of it within `shown`
// (logical pixels; invalid for all of it) at `ratio` device pixels each.
// Records are framed and checked with libUEMF and read through our own
// bounds-checked reader; the drawing goes to QPainter. A damaged file throws PlatformError; it is never
// read out of bounds. Playing has a work budget (records, points, pixels
// filled, characters); past it the picture is refused, as a damaged one is.

#include "platform/picture/picture.h"

#include <QByteArray>

Picture playWindowsMetafile(const QByteArray& bytes, double dpi, QSize shown = QSize(), double ratio = 1.0);
Picture playEnhancedMetafile(const QByteArray& bytes, double dpi, QSize shown = QSize(), double ratio = 1.0);
