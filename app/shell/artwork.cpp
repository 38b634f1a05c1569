#include "app/shell/artwork.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <utility>

#include "platform/platform_error.h"

namespace Artwork {
namespace {

const QString titleSource = QStringLiteral(":/artwork/title.svg");
const QString backgroundSource = QStringLiteral(":/artwork/background.svg");
const QString iconSource = QStringLiteral(":/icons/tavro-pen-writer.svg");

QString cursorSource(CursorKind kind)
{
    switch (kind) {
    case CursorKind::ThinPen: return QStringLiteral(":/cursors/pen-thin.svg");
    case CursorKind::MiddlePen: return QStringLiteral(":/cursors/pen-middle.svg");
    case CursorKind::ThickPen: return QStringLiteral(":/cursors/pen-thick.svg");
    case CursorKind::Eraser:
    case CursorKind::EraserButton: return QStringLiteral(":/cursors/eraser.svg");
    case CursorKind::Arrow: return QStringLiteral(":/cursors/arrow.svg");
    case CursorKind::Hand: return QStringLiteral(":/cursors/hand.svg");
    }
    throw PlatformError(PlatformErrorCode::InvalidArgument, "unknown cursor kind");
}

void checkRatio(qreal devicePixelRatio)
{
    // Also rejects NaN: every comparison with it is false.
    if (!(devicePixelRatio > 0.0 && devicePixelRatio <= maxDevicePixelRatio))
        throw PlatformError(PlatformErrorCode::InvalidArgument,
                            "device pixel ratio out of range: " + std::to_string(devicePixelRatio));
}

bool tryLoad(QSvgRenderer& renderer, const QString& source)
{
    return renderer.load(source) && renderer.isValid();
}

void loadInto(QSvgRenderer& renderer, const QString& source)
{
    if (!tryLoad(renderer, source))
        throw PlatformError(PlatformErrorCode::InvalidState,
                            "missing artwork: " + source.toStdString());
}

// Draws the whole drawing into `target` (device pixels) of a transparent
// pixmap of `pixels`.
QPixmap draw(QSvgRenderer& renderer, QSize pixels, QSizeF target)
{
    QPixmap pixmap(pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), target));
    return pixmap;
}

// A fractional ratio rounds the pixel size up, so the picture still covers
// its whole logical size; the drawing keeps its proportions.
QPixmap render(const QString& source, QSize logicalSize, qreal devicePixelRatio)
{
    checkRatio(devicePixelRatio);
    QSvgRenderer renderer;
    loadInto(renderer, source);
    const QSizeF target = QSizeF(logicalSize) * devicePixelRatio;
    const QSize pixels(static_cast<int>(std::ceil(target.width() - 1e-6)),
                       static_cast<int>(std::ceil(target.height() - 1e-6)));
    QPixmap pixmap = draw(renderer, pixels, target);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

// Draws the icon from its SVG at whatever size the desktop asks for, so it
// never shows a blurred, scaled-up bitmap. The mode and state are ignored:
// the icon only ever stands for the window.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(QString source) : m_source(std::move(source)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        QSvgRenderer renderer;
        if (tryLoad(renderer, m_source))
            renderer.render(painter, QRectF(rect));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        return pixelsOf(size);
    }

    // QIcon passes the size in device pixels and sets the ratio itself.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal) override
    {
        return pixelsOf(size);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(16, 16), QSize(32, 32)};
    }

    QString key() const override { return QStringLiteral("TavroSvgIconEngine"); }
    QIconEngine* clone() const override { return new SvgIconEngine(m_source); }
    bool isNull() override { return false; }

private:
    // Called from inside Qt's painting, so it must not throw; appIcon()
    // has made sure the drawing loads.
    QPixmap pixelsOf(QSize size) const
    {
        QSvgRenderer renderer;
        if (size.isEmpty() || !tryLoad(renderer, m_source))
            return QPixmap();
        return draw(renderer, size, QSizeF(size));
    }

    QString m_source;
};

}  // namespace

QPixmap titlePicture(qreal devicePixelRatio)
{
    return render(titleSource, titlePictureSize, devicePixelRatio);
}

QPixmap windowBackground(qreal devicePixelRatio)
{
    return render(backgroundSource, windowBackgroundSize, devicePixelRatio);
}

QPoint cursorHotSpot(CursorKind kind)
{
    switch (kind) {
    case CursorKind::ThinPen:
    case CursorKind::MiddlePen:
    case CursorKind::ThickPen:
    case CursorKind::Hand: return QPoint(1, 30);
    case CursorKind::Eraser:
    case CursorKind::EraserButton: return QPoint(4, 27);
    case CursorKind::Arrow: return QPoint(0, 1);
    }
    throw PlatformError(PlatformErrorCode::InvalidArgument, "unknown cursor kind");
}

QPixmap cursorPixmap(CursorKind kind, qreal devicePixelRatio)
{
    return render(cursorSource(kind), cursorSize, devicePixelRatio);
}

QPoint platformHotSpot(QPoint logical, qreal devicePixelRatio, QStringView platformName)
{
    checkRatio(devicePixelRatio);
    if (platformName != u"xcb")
        return logical;
    return (QPointF(logical) * devicePixelRatio).toPoint();
}

QCursor cursor(CursorKind kind, qreal devicePixelRatio)
{
    const QPixmap pixmap = cursorPixmap(kind, devicePixelRatio);
    const QPoint hotSpot = platformHotSpot(cursorHotSpot(kind), devicePixelRatio,
                                           QGuiApplication::platformName());
    return QCursor(pixmap, hotSpot.x(), hotSpot.y());
}

QIcon appIcon()
{
    QSvgRenderer probe;
    loadInto(probe, iconSource);  // fail now, not at the first paint
    return QIcon(new SvgIconEngine(iconSource));
}

}  // namespace Artwork
