// The artwork: every picture at its size and ratio, the drawings and colours
// under the tool bar's controls where the window places them, the cursors'
// hot spots and band colours, and the icon's sizes.

#include <QApplication>
#include <QTest>
#include <cmath>
#include <limits>

#include "app/shell/artwork.h"
#include "app/shell/layout.h"
#include "platform/platform_error.h"

using Artwork::CursorKind;

Q_DECLARE_METATYPE(CursorKind)

namespace {

// The tool bar's ground is a vertical gradient with nothing drawn at its far
// right above the swatch tray, so that column gives each row's background.
constexpr int emptyColumn = 618;
constexpr int trayTop = 59;

}  // namespace

class TestArtwork : public QObject {
    Q_OBJECT

    QImage m_title, m_title2x;

private slots:
    void initTestCase()
    {
        m_title = Artwork::titlePicture(1.0).toImage();
        m_title2x = Artwork::titlePicture(2.0).toImage();
    }

    void picturesHaveTheirSizeAtEveryRatio_data()
    {
        QTest::addColumn<int>("picture");  // 0 title, 1 background
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("title 1x") << 0 << 1.0 << QSize(620, 89);
        QTest::newRow("title 2x") << 0 << 2.0 << QSize(1240, 178);
        // 133.5 pixels high rounds up, so the picture still covers its box.
        QTest::newRow("title 1.5x") << 0 << 1.5 << QSize(930, 134);
        QTest::newRow("background 1.25x") << 1 << 1.25 << QSize(687, 655);
    }
    void picturesHaveTheirSizeAtEveryRatio()
    {
        QFETCH(int, picture);
        QFETCH(qreal, ratio);
        QFETCH(QSize, pixels);
        const QPixmap pixmap = picture == 0 ? Artwork::titlePicture(ratio) : Artwork::windowBackground(ratio);
        QCOMPARE(pixmap.size(), pixels);
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
        // Opaque from edge to edge: nothing of the window shows through.
        const QImage image = pixmap.toImage();
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                QVERIFY2(qAlpha(image.pixel(x, y)) == 255, qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
        for (qreal bad : {0.0, std::numeric_limits<qreal>::quiet_NaN(), Artwork::maxDevicePixelRatio * 2}) {
            QVERIFY_THROWS_EXCEPTION(PlatformError, Artwork::titlePicture(bad));
            QVERIFY_THROWS_EXCEPTION(PlatformError, Artwork::cursor(CursorKind::MiddlePen, bad));
        }
    }

    // Each control of the tool bar where the window places it: a swatch over
    // the colour it sets (but for two where the picture's paint strays from
    // the pen's colour), a paper spot over its paper's colour, a button over
    // its drawing.
    void controlsLieOverTheirDrawings_data()
    {
        QTest::addColumn<QRect>("spot");
        QTest::addColumn<QColor>("colour");  // invalid: a drawing
        for (const Layout::Control& c : Layout::kToolBarControls) {
            const int rgb = c.index >= 0 ? Layout::kSwatches[c.index].foreColor : 0;
            QColor colour = c.index == 4   ? QColor(0, 128, 255)
                            : c.index == 6 ? QColor(255, 0, 128)
                                           : QColor(rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16);
            if (c.tooltip)
                colour = QColor();
            else if (c.index < 0)
                colour = QByteArray(c.name) == "imgBackGColor_W" ? QColor(Qt::white) : QColor(0x22, 0x22, 0x22);
            QTest::addRow("%s %d", c.name, c.index) << Layout::toPixels(c.twips) << colour;
        }
    }
    void controlsLieOverTheirDrawings()
    {
        QFETCH(QRect, spot);
        QFETCH(QColor, colour);
        if (colour.isValid()) {
            // The centre and points 5 pixels either side, and the centre at
            // twice the ratio: a swatch moved by more than a few pixels, or
            // into its neighbour's place, fails here.
            const QPointF centre = QRectF(spot).center();
            QCOMPARE(m_title2x.pixelColor((centre * 2).toPoint()), colour);
            for (int dx : {-5, 0, 5})
                QCOMPARE(m_title.pixelColor(QPoint(int(centre.x()) + dx, int(centre.y()))), colour);
            return;
        }
        // Everything that stands out from the ground inside the spot, above the swatches.
        const QRect area = spot.intersected(QRect(0, 0, emptyColumn, trayTop));
        QRect drawn;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QRgb ground = m_title.pixel(emptyColumn, y);
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb p = m_title.pixel(x, y);
                if (std::max({std::abs(qRed(p) - qRed(ground)), std::abs(qGreen(p) - qGreen(ground)),
                              std::abs(qBlue(p) - qBlue(ground))}) > 24)
                    drawn |= QRect(x, y, 1, 1);
            }
        }
        const QPointF offset = QRectF(drawn).center() - QRectF(spot).center();
        QVERIFY2(std::abs(offset.x()) <= 4 && std::abs(offset.y()) <= 4,
                 qPrintable(QStringLiteral("drawing centred %1, %2 off").arg(offset.x()).arg(offset.y())));
        // A real drawing, not a stray mark.
        QVERIFY(drawn.width() * drawn.height() >= area.width() * area.height() * 3 / 10);
    }

    void cursors_data()
    {
        QTest::addColumn<CursorKind>("kind");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("band");  // a pen's: 0 yellow, 1 green, 2 red; -1 none
        const std::tuple<CursorKind, const char*, int> kinds[] = {
            {CursorKind::ThinPen, "thin pen", 0}, {CursorKind::MiddlePen, "middle pen", 1},
            {CursorKind::ThickPen, "thick pen", 2}, {CursorKind::Eraser, "eraser", -1},
            {CursorKind::EraserButton, "eraser button", -1}, {CursorKind::Arrow, "arrow", -1},
            {CursorKind::Hand, "hand", -1}};
        for (const auto& [kind, name, band] : kinds)
            for (qreal ratio : {1.0, 2.0})
                QTest::addRow("%s %gx", name, ratio) << kind << ratio << band;
    }
    void cursors()
    {
        QFETCH(CursorKind, kind);
        QFETCH(qreal, ratio);
        QFETCH(int, band);
        const QCursor cursor = Artwork::cursor(kind, ratio);
        QCOMPARE(cursor.pixmap().size(), QSize(32, 32) * ratio);
        QCOMPARE(cursor.pixmap().devicePixelRatio(), ratio);
        // The hot spot (offscreen, as on Wayland, in logical pixels) is on the
        // drawing (the pen's tip, the arrow's point), not in the empty part of
        // the square.
        const QPoint hotSpot = cursor.hotSpot();
        const QImage image = cursor.pixmap().toImage();
        const QRect around(hotSpot * ratio - QPoint(1, 1), QSize(2 + int(ratio), 2 + int(ratio)));
        int opaque = 0;
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x)
                opaque += image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) >= 128;
        QVERIFY2(opaque > 0, "nothing drawn at the hot spot");
        if (band < 0 || ratio != 1.0)
            return;
        // A pen shows its band: counts the clearly coloured pixels of each hue.
        int counts[4] = {};  // yellow, green, red, other
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                const int hue = c.hsvHue();
                if (c.alpha() >= 200 && c.hsvSaturationF() >= 0.5 && c.valueF() >= 0.45)
                    ++counts[hue >= 38 && hue <= 62 ? 0 : hue >= 100 && hue <= 160 ? 1 : hue <= 12 || hue >= 348 ? 2 : 3];
            }
        for (int range = 0; range < 3; ++range)
            QVERIFY2(range == band ? counts[range] >= 12 : counts[range] < 3, qPrintable(QString::number(counts[range])));
    }

    void hotSpotsAreScaledOnlyWhereThePlatformWantsDevicePixels()
    {
        // X11 takes the hot spot in the picture's own pixels; the others scale it.
        QCOMPARE(Artwork::platformHotSpot(QPoint(1, 30), 2.0, u"xcb"), QPoint(2, 60));
        QCOMPARE(Artwork::platformHotSpot(QPoint(1, 30), 1.5, u"xcb"), QPoint(2, 45));
        QCOMPARE(Artwork::platformHotSpot(QPoint(1, 30), 2.0, u"wayland"), QPoint(1, 30));
    }

    void iconHasItsSizesAndScales()
    {
        const QIcon icon = Artwork::appIcon();
        for (int size : {16, 32}) {
            QVERIFY(icon.availableSizes().contains(QSize(size, size)));  // the window manager picks from these
            const QImage image = icon.pixmap(size).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);  // drawn, not blank
        }
        // Drawn at the ratio asked for, so it stays sharp on a HiDPI screen.
        const QPixmap sharp = icon.pixmap(QSize(32, 32), 2.0);
        QCOMPARE(sharp.size(), QSize(64, 64));
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
