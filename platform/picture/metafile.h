#pragma once
// Our metafile reader: plays a Windows metafile (with or without its
// placeable header) or an enhanced metafile into a vector Picture, at the
// size its header gives, in pixels at the target DPI. Records are framed and
// checked with libUEMF and read through our own bounds-checked reader; the
// drawing goes to QPainter. A damaged file throws PlatformError; it is never
// read out of bounds.

#include "platform/picture/picture.h"

#include <QByteArray>

Picture playWindowsMetafile(const QByteArray& bytes, double dpi);
Picture playEnhancedMetafile(const QByteArray& bytes, double dpi);
