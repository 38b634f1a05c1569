// Writes every drawing as PNG files for a look by eye: each picture at 1x and
// 2x, the cursors and the icon enlarged with their hot spots marked, and the
// title picture with its hot spots and swatch labels outlined.
// Usage: artwork_preview [output folder, default /tmp/tavro-artwork]

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <cstdio>

#include "app/shell/artwork.h"
#include "tests/artwork/layout_table.h"

namespace {

QString g_out;

void save(const QImage& image, const QString& name)
{
    const QString path = g_out + '/' + name + ".png";
    if (!image.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

QImage onBackground(const QPixmap& pixmap, const QColor& background)
{
    QImage image(pixmap.size(), QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.drawImage(0, 0, pixmap.toImage());
    return image;
}

// Nearest-neighbour enlargement of the real pixels, so single pixels show.
QImage enlarged(const QImage& image, int factor)
{
    return image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void saveCursors()
{
    using Artwork::CursorKind;
    const std::pair<CursorKind, const char*> kinds[] = {
        {CursorKind::ThinPen, "thin-pen"}, {CursorKind::MiddlePen, "middle-pen"},
        {CursorKind::ThickPen, "thick-pen"}, {CursorKind::Eraser, "eraser"},
        {CursorKind::Arrow, "arrow"}, {CursorKind::Hand, "hand"}};
    // One sheet: each cursor on white and on dark paper, 8x, hot spot in cyan.
    const int factor = 8, cell = 32 * factor + 16;
    QImage sheet(cell * int(std::size(kinds)), cell * 2, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (size_t i = 0; i < std::size(kinds); ++i) {
        const QPixmap one = Artwork::cursorPixmap(kinds[i].first, 1.0);
        save(one.toImage(), QStringLiteral("cursor-%1@1x").arg(kinds[i].second));
        save(Artwork::cursorPixmap(kinds[i].first, 2.0).toImage(),
             QStringLiteral("cursor-%1@2x").arg(kinds[i].second));
        const QPoint hot = Artwork::cursorHotSpot(kinds[i].first);
        int row = 0;
        for (const QColor& paper : {QColor(Qt::white), QColor(0x22, 0x22, 0x22)}) {
            const QPoint at(int(i) * cell + 8, row * cell + 8);
            painter.drawImage(at, enlarged(onBackground(one, paper), factor));
            painter.setPen(QPen(Qt::cyan, 2));
            painter.drawRect(QRect(at + hot * factor, QSize(factor, factor)));
            ++row;
        }
    }
    painter.end();
    save(sheet, "cursors-sheet@8x");
}

void saveTitle()
{
    const QPixmap one = Artwork::titlePicture(1.0);
    const QPixmap two = Artwork::titlePicture(2.0);
    save(one.toImage(), "title@1x");
    save(two.toImage(), "title@2x");
    save(enlarged(one.toImage(), 2), "title@1x-enlarged2");

    // The 2x rendering with the hot spots (red) and swatch labels (blue).
    QImage marked = two.toImage();
    QPainter painter(&marked);  // the image keeps ratio 2: logical coordinates
    painter.setPen(QPen(QColor(255, 0, 0, 160), 0));
    for (const auto& spot : ArtworkLayout::hotSpots)
        painter.drawRect(spot.rect);
    painter.drawRect(ArtworkLayout::darkPaperSpot);
    painter.drawRect(ArtworkLayout::whitePaperSpot);
    painter.setPen(QPen(QColor(0, 0, 255, 160), 0));
    for (const auto& swatch : ArtworkLayout::swatches)
        painter.drawRect(swatch.label);
    painter.end();
    save(marked, "title@2x-marked");

    // The window's top as it will look: the title over the white paper.
    for (int ratio : {1, 2}) {
        QImage window(QSize(621, 160) * ratio, QImage::Format_ARGB32);
        window.setDevicePixelRatio(ratio);
        window.fill(Qt::white);
        QPainter p(&window);
        p.drawPixmap(0, 0, Artwork::windowBackground(ratio));
        p.drawPixmap(0, 0, Artwork::titlePicture(ratio));
        p.end();
        save(window, QStringLiteral("window-top@%1x").arg(ratio));
    }
}

void saveIcon()
{
    const QIcon icon = Artwork::appIcon();
    QImage strip(16 + 32 + 64 + 128 + 50, 128, QImage::Format_ARGB32);
    strip.fill(QColor(0xe0, 0xe4, 0xea));
    QPainter painter(&strip);
    int x = 0;
    for (int size : {16, 32, 64, 128}) {
        const QPixmap pm = icon.pixmap(size);
        save(pm.toImage(), QStringLiteral("icon-%1").arg(size));
        painter.drawPixmap(x, 0, pm);
        x += size + 10;
    }
    painter.end();
    save(strip, "icon-strip");
    save(enlarged(icon.pixmap(16).toImage(), 8), "icon-16@8x");
    save(enlarged(icon.pixmap(32).toImage(), 8), "icon-32@8x");
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/tavro-artwork");
    QDir().mkpath(g_out);
    saveTitle();
    save(Artwork::windowBackground(1.0).toImage(), "background@1x");
    save(Artwork::windowBackground(2.0).toImage(), "background@2x");
    saveCursors();
    saveIcon();
    return 0;
}
