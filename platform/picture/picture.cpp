#include "platform/picture/picture.h"

#include <QPainter>

struct Picture::Data {
    QImage image;      // a raster picture
    QPicture drawing;  // a metafile, when image is null
    QSize size;
    double dpi = 0;
};

Picture Picture::fromImage(const QImage& image)
{
    if (image.isNull())
        return Picture();
    auto data = std::make_shared<Data>();
    data->image = image;
    data->size = image.size();
    return Picture(std::move(data));
}

Picture Picture::fromDrawing(const QPicture& drawing, QSize size, double dpi)
{
    if (size.isEmpty())
        return Picture();
    auto data = std::make_shared<Data>();
    data->drawing = drawing;
    data->size = size;
    data->dpi = dpi;
    return Picture(std::move(data));
}

bool Picture::isRaster() const
{
    return m_data && !m_data->image.isNull();
}

bool Picture::isVector() const
{
    return m_data && m_data->image.isNull();
}

QSize Picture::size() const
{
    return m_data ? m_data->size : QSize();
}

double Picture::dpi() const
{
    return m_data ? m_data->dpi : 0.0;
}

void Picture::draw(QPainter& painter, QPointF topLeft) const
{
    if (!m_data)
        return;
    if (!m_data->image.isNull()) {
        // The image's own device pixel ratio decides its logical size.
        painter.drawImage(topLeft, m_data->image);
        return;
    }
    // The recording clips itself to its own frame; keep that from leaking
    // into the caller's painter state.
    painter.save();
    painter.translate(topLeft);
    painter.drawPicture(QPointF(0, 0), m_data->drawing);
    painter.restore();
}

QImage Picture::toImage() const
{
    if (!m_data)
        return QImage();
    if (!m_data->image.isNull())
        return m_data->image;
    QImage image(m_data->size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QPointF(0, 0));
    painter.end();
    return image;
}
