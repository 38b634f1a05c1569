#pragma once
// A GDI device context played onto a QPainter: the state a Windows metafile
// or enhanced metafile changes (mapping, objects, colours, modes, clipping,
// the current position and path) and the drawing calls its records make.
// Coordinates come in logical units; everything is drawn in output pixels,
// within the picture's frame (0, 0, frame size) and the painter's device,
// which holds only the part of the picture that can show.
//
// Playing has a budget: records, points, pixels filled or stroked (within
// what shows) and characters. Past any of it, the drawing call throws
// PlatformError, so no metafile holds the window for long.

#include "platform/picture/gdi_objects.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <map>
#include <optional>
#include <set>
#include <vector>

// The bitmaps inside one metafile decode to at most this many bytes in all.
constexpr int64_t kMaxMetafileBitmapBytes = int64_t(96) * 1024 * 1024;

// The transparent image a metafile of `frame` output pixels is played into:
// only the part within `shown` logical pixels (all of it for an invalid
// size) at `ratio` output pixels each. Throws PlatformError without memory.
QImage metafileCanvas(QSize frame, QSize shown, double ratio);

// Qt flattens each cubic into as many as 512 points whatever its size, so a
// few records of curves can ask for millions. The player flattens curves
// itself, to a quarter of an output pixel (Wang's bound on the segments a
// cubic needs, at most Qt's 512), and counts the points before making them.
double flattenedPoints(const QPainterPath& path);
// The path with its curves flattened; points is flattenedPoints(path).
QPainterPath flattened(const QPainterPath& path, double points);

class GdiDevice {
public:
    // How logical units reach the output. Gdi: GDI's map modes with window
    // and viewport, onto a reference device whose pixels setDeviceToOutput
    // maps to the output (enhanced metafiles). WindowToFrame: the window
    // rectangle fills the frame (Windows metafiles, as a placeable metafile
    // is shown).
    enum class Mapping { Gdi, WindowToFrame };
    enum class ArcKind { Arc, Chord, Pie };

    GdiDevice(QPainter& painter, QSizeF frame, double dpi, Mapping mapping);

    void setDeviceToOutput(const QTransform& transform, QSizeF devicePixelsPerMm);

    // One record played; throws past the budget.
    void countRecord();

    // Mapping.
    void setMapMode(uint32_t mode);
    void setWindowOrg(QPointF origin);
    void setWindowExt(QSizeF extent);
    void setViewportOrg(QPointF origin);
    void setViewportExt(QSizeF extent);
    void offsetWindowOrg(QPointF offset);
    void offsetViewportOrg(QPointF offset);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const QTransform& transform);
    void modifyWorldTransform(const QTransform& transform, uint32_t mode);

    // Modes and colours.
    void setTextColor(QColor color) { m_state.textColor = color; }
    void setBkColor(QColor color) { m_state.bkColor = color; }
    void setBkMode(uint32_t mode) { m_state.opaqueBackground = (mode == 2); }
    void setTextAlign(uint32_t align) { m_state.textAlign = align; }
    void setPolyFillMode(uint32_t mode);
    void setArcDirection(uint32_t direction) { m_state.clockwise = (direction == 2); }

    const GdiFont& font() const { return m_state.font; }

    void saveDc();
    void restoreDc(int32_t which);  // < 0 relative to the last save, > 0 absolute

    // Objects: by index (enhanced metafiles) or in the lowest free slot of a
    // table of `capacity` (Windows metafiles, see setObjectCapacity).
    void createObject(uint32_t index, GdiObject object);
    void addObject(GdiObject object);
    void setObjectCapacity(uint32_t capacity) { m_capacity = capacity; }
    void selectObject(uint32_t index);
    void selectStockObject(uint32_t number);
    void deleteObject(uint32_t index);

    // Clipping.
    void intersectClipRect(const QRectF& rect);
    void excludeClipRect(const QRectF& rect);
    void setClipRegion(const std::vector<QRectF>& deviceRects, uint32_t mode);  // RGN_*; empty COPY resets
    void selectClipPath(uint32_t mode);

    // Drawing.
    void moveTo(QPointF point);
    void lineTo(QPointF point);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    void polygon(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyPolyline(const std::vector<QPolygonF>& lines);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    void arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    void setPixel(QPointF point, QColor color);
    void patBlt(const QRectF& rect, uint32_t rop);
    // Draws source (pixels of image) into dest (logical; a negative extent
    // mirrors) with a raster operation that takes the source (SRC*).
    void drawBitmap(const QRectF& dest, const QImage& image, const QRectF& source, uint32_t rop);
    void text(QPointF reference, const QString& text, const std::vector<double>& dx,
              uint32_t options, const std::optional<QRectF>& rect);

    // Paths.
    void beginPath();
    void endPath() { m_inPath = false; }
    void closeFigure();
    void abortPath();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();

private:
    struct Mapper {
        uint32_t mode = 1;  // MM_TEXT
        QPointF windowOrg, viewportOrg;
        QSizeF windowExt{1, 1}, viewportExt{1, 1};
        QTransform world;
    };
    struct State {
        GdiPen pen;
        GdiBrush brush;
        GdiFont font;
        QColor textColor = Qt::black;
        QColor bkColor = Qt::white;
        bool opaqueBackground = true;
        uint32_t textAlign = 0;
        Qt::FillRule fillRule = Qt::OddEvenFill;
        bool clockwise = false;
        QPointF current;
        Mapper mapper;
        std::optional<QPainterPath> clip;  // output pixels, within the frame; none is the whole frame
    };

    struct Spent {
        int64_t records = 0;
        double work = 0;  // points, weighed by what each costs
        double area = 0;
        int64_t characters = 0;
    };
    // Charges filling `path` (output pixels), or with a stroke length > 0,
    // stroking it with a pen reaching `reach` pixels beyond it, dashed every
    // `dashPeriod` pixels when that is > 0; returns the path to draw, its
    // curves flattened.
    [[nodiscard]] QPainterPath charge(const QPainterPath& path, double reach, double length,
                                      double dashPeriod = 0);
    void chargeArea(const QRectF& outputBox, double atMost);
    // What Qt's rasteriser walks for the edges of `flat` within what shows
    // grown by `reach`: the pixel rows they cross (each figure closed, each
    // edge `reach` wider on both sides), and their length there (as drawn,
    // without closing).
    struct EdgeCost {
        double rows = 0;
        double length = 0;
    };
    EdgeCost edgeCost(const QPainterPath& flat, double reach) const;
    void checkBudget() const;

    QTransform toOutput() const;
    QTransform pageToDevice() const;
    double penWidth(const QTransform& toOut) const;
    QPen qtPen(const QTransform& toOut) const;
    void fillWith(const QPainterPath& outputPath);
    void emitShape(const QPainterPath& logical, bool closed);
    void emitOpen(const QPainterPath& logical);
    void strokeOutput(const QPainterPath& outputPath);
    void continueFigure();
    void applyClip();
    void combineClip(const QPainterPath& outputArea, uint32_t mode);
    QPainterPath framePath() const;

    QPainter& m_painter;
    QSizeF m_frame;
    QRectF m_visible;  // the frame within the painter's device
    Spent m_spent;
    double m_dpi;
    Mapping m_mapping;
    QTransform m_deviceToOutput;
    QSizeF m_devicePixelsPerMm{96 / 25.4, 96 / 25.4};
    State m_state;
    std::vector<State> m_saved;
    std::map<uint32_t, GdiObject> m_objects;
    uint32_t m_capacity = 0;
    uint32_t m_highWater = 0;   // slots below it have been handed out
    std::set<uint32_t> m_freed; // deleted slots below m_highWater
    bool m_inPath = false;
    QPainterPath m_path;  // output pixels
    bool m_figureOpen = false;
};
