// The renderer drawing strokes stroke by stroke: colour, caps, transparency,
// pressure widths, at known pixels.

#include "platform/ink/ink_renderer.h"
#include "render_helpers.h"

#include <QPicture>
#include <QTest>

namespace {

constexpr int32_t kRed = 0x0000FF;
const QRgb kWhite = qRgb(255, 255, 255);

// Draws the ink of one stroke on a white 100 x 60 picture: straight onto
// its pixels, or recorded as vectors first (a printer's way) and played back.
QImage drawOne(const std::vector<InkPacket>& packets, const InkDrawingAttributes& attributes,
               bool asVectors = false)
{
    InkDisp ink;
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

}  // namespace

class TestInkRenderer : public QObject {
    Q_OBJECT
private slots:
    void packedColour_data()
    {
        QTest::addColumn<int>("packed");
        QTest::addColumn<QRgb>("expected");
        QTest::newRow("black, the default") << 0 << qRgb(0, 0, 0);
        QTest::newRow("red is the low byte") << 0x0000FF << qRgb(255, 0, 0);
        QTest::newRow("green times 256") << 0x00FF00 << qRgb(0, 255, 0);
        QTest::newRow("blue times 65536") << 0xFF0000 << qRgb(0, 0, 255);
        QTest::newRow("mixed") << (0x12 + 256 * 0x34 + 65536 * 0x56) << qRgb(0x12, 0x34, 0x56);
    }
    void packedColour()
    {
        QFETCH(int, packed);
        QFETCH(QRgb, expected);
        const QImage image = drawOne(pixelStroke({{20, 30}, {80, 30}}), pixelAttributes(packed, 10));
        QCOMPARE(image.pixel(50, 30), expected);
    }

    void inkAtKnownPlaces_data()
    {
        QTest::addColumn<bool>("asVectors");
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<bool>("inked");
        for (bool vectors : {false, true}) {
            const char* way = vectors ? "vectors: " : "pixels: ";
            auto row = [&](const char* name) -> QTestData& { return QTest::newRow(qPrintable(QString(way) + name)) << vectors; };
            row("middle of the line") << QPoint(50, 30) << true;
            row("inside the width") << QPoint(50, 33) << true;
            row("past the width") << QPoint(50, 37) << false;
            row("round cap at the start") << QPoint(17, 30) << true;
            row("beyond the start cap") << QPoint(13, 30) << false;
            row("round cap at the end") << QPoint(83, 30) << true;
            row("corner beyond a round cap") << QPoint(84, 34) << false;
            row("far away") << QPoint(50, 5) << false;
        }
    }
    void inkAtKnownPlaces()
    {
        QFETCH(bool, asVectors);
        QFETCH(QPoint, where);
        QFETCH(bool, inked);
        const QImage image = drawOne(pixelStroke({{20, 30}, {80, 30}}), pixelAttributes(kRed, 10), asVectors);
        QCOMPARE(image.pixel(where) != kWhite, inked);
        if (inked && where == QPoint(50, 30))
            QCOMPARE(image.pixel(where), qRgb(255, 0, 0));
    }

    void roundJoinKeepsCornersRound()
    {
        // An L: the outer corner of a round join stays empty, a mitre would fill it.
        const QImage image = drawOne(pixelStroke({{20, 20}, {60, 20}, {60, 50}}), pixelAttributes(kRed, 12));
        QCOMPARE(image.pixel(60, 20), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(65, 15), kWhite);
    }

    void singleTouchLeavesADot()
    {
        const QImage image = drawOne(pixelStroke({{50, 30}}), pixelAttributes(kRed, 10));
        QCOMPARE(image.pixel(50, 30), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(53, 30), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(57, 30), kWhite);
    }

    void transparency_data()
    {
        QTest::addColumn<int>("transparency");
        QTest::addColumn<int>("greenAndBlue");  // red over white keeps red at 255
        QTest::newRow("opaque") << 0 << 0;
        QTest::newRow("half") << 128 << 128;
        QTest::newRow("invisible") << 255 << 255;
    }
    void transparency()
    {
        QFETCH(int, transparency);
        QFETCH(int, greenAndBlue);
        const QImage image = drawOne(pixelStroke({{20, 30}, {80, 30}}), pixelAttributes(kRed, 10, transparency));
        const QRgb pixel = image.pixel(50, 30);
        QCOMPARE(qRed(pixel), 255);
        QVERIFY2(std::abs(qGreen(pixel) - greenAndBlue) <= 1, qPrintable(QString::number(qGreen(pixel))));
        if (transparency == 255)
            QCOMPARE(image, blankPicture(QSize(100, 60)));
    }

    void translucentStrokeBlendsOnce_data()
    {
        QTest::addColumn<bool>("pressureVaries");
        QTest::addColumn<bool>("asVectors");
        QTest::newRow("even width") << false << false;
        QTest::newRow("pressure widths") << true << false;
        QTest::newRow("vectors, even width") << false << true;
        QTest::newRow("vectors, pressure widths") << true << true;
    }
    void translucentStrokeBlendsOnce()
    {
        // The stroke goes out and comes back over itself: where it doubles
        // up it must look exactly like where it does not.
        QFETCH(bool, pressureVaries);
        QFETCH(bool, asVectors);
        std::vector<InkPacket> packets = pixelStroke({{10, 30}, {90, 30}, {50, 31}, {40, 30}});
        if (pressureVaries) {
            for (size_t i = 0; i < packets.size(); ++i)
                packets[i].pressure = 300 + 200 * static_cast<int32_t>(i);
        }
        const QImage image = drawOne(packets, pixelAttributes(kRed, 10, 128), asVectors);
        QCOMPARE(image.pixel(70, 30), image.pixel(25, 30));
        QVERIFY(image.pixel(70, 30) != kWhite);
    }

    void pressureWidths_data()
    {
        QTest::addColumn<bool>("asVectors");
        QTest::addColumn<int>("pressure");
        QTest::addColumn<bool>("ignorePressure");
        QTest::addColumn<int>("offset");  // pixels from the centre line
        QTest::addColumn<bool>("inked");
        // Nominal width 20 pixels: half widths 5 (least pressure), 10, 15 (most).
        for (bool vectors : {false, true}) {
            const char* way = vectors ? "vectors: " : "pixels: ";
            auto row = [&](const char* name) -> QTestData& { return QTest::newRow(qPrintable(QString(way) + name)) << vectors; };
            row("mouse inside its width") << int(kInkMousePressure) << false << 8 << true;
            row("mouse draws the nominal width") << int(kInkMousePressure) << false << 12 << false;
            row("full pressure is half again as wide") << int(kInkMaxPressure) << false << 13 << true;
            row("full pressure stops there") << int(kInkMaxPressure) << false << 17 << false;
            row("least pressure is half as wide") << 0 << false << 7 << false;
            row("least pressure still draws") << 0 << false << 3 << true;
            row("ignored pressure") << int(kInkMaxPressure) << true << 12 << false;
        }
    }
    void pressureWidths()
    {
        QFETCH(bool, asVectors);
        QFETCH(int, pressure);
        QFETCH(bool, ignorePressure);
        QFETCH(int, offset);
        QFETCH(bool, inked);
        InkDrawingAttributes attributes = pixelAttributes(kRed, 20);
        attributes.SetIgnorePressure(ignorePressure);
        const QImage image = drawOne(pixelStroke({{20, 30}, {80, 30}}, pressure), attributes, asVectors);
        QCOMPARE(image.pixel(50, 30 + offset) != kWhite, inked);
    }

    void widthFollowsPressureAlongTheStroke()
    {
        InkDrawingAttributes attributes = pixelAttributes(kRed, 20);
        std::vector<InkPacket> packets = pixelStroke({{20, 30}, {80, 30}});
        packets[0].pressure = 0;
        packets[1].pressure = kInkMaxPressure;
        const QImage image = drawOne(packets, attributes);
        QCOMPARE(image.pixel(25, 30 + 9), kWhite);           // thin end: half width about 5
        QVERIFY(image.pixel(75, 30 + 12) != kWhite);         // thick end: about 15
    }

    void drawsInOrder()
    {
        InkDisp ink;
        ink.CreateStroke(pixelStroke({{20, 30}, {80, 30}}), pixelAttributes(kRed, 10));
        ink.CreateStroke(pixelStroke({{50, 10}, {50, 50}}), pixelAttributes(0xFF0000, 10));
        QImage image = blankPicture(QSize(100, 60));
        QPainter painter(&image);
        InkRenderer().Draw(painter, ink.Strokes());
        QCOMPARE(image.pixel(50, 30), qRgb(0, 0, 255));
    }

    void detachedStrokeFails()
    {
        InkDisp ink;
        ink.CreateStroke(pixelStroke({{20, 30}, {80, 30}}), pixelAttributes(kRed, 10));
        const InkStrokes stale = ink.Strokes();
        ink.DeleteStrokes();
        QImage image = blankPicture(QSize(100, 60));
        QPainter painter(&image);
        QVERIFY_THROWS_EXCEPTION(PlatformError, InkRenderer().Draw(painter, stale));
    }
};

QTEST_MAIN(TestInkRenderer)
#include "tst_ink_renderer.moc"
