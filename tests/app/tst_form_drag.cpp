// Moving the window by its title picture. The offscreen platform refuses a
// system move, so the window must follow the pointer by hand; only the left
// button alone drags.

#include "window_fixture.h"

class TestFormDrag : public QObject {
    Q_OBJECT
private slots:
    void drag_data();
    void drag();
    void pressOnAButtonDoesNotDrag();
};

void TestFormDrag::drag_data()
{
    QTest::addColumn<int>("pressed");   // Qt::MouseButton of the press
    QTest::addColumn<int>("held");      // Qt::MouseButtons during the moves
    QTest::addColumn<QPoint>("expectedShift");

    const QPoint by(40, 25);
    QTest::newRow("left alone") << int(Qt::LeftButton) << int(Qt::LeftButton) << by;
    QTest::newRow("right") << int(Qt::RightButton) << int(Qt::RightButton) << QPoint();
    QTest::newRow("left and right") << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton) << QPoint();
    QTest::newRow("right then left") << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton) << QPoint();
}

void TestFormDrag::drag()
{
    QFETCH(int, pressed);
    QFETCH(int, held);
    QFETCH(QPoint, expectedShift);

    WindowFixture f;
    QVERIFY(f.show());
    QWidget* bar = f.form->Picture1;
    const QPoint start = f.form->pos();
    const QPoint at(400, 35);  // a free part of the title picture
    const QPoint screenAt = bar->mapToGlobal(at);
    const auto button = Qt::MouseButton(pressed);
    const auto buttons = Qt::MouseButtons(held);
    const bool otherFirst = QByteArray(QTest::currentDataTag()) == "right then left";

    sendMouse(bar, QEvent::MouseButtonPress, button, otherFirst ? buttons : Qt::MouseButtons(button), at, screenAt);
    // The pointer goes right and down in steps; the press point stays under it.
    QPoint moved;
    for (const QPoint step : {QPoint(3, 2), QPoint(10, 7), QPoint(40, 25)}) {
        const QPoint screen = screenAt + step;
        sendMouse(bar, QEvent::MouseMove, Qt::NoButton, buttons, screen - bar->mapToGlobal(QPoint()), screen);
        moved = step;
    }
    sendMouse(bar, QEvent::MouseButtonRelease, button, Qt::NoButton, at, screenAt + moved);
    QCOMPARE(f.form->pos(), start + expectedShift);

    // After the release, a move without a button leaves the window where it is.
    const QPoint now = f.form->pos();
    sendMouse(bar, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at, screenAt + QPoint(90, 90));
    QCOMPARE(f.form->pos(), now);
}

void TestFormDrag::pressOnAButtonDoesNotDrag()
{
    WindowFixture f;
    QVERIFY(f.show());
    const QPoint start = f.form->pos();
    QWidget* pen = f.form->Image2;
    const QPoint at(10, 10);
    sendMouse(pen, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    sendMouse(pen, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at + QPoint(30, 30));
    sendMouse(pen, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at + QPoint(30, 30));
    QCOMPARE(f.form->pos(), start);
}

TAVRO_WINDOW_TEST_MAIN(TestFormDrag)
#include "tst_form_drag.moc"
