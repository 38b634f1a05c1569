#include "platform/picture/picture.h"

#include <QPainter>

struct Picture::Data {
    QImage image;
    QSize size;
    double dpi = 0;  // > 0 for a played metafile
};

Picture Picture::fromImage(const QImage& image, QSize fullSize)
{
    if (image.isNull())
        return Picture();
    auto data = std::make_shared<Data>();
    data->image = image;
    data->size = fullSize.isValid() ? fullSize : image.size();
    return Picture(std::move(data));
}

Picture Picture::fromRendering(const QImage& rendering, QSize size, double dpi)
{
    if (rendering.isNull() || size.isEmpty())
        return Picture();
    auto data = std::make_shared<Data>();
    data->image = rendering;
    data->size = size;
    data->dpi = dpi;
    return Picture(std::move(data));
}

bool Picture::isRaster() const
{
    return m_data && m_data->dpi == 0;
}

bool Picture::isVector() const
{
    return m_data && m_data->dpi > 0;
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
    // The image's own device pixel ratio decides its logical size.
    if (m_data)
        painter.drawImage(topLeft, m_data->image);
}

QImage Picture::toImage() const
{
    return m_data ? m_data->image : QImage();
}
