// A paper to try the ink by hand: a 621 x 398 window showing the top-left
// corner of a 9405 x 7410 paper below a grey bar, inked with the mouse or a
// pen, the way the program's window sets up its collector. Not a test.

#include "paper_fixture.h"

#include <QPixmap>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PaperWindow w(QSize(621, 448));
    w.window.setWindowTitle("Ink scratch paper");

    InkCollector collector;
    collector.SetWindow(w.paper);
    collector.SetAutoRedraw(false);
    collector.DefaultDrawingAttributes().SetWidth(50);
    collector.SetEventInterest(InkCollectorEventInterest::CursorDown, true);
    collector.SetEventInterest(InkCollectorEventInterest::NewPackets, true);
    QPixmap pen(16, 16);
    pen.fill(Qt::transparent);
    {
        QPainter p(&pen);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(2, 13), 2, 2);
    }
    collector.SetMouseIcon(QCursor(pen, 2, 13));
    collector.SetMousePointer(kMousePointerCustom);
    collector.SetWindowInputRectangle({0, 0, 7410, 9405});
    collector.SetEnabled(true);
    w.paper->drawInkOf(collector);

    // Every other stroke thicker and red, to see attributes at work.
    QObject::connect(&collector, &InkCollector::Stroke, [&](const InkCursor&, const InkStrokeDisp&, bool&) {
        InkDrawingAttributes& next = collector.DefaultDrawingAttributes();
        const bool red = next.Color() == 0;
        next.SetColor(red ? 0x0000FF : 0);
        next.SetWidth(red ? 150 : 50);
    });

    w.window.show();
    return app.exec();
}
