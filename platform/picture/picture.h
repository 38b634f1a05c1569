#pragma once
// The program's picture object: what a picture box shows, what a window
// capture makes and what the save writes to a bitmap file. A value type that
// shares its data, so copies are cheap: null, a raster image, or a metafile
// played into a vector recording at the DPI it is shown at.

#include <QImage>
#include <QPicture>
#include <QPointF>
#include <QSize>

#include <memory>

class QPainter;

class Picture {
public:
    Picture() = default;  // the null picture

    // A raster picture; a null image gives the null picture.
    static Picture fromImage(const QImage& image);
    // A played metafile: `drawing` paints it in pixels within (0, 0, size),
    // size being what the metafile's header gives at `dpi`.
    static Picture fromDrawing(const QPicture& drawing, QSize size, double dpi);

    bool isNull() const { return !m_data; }
    bool isRaster() const;
    bool isVector() const;

    // Pixels: a raster's own; a metafile's at the DPI it was played for.
    QSize size() const;
    // The DPI a metafile was played for; 0 for a raster or the null picture.
    double dpi() const;

    // Draws the picture at its size with its top-left corner at topLeft:
    // a raster 1:1 in logical pixels. The null picture draws nothing.
    void draw(QPainter& painter, QPointF topLeft) const;

    // A raster's image; a metafile rendered over transparency at its size;
    // a null image for the null picture.
    QImage toImage() const;

private:
    struct Data;
    explicit Picture(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}
    std::shared_ptr<const Data> m_data;
};
