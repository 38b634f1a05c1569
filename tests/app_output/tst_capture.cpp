// The window capture: twips to pixels, the page rectangle
// of the save, what lies outside the window, and that it is the window's own
// image, not the screen's. Also run at scale factors 1.25, 1.5 and 2.

#include "output_fixture.h"
#include "tests/ink_qt/render_helpers.h"

#include "app/output/capture.h"

#include <QBackingStore>

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void pageRectangleIsThePaperAlone();
    void pageIsWhatTheScreenShows();
    void coveringWindowDoesNotShow();
};

namespace {

// The page as the save takes it: captured as the pointer moves over its button.
QImage capturePage(OutputWindow& w)
{
    w.hoverSave();
    return w.form->Picture2->picture().toImage();
}

int pixelsNot(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) | 0xFF000000) != (colour | 0xFF000000);
    return count;
}

// The page in device pixels at each scale the tests run at (see
// CMakeLists.txt): the twips at the screen's own twips per pixel.
QSize pageSize()
{
    const QMap<QString, QSize> sizes{
        {"", {619, 396}}, {"1.25", {774, 495}}, {"1.5", {928, 594}}, {"2", {1238, 792}}};
    return sizes.value(qEnvironmentVariable("QT_SCALE_FACTOR"));
}

}  // namespace

// With a black paper, the page rectangle holds nothing but paper: it starts
// 2 pixels into the paper and ends at the client area's right and bottom
// edges, so no frame and no title picture get in.
void TestCapture::pageRectangleIsThePaperAlone()
{
    OutputWindow w;
    QVERIFY(w.show());
    QVERIFY(pageSize().isValid());
    w.form->ImgPaper->setBackColor(Qt::black);

    const QImage image = capturePage(w);
    QCOMPARE(image.size(), pageSize());
    QCOMPARE(image.devicePixelRatio(), 1.0);
    QCOMPARE(pixelsNot(image, qRgb(0, 0, 0)), 0);

    // From the paper near the bottom-right corner to well past the window:
    // white there.
    const QImage past = Capture::CaptureWindowArea(*w.form, false, 500, 400, 800, 600).toImage();
    QCOMPARE(past.size(), QSize(800, 600));
    QCOMPARE(past.pixel(10, 10), qRgb(0, 0, 0));
    QCOMPARE(past.pixel(799, 599), qRgb(255, 255, 255));
}

// The page holds the ink where the screen shows it, and a stroke shows in
// the same pixels while it is drawn and once it is done.
void TestCapture::pageIsWhatTheScreenShows()
{
    OutputWindow w;
    QVERIFY(w.show());
    const QSize page = pageSize();
    const double ratio = w.form->devicePixelRatioF();
    const QPoint corner(Capture::roundHalfEven(5 * ratio), Capture::roundHalfEven(95 * ratio));
    // What the window shows: its backing store, which is an image here.
    const auto shown = [&] {
        QCoreApplication::processEvents();
        const QPaintDevice* store = w.form->backingStore()->paintDevice();
        QImage image = store->devType() == QInternal::Image ? *static_cast<const QImage*>(store) : QImage();
        image.setDevicePixelRatio(1.0);
        return image.copy(QRect(corner, page)).convertToFormat(QImage::Format_RGB32);
    };
    sendMouse(w.form->ImgPaper, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(100, 150));
    sendMouse(w.form->ImgPaper, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(300, 157));
    const QImage drawing = shown();
    sendMouse(w.form->ImgPaper, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(300, 157));
    // The same pixels, but for rounding where the two are computed from
    // differently placed origins.
    QVERIFY(largestDifference(shown(), drawing) <= 2);

    const QImage captured = capturePage(w);
    QVERIFY(pixelsNot(captured, qRgb(255, 255, 255)) > 0);
    QCOMPARE(captured, shown());
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

    const QImage page = capturePage(w);
    QCOMPARE(pixelsNot(page, qRgb(255, 255, 255)), 0);
}

TAVRO_WINDOW_TEST_MAIN(TestCapture)
#include "tst_capture.moc"
