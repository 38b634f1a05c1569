#pragma once
// The program's picture object: what a picture box shows, what a window
// capture makes and what the save writes to a bitmap file. A value type that
// shares its data, so copies are cheap: null, a raster image, or a metafile
// already played into pixels at the DPI it is shown at.
//
// A picture is drawn from its top-left corner at its own size, and a loaded
// one may hold pixels only for the part of it that can show (see
// LoadPicture): size() is the whole picture's, toImage() what was kept.

#include <QImage>
#include <QPointF>
#include <QSize>

#include <memory>

class QPainter;

class Picture {
public:
    Picture() = default;  // the null picture

    // A raster picture; a null image gives the null picture. fullSize, when
    // valid, is the size of the whole picture that image is the top-left of.
    static Picture fromImage(const QImage& image, QSize fullSize = QSize());
    // A played metafile: `rendering` holds its pixels (with the device pixel
    // ratio it was played for) from its corner; size is what the metafile's
    // header gives at `dpi`, in logical pixels.
    static Picture fromRendering(const QImage& rendering, QSize size, double dpi);

    bool isNull() const { return !m_data; }
    bool isRaster() const;
    bool isVector() const;

    // Logical pixels: a raster's own; a metafile's at the DPI it was played for.
    QSize size() const;
    // The DPI a metafile was played for; 0 for a raster or the null picture.
    double dpi() const;

    // Draws what the picture holds with its top-left corner at topLeft, 1:1
    // in logical pixels. The null picture draws nothing.
    void draw(QPainter& painter, QPointF topLeft) const;

    // The pixels the picture holds (a metafile's over transparency); a null
    // image for the null picture.
    QImage toImage() const;

private:
    struct Data;
    explicit Picture(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}
    std::shared_ptr<const Data> m_data;
};
