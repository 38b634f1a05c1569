// The renderer drawing strokes stroke by stroke: colour, caps, joins,
// transparency, pressure widths, at known pixels; straight onto pixels, and
// recorded as vectors first (a printer's way) and played back. And the
// conversions' limits.

#include "platform/ink/ink_renderer.h"
#include "platform/ink/ink_units.h"
#include "render_helpers.h"

#include <QPainter>
#include <QPicture>
#include <QTest>
#include <QWidget>

#include <limits>

namespace {

constexpr int32_t kRed = 0x0000FF;
const QRgb kWhite = qRgb(255, 255, 255);
const std::vector<InkPacket> kLine = pixelStroke({{20, 30}, {80, 30}});

// The strokes drawn on a white 100 x 60 picture.
QImage draw(const std::vector<std::pair<std::vector<InkPacket>, InkDrawingAttributes>>& strokes,
            bool asVectors = false)
{
    InkDisp ink;
    for (const auto& [packets, attributes] : strokes)
        ink.CreateStroke(packets, attributes);
    QImage image = blankPicture(QSize(100, 60));
    QPainter painter(&image);
    InkRenderer renderer;
    if (asVectors) {
        QPicture recording;
        QPainter recorder(&recording);
        renderer.Draw(recorder, ink.Strokes());
        recorder.end();
        painter.drawPicture(0, 0, recording);
    } else {
        renderer.Draw(painter, ink.Strokes());
    }
    return image;
}

QImage drawOne(const std::vector<InkPacket>& packets, const InkDrawingAttributes& attributes, bool asVectors = false)
{
    return draw({{packets, attributes}}, asVectors);
}

}  // namespace

class TestInkRenderer : public QObject {
    Q_OBJECT
private slots:
    void capsAndWidths_data()
    {
        QTest::addColumn<bool>("asVectors");
        QTest::addColumn<int>("pressure");
        QTest::addColumn<bool>("ignorePressure");
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<bool>("inked");
        // A line from (20, 30) to (80, 30), nominal width 20 pixels: half
        // widths 5 (least pressure), 10 (the mouse), 15 (most).
        const int mouse = kInkMousePressure;
        for (bool vectors : {false, true}) {
            auto row = [&](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(QString(vectors ? "vectors: " : "pixels: ") + name)) << vectors;
            };
            row("mouse inside its width") << mouse << false << QPoint(50, 38) << true;
            row("mouse draws the nominal width") << mouse << false << QPoint(50, 42) << false;
            row("round cap at the end") << mouse << false << QPoint(87, 30) << true;
            row("corner beyond a round cap") << mouse << false << QPoint(88, 38) << false;
            row("full pressure is half again as wide") << int(kInkMaxPressure) << false << QPoint(50, 43) << true;
            row("full pressure stops there") << int(kInkMaxPressure) << false << QPoint(50, 47) << false;
            row("least pressure is half as wide") << 0 << false << QPoint(50, 37) << false;
            row("ignored pressure") << int(kInkMaxPressure) << true << QPoint(50, 42) << false;
        }
    }
    void capsAndWidths()
    {
        QFETCH(bool, asVectors);
        QFETCH(int, pressure);
        QFETCH(bool, ignorePressure);
        QFETCH(QPoint, where);
        QFETCH(bool, inked);
        InkDrawingAttributes attributes = pixelAttributes(kRed, 20);
        attributes.SetIgnorePressure(ignorePressure);
        const QImage image = drawOne(pixelStroke({{20, 30}, {80, 30}}, pressure), attributes, asVectors);
        QCOMPARE(image.pixel(where) != kWhite, inked);
        QCOMPARE(image.pixel(50, 30), qRgb(255, 0, 0));  // red is the low byte
    }

    void joinsDotsAndOrder()
    {
        // An L: the outer corner of a round join stays empty, a mitre would fill it.
        const QImage l = drawOne(pixelStroke({{20, 20}, {60, 20}, {60, 50}}), pixelAttributes(kRed, 12));
        QCOMPARE(l.pixel(60, 20), qRgb(255, 0, 0));
        QCOMPARE(l.pixel(65, 15), kWhite);
        // A single touch leaves a round dot of the pen's width.
        const QImage dot = drawOne(pixelStroke({{50, 30}}), pixelAttributes(kRed, 10));
        QCOMPARE(dot.pixel(53, 30), qRgb(255, 0, 0));
        QCOMPARE(dot.pixel(57, 30), kWhite);
        // Pressure from none to full: the width grows along the stroke.
        std::vector<InkPacket> packets = kLine;
        packets[0].pressure = 0;
        packets[1].pressure = kInkMaxPressure;
        const QImage growing = drawOne(packets, pixelAttributes(kRed, 20));
        QCOMPARE(growing.pixel(25, 30 + 9), kWhite);    // thin end: half width about 5
        QVERIFY(growing.pixel(75, 30 + 12) != kWhite);  // thick end: about 15
        // Later strokes go on top; colours are packed red + 256 green + 65536 blue.
        const QImage both = draw({{kLine, pixelAttributes(kRed, 10)},
                                  {pixelStroke({{50, 10}, {50, 50}}), pixelAttributes(0xFF8000, 10)}});
        QCOMPARE(both.pixel(50, 30), qRgb(0, 0x80, 0xFF));
    }

    // The thin pen (10 ink units, a third of a pixel) must still draw in its
    // own colour: it once faded to a light grey. Upright from part-way into a
    // pixel: its bounds hold a row it misses (once an out-of-range
    // conversion, seen under the sanitizers).
    void thinPenKeepsItsColour()
    {
        InkDrawingAttributes thin;
        thin.SetWidth(10.0f);
        const QImage upright = drawOne(pixelStroke({{50, 10.7}, {50, 50.7}}), thin);
        QVERIFY(qGray(upright.pixel(50, 30)) <= 40);
        QCOMPARE(upright.pixel(52, 30), kWhite);
    }

    void translucentStrokeBlendsOnce_data()
    {
        QTest::addColumn<int>("transparency");
        QTest::addColumn<bool>("pressureVaries");
        QTest::addColumn<bool>("asVectors");
        QTest::newRow("opaque") << 0 << false << false;
        QTest::newRow("half, even width") << 128 << false << false;
        QTest::newRow("half, pressure widths") << 128 << true << false;
        QTest::newRow("half, vectors, pressure widths") << 128 << true << true;
        QTest::newRow("invisible") << 255 << false << false;
    }
    void translucentStrokeBlendsOnce()
    {
        // The stroke goes out and comes back over itself: where it doubles
        // up it must look exactly like where it does not. Red over white
        // keeps red at 255 and takes green and blue from the transparency.
        QFETCH(int, transparency);
        QFETCH(bool, pressureVaries);
        QFETCH(bool, asVectors);
        std::vector<InkPacket> packets = pixelStroke({{10, 30}, {90, 30}, {50, 31}, {40, 30}});
        for (size_t i = 0; i < packets.size() && pressureVaries; ++i)
            packets[i].pressure = 300 + 200 * static_cast<int32_t>(i);
        const QImage image = drawOne(packets, pixelAttributes(kRed, 10, transparency), asVectors);
        const QRgb pixel = image.pixel(70, 30);
        QCOMPARE(pixel, image.pixel(25, 30));
        QCOMPARE(qRed(pixel), 255);
        QVERIFY2(std::abs(qGreen(pixel) - transparency) <= 1, qPrintable(QString::number(qGreen(pixel))));
        if (transparency == 255)
            QCOMPARE(image, blankPicture(QSize(100, 60)));
    }

    // Other resolutions convert with their own (63.5 up to even 64); what
    // cannot be converted fails and changes nothing.
    void conversions()
    {
        QCOMPARE(ink_units::pixelsToInk(3, 120), 64);
        QCOMPARE(ink_units::inkToPixels(2540, 144), 144);
        QWidget widget;
        int32_t x = 5;
        int32_t y = std::numeric_limits<int32_t>::max();
        QVERIFY_THROWS_EXCEPTION(PlatformError, InkRenderer().PixelToInkSpace(&widget, x, y));
        QVERIFY(x == 5 && y == std::numeric_limits<int32_t>::max());
        QVERIFY_THROWS_EXCEPTION(PlatformError, InkRenderer().InkSpaceToPixel(nullptr, x, y));
        QCOMPARE(ink_units::roundHalfEven(-2147483648.5), std::numeric_limits<int32_t>::min());  // even, and in range
        InkDisp ink;
        ink.CreateStroke(kLine, pixelAttributes(kRed, 10));
        const InkStrokes stale = ink.Strokes();
        ink.DeleteStrokes();
        QImage image = blankPicture(QSize(100, 60));
        QPainter painter(&image);
        QVERIFY_THROWS_EXCEPTION(PlatformError, InkRenderer().Draw(painter, stale));
    }
};

QTEST_MAIN(TestInkRenderer)
#include "tst_ink_renderer.moc"
