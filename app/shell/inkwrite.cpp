#include "app/shell/inkwrite.h"

#include "app/ink/marker_cache.h"
#include "app/shell/artwork.h"
#include "app/shell/layout.h"
#include "platform/ink/ink_collector.h"

#include <QPainter>
#include <QResizeEvent>

#include <cmath>

namespace {

constexpr double kTwipsPerPixel = Layout::kTwipsPerPixel;
constexpr int16_t kModeInk = 1;
constexpr float kMiddlePenWidth = 50.0f;

// Nearest 32-bit integer, a half going to the even neighbour.
int32_t roundHalfEven(double value)
{
    return static_cast<int32_t>(std::nearbyint(value));
}

// The classic raised dialog frame, outermost ring first: top-left colour,
// bottom-right colour.
struct FrameRing {
    QColor topLeft;
    QColor bottomRight;
};
const FrameRing kFrameRings[Layout::kFrameWidth] = {
    {QColor(212, 208, 200), QColor(64, 64, 64)},
    {QColor(255, 255, 255), QColor(128, 128, 128)},
    {QColor(212, 208, 200), QColor(212, 208, 200)},
};

}  // namespace

InkWrite::InkWrite(Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_markersInBackgroundFrom(MarkerCache::kBackgroundFrom),
      m_services(services)
{
    setObjectName("inkWrite");
    setWindowTitle(QStringLiteral("Tavro Pen Writer"));
    setWindowIcon(Artwork::appIcon());
    setFixedSize(Layout::kOuterSize);
    // The client area lies inside the painted frame (the capture's origin).
    setContentsMargins(Layout::kFrameWidth, Layout::kFrameWidth, Layout::kFrameWidth, Layout::kFrameWidth);
    move(Layout::kClientPosition - QPoint(Layout::kFrameWidth, Layout::kFrameWidth));
    setCursor(Artwork::cursor(Artwork::CursorKind::Hand, devicePixelRatioF()));

    buildLayout();
    Form_Load();
    connectHandlers();
}

InkWrite::~InkWrite() = default;

// Start-up: the steps run in this order, none of them guarded; a failure
// ends the load and the window is never shown.
void InkWrite::Form_Load()
{
    ApplicationMode = kModeInk;
    goCount = 0;
    myInkCollector = std::make_unique<InkCollector>();
    myInkCollector->SetWindow(ImgPaper);
    myInkCollector->SetAutoRedraw(false);
    myInkCollector->DefaultDrawingAttributes().SetWidth(kMiddlePenWidth);
    myInkCollector->SetEventInterest(InkCollectorEventInterest::CursorDown, true);
    myInkCollector->SetEventInterest(InkCollectorEventInterest::NewPackets, true);
    myInkCollector->SetMousePointer(kMousePointerCustom);
    myInkCollector->SetMouseIcon(picPen2->mouseIcon());

    // The window's outer size in twips. The paper gets those numbers as
    // pixels, so it reaches far past the window's right and bottom edges and
    // every visible point of it takes ink.
    const QSize outer = frameGeometry().size();
    InkRectangle inputRectangle;
    inputRectangle.Top = 0;
    inputRectangle.Left = 0;
    inputRectangle.Bottom = roundHalfEven(outer.height() * kTwipsPerPixel);
    inputRectangle.Right = roundHalfEven(outer.width() * kTwipsPerPixel);

    ImgPaper->move(0, Picture1->height());
    ImgPaper->resize(inputRectangle.Right, inputRectangle.Bottom);

    myInkCollector->SetWindowInputRectangle(inputRectangle);
    myInkCollector->SetEnabled(true);
}

void InkWrite::connectHandlers()
{
    connect(Picture1, &PictureBox::MouseDown, this, guarded(&InkWrite::Picture1_MouseDown));
    connect(Picture1, &PictureBox::MouseMove, this, guarded(&InkWrite::Picture1_MouseMove));
    connect(Picture1, &PictureBox::MouseUp, this, guarded(&InkWrite::Picture1_MouseUp));
    connect(imgExit, &HotSpot::Click, this, guarded(&InkWrite::imgExit_Click));

    connect(Image1, &HotSpot::Click, this, guarded(&InkWrite::Image1_Click));
    connect(Image2, &HotSpot::Click, this, guarded(&InkWrite::Image2_Click));
    connect(Image3, &HotSpot::Click, this, guarded(&InkWrite::Image3_Click));
    for (SwatchLabel* label : labColor)
        connect(label, &HotSpot::Click, this,
                [this, label] { runGuarded([&] { labColor_Click(label->Index()); }); });
    connect(imgBackGColor_B, &HotSpot::Click, this, guarded(&InkWrite::imgBackGColor_B_Click));
    connect(imgBackGColor_W, &HotSpot::Click, this, guarded(&InkWrite::imgBackGColor_W_Click));

    connect(ImgPaper, &PictureBox::Paint, this, guarded(&InkWrite::ImgPaper_Paint));
    connect(ImgPaper, &PictureBox::MouseDown, this, guarded(&InkWrite::ImgPaper_MouseDown));
    connect(ImgPaper, &PictureBox::MouseMove, this, guarded(&InkWrite::ImgPaper_MouseMove));
    connect(Image4, &HotSpot::Click, this, guarded(&InkWrite::Image4_Click));
    // Direct: the Stroke handler's cancel goes back to the collector by reference.
    connect(myInkCollector.get(), &InkCollector::CursorDown, this, guarded(&InkWrite::myInkCollector_CursorDown),
            Qt::DirectConnection);
    connect(myInkCollector.get(), &InkCollector::NewPackets, this, guarded(&InkWrite::myInkCollector_NewPackets),
            Qt::DirectConnection);
    connect(myInkCollector.get(), &InkCollector::Stroke, this, guarded(&InkWrite::myInkCollector_Stroke),
            Qt::DirectConnection);

    connect(imgSave, &HotSpot::Click, this, guarded(&InkWrite::imgSave_Click));
    connect(imgSave, &HotSpot::MouseMove, this, guarded(&InkWrite::imgSave_MouseMove));
    connect(imgNew, &HotSpot::Click, this, guarded(&InkWrite::imgNew_Click));
    connect(picOpen, &HotSpot::Click, this, guarded(&InkWrite::picOpen_Click));
}

// A window manager keeps to the fixed size, but without one any client can
// resize the window and the X server simply does it: take the size back.
void InkWrite::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (event->size() != Layout::kOuterSize)
        resize(Layout::kOuterSize);
}

void InkWrite::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QRect ring = rect();
    for (const FrameRing& colours : kFrameRings) {
        const int right = ring.right();
        const int bottom = ring.bottom();
        painter.fillRect(QRect(ring.left(), ring.top(), ring.width() - 1, 1), colours.topLeft);
        painter.fillRect(QRect(ring.left(), ring.top(), 1, ring.height() - 1), colours.topLeft);
        painter.fillRect(QRect(ring.left(), bottom, ring.width(), 1), colours.bottomRight);
        painter.fillRect(QRect(right, ring.top(), 1, ring.height()), colours.bottomRight);
        ring.adjust(1, 1, -1, -1);
    }
}
