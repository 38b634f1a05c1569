// Moving the window by its title picture. The offscreen platform refuses a
// system move, so the window must follow the pointer by hand; only the left
// button alone drags.

#include "window_fixture.h"

class TestFormDrag : public QObject {
    Q_OBJECT
private slots:
    void drag_data();
    void drag();
};

void TestFormDrag::drag_data()
{
    QTest::addColumn<int>("pressed");   // Qt::MouseButton of the press
    QTest::addColumn<int>("held");      // Qt::MouseButtons during the moves
    QTest::addColumn<QPoint>("expectedShift");
    QTest::addColumn<bool>("onAButton");  // the middle pen's button, not a free part

    const QPoint by(40, 25);
    QTest::newRow("left alone") << int(Qt::LeftButton) << int(Qt::LeftButton) << by << false;
    QTest::newRow("right") << int(Qt::RightButton) << int(Qt::RightButton) << QPoint() << false;
    QTest::newRow("middle") << int(Qt::MiddleButton) << int(Qt::MiddleButton) << QPoint() << false;
    // Moves with the left button held after a press of the right one: the
    // drag starts only from a press of the left button alone.
    QTest::newRow("right, then the left") << int(Qt::RightButton) << int(Qt::LeftButton) << QPoint() << false;
    QTest::newRow("left and right") << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton) << QPoint()
                                    << false;
    QTest::newRow("left on a button") << int(Qt::LeftButton) << int(Qt::LeftButton) << QPoint() << true;
}

void TestFormDrag::drag()
{
    QFETCH(int, pressed);
    QFETCH(int, held);
    QFETCH(QPoint, expectedShift);
    QFETCH(bool, onAButton);

    WindowFixture f;
    QVERIFY(f.show());
    QWidget* bar = onAButton ? static_cast<QWidget*>(f.form->Image2) : f.form->Picture1;
    const QPoint start = f.form->pos();
    const QPoint at = onAButton ? QPoint(10, 10) : QPoint(400, 35);  // else a free part of the bar
    const QPoint screenAt = bar->mapToGlobal(at);
    const auto button = Qt::MouseButton(pressed);
    const auto buttons = Qt::MouseButtons(held);

    sendMouse(bar, QEvent::MouseButtonPress, button, button, at, screenAt);
    // The pointer goes right and down in steps; the press point stays under it.
    for (const QPoint step : {QPoint(3, 2), QPoint(10, 7), QPoint(40, 25)}) {
        const QPoint screen = screenAt + step;
        sendMouse(bar, QEvent::MouseMove, Qt::NoButton, buttons, screen - bar->mapToGlobal(QPoint()), screen);
    }
    sendMouse(bar, QEvent::MouseButtonRelease, button, Qt::NoButton, at, screenAt + QPoint(40, 25));
    QCOMPARE(f.form->pos(), start + expectedShift);

    // After the release, a move without a button leaves the window where it is.
    const QPoint now = f.form->pos();
    sendMouse(bar, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at, screenAt + QPoint(90, 90));
    QCOMPARE(f.form->pos(), now);
}

TAVRO_WINDOW_TEST_MAIN(TestFormDrag)
#include "tst_form_drag.moc"
