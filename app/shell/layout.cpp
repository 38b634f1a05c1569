#include "app/shell/layout.h"

#include "app/shell/artwork.h"
#include "app/shell/inkwrite.h"

#include <cstring>

namespace Layout {

// clang-format off
const std::array<Swatch, 25> kSwatches{{
    {{  60, 960, 300, 300}, 0x8080FF},  //  0
    {{ 420, 945, 345, 330}, 0x80FFFF},  //  1
    {{ 795, 960, 345, 330}, 0x80FF80},  //  2
    {{1155, 960, 345, 330}, 0xFFFF80},  //  3
    {{1545, 945, 345, 330}, 0xFF0000},  //  4
    {{1905, 945, 345, 330}, 0xFF80FF},  //  5
    {{2280, 945, 345, 330}, 0xC000C0},  //  6
    {{2640, 960, 345, 330}, 0x0000C0},  //  7
    {{3015, 930, 345, 330}, 0x0040C0},  //  8
    {{3390, 960, 345, 330}, 0x00C0C0},  //  9
    {{3765, 960, 345, 330}, 0x00C000},  // 10
    {{4125, 945, 345, 330}, 0x808000},  // 11
    {{4500, 945, 345, 330}, 0xC0C000},  // 12
    {{4860, 945, 345, 330}, 0xC00000},  // 13
    {{5250, 945, 345, 330}, 0x400000},  // 14
    {{5610, 945, 345, 330}, 0x000080},  // 15
    {{5985, 945, 345, 330}, 0x404080},  // 16
    {{6345, 945, 345, 330}, 0x404000},  // 17
    {{7800, 900, 345, 330}, 0xFFFFFF},  // 18
    {{8160, 900, 345, 330}, 0xC0C0C0},  // 19
    {{8535, 930, 345, 330}, 0x808080},  // 20
    {{8925, 915, 345, 330}, 0x000000},  // 21
    {{6690, 915, 345, 330}, 0x754E00},  // 22
    {{7080, 930, 345, 330}, 0x4E2700},  // 23
    {{7440, 930, 345, 330}, 0x4E0027},  // 24
}};

const std::array<Control, 7> kFormControls{{
    {"ImgPaper", Kind::PictureBox, -1, {   0, 1320, 9375, 6015}, true,  nullptr, CursorFrom::Default},
    {"Picture2", Kind::PictureBox, -1, {8640, 6720,  615,  495}, false, nullptr, CursorFrom::Default},
    {"picPen4",  Kind::PictureBox, -1, {6600, 6000,  480,  480}, false, nullptr, CursorFrom::Default},
    {"picPen3",  Kind::PictureBox, -1, {6120, 6000,  480,  480}, false, nullptr, CursorFrom::Default},
    {"picPen2",  Kind::PictureBox, -1, {5640, 6000,  480,  480}, false, nullptr, CursorFrom::Default},
    {"picPen1",  Kind::PictureBox, -1, {5160, 6000,  480,  480}, false, nullptr, CursorFrom::Default},
    {"Picture1", Kind::PictureBox, -1, {   0,    0, 9330, 1350}, true,  nullptr, CursorFrom::Default},
}};

#define SWATCH(i) {"labColor", Kind::Label, i, kSwatches[i].twips, true, nullptr, CursorFrom::Default}
const std::array<Control, 35> kToolBarControls{{
    {"imgBackGColor_W", Kind::Image, -1, {4770,  90, 300, 300}, true, nullptr, CursorFrom::Default},
    {"imgBackGColor_B", Kind::Image, -1, {4425,  90, 300, 300}, true, nullptr, CursorFrom::Default},
    SWATCH(24), SWATCH(23), SWATCH(22),
    {"picOpen", Kind::Image, -1, {7035, 120, 780, 735}, true, "Open",   CursorFrom::CustomArrow},
    {"imgNew",  Kind::Image, -1, {  90,  75, 840, 810}, true, "Clear",  CursorFrom::CustomArrow},
    {"imgSave", Kind::Image, -1, {7905, 135, 690, 690}, true, "Upload", CursorFrom::CustomArrow},
    {"Image4",  Kind::Image, -1, {3450,  15, 840, 690}, true, "획단위로 지우기", CursorFrom::EraserButton},
    {"imgExit", Kind::Image, -1, {8655,  45, 645, 630}, true, "Close",  CursorFrom::CustomArrow},
    {"Image1",  Kind::Image, -1, {1020,  60, 465, 855}, true, "Thin Pen",   CursorFrom::PicPen1},
    {"Image2",  Kind::Image, -1, {1560, 120, 975, 735}, true, "Middle Pen", CursorFrom::PicPen2},
    {"Image3",  Kind::Image, -1, {2550,  75, 900, 870}, true, "Thick Pen",  CursorFrom::PicPen3},
    SWATCH(0),  SWATCH(1),  SWATCH(2),  SWATCH(3),  SWATCH(4),  SWATCH(5),  SWATCH(6),
    SWATCH(7),  SWATCH(8),  SWATCH(9),  SWATCH(10), SWATCH(11), SWATCH(12), SWATCH(13),
    SWATCH(14), SWATCH(15), SWATCH(16), SWATCH(17), SWATCH(18), SWATCH(19), SWATCH(20),
    SWATCH(21),
}};
#undef SWATCH
// clang-format on

}  // namespace Layout

namespace {

using Artwork::CursorKind;

template <class Member>
struct Slot {
    const char* name;
    Member InkWrite::*member;
};

const Slot<PictureBox*> kPictureBoxSlots[] = {
    {"ImgPaper", &InkWrite::ImgPaper}, {"Picture2", &InkWrite::Picture2},
    {"picPen4", &InkWrite::picPen4},   {"picPen3", &InkWrite::picPen3},
    {"picPen2", &InkWrite::picPen2},   {"picPen1", &InkWrite::picPen1},
    {"Picture1", &InkWrite::Picture1},
};

const Slot<HotSpot*> kHotSpotSlots[] = {
    {"imgBackGColor_W", &InkWrite::imgBackGColor_W},
    {"imgBackGColor_B", &InkWrite::imgBackGColor_B},
    {"picOpen", &InkWrite::picOpen},
    {"imgNew", &InkWrite::imgNew},
    {"imgSave", &InkWrite::imgSave},
    {"Image4", &InkWrite::Image4},
    {"imgExit", &InkWrite::imgExit},
    {"Image1", &InkWrite::Image1},
    {"Image2", &InkWrite::Image2},
    {"Image3", &InkWrite::Image3},
};

template <class Member, size_t N>
auto slotFor(const Slot<Member> (&table)[N], const char* name) -> Member InkWrite::*
{
    for (const Slot<Member>& slot : table) {
        if (std::strcmp(slot.name, name) == 0)
            return slot.member;
    }
    return nullptr;
}

void place(QWidget* control, const Layout::Control& spec)
{
    control->setObjectName(QString::fromLatin1(spec.name));
    control->setGeometry(Layout::toPixels(spec.twips));
    if (spec.tooltip)
        control->setToolTip(QString::fromUtf8(spec.tooltip));
    if (!spec.shown)
        control->hide();
}

}  // namespace

void InkWrite::buildLayout()
{
    const qreal ratio = devicePixelRatioF();

    clientArea = new PictureBox(this);
    clientArea->setObjectName("clientArea");
    clientArea->setGeometry(QRect(QPoint(Layout::kFrameWidth, Layout::kFrameWidth), Layout::kClientSize));
    clientArea->setBackColor(Qt::white);
    clientArea->setPictureSource(&Artwork::windowBackground);

    // Created back to front: a later sibling lies on top of an earlier one.
    for (const Layout::Control& spec : Layout::kFormControls) {
        auto* box = new PictureBox(clientArea);
        place(box, spec);
        box->setCursor(Qt::ArrowCursor);
        this->*slotFor(kPictureBoxSlots, spec.name) = box;
    }
    ImgPaper->setBackColor(Qt::white);
    picPen1->setMouseIcon(Artwork::cursor(CursorKind::ThinPen, ratio));
    picPen2->setMouseIcon(Artwork::cursor(CursorKind::MiddlePen, ratio));
    picPen3->setMouseIcon(Artwork::cursor(CursorKind::ThickPen, ratio));
    picPen4->setMouseIcon(Artwork::cursor(CursorKind::Eraser, ratio));
    Picture1->setBackColor(Qt::white);
    Picture1->setPictureSource(&Artwork::titlePicture);

    const QCursor arrow = Artwork::cursor(CursorKind::Arrow, ratio);
    const QCursor eraserButton = Artwork::cursor(CursorKind::EraserButton, ratio);
    for (const Layout::Control& spec : Layout::kToolBarControls) {
        HotSpot* spot = nullptr;
        if (spec.kind == Layout::Kind::Label) {
            auto* label = new SwatchLabel(spec.index, Layout::kSwatches[spec.index].foreColor, Picture1);
            labColor[spec.index] = label;
            spot = label;
        } else {
            spot = new HotSpot(Picture1);
            this->*slotFor(kHotSpotSlots, spec.name) = spot;
        }
        place(spot, spec);
        switch (spec.cursor) {
        case Layout::CursorFrom::Default: spot->setCursor(Qt::ArrowCursor); break;
        case Layout::CursorFrom::CustomArrow: spot->setCursor(arrow); break;
        case Layout::CursorFrom::PicPen1: spot->setCursor(picPen1->mouseIcon()); break;
        case Layout::CursorFrom::PicPen2: spot->setCursor(picPen2->mouseIcon()); break;
        case Layout::CursorFrom::PicPen3: spot->setCursor(picPen3->mouseIcon()); break;
        case Layout::CursorFrom::EraserButton: spot->setCursor(eraserButton); break;
        }
    }
}
