// The window capture: twips to pixels, the two origins, the page rectangle
// of the save, what lies outside the window, and that it is the window's own
// image, not the screen's. Also run at a device pixel ratio of 2.

#include "output_fixture.h"

#include "app/output/capture.h"
#include "app/output/save_page.h"

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void pageRectangleIsThePaperAlone();
    void clientOriginLiesInsideTheFrame();
    void coveringWindowDoesNotShow();
};

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
    // The second run of these tests is at a ratio of 2 (see CMakeLists.txt).
    QCOMPARE(w.form->devicePixelRatioF(), qEnvironmentVariableIntValue("QT_SCALE_FACTOR") == 2 ? 2.0 : 1.0);
    w.form->ImgPaper->setBackColor(Qt::black);

    const QImage image = capturePage(*w.form).toImage();
    QCOMPARE(image.size(), QSize(619, 396));
    QCOMPARE(image.devicePixelRatio(), 1.0);
    QCOMPARE(pixelsNot(image, qRgb(0, 0, 0)), 0);

    // From the paper near the bottom-right corner to well past the window,
    // and all outside it: white there.
    const QImage past = Capture::CaptureWindowArea(*w.form, false, 500, 400, 300, 200).toImage();
    QCOMPARE(past.size(), QSize(300, 200));
    QCOMPARE(past.pixel(10, 10), qRgb(0, 0, 0));
    QCOMPARE(past.pixel(299, 199), qRgb(255, 255, 255));
    const QImage outside = Capture::CaptureWindowArea(*w.form, false, -400, -300, 50, 40).toImage();
    QCOMPARE(pixelsNot(outside, qRgb(255, 255, 255)), 0);
    // An empty rectangle gives no picture.
    QVERIFY(Capture::CaptureWindowArea(*w.form, false, 5, 95, -10, 10).isNull());
    QVERIFY(Capture::CaptureFormArea(*w.form, 5, 95, 150, 0).isNull());
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
