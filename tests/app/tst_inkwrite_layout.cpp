// The window's controls: where each stands, whether it shows, its tooltip,
// its cursor and which sibling lies on top; the palette's pen colours; and
// that a click lands on the control drawn there.

#include "window_fixture.h"

#include "app/shell/artwork.h"


namespace {

enum class CursorFrom { Arrow, CustomArrow, PicPen1, PicPen2, PicPen3, EraserButton };

QWidget* control(InkWrite& form, const QString& name, int index)
{
    if (index >= 0)
        return form.labColor[index];
    return form.findChild<QWidget*>(name);
}

// Siblings of the same kind as name appear in the parent's stacking order.
QStringList stackingOrder(QWidget* parent)
{
    QStringList names;
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (auto* label = qobject_cast<SwatchLabel*>(widget))
            names << QStringLiteral("labColor(%1)").arg(label->Index());
        else
            names << widget->objectName();
    }
    return names;
}

}  // namespace

class TestInkWriteLayout : public QObject {
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void stacking();
    void palette_data();
    void palette();
    void clicksLandOnTheirHotSpot();
};

void TestInkWriteLayout::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<int>("cursor");

    const int arrow = int(CursorFrom::Arrow), custom = int(CursorFrom::CustomArrow);
    // Picture boxes of the window (the paper as start-up leaves it).
    QTest::newRow("ImgPaper") << "ImgPaper" << -1 << "clientArea" << QRect(0, 90, 9405, 7410) << true << "" << -1;
    QTest::newRow("Picture2") << "Picture2" << -1 << "clientArea" << QRect(576, 448, 41, 33) << false << "" << arrow;
    QTest::newRow("picPen4") << "picPen4" << -1 << "clientArea" << QRect(440, 400, 32, 32) << false << "" << arrow;
    QTest::newRow("picPen3") << "picPen3" << -1 << "clientArea" << QRect(408, 400, 32, 32) << false << "" << arrow;
    QTest::newRow("picPen2") << "picPen2" << -1 << "clientArea" << QRect(376, 400, 32, 32) << false << "" << arrow;
    QTest::newRow("picPen1") << "picPen1" << -1 << "clientArea" << QRect(344, 400, 32, 32) << false << "" << arrow;
    QTest::newRow("Picture1") << "Picture1" << -1 << "clientArea" << QRect(0, 0, 622, 90) << true << "" << arrow;
    // Hot spots of the tool bar.
    QTest::newRow("imgBackGColor_W") << "imgBackGColor_W" << -1 << "Picture1" << QRect(318, 6, 20, 20) << true << "" << arrow;
    QTest::newRow("imgBackGColor_B") << "imgBackGColor_B" << -1 << "Picture1" << QRect(295, 6, 20, 20) << true << "" << arrow;
    QTest::newRow("picOpen") << "picOpen" << -1 << "Picture1" << QRect(469, 8, 52, 49) << true << "Open" << custom;
    QTest::newRow("imgNew") << "imgNew" << -1 << "Picture1" << QRect(6, 5, 56, 54) << true << "Clear" << custom;
    QTest::newRow("imgSave") << "imgSave" << -1 << "Picture1" << QRect(527, 9, 46, 46) << true << "Upload" << custom;
    QTest::newRow("Image4") << "Image4" << -1 << "Picture1" << QRect(230, 1, 56, 46) << true
                            << QString::fromUtf8("획단위로 지우기") << int(CursorFrom::EraserButton);
    QTest::newRow("imgExit") << "imgExit" << -1 << "Picture1" << QRect(577, 3, 43, 42) << true << "Close" << custom;
    QTest::newRow("Image1") << "Image1" << -1 << "Picture1" << QRect(68, 4, 31, 57) << true << "Thin Pen" << int(CursorFrom::PicPen1);
    QTest::newRow("Image2") << "Image2" << -1 << "Picture1" << QRect(104, 8, 65, 49) << true << "Middle Pen" << int(CursorFrom::PicPen2);
    QTest::newRow("Image3") << "Image3" << -1 << "Picture1" << QRect(170, 5, 60, 58) << true << "Thick Pen" << int(CursorFrom::PicPen3);
    // A few swatches; the palette test covers all of their places.
    QTest::newRow("labColor(0)") << "labColor" << 0 << "Picture1" << QRect(4, 64, 20, 20) << true << "" << arrow;
    QTest::newRow("labColor(22)") << "labColor" << 22 << "Picture1" << QRect(446, 61, 23, 22) << true << "" << arrow;
}

void TestInkWriteLayout::controls()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(bool, shown);
    QFETCH(QString, tooltip);
    QFETCH(int, cursor);

    WindowFixture f;
    QVERIFY(f.show());
    QWidget* widget = control(*f.form, name, index);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->isVisible(), shown);
    QCOMPARE(widget->toolTip(), tooltip);

    switch (CursorFrom(cursor)) {
    case CursorFrom::Arrow:
        QCOMPARE(widget->cursor().shape(), Qt::ArrowCursor);
        break;
    case CursorFrom::CustomArrow:
        QCOMPARE(widget->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(widget->cursor().hotSpot(), Artwork::cursorHotSpot(Artwork::CursorKind::Arrow));
        // One arrow shared by the four page buttons.
        QVERIFY(widget->cursor() == f.form->imgExit->cursor());
        break;
    case CursorFrom::PicPen1:
        QVERIFY(widget->cursor() == f.form->picPen1->mouseIcon());
        break;
    case CursorFrom::PicPen2:
        QVERIFY(widget->cursor() == f.form->picPen2->mouseIcon());
        break;
    case CursorFrom::PicPen3:
        QVERIFY(widget->cursor() == f.form->picPen3->mouseIcon());
        break;
    case CursorFrom::EraserButton:
        QCOMPARE(widget->cursor().shape(), Qt::BitmapCursor);
        QVERIFY(!(widget->cursor() == f.form->picOpen->cursor()));
        QVERIFY(!(widget->cursor() == f.form->picPen4->mouseIcon()));
        break;
    }
}

void TestInkWriteLayout::stacking()
{
    WindowFixture f;
    QCOMPARE(stackingOrder(f.form->clientArea),
             QStringList({"ImgPaper", "Picture2", "picPen4", "picPen3", "picPen2", "picPen1", "Picture1"}));

    QStringList toolBar{"imgBackGColor_W", "imgBackGColor_B", "labColor(24)", "labColor(23)",
                        "labColor(22)", "picOpen", "imgNew", "imgSave", "Image4", "imgExit",
                        "Image1", "Image2", "Image3"};
    for (int i = 0; i <= 21; ++i)
        toolBar << QStringLiteral("labColor(%1)").arg(i);
    QCOMPARE(stackingOrder(f.form->Picture1), toolBar);

    // The pen cursors are four different pictures.
    const QCursor pens[] = {f.form->picPen1->mouseIcon(), f.form->picPen2->mouseIcon(),
                            f.form->picPen3->mouseIcon(), f.form->picPen4->mouseIcon()};
    for (int a = 0; a < 4; ++a) {
        QCOMPARE(pens[a].shape(), Qt::BitmapCursor);
        for (int b = a + 1; b < 4; ++b)
            QVERIFY2(!(pens[a] == pens[b]), qPrintable(QStringLiteral("picPen%1 = picPen%2").arg(a + 1).arg(b + 1)));
    }
}

void TestInkWriteLayout::palette_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<int>("foreColor");

    const struct {
        int index, left, top, color;
    } swatches[] = {
        {0, 4, 64, 0x8080FF},    {1, 28, 63, 0x80FFFF},   {2, 53, 64, 0x80FF80},   {3, 77, 64, 0xFFFF80},
        {4, 103, 63, 0xFF0000},  {5, 127, 63, 0xFF80FF},  {6, 152, 63, 0xC000C0},  {7, 176, 64, 0x0000C0},
        {8, 201, 62, 0x0040C0},  {9, 226, 64, 0x00C0C0},  {10, 251, 64, 0x00C000}, {11, 275, 63, 0x808000},
        {12, 300, 63, 0xC0C000}, {13, 324, 63, 0xC00000}, {14, 350, 63, 0x400000}, {15, 374, 63, 0x000080},
        {16, 399, 63, 0x404080}, {17, 423, 63, 0x404000}, {18, 520, 60, 0xFFFFFF}, {19, 544, 60, 0xC0C0C0},
        {20, 569, 62, 0x808080}, {21, 595, 61, 0x000000}, {22, 446, 61, 0x754E00}, {23, 472, 62, 0x4E2700},
        {24, 496, 62, 0x4E0027},
    };
    for (const auto& s : swatches)
        QTest::addRow("labColor(%d)", s.index) << s.index << QPoint(s.left, s.top) << s.color;
}

void TestInkWriteLayout::palette()
{
    QFETCH(int, index);
    QFETCH(QPoint, topLeft);
    QFETCH(int, foreColor);

    WindowFixture f;
    SwatchLabel* label = f.form->labColor[index];
    QVERIFY(label);
    QCOMPARE(int(label->Index()), index);
    QCOMPARE(label->ForeColor(), foreColor);
    QCOMPARE(label->property("ForeColor").toInt(), foreColor);
    QCOMPARE(label->pos(), topLeft);
    QCOMPARE(label->size(), index == 0 ? QSize(20, 20) : QSize(23, 22));
    QVERIFY(label->toolTip().isEmpty());
}

void TestInkWriteLayout::clicksLandOnTheirHotSpot()
{
    WindowFixture f;
    QVERIFY(f.show());
    QWidget* bar = f.form->Picture1;
    const QList<QWidget*> spots{f.form->imgExit, f.form->Image1, f.form->Image2, f.form->Image3,
                                f.form->Image4, f.form->imgSave, f.form->picOpen, f.form->imgNew,
                                f.form->imgBackGColor_B, f.form->imgBackGColor_W, f.form->labColor[6]};
    for (QWidget* spot : spots)
        QCOMPARE(bar->childAt(spot->geometry().center()), spot);
    // Swatch 8 lies on top of the thick pen where they touch.
    QCOMPARE(bar->childAt(QPoint(210, 62)), f.form->labColor[8]);
    // Between the buttons and swatches, the title picture itself.
    QCOMPARE(bar->childAt(QPoint(400, 35)), nullptr);
    QCOMPARE(bar->childAt(QPoint(27, 70)), nullptr);  // between swatches 0 and 1
    // The hidden picture boxes never take the paper's input.
    QCOMPARE(f.form->clientArea->childAt(QPoint(390, 410)), f.form->ImgPaper);
}

TAVRO_WINDOW_TEST_MAIN(TestInkWriteLayout)
#include "tst_inkwrite_layout.moc"
