// Pen buttons, swatches and paper colours; the modes and the cursor each
// one shows.

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
    void swatch();
    void colourValues_data();
    void colourValues();
    void paperColourKeepsModeAndInk();
    void modes_data();
    void modes();
    void cursorFromWidth_data();
    void cursorFromWidth();
    void penWidthAloneKeepsCursor();
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

// The last swatch, from an erase mode: its colour for the next stroke only.
void TestPensAndModes::swatch()
{
    InkFixture f;
    QVERIFY(f.show());
    const InkStrokeDisp before = f.addStroke({QPoint(10, 10), QPoint(50, 10)});
    const int32_t oldColour = before.DrawingAttributes().Color();
    f.form->CuspErase();
    click(f.form->labColor[24]);
    QCOMPARE(f.collector().DefaultDrawingAttributes().Color(), 0x4E0027);
    QCOMPARE(f.form->applicationMode(), InkSettings::kModeInk);
    QVERIFY(f.collector().MouseIcon() == f.form->picPen2->mouseIcon());
    QCOMPARE(before.DrawingAttributes().Color(), oldColour);
    f.drag({QPoint(100, 100), QPoint(150, 120)});
    QCOMPARE(f.ink().Strokes().Item(1).DrawingAttributes().Color(), 0x4E0027);
}

void TestPensAndModes::colourValues_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("packed");  // -1: refused, the colour stays
    QTest::newRow("double, half to even down") << QVariant(192.5) << 192;
    QTest::newRow("numeric text") << QVariant(QStringLiteral(" 255 ")) << 255;
    QTest::newRow("text that is no number") << QVariant(QStringLiteral("red")) << -1;
    QTest::newRow("nothing") << QVariant() << -1;
}

void TestPensAndModes::colourValues()
{
    QFETCH(QVariant, value);
    QFETCH(int, packed);
    InkFixture f;
    f.form->Color_Select(QVariant(0x123456));
    f.form->CuspErase();
    bool failed = false;
    try {
        f.form->Color_Select(value);
    } catch (const PlatformError&) {
        failed = true;
    }
    QCOMPARE(failed, packed < 0);
    QCOMPARE(f.collector().DefaultDrawingAttributes().Color(), packed < 0 ? 0x123456 : packed);
    // Nothing else: the mode stays.
    QCOMPARE(f.form->applicationMode(), InkSettings::kModeCuspErase);
}

void TestPensAndModes::paperColourKeepsModeAndInk()
{
    InkFixture f;
    QVERIFY(f.show());
    f.addStroke({QPoint(100, 200), QPoint(300, 200)}, 200.0f);
    f.form->StrokeErase();
    click(f.form->imgBackGColor_B);
    QCOMPARE(f.form->applicationMode(), InkSettings::kModeStrokeErase);
    QVERIFY(!f.collector().Enabled());
    QCOMPARE(QColor(f.shot().pixel(50, 50)), QColor(0x22, 0x22, 0x22));
    click(f.form->imgBackGColor_W);
    QCOMPARE(QColor(f.shot().pixel(50, 50)), QColor(Qt::white));
    QCOMPARE(f.ink().strokeCount(), 1);
}

void TestPensAndModes::modes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("cursor");
    QTest::newRow("ink") << 1 << true << 2;
    QTest::newRow("cusp erase") << 2 << false << 4;
    QTest::newRow("7, stored as it is") << 7 << false << 4;
}

void TestPensAndModes::modes()
{
    QFETCH(int, mode);
    QFETCH(bool, enabled);
    QFETCH(int, cursor);
    InkFixture f;
    QVERIFY(f.show());
    PaintCounter paints(f.paper());
    // Applying a mode twice repeats every step.
    for (int twice = 0; twice < 2; ++twice) {
        const int before = paints.paints;
        f.form->UpdateApplicationMode(int16_t(mode));
        QCOMPARE(f.form->applicationMode(), int16_t(mode));
        QCOMPARE(f.collector().Enabled(), enabled);
        QVERIFY(f.collector().MouseIcon() == holder(*f.form, cursor)->mouseIcon());
        QVERIFY2(paints.paints > before, "the window is repainted at once");
    }
    // Ink afterwards restores the pen of the current width.
    f.form->Ink();
    QVERIFY(f.collector().Enabled());
    QVERIFY(f.collector().MouseIcon() == f.form->picPen2->mouseIcon());
}

void TestPensAndModes::cursorFromWidth_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("cursor");
    QTest::newRow("49.5 rounds to even 50") << 49.5f << 2;
    QTest::newRow("50.51 rounds to 51") << 50.51f << 1;
    QTest::newRow("100.5 rounds to even 100") << 100.5f << 3;
    QTest::newRow("far beyond 16 bits") << 1.0e9f << 1;
}

void TestPensAndModes::cursorFromWidth()
{
    QFETCH(float, width);
    QFETCH(int, cursor);
    QCOMPARE(penCursorFor(width), cursor);
}

void TestPensAndModes::penWidthAloneKeepsCursor()
{
    InkFixture f;
    f.form->Pen_Width(100);
    QCOMPARE(f.collector().DefaultDrawingAttributes().Width(), 100.0f);
    QVERIFY(f.collector().MouseIcon() == f.form->picPen2->mouseIcon());
    f.form->StrokeErase();
    f.form->Pen_Width(10);
    QCOMPARE(f.form->applicationMode(), InkSettings::kModeStrokeErase);
    QVERIFY(f.collector().MouseIcon() == f.form->picPen4->mouseIcon());
    f.form->Ink();
    QVERIFY(f.collector().MouseIcon() == f.form->picPen1->mouseIcon());
    // A width the platform refuses ends the operation with a failure.
    QVERIFY_THROWS_EXCEPTION(PlatformError, f.form->Pen_Width(-5));
    QCOMPARE(f.collector().DefaultDrawingAttributes().Width(), 10.0f);
}

TAVRO_WINDOW_TEST_MAIN(TestPensAndModes)
#include "tst_pens_and_modes.moc"
