// Pen buttons, swatches and paper colours, the pen's width and colour; the
// modes and the cursor each one shows.

#include "ink_fixture.h"

#include "app/ink/ink_settings.h"

#include <QVariant>

#include <cstdlib>

namespace {
PictureBox* holder(InkWrite& form, int pen)
{
    PictureBox* holders[] = {nullptr, form.picPen1, form.picPen2, form.picPen3, form.picPen4};
    return holders[pen];
}
}  // namespace

class TestPensAndModes : public QObject {
    Q_OBJECT
private slots:
    void penButtons_data();
    void penButtons();
    void controls_data();
    void controls();
};

void TestPensAndModes::penButtons_data()
{
    QTest::addColumn<int>("button");  // 1 to 3: Image1 to Image3
    QTest::addColumn<int>("startMode");
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("fullRows");  // of a line drawn with the mouse
    QTest::newRow("thin, from intersection erase") << 1 << 3 << 10.0f << 1;
    QTest::newRow("middle, from stroke erase") << 2 << 4 << 50.0f << 2;
    QTest::newRow("thick, from a mode outside 1 to 4") << 3 << 9 << 100.0f << 4;
}

void TestPensAndModes::penButtons()
{
    QFETCH(int, button);
    QFETCH(int, startMode);
    QFETCH(float, width);
    QFETCH(int, fullRows);
    InkFixture f;
    QVERIFY(f.show());
    f.form->UpdateApplicationMode(int16_t(startMode));
    HotSpot* buttons[] = {f.form->Image1, f.form->Image2, f.form->Image3};
    // The pen is set before the mode's repaint, so the cursor that follows is
    // the new pen's.
    QList<float> widthsAtPaint;
    QObject::connect(f.paper(), &PictureBox::Paint, [&](QPainter&, const QRect&) {
        widthsAtPaint << f.collector().DefaultDrawingAttributes().Width();
    });
    for (int twice = 0; twice < 2; ++twice) {
        click(buttons[button - 1]);
        QCOMPARE(f.collector().DefaultDrawingAttributes().Width(), width);
        QCOMPARE(f.form->applicationMode(), InkSettings::kModeInk);
        QVERIFY(f.collector().Enabled());
        QCOMPARE(f.collector().MousePointer(), kMousePointerCustom);
        QVERIFY(f.collector().MouseIcon() == holder(*f.form, button)->mouseIcon());
        QVERIFY(f.paper()->cursor() == holder(*f.form, button)->mouseIcon());
    }
    QVERIFY(!widthsAtPaint.isEmpty());
    QCOMPARE(widthsAtPaint.front(), width);
    QVERIFY(f.messageBox.calls().isEmpty());

    // Across a line drawn with the mouse, the ink covers whole rows in its
    // full colour, the pointer's own row or column among them: centred on it
    // for an odd number of rows, on its edge above or left for an even one.
    f.drag({QPoint(100, 200), QPoint(180, 200), QPoint(300, 200)});
    f.drag({QPoint(400, 100), QPoint(400, 180), QPoint(400, 300)});
    const QImage shot = f.shot();
    for (const auto& [on, across] : {std::pair(QPoint(200, 200), QPoint(0, 1)), std::pair(QPoint(400, 200), QPoint(1, 0))}) {
        const auto grey = [&](int k) { return qGray(shot.pixel(on + across * k)); };
        QVERIFY(grey(0) <= 8);
        int full = 0;
        for (int k = -4; k <= 4; ++k) {
            full += grey(k) <= 8;
            const int mirror = fullRows % 2 ? -k : -1 - k;
            QVERIFY2(std::abs(grey(k) - grey(mirror)) <= 8, qPrintable(QString::number(k)));
        }
        QCOMPARE(full, fullRows);
    }
}

// Steps through the window's own calls and controls, separated by ";":
// "mode N", "ink", "width N", "colour VALUE" (a number, "'text'" or
// "none"), "swatch N", "paper black|white". Then the mode, whether the
// collector draws, the pen whose cursor shows (4: the eraser's), the pen's
// width and colour, and how many steps were refused. Each mode change
// repaints at once; a refused step changes nothing.
void TestPensAndModes::controls_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("colour");
    QTest::addColumn<int>("refused");
    QTest::newRow("ink") << "mode 1; mode 1" << 1 << true << 2 << 50.0f << 0 << 0;
    QTest::newRow("cusp erase, twice") << "mode 2; mode 2" << 2 << false << 4 << 50.0f << 0 << 0;
    QTest::newRow("7, stored as it is") << "mode 7" << 7 << false << 4 << 50.0f << 0 << 0;
    QTest::newRow("ink after an erase mode") << "mode 3; ink" << 1 << true << 2 << 50.0f << 0 << 0;
    QTest::newRow("width alone keeps the cursor") << "width 100" << 1 << true << 2 << 100.0f << 0 << 0;
    QTest::newRow("width alone keeps an erase mode") << "mode 4; width 10" << 4 << false << 4 << 10.0f << 0 << 0;
    QTest::newRow("ink shows the pen of the width") << "width 100; ink" << 1 << true << 3 << 100.0f << 0 << 0;
    QTest::newRow("no pen's width: the thin pen's cursor") << "width 51; ink" << 1 << true << 1 << 51.0f << 0 << 0;
    QTest::newRow("a width refused") << "width 10; width -5" << 1 << true << 2 << 10.0f << 0 << 1;
    QTest::newRow("the last swatch, from an erase mode")
        << "mode 2; swatch 24" << 1 << true << 2 << 50.0f << 0x4E0027 << 0;
    // A colour value alone changes nothing else.
    QTest::newRow("colour: double, half to even down") << "mode 2; colour 192.5" << 2 << false << 4 << 50.0f << 192 << 0;
    QTest::newRow("colour: numeric text") << "mode 2; colour ' 255 '" << 2 << false << 4 << 50.0f << 255 << 0;
    QTest::newRow("colour: text that is no number")
        << "colour 7; mode 2; colour 'red'" << 2 << false << 4 << 50.0f << 7 << 1;
    QTest::newRow("colour: nothing") << "colour 7; colour none" << 1 << true << 2 << 50.0f << 7 << 1;
    QTest::newRow("paper colours keep the mode") << "mode 4; paper black; paper white" << 4 << false << 4 << 50.0f
                                                 << 0 << 0;
}

void TestPensAndModes::controls()
{
    QFETCH(QString, steps);
    QFETCH(int, mode);
    QFETCH(bool, enabled);
    QFETCH(int, cursor);
    QFETCH(float, width);
    QFETCH(int, colour);
    QFETCH(int, refused);
    InkFixture f;
    QVERIFY(f.show());
    const InkStrokeDisp before = f.addStroke({QPoint(100, 200), QPoint(300, 200)}, 200.0f);
    PaintCounter paints(f.paper());
    int failures = 0;
    for (const QString& step : steps.split("; ")) {
        const QString verb = step.section(' ', 0, 0);
        const QString arg = step.section(' ', 1);
        const int paintsBefore = paints.paints;
        try {
            if (verb == "mode")
                f.form->UpdateApplicationMode(int16_t(arg.toInt()));
            else if (verb == "ink")
                f.form->Ink();
            else if (verb == "width")
                f.form->Pen_Width(int16_t(arg.toInt()));
            else if (verb == "colour")
                f.form->Color_Select(arg == "none" ? QVariant() : arg.startsWith('\'') ? QVariant(arg.mid(1).chopped(1))
                                                                                     : QVariant(arg.toDouble()));
            else if (verb == "swatch")
                click(f.form->labColor[arg.toInt()]);
            else if (verb == "paper") {
                click(arg == "black" ? f.form->imgBackGColor_B : f.form->imgBackGColor_W);
                QCOMPARE(QColor(f.shot().pixel(50, 50)), arg == "black" ? QColor(0x22, 0x22, 0x22) : QColor(Qt::white));
            } else
                QFAIL(qPrintable(step));
        } catch (const PlatformError&) {
            ++failures;
        }
        if (verb == "mode")
            QVERIFY2(paints.paints > paintsBefore, "the window is repainted at once");
    }
    QCOMPARE(f.form->applicationMode(), int16_t(mode));
    QCOMPARE(f.collector().Enabled(), enabled);
    QVERIFY(f.collector().MouseIcon() == holder(*f.form, cursor)->mouseIcon());
    QCOMPARE(f.collector().DefaultDrawingAttributes().Width(), width);
    QCOMPARE(f.collector().DefaultDrawingAttributes().Color(), colour);
    QCOMPARE(failures, refused);
    // The strokes already drawn keep theirs.
    QVERIFY(f.ink().strokeCount() == 1 && before.DrawingAttributes().Color() == 0 &&
            before.DrawingAttributes().Width() == 200.0f);
}

TAVRO_WINDOW_TEST_MAIN(TestPensAndModes)
#include "tst_pens_and_modes.moc"
