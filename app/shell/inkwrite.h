#pragma once
// inkWrite, the program's one window: a tool bar picture over a paper that
// takes ink. The window holds the program's state, the handlers of its
// controls and its public operations. It is declared here once; its members
// are defined in the folder of the subsystem they belong to (shell, ink,
// output).

#include "app/shell/controls.h"
#include "app/shell/form_drag.h"
#include "app/shell/guarded.h"
#include "app/shell/services.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class InkCollector;
class InkStrokeDisp;
class InkStrokes;
class MarkerCache;
class QVariant;
struct InkCursor;
class JpegConverter;
class QPainter;

class InkWrite : public QWidget {
    Q_OBJECT
public:
    // Builds the window and loads it; throws (PlatformError) when the ink
    // platform cannot be set up, leaving nothing behind.
    explicit InkWrite(Services& services, QWidget* parent = nullptr);
    ~InkWrite() override;

    // ---- Public operations -------------------------------------------------
    // Shell (delay.cpp, exit.cpp)

    // Returns after at least ms milliseconds; the window stays live meanwhile
    // and any of its handlers may run. Processes pending events at least once,
    // even for 0 or less.
    void Delay(float& ms);
    // Disables the collector and unloads the window.
    void Exit_Rtn();

    // Page counter: the number in the default file name of the save.
    int16_t goCount = 0;

    // ---- State -------------------------------------------------------------
    int16_t applicationMode() const { return ApplicationMode; }
    int16_t dataPresent() const { return DataPresent; }
    // Unloaded: hidden, and the program ends once no procedure of the window
    // is waiting any more.
    bool isUnloaded() const { return m_unloaded; }

    // ---- Controls (layout.cpp) ---------------------------------------------
    // The client area inside the painted frame: white, with the background
    // picture; every control below lies in it.
    PictureBox* clientArea = nullptr;

    PictureBox* ImgPaper = nullptr;  // the paper
    PictureBox* Picture2 = nullptr;  // the latest capture (hidden)
    PictureBox* picPen4 = nullptr;   // eraser cursor holder (hidden)
    PictureBox* picPen3 = nullptr;   // thick-pen cursor holder (hidden)
    PictureBox* picPen2 = nullptr;   // middle-pen cursor holder (hidden)
    PictureBox* picPen1 = nullptr;   // thin-pen cursor holder (hidden)
    PictureBox* Picture1 = nullptr;  // the title picture, the tool bar

    // On the title picture.
    HotSpot* imgBackGColor_W = nullptr;  // white paper
    HotSpot* imgBackGColor_B = nullptr;  // dark paper
    HotSpot* picOpen = nullptr;          // background picture
    HotSpot* imgNew = nullptr;           // new page
    HotSpot* imgSave = nullptr;          // save the page
    HotSpot* Image4 = nullptr;           // remove the last stroke
    HotSpot* imgExit = nullptr;          // quit
    HotSpot* Image1 = nullptr;           // thin pen
    HotSpot* Image2 = nullptr;           // middle pen
    HotSpot* Image3 = nullptr;           // thick pen
    std::array<SwatchLabel*, 25> labColor{};  // the palette, by index

    // ---- Ink ---------------------------------------------------------------
    // Bound to the paper; lives as long as the window.
    std::unique_ptr<InkCollector> myInkCollector;

    // Pen attributes (app/ink/pen_attributes.cpp): the width and colour of
    // strokes drawn from now on; neither changes the mode or the cursor.
    void Pen_Width(int16_t p_Width);
    // p_BackColor: anything that converts to a 32-bit integer, packed
    // red + 256 * green + 65536 * blue.
    void Color_Select(const QVariant& p_BackColor);

    // Modes (app/ink/application_modes.cpp): 1 ink, 2 cusp erase,
    // 3 intersection erase, 4 stroke erase. Any other value is stored and
    // acts as an erase mode that erases nothing and draws no markers.
    void Ink();
    void CuspErase();
    void IntersectionErase();
    void StrokeErase();
    void UpdateApplicationMode(int16_t newMode);

    // The erase modes' markers come from a cache (the default) or are asked
    // of every stroke again at each repaint: the reference for tests and
    // measurements. Both draw the same pixels.
    void setMarkerCacheEnabled(bool on);
    // Pages of at least this many segments get their crossing markers found
    // on another thread (by a cache made after this call).
    void setMarkersInBackgroundFrom(size_t segments) { m_markersInBackgroundFrom = segments; }
    MarkerCache* cuspMarkerCache() const { return m_cuspMarkers.get(); }
    MarkerCache* intersectionMarkerCache() const { return m_intersectionMarkers.get(); }

signals:
    // The window is unloaded and none of its procedures is on the stack any
    // more: the program may end.
    void Unloaded();

protected:
    void paintEvent(QPaintEvent* event) override;  // the frame
    void resizeEvent(QResizeEvent* event) override;  // keeps the fixed size
    void closeEvent(QCloseEvent* event) override;  // exit.cpp

private:
    // ---- Shell: start-up and layout (inkwrite.cpp, layout.cpp) --------------
    void buildLayout();
    void connectHandlers();
    // handler as a slot whose uncaught failure goes to the error report.
    template <class... Args>
    auto guarded(void (InkWrite::*handler)(Args...))
    {
        return [this, handler](Args... args) { runGuarded([&] { (this->*handler)(args...); }); };
    }
    void Form_Load();

    // ---- Shell: exit (exit.cpp) --------------------------------------------
    void imgExit_Click();
    void unload();
    void endWhenIdle();

    // ---- Shell: window drag (form_drag.cpp) --------------------------------
    void Picture1_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void Picture1_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void Picture1_MouseUp(int16_t Button, int16_t Shift, float X, float Y);

    // ---- Ink: pen attributes (app/ink/pen_attributes.cpp) ------------------
    void Image1_Click();
    void Image2_Click();
    void Image3_Click();
    void labColor_Click(int16_t Index);
    void imgBackGColor_B_Click();
    void imgBackGColor_W_Click();

    // ---- Ink: paper input and repaint (app/ink/paper.cpp) ------------------
    void ImgPaper_Paint(QPainter& painter, const QRect& exposed);
    void ImgPaper_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void ImgPaper_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    // A paper position in ink space.
    void paperToInk(float X, float Y, int32_t& x, int32_t& y) const;
    void myInkCollector_CursorDown(const InkCursor& Cursor, const InkStrokeDisp& Stroke);
    void myInkCollector_NewPackets(const InkCursor& Cursor, const InkStrokeDisp& Stroke, int32_t PacketCount,
                                   const std::vector<int32_t>& PacketData);
    void myInkCollector_Stroke(const InkCursor& Cursor, const InkStrokeDisp& Stroke, bool& Cancel);

    // ---- Ink: erasers and their markers (app/ink/*_erase.cpp) --------------
    // Removes the strokes under the eraser at (x, y), ink space; stroke is
    // the eraser end's stroke in progress, or empty for the mouse.
    void StrokeEraseAt(int32_t x, int32_t y, const InkStrokeDisp& stroke);
    void EraseCuspSegment(int32_t x, int32_t y);
    void DrawCuspMarkers(QPainter& painter, const QRect& exposed, const InkStrokes& strokes);
    void EraseIntersectionSegment(int32_t x, int32_t y);
    void DrawIntersectionMarkers(QPainter& painter, const QRect& exposed, const InkStrokes& strokes);

    // ---- Ink: undo (app/ink/undo.cpp) --------------------------------------
    void Image4_Click();

    // The window's refresh: repainted at once, the paper included (Qt leaves
    // out opaque children when only their parent is repainted).
    void refreshWindow();

    // ---- Ink: state ---------------------------------------------------------
    // The stroke eraser's latest position, so that its next one erases along
    // the way between them: the eraser end's, by the ID of its stroke, or the
    // mouse's while a button is down (kMouseEraser); 0: none.
    static constexpr int64_t kMouseEraser = -1;
    int64_t m_eraserStrokeId = 0;
    int32_t m_eraserLastX = 0;
    int32_t m_eraserLastY = 0;
    // Made on first use; they follow the ink, so they go before it does.
    struct MarkerCacheDeleter {
        void operator()(MarkerCache* cache) const;
    };
    std::unique_ptr<MarkerCache, MarkerCacheDeleter> m_cuspMarkers;
    std::unique_ptr<MarkerCache, MarkerCacheDeleter> m_intersectionMarkers;
    bool m_markerCacheEnabled = true;
    size_t m_markersInBackgroundFrom;

    // ---- Output: save, new page, background picture (app/output/) ----------
public:
    // Saves the page while it holds drawing: asks for a name, writes the last
    // capture as a bitmap, waits a second (Delay), has the converter make the
    // JPEG and deletes the bitmap. Reports its own failures; a cancel is
    // silent.
    void End_Rtn();
    // The save's wait between writing the bitmap and converting it, in
    // milliseconds (tests that do not measure it shorten it).
    float saveWait = 1000.0f;
    // Deletes all ink, unless a stroke is being drawn, and repaints.
    void Clear();

private:
    void imgSave_Click();
    // Captures the page into Picture2: what the next save writes.
    void imgSave_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void imgNew_Click();
    // Repaints the window and every control on it now.
    void refresh();
    void picOpen_Click();
    // The converter library, loaded by the first save and kept loaded; shared
    // so that a save waiting in its Delay keeps what it uses.
    std::shared_ptr<JpegConverter> m_jpegConverter;

    // ---- State -------------------------------------------------------------
    Services& m_services;
    int16_t ApplicationMode = 0;  // 1 ink, 2 cusp, 3 intersection, 4 stroke erase
    int16_t DataPresent = 0;      // -1: the page has something to save

    FormDragByHand m_drag;
    int m_delayDepth = 0;  // Delays on the stack
    bool m_unloaded = false;
    bool m_unloadAnnounced = false;
};
