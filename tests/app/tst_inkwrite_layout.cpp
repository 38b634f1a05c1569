// The window's controls in one table: where each stands, whether it shows,
// its tooltip, its cursor and (for a swatch) its colour; and that a click
// lands on the control drawn there.

#include "window_fixture.h"

#include "app/shell/artwork.h"

namespace {
enum class CursorFrom { Arrow, CustomArrow, PicPen1, PicPen2, PicPen3, EraserButton };
}

class TestInkWriteLayout : public QObject {
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void clicksLandOnTheirHotSpot();
};

void TestInkWriteLayout::controls_data()
{
    QTest::addColumn<QString>("name");  // "labColor(i)" for a swatch
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<int>("cursor");  // CursorFrom, -1: not checked
    QTest::addColumn<int>("foreColor");  // -1: no swatch

    const int arrow = int(CursorFrom::Arrow), custom = int(CursorFrom::CustomArrow);
    const struct {
        const char* name;
        const char* parent;
        QRect geometry;
        bool shown;
        const char* tooltip;
        int cursor;
    } controls[] = {
        {"ImgPaper", "clientArea", {0, 90, 9405, 7410}, true, "", -1},
        {"Picture2", "clientArea", {576, 448, 41, 33}, false, "", arrow},
        {"picPen4", "clientArea", {440, 400, 32, 32}, false, "", arrow},
        {"picPen1", "clientArea", {344, 400, 32, 32}, false, "", arrow},
        {"Picture1", "clientArea", {0, 0, 622, 90}, true, "", arrow},
        {"imgBackGColor_W", "Picture1", {318, 6, 20, 20}, true, "", arrow},
        {"imgBackGColor_B", "Picture1", {295, 6, 20, 20}, true, "", arrow},
        {"picOpen", "Picture1", {469, 8, 52, 49}, true, "Open", custom},
        {"imgNew", "Picture1", {6, 5, 56, 54}, true, "Clear", custom},
        {"imgSave", "Picture1", {527, 9, 46, 46}, true, "Upload", custom},
        {"Image4", "Picture1", {230, 1, 56, 46}, true, "획단위로 지우기", int(CursorFrom::EraserButton)},
        {"imgExit", "Picture1", {577, 3, 43, 42}, true, "Close", custom},
        {"Image1", "Picture1", {68, 4, 31, 57}, true, "Thin Pen", int(CursorFrom::PicPen1)},
        {"Image2", "Picture1", {104, 8, 65, 49}, true, "Middle Pen", int(CursorFrom::PicPen2)},
        {"Image3", "Picture1", {170, 5, 60, 58}, true, "Thick Pen", int(CursorFrom::PicPen3)},
    };
    for (const auto& c : controls)
        QTest::newRow(c.name) << c.name << c.parent << c.geometry << c.shown << QString::fromUtf8(c.tooltip)
                              << c.cursor << -1;

    const struct {
        int left, top, color;
    } swatches[] = {
        {4, 64, 0x8080FF},    {28, 63, 0x80FFFF},   {53, 64, 0x80FF80},   {77, 64, 0xFFFF80},
        {103, 63, 0xFF0000},  {127, 63, 0xFF80FF},  {152, 63, 0xC000C0},  {176, 64, 0x0000C0},
        {201, 62, 0x0040C0},  {226, 64, 0x00C0C0},  {251, 64, 0x00C000}, {275, 63, 0x808000},
        {300, 63, 0xC0C000}, {324, 63, 0xC00000}, {350, 63, 0x400000}, {374, 63, 0x000080},
        {399, 63, 0x404080}, {423, 63, 0x404000}, {520, 60, 0xFFFFFF}, {544, 60, 0xC0C0C0},
        {569, 62, 0x808080}, {595, 61, 0x000000}, {446, 61, 0x754E00}, {472, 62, 0x4E2700},
        {496, 62, 0x4E0027},
    };
    for (int i = 0; i < 25; ++i) {
        const QSize size = i == 0 ? QSize(20, 20) : QSize(23, 22);
        QTest::addRow("labColor(%d)", i) << QStringLiteral("labColor(%1)").arg(i) << "Picture1"
                                         << QRect(QPoint(swatches[i].left, swatches[i].top), size) << true
                                         << QString() << arrow << swatches[i].color;
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
    QWidget* widget = nullptr;
    if (foreColor >= 0) {
        const int index = QStringView(name).mid(9).chopped(1).toInt();
        SwatchLabel* label = f.form->labColor[index];
        QVERIFY(label);
        QCOMPARE(label->ForeColor(), foreColor);
        widget = label;
    } else {
        widget = f.form->findChild<QWidget*>(name);
    }
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->isVisible(), shown);
    QCOMPARE(widget->toolTip(), tooltip);

    switch (cursor) {
    case int(CursorFrom::Arrow):
        QCOMPARE(widget->cursor().shape(), Qt::ArrowCursor);
        break;
    case int(CursorFrom::CustomArrow):
        QCOMPARE(widget->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(widget->cursor().hotSpot(), Artwork::cursorHotSpot(Artwork::CursorKind::Arrow));
        QVERIFY(widget->cursor() == f.form->imgExit->cursor());  // one arrow for the four
        break;
    case int(CursorFrom::PicPen1):
    case int(CursorFrom::PicPen2):
    case int(CursorFrom::PicPen3): {
        PictureBox* pens[] = {f.form->picPen1, f.form->picPen2, f.form->picPen3};
        QVERIFY(widget->cursor() == pens[cursor - int(CursorFrom::PicPen1)]->mouseIcon());
        break;
    }
    case int(CursorFrom::EraserButton):
        QCOMPARE(widget->cursor().shape(), Qt::BitmapCursor);
        QVERIFY(!(widget->cursor() == f.form->picOpen->cursor()));
        QVERIFY(!(widget->cursor() == f.form->picPen4->mouseIcon()));
        break;
    }
}

// Which control lies on top where they overlap decides where a click goes.
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
    QCOMPARE(bar->childAt(QPoint(210, 62)), f.form->labColor[8]);  // over the thick pen
    QCOMPARE(bar->childAt(QPoint(27, 70)), nullptr);  // between swatches 0 and 1
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
