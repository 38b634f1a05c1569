// The window right after start-up: its state, the collector's settings, the
// frame and the paper; its controls in one table (where each stands, whether
// it shows, its tooltip, its cursor, a swatch's colour), and that a click
// lands on the control drawn there. The tool bar's controls must lie where
// the title picture draws them.

#include "window_fixture.h"

#include "app/shell/artwork.h"
#include "platform/ink/ink_collector.h"
#include "tests/artwork/layout_table.h"

#include <QWindow>

namespace {
enum class CursorFrom { Arrow, CustomArrow, PicPen1, PicPen2, PicPen3, EraserButton };
}

class TestInkWriteLayout : public QObject {
    Q_OBJECT
private slots:
    void stateAfterLoad();
    void windowAndPaperPlacement();
    void startupFailureShowsReportAndNoWindow();
    void controls_data();
    void controls();
    void clicksLandOnTheirHotSpot();
};

void TestInkWriteLayout::stateAfterLoad()
{
    WindowFixture f;
    QCOMPARE(f.form->applicationMode(), int16_t(1));
    QCOMPARE(f.form->dataPresent(), int16_t(0));
    QVERIFY(f.messageBox.calls().isEmpty());
    InkCollector& collector = *f.form->myInkCollector;
    QVERIFY(collector.Enabled());
    QCOMPARE(collector.DefaultDrawingAttributes().Width(), 50.0f);
    // The middle pen's cursor.
    QVERIFY(collector.MouseIcon() == f.form->picPen2->mouseIcon());
    QVERIFY(f.form->ImgPaper->cursor() == f.form->picPen2->mouseIcon());
    QCOMPARE(collector.GetWindowInputRectangle(), (InkRectangle{0, 0, 7410, 9405}));
}

void TestInkWriteLayout::windowAndPaperPlacement()
{
    WindowFixture f;
    QVERIFY(f.form->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(f.form->minimumSize(), QSize(627, 494));
    QCOMPARE(f.form->maximumSize(), QSize(627, 494));
    QCOMPARE(f.form->pos(), QPoint(158, 115));
    QCOMPARE(f.form->clientArea->geometry(), QRect(3, 3, 621, 488));

    // The paper is thousands of pixels large: it paints only what shows, and
    // it and the title picture cover the client area's background.
    PaintCounter paper(f.form->ImgPaper), background(f.form->clientArea);
    QVERIFY(f.show());
    // Resized from outside (another client, no window manager): it keeps its size.
    f.form->windowHandle()->resize(3000, 2000);
    QTRY_COMPARE(f.form->size(), QSize(627, 494));
    f.form->ImgPaper->update();
    QTRY_VERIFY(paper.paints >= 2);
    QVERIFY(QRect(0, 0, 621, 398).contains(paper.painted.boundingRect()));
    QCOMPARE(background.paints, 0);
    const QImage shot = f.form->grab().toImage();
    // A raised frame: light top and left, dark bottom and right, and the
    // paper's white meeting it exactly at the client area's edge.
    QCOMPARE(QColor(shot.pixel(10, 1)), QColor(Qt::white));
    QCOMPARE(QColor(shot.pixel(10, 493)), QColor(64, 64, 64));
    QCOMPARE(QColor(shot.pixel(625, 10)), QColor(128, 128, 128));
    QCOMPARE(QColor(shot.pixel(3, 300)), QColor(Qt::white));
    QCOMPARE(QColor(shot.pixel(623, 490)), QColor(Qt::white));
}

void TestInkWriteLayout::startupFailureShowsReportAndNoWindow()
{
    ScriptedMessageBoxService box;
    box.queueAnswer(MessageBoxResult::Ok);
    const int status = runPenWriter(box, []() -> std::unique_ptr<InkWrite> {
        throw PlatformError(PlatformErrorCode::InvalidState, "the ink platform is missing");
    });
    QCOMPARE(status, 1);
    QCOMPARE(box.calls().size(), 1);
    QCOMPARE(box.calls()[0].style, MessageBoxStyle::Information);
    QVERIFY(box.calls()[0].text.contains(QStringLiteral("the ink platform is missing")));
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY(!top->isVisible());
}

void TestInkWriteLayout::controls_data()
{
    QTest::addColumn<QString>("name");  // "labColor(i)" for a swatch
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<int>("cursor");     // CursorFrom, -1: not checked
    QTest::addColumn<int>("foreColor");  // -1: no swatch

    const int arrow = int(CursorFrom::Arrow), custom = int(CursorFrom::CustomArrow);
    const struct {
        const char* name;
        const char* parent;
        QRect geometry;  // empty: the hot spot on the title picture
        bool shown;
        const char* tooltip;
        int cursor;
    } controls[] = {
        {"ImgPaper", "clientArea", {0, 90, 9405, 7410}, true, "", -1},
        {"Picture2", "clientArea", {576, 448, 41, 33}, false, "", arrow},
        {"picPen4", "clientArea", {440, 400, 32, 32}, false, "", arrow},
        {"picPen1", "clientArea", {344, 400, 32, 32}, false, "", arrow},
        {"Picture1", "clientArea", {0, 0, 622, 90}, true, "", arrow},
        {"imgBackGColor_W", "Picture1", ArtworkLayout::whitePaperSpot, true, "", arrow},
        {"imgBackGColor_B", "Picture1", ArtworkLayout::darkPaperSpot, true, "", arrow},
        {"picOpen", "Picture1", {}, true, "Open", custom},
        {"imgNew", "Picture1", {}, true, "Clear", custom},
        {"imgSave", "Picture1", {}, true, "Upload", custom},
        {"Image4", "Picture1", {}, true, "획단위로 지우기", int(CursorFrom::EraserButton)},
        {"imgExit", "Picture1", {}, true, "Close", custom},
        {"Image1", "Picture1", {}, true, "Thin Pen", int(CursorFrom::PicPen1)},
        {"Image2", "Picture1", {}, true, "Middle Pen", int(CursorFrom::PicPen2)},
        {"Image3", "Picture1", {}, true, "Thick Pen", int(CursorFrom::PicPen3)},
    };
    for (const auto& c : controls) {
        QRect geometry = c.geometry;
        for (const auto& spot : ArtworkLayout::hotSpots)
            if (geometry.isNull() && QLatin1String(spot.name) == QLatin1String(c.name))
                geometry = spot.rect;
        QTest::newRow(c.name) << c.name << c.parent << geometry << c.shown << QString::fromUtf8(c.tooltip)
                              << c.cursor << -1;
    }
    // Each swatch sets the colour painted under it, packed red + 256 green +
    // 65536 blue, but for two where the picture's paint strays from the pen's
    // colour: a blue of 0, 128, 255 for 0, 0, 255 and a pink for 192, 0, 192.
    for (const auto& swatch : ArtworkLayout::swatches) {
        const QColor pen = swatch.index == 4   ? QColor(0, 0, 255)
                           : swatch.index == 6 ? QColor(192, 0, 192)
                                               : swatch.painted;
        QTest::addRow("labColor(%d)", swatch.index)
            << QStringLiteral("labColor(%1)").arg(swatch.index) << "Picture1" << swatch.label << true << QString()
            << arrow << int(pen.red() | pen.green() << 8 | pen.blue() << 16);
    }
}

void TestInkWriteLayout::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(bool, shown);
    QFETCH(QString, tooltip);
    QFETCH(int, cursor);
    QFETCH(int, foreColor);

    WindowFixture f;
    QVERIFY(f.show());
    QWidget* widget = f.form->findChild<QWidget*>(name);
    if (foreColor >= 0) {
        SwatchLabel* label = f.form->labColor[QStringView(name).mid(9).chopped(1).toInt()];
        QCOMPARE(label->ForeColor(), foreColor);
        widget = label;
    }
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->isVisible(), shown);
    QCOMPARE(widget->toolTip(), tooltip);

    PictureBox* pens[] = {f.form->picPen1, f.form->picPen2, f.form->picPen3};
    switch (cursor) {
    case int(CursorFrom::Arrow):
        QCOMPARE(widget->cursor().shape(), Qt::ArrowCursor);
        break;
    case int(CursorFrom::CustomArrow):
        QCOMPARE(widget->cursor().hotSpot(), Artwork::cursorHotSpot(Artwork::CursorKind::Arrow));
        QVERIFY(widget->cursor() == f.form->imgExit->cursor());  // one arrow for the four
        break;
    case int(CursorFrom::EraserButton):
        QCOMPARE(widget->cursor().shape(), Qt::BitmapCursor);
        QVERIFY(!(widget->cursor() == f.form->picOpen->cursor()));
        QVERIFY(!(widget->cursor() == f.form->picPen4->mouseIcon()));
        break;
    case -1:
        break;
    default:
        QVERIFY(widget->cursor() == pens[cursor - int(CursorFrom::PicPen1)]->mouseIcon());
    }
}

// Which control lies on top where they overlap decides where a click goes.
void TestInkWriteLayout::clicksLandOnTheirHotSpot()
{
    WindowFixture f;
    QVERIFY(f.show());
    QWidget* bar = f.form->Picture1;
    for (const auto& spot : ArtworkLayout::hotSpots)
        QCOMPARE(bar->childAt(spot.rect.center()), f.form->findChild<QWidget*>(spot.name));
    for (QWidget* spot : {static_cast<QWidget*>(f.form->imgBackGColor_B), static_cast<QWidget*>(f.form->labColor[6])})
        QCOMPARE(bar->childAt(spot->geometry().center()), spot);
    QCOMPARE(bar->childAt(QPoint(210, 62)), f.form->labColor[8]);  // over the thick pen
    QCOMPARE(bar->childAt(QPoint(27, 70)), nullptr);                // between swatches 0 and 1
    // The hidden picture boxes never take the paper's input.
    QCOMPARE(f.form->clientArea->childAt(QPoint(390, 410)), f.form->ImgPaper);

    // The four pen cursors are different pictures.
    const QCursor pens[] = {f.form->picPen1->mouseIcon(), f.form->picPen2->mouseIcon(),
                            f.form->picPen3->mouseIcon(), f.form->picPen4->mouseIcon()};
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            QVERIFY(!(pens[a] == pens[b]));
}

TAVRO_WINDOW_TEST_MAIN(TestInkWriteLayout)
#include "tst_inkwrite_layout.moc"
