// Conversions between ink space and pixels: the renderer's in-place calls at
// the widget's resolution, and the rounding they share.

#include "platform/ink/ink_renderer.h"
#include "platform/ink/ink_units.h"

#include <QTest>
#include <QWidget>

#include <cmath>
#include <limits>

class TestInkUnits : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QWidget probe;
        if (probe.logicalDpiX() != 96 || probe.logicalDpiY() != 96)
            QSKIP("the screen's logical resolution is not 96 dpi");
    }

    void pixelToInk_data()
    {
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("ink");
        QTest::newRow("origin") << 0 << 0;
        QTest::newRow("one pixel is 26.458") << 1 << 26;
        QTest::newRow("52.92 up") << 2 << 53;
        QTest::newRow("79.375 down") << 3 << 79;
        QTest::newRow("317.5 half to even 318") << 12 << 318;
        QTest::newRow("952.5 half to even 952") << 36 << 952;
        QTest::newRow("-317.5 half to even") << -12 << -318;
        QTest::newRow("-952.5 half to even") << -36 << -952;
        QTest::newRow("one inch") << 96 << 2540;
        QTest::newRow("paper width") << 9405 << 248841;
        QTest::newRow("paper height") << 7410 << 196056;
    }
    void pixelToInk()
    {
        QFETCH(int, pixels);
        QFETCH(int, ink);
        QWidget widget;
        InkRenderer renderer;
        int32_t x = pixels;
        int32_t y = -pixels;
        renderer.PixelToInkSpace(&widget, x, y);
        QCOMPARE(x, ink);
        QCOMPARE(y, -ink);
    }

    void inkToPixel_data()
    {
        QTest::addColumn<int>("ink");
        QTest::addColumn<int>("pixels");
        QTest::newRow("origin") << 0 << 0;
        QTest::newRow("0.49 down") << 13 << 0;
        QTest::newRow("0.53 up") << 14 << 1;
        QTest::newRow("26 is one pixel") << 26 << 1;
        QTest::newRow("53 is two") << 53 << 2;
        QTest::newRow("-1.51 away from zero") << -40 << -2;
        QTest::newRow("one inch") << 2540 << 96;
        QTest::newRow("round trip of the paper width") << 248841 << 9405;
    }
    void inkToPixel()
    {
        QFETCH(int, ink);
        QFETCH(int, pixels);
        QWidget widget;
        InkRenderer renderer;
        int32_t x = ink;
        int32_t y = ink;
        renderer.InkSpaceToPixel(&widget, x, y);
        QCOMPARE(x, pixels);
        QCOMPARE(y, pixels);
    }

    void roundsHalfToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("just below a half") << 2.4999999 << 2;
        QTest::newRow("just above a half") << 2.5000001 << 3;
        QTest::newRow("largest") << 2147483647.4 << 2147483647;
        QTest::newRow("smallest") << -2147483648.5 << int(std::numeric_limits<int32_t>::min());
    }
    void roundsHalfToEven()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(ink_units::roundHalfEven(value), rounded);
    }

    void otherResolutions()
    {
        QCOMPARE(ink_units::pixelsToInk(3, 120), 64);   // 63.5
        QCOMPARE(ink_units::pixelsToInk(1, 120), 21);   // 21.17
        QCOMPARE(ink_units::inkToPixels(2540, 144), 144);
        QCOMPARE(ink_units::pixelsToInk(1.5, 96), 40);  // 39.69: the collector keeps sub-pixel positions
    }

    void failures_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
        QTest::newRow("past 32 bits") << 2147483647.5;
        QTest::newRow("below 32 bits") << -2147483649.0;
    }
    void failures()
    {
        QFETCH(double, value);
        try {
            ink_units::roundHalfEven(value);
            QFAIL("no failure raised");
        } catch (const PlatformError& e) {
            QCOMPARE(e.code(), PlatformErrorCode::InvalidArgument);
        }
    }

    void overflowLeavesThePointAlone()
    {
        QWidget widget;
        InkRenderer renderer;
        int32_t x = 5;
        int32_t y = std::numeric_limits<int32_t>::max();
        QVERIFY_THROWS_EXCEPTION(PlatformError, renderer.PixelToInkSpace(&widget, x, y));
        QCOMPARE(x, 5);
        QCOMPARE(y, std::numeric_limits<int32_t>::max());
    }

    void needsAWidget()
    {
        InkRenderer renderer;
        int32_t x = 1;
        int32_t y = 1;
        try {
            renderer.InkSpaceToPixel(nullptr, x, y);
            QFAIL("no failure raised");
        } catch (const PlatformError& e) {
            QCOMPARE(e.code(), PlatformErrorCode::NullReference);
        }
    }
};

QTEST_MAIN(TestInkUnits)
#include "tst_ink_units.moc"
