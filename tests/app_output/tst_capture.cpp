// The window capture: twips to pixels, the two origins, the page rectangle
// of the save, what lies outside the window, and that it is the window's own
// image, not the screen's. Also run at a device pixel ratio of 2.

#include "output_fixture.h"

#include "app/output/capture.h"
#include "app/output/save_page.h"

#include <QPainter>

#include <cmath>
#include <limits>

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void twipsBecomePixels_data();
    void twipsBecomePixels();
    void pageRectangleIsThePaperAlone();
    void largerRectangleTakesFrameAndTitle();
    void clientOriginLiesInsideTheFrame();
    void outsideTheWindowIsWhite();
    void emptyRectangleGivesNoPicture_data();
    void emptyRectangleGivesNoPicture();
    void inkShowsWhereItWasDrawn();
    void coveringWindowDoesNotShow();
};

void TestCapture::roundsHalfToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("928.5") << 928.5 << 928;
    QTest::newRow("929.5") << 929.5 << 930;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("1.51") << 1.51 << 2;
    QTest::newRow("huge") << 1e12 << std::numeric_limits<int32_t>::max();
    QTest::newRow("NaN") << std::nan("") << 0;
}

void TestCapture::roundsHalfToEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(Capture::roundHalfEven(value), expected);
}

void TestCapture::twipsBecomePixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::newRow("width at 96") << 9285 << 96.0 << 619;
    QTest::newRow("height at 96") << 5940 << 96.0 << 396;
    QTest::newRow("width at 120") << 9285 << 120.0 << 774;  // 773.75
    QTest::newRow("height at 120") << 5940 << 120.0 << 495;
    QTest::newRow("width at 144, a half") << 9285 << 144.0 << 928;  // 928.5
    QTest::newRow("7 twips at 96, under half") << 7 << 96.0 << 0;  // 0.47
    QTest::newRow("8 twips at 96, over half") << 8 << 96.0 << 1;
}

void TestCapture::twipsBecomePixels()
{
    QFETCH(int, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(Capture::twipsToPixels(twips, dpi), pixels);
}

namespace {

Picture capturePage(InkWrite& form)
{
    return Capture::CaptureFormArea(form, SavePage::kCaptureLeft, SavePage::captureTop(form.Picture1->height()),
                                    SavePage::kCaptureWidthTwips, SavePage::kCaptureHeightTwips);
}

int pixelsNot(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) | 0xFF000000) != (colour | 0xFF000000);
    return count;
}

}  // namespace

// With a black paper, the page rectangle holds nothing but paper: it starts
// 2 pixels into the paper and ends at the client area's right and bottom
// edges, so no frame and no title picture get in.
void TestCapture::pageRectangleIsThePaperAlone()
{
    OutputWindow w;
    QVERIFY(w.show());
    QCOMPARE(w.form->logicalDpiX(), 96);
    QCOMPARE(w.form->logicalDpiY(), 96);
    // The second run of these tests is at a ratio of 2 (see CMakeLists.txt).
    QCOMPARE(w.form->devicePixelRatioF(), qEnvironmentVariableIntValue("QT_SCALE_FACTOR") == 2 ? 2.0 : 1.0);
    w.form->ImgPaper->setBackColor(Qt::black);

    const Picture page = capturePage(*w.form);
    QVERIFY(page.isRaster());
    QCOMPARE(page.size(), QSize(619, 396));
    const QImage image = page.toImage();
    QCOMPARE(image.size(), QSize(619, 396));
    QCOMPARE(image.devicePixelRatio(), 1.0);
    QCOMPARE(pixelsNot(image, qRgb(0, 0, 0)), 0);
}

// The paper shows from (3, 93) of the window, 621 x 398: all black there;
// one row or column more on any side takes frame or title picture.
void TestCapture::largerRectangleTakesFrameAndTitle()
{
    OutputWindow w;
    QVERIFY(w.show());
    w.form->ImgPaper->setBackColor(Qt::black);

    QCOMPARE(pixelsNot(Capture::CaptureWindowArea(*w.form, false, 3, 93, 621, 398).toImage(), qRgb(0, 0, 0)), 0);
    const QRect beside[] = {
        {3, 92, 621, 1},    // the title picture's last row
        {2, 93, 1, 398},    // the frame, left
        {624, 93, 1, 398},  // the frame, right
        {3, 491, 621, 1},   // the frame, bottom
    };
    for (const QRect& r : beside) {
        const QImage strip = Capture::CaptureWindowArea(*w.form, false, r.x(), r.y(), r.width(), r.height()).toImage();
        QCOMPARE(strip.size(), r.size());
        QVERIFY2(pixelsNot(strip, qRgb(0, 0, 0)) > r.width() * r.height() / 2,
                 qPrintable(QStringLiteral("%1,%2").arg(r.x()).arg(r.y())));
    }
}

void TestCapture::clientOriginLiesInsideTheFrame()
{
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(150);

    const QImage fromFrame = Capture::CaptureWindowArea(*w.form, false, 5, 95, 619, 396).toImage();
    const QImage fromClient = Capture::CaptureWindowArea(*w.form, true, 2, 92, 619, 396).toImage();
    const QImage shifted = Capture::CaptureWindowArea(*w.form, true, 5, 95, 619, 396).toImage();
    QCOMPARE(fromClient, fromFrame);
    QVERIFY(shifted != fromFrame);
    QCOMPARE(capturePage(*w.form).toImage(), fromFrame);
}

void TestCapture::outsideTheWindowIsWhite()
{
    OutputWindow w;
    QVERIFY(w.show());
    w.form->ImgPaper->setBackColor(Qt::black);

    // From the paper near the bottom-right corner to well past the window.
    const QImage image = Capture::CaptureWindowArea(*w.form, false, 500, 400, 300, 200).toImage();
    QCOMPARE(image.size(), QSize(300, 200));
    QCOMPARE(image.pixel(10, 10), qRgb(0, 0, 0));      // paper
    QCOMPARE(image.pixel(299, 199), qRgb(255, 255, 255));  // beyond the window
    QCOMPARE(image.pixel(150, 10), qRgb(255, 255, 255));   // right of it
    QCOMPARE(image.pixel(10, 150), qRgb(255, 255, 255));   // below it

    const QImage allOutside = Capture::CaptureWindowArea(*w.form, false, -400, -300, 50, 40).toImage();
    QCOMPARE(pixelsNot(allOutside, qRgb(255, 255, 255)), 0);
}

void TestCapture::emptyRectangleGivesNoPicture_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("no width") << 0 << 10;
    QTest::newRow("no height") << 10 << 0;
    QTest::newRow("negative") << -10 << 10;
}

void TestCapture::emptyRectangleGivesNoPicture()
{
    QFETCH(int, width);
    QFETCH(int, height);
    OutputWindow w;
    QVERIFY(Capture::CaptureWindowArea(*w.form, false, 5, 95, width, height).isNull());
    QVERIFY(Capture::CaptureFormArea(*w.form, 5, 95, width * 15, height * 15).isNull());
}

void TestCapture::inkShowsWhereItWasDrawn()
{
    OutputWindow w;
    QVERIFY(w.show());
    w.drawRow(120);
    const QImage page = capturePage(*w.form).toImage();
    QVERIFY(showsRow(page, 120));
    QVERIFY(blankRow(page, 200));
}

// A screen grab would take the window lying on top; the capture renders the
// window itself.
void TestCapture::coveringWindowDoesNotShow()
{
    OutputWindow w;
    QVERIFY(w.show());
    QWidget cover;
    cover.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    cover.setAutoFillBackground(true);
    QPalette palette = cover.palette();
    palette.setColor(QPalette::Window, Qt::red);
    cover.setPalette(palette);
    cover.setGeometry(w.form->geometry());
    cover.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cover));

    const QImage page = capturePage(*w.form).toImage();
    QCOMPARE(pixelsNot(page, qRgb(255, 255, 255)), 0);
}

TAVRO_WINDOW_TEST_MAIN(TestCapture)
#include "tst_capture.moc"
