#pragma once
// Loading a picture file into a Picture: JPEG, GIF (its first frame) and
// Windows bitmaps through Qt's image readers; Windows metafiles and enhanced
// metafiles through our own players. The format is told by the content, not
// by the file's extension. Anything else is refused, PNG included: these five
// are the formats the program offers to open.

#include "platform/picture/picture.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>

// A picture whose decoded size (width x height x 4 bytes) passes this is
// refused before it is decoded, so a small file cannot exhaust memory.
constexpr int64_t kMaxDecodedPictureBytes = int64_t(256) * 1024 * 1024;

enum class PictureFormat { Unknown, Jpeg, Gif, Bmp, Wmf, Emf };

// The format that the first bytes of a file announce.
PictureFormat detectPictureFormat(const QByteArray& head);

// Whether a picture of width x height pixels stays within the limit above.
bool pictureSizeAllowed(int64_t width, int64_t height);

// Loads the picture file at path; a metafile is played for targetDpi (the
// DPI of the surface it will be shown on). A picture is drawn from its
// corner, so only the part of it within `shown` (logical pixels from its
// top-left; invalid for the whole picture) is decoded or played, at
// devicePixelRatio device pixels per logical one for a metafile. Throws
// PlatformError (codes in picture_errors.h) for a missing file, a folder or
// other non-regular file, an unreadable or empty file, an unsupported
// format, a damaged picture or one past the limits, including the work a
// decoder or the metafile player may do.
Picture LoadPicture(const QString& path, double targetDpi, QSize shown = QSize(), double devicePixelRatio = 1.0);
