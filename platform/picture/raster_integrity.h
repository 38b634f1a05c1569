#pragma once
// The structure of raster files, checked before Qt decodes them: the size
// their header announces, and whether they are whole (Qt's JPEG and bitmap
// readers fill in the rest of a truncated file and report success).

#include "platform/picture/picture_loader.h"

#include <QByteArray>
#include <QSize>

// The picture size the file's header announces, read by us so that the
// size limit does not depend on what a reader does with absurd headers.
// Throws PlatformError (InvalidPicture) when there is no such header.
QSize rasterHeaderSize(const QByteArray& bytes, PictureFormat format);

// Throws PlatformError (InvalidPicture) when the file ends before the data
// of its (first) image does.
void checkRasterComplete(const QByteArray& bytes, PictureFormat format);
