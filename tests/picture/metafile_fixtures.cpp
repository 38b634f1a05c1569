#include "metafile_fixtures.h"

#include <uemf.h>
#include <uemf_utf.h>
#include <uwmf.h>

#include <QFile>

#include <cstdlib>
#include <stdexcept>

namespace fixtures {
namespace {

// ---- enhanced metafiles ----

class EmfWriter {
public:
    EmfWriter(const QString& path, U_RECTL frame, U_SIZEL devicePixels, U_SIZEL millimetres)
    {
        if (emf_start(QFile::encodeName(path).constData(), 1 << 20, 1 << 18, &m_track) != 0
            || emf_htable_create(128, 128, &m_handles) != 0)
            throw std::runtime_error("libUEMF: cannot start an enhanced metafile");
        const U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(frame.right / 26, frame.bottom / 26));
        add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, devicePixels, millimetres, 0));
    }
    ~EmfWriter()
    {
        emf_free(&m_track);
        emf_htable_free(&m_handles);
    }

    void add(char* record)
    {
        if (!record || emf_append(reinterpret_cast<U_ENHMETARECORD*>(record), m_track, U_REC_FREE) != 0)
            throw std::runtime_error("libUEMF: cannot append a record");
    }
    void pen(uint32_t style, int32_t width, U_COLORREF colour)
    {
        uint32_t handle = 0;
        add(createpen_set(&handle, m_handles, logpen_set(style, point32_set(width, width), colour)));
        add(selectobject_set(handle, m_handles));
    }
    void brush(uint32_t style, U_COLORREF colour, int32_t hatch = 0)
    {
        uint32_t handle = 0;
        add(createbrushindirect_set(&handle, m_handles, logbrush_set(style, colour, hatch)));
        add(selectobject_set(handle, m_handles));
    }
    void font(int32_t height)
    {
        uint16_t* face = U_Utf8ToUtf16le("DejaVu Sans", 0, nullptr);
        U_LOGFONT logFont = logfont_set(height, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_ANSI_CHARSET,
                                        U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY,
                                        U_DEFAULT_PITCH, face);
        std::free(face);
        uint32_t handle = 0;
        add(extcreatefontindirectw_set(&handle, m_handles, reinterpret_cast<const char*>(&logFont), nullptr));
        add(selectobject_set(handle, m_handles));
    }
    void finish()
    {
        add(U_EMREOF_set(0, nullptr, m_track));
        if (emf_finish(m_track, m_handles) != 0)
            throw std::runtime_error("libUEMF: cannot write the enhanced metafile");
    }

private:
    EMFTRACK* m_track = nullptr;
    EMFHANDLES* m_handles = nullptr;
};

U_RECTL rect(int32_t l, int32_t t, int32_t r, int32_t b)
{
    return rectl_set(pointl_set(l, t), pointl_set(r, b));
}

// A 2 x 2 bitmap, rows bottom-up: blue, white / red, green on top.
struct Bitmap2x2 {
    U_BITMAPINFOHEADER header = bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0);
    char pixels[16] = {
        char(255), 0, 0, char(255), char(255), char(255), 0, 0,  // bottom row: blue, white
        0, 0, char(255), 0, char(255), 0, 0, 0,                  // top row: red, green
    };
    PU_BITMAPINFO info() { return bitmapinfo_set(header, nullptr); }
};

// ---- Windows metafiles ----

class WmfWriter {
public:
    // bbox in logical units at unitsPerInch; no bbox: no placeable header.
    WmfWriter(const QString& path, const U_PAIRF* inches, unsigned unitsPerInch)
    {
        if (wmf_start(QFile::encodeName(path).constData(), 1 << 20, 1 << 18, &m_track) != 0
            || wmf_htable_create(128, 128, &m_handles) != 0)
            throw std::runtime_error("libUEMF: cannot start a metafile");
        U_PAIRF size = inches ? *inches : U_PAIRF{0, 0};
        char* header = U_WMRHEADER_set(inches ? &size : nullptr, unitsPerInch);
        if (!header || wmf_header_append(reinterpret_cast<U_METARECORD*>(header), m_track, U_REC_FREE) != 0)
            throw std::runtime_error("libUEMF: cannot write the metafile header");
    }
    ~WmfWriter()
    {
        wmf_free(&m_track);
        wmf_htable_free(&m_handles);
    }

    void add(char* record)
    {
        if (!record || wmf_append(reinterpret_cast<U_METARECORD*>(record), m_track, U_REC_FREE) != 0)
            throw std::runtime_error("libUEMF: cannot append a record");
    }
    void pen(uint16_t style, uint16_t width, U_COLORREF colour)
    {
        uint32_t handle = 0;
        add(wcreatepenindirect_set(&handle, m_handles, U_PEN_set(style, width, colour)));
        add(wselectobject_set(handle, m_handles));
    }
    void brush(uint16_t style, U_COLORREF colour, uint16_t hatch = 0)
    {
        uint32_t handle = 0;
        add(wcreatebrushindirect_set(&handle, m_handles, U_WLOGBRUSH_set(style, colour, hatch)));
        add(wselectobject_set(handle, m_handles));
    }
    void font(int16_t height)
    {
        char face[] = "DejaVu Sans";
        U_FONT* font = U_FONT_set(height, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_ANSI_CHARSET, U_OUT_DEFAULT_PRECIS,
                                  U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, face);
        uint32_t handle = 0;
        add(wcreatefontindirect_set(&handle, m_handles, font));
        std::free(font);
        add(wselectobject_set(handle, m_handles));
    }
    void finish()
    {
        add(U_WMREOF_set());
        if (wmf_finish(m_track) != 0)
            throw std::runtime_error("libUEMF: cannot write the metafile");
    }

private:
    WMFTRACK* m_track = nullptr;
    WMFHANDLES* m_handles = nullptr;
};

U_RECT16 rect16(int16_t l, int16_t t, int16_t r, int16_t b)
{
    return U_RECT16_set(point16_set(l, t), point16_set(r, b));
}

}  // namespace

void writeEmfScene(const QString& path)
{
    // 254 x 127 mm, drawn for a reference device of 5 pixels a millimetre.
    EmfWriter emf(path, rect(0, 0, 25400, 12700), sizel_set(1270, 635), sizel_set(254, 127));
    emf.add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    emf.add(U_EMRSETWINDOWEXTEX_set(sizel_set(9600, 4800)));
    emf.add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(1270, 635)));

    emf.pen(U_PS_SOLID | U_PS_GEOMETRIC, 40, colorref3_set(0, 0, 0));
    emf.brush(U_BS_SOLID, colorref3_set(255, 0, 0));
    emf.add(U_EMRRECTANGLE_set(rect(1000, 1000, 3000, 2000)));

    emf.pen(U_PS_NULL, 0, colorref3_set(0, 0, 0));
    emf.brush(U_BS_SOLID, colorref3_set(0, 0, 255));
    emf.add(U_EMRELLIPSE_set(rect(3500, 500, 5500, 2500)));

    emf.pen(U_PS_SOLID | U_PS_GEOMETRIC, 60, colorref3_set(0, 255, 0));
    const U_POINTL line[] = {pointl_set(500, 3000), pointl_set(3000, 3000)};
    emf.add(U_EMRPOLYLINE_set(rect(50, 300, 300, 300), 2, line));

    emf.pen(U_PS_NULL, 0, colorref3_set(0, 0, 0));
    emf.brush(U_BS_SOLID, colorref3_set(255, 255, 0));
    const U_POINT16 triangle[] = {point16_set(6000, 500), point16_set(9000, 500), point16_set(7500, 2500)};
    emf.add(U_EMRPOLYGON16_set(rect(600, 50, 900, 250), 3, triangle));

    emf.add(U_EMRSETBKMODE_set(U_OPAQUE));
    emf.add(U_EMRSETBKCOLOR_set(colorref3_set(255, 255, 255)));
    emf.brush(U_BS_HATCHED, colorref3_set(0, 0, 255), U_HS_CROSS);
    emf.add(U_EMRRECTANGLE_set(rect(3500, 3000, 5500, 4500)));

    emf.add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    emf.add(U_EMRSETTEXTCOLOR_set(colorref3_set(0, 0, 0)));
    emf.add(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
    emf.font(-400);
    uint16_t* hello = U_Utf8ToUtf16le("Hello", 0, nullptr);
    uint32_t advances[] = {240, 240, 240, 240, 240};  // 24 pixels a letter
    char* text = emrtext_set(pointl_set(6000, 3000), 5, 2, hello, U_ETO_NONE, rect(0, 0, -1, -1), advances);
    emf.add(U_EMREXTTEXTOUTW_set(rect(600, 300, 800, 345), U_GM_COMPATIBLE, 1, 1,
                                 reinterpret_cast<PU_EMRTEXT>(text)));
    std::free(text);
    std::free(hello);

    Bitmap2x2 bitmap;
    PU_BITMAPINFO info = bitmap.info();
    emf.add(U_EMRSTRETCHDIBITS_set(rect(50, 350, 250, 450), pointl_set(500, 3500), pointl_set(2000, 1000),
                                   pointl_set(0, 0), pointl_set(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY, info,
                                   sizeof bitmap.pixels, bitmap.pixels));
    std::free(info);

    emf.pen(U_PS_DASH, 0, colorref3_set(0, 0, 0));
    emf.add(U_EMRMOVETOEX_set(pointl_set(6000, 4000)));
    emf.add(U_EMRLINETO_set(pointl_set(9000, 4000)));
    emf.finish();
}

void writeWmfScene(const QString& path)
{
    // 10 x 5 inches at 1440 units an inch: 960 x 480 pixels at 96 dpi. The
    // window of 9600 x 4800 units fills it.
    const U_PAIRF inches{10, 5};
    WmfWriter wmf(path, &inches, 1440);
    wmf.add(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
    wmf.add(U_WMRSETWINDOWEXT_set(point16_set(9600, 4800)));

    wmf.pen(U_PS_SOLID, 40, colorref3_set(0, 0, 0));
    wmf.brush(U_BS_SOLID, colorref3_set(255, 0, 0));
    wmf.add(U_WMRRECTANGLE_set(rect16(1000, 1000, 3000, 2000)));

    wmf.pen(U_PS_NULL, 0, colorref3_set(0, 0, 0));
    wmf.brush(U_BS_SOLID, colorref3_set(0, 0, 255));
    wmf.add(U_WMRELLIPSE_set(rect16(3500, 500, 5500, 2500)));

    wmf.pen(U_PS_SOLID, 60, colorref3_set(0, 255, 0));
    const U_POINT16 line[] = {point16_set(500, 3000), point16_set(3000, 3000)};
    wmf.add(U_WMRPOLYLINE_set(2, line));

    wmf.pen(U_PS_NULL, 0, colorref3_set(0, 0, 0));
    wmf.brush(U_BS_SOLID, colorref3_set(255, 255, 0));
    const U_POINT16 triangle[] = {point16_set(6000, 500), point16_set(9000, 500), point16_set(7500, 2500)};
    wmf.add(U_WMRPOLYGON_set(3, triangle));

    wmf.add(U_WMRSETBKMODE_set(U_OPAQUE));
    wmf.add(U_WMRSETBKCOLOR_set(colorref3_set(255, 255, 255)));
    wmf.brush(U_BS_HATCHED, colorref3_set(0, 0, 255), U_HS_CROSS);
    wmf.add(U_WMRRECTANGLE_set(rect16(3500, 3000, 5500, 4500)));

    wmf.add(U_WMRSETBKMODE_set(U_TRANSPARENT));
    wmf.add(U_WMRSETTEXTCOLOR_set(colorref3_set(0, 0, 0)));
    wmf.add(U_WMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
    wmf.font(-400);
    char hello[] = "Hello";
    wmf.add(U_WMRTEXTOUT_set(point16_set(6000, 3000), hello));

    Bitmap2x2 bitmap;
    PU_BITMAPINFO info = bitmap.info();
    wmf.add(U_WMRSTRETCHDIB_set(point16_set(500, 3500), point16_set(2000, 1000), point16_set(0, 0),
                                point16_set(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY, info, sizeof bitmap.pixels,
                                bitmap.pixels));
    std::free(info);

    wmf.pen(U_PS_DASH, 0, colorref3_set(0, 0, 0));
    wmf.add(U_WMRMOVETO_set(point16_set(6000, 4000)));
    wmf.add(U_WMRLINETO_set(point16_set(9000, 4000)));
    wmf.finish();
}

std::vector<SceneProbe> sceneProbes()
{
    const QColor none;
    return {
        {"rectangle fill", {200, 150}, Qt::red},
        {"rectangle frame", {100, 150}, Qt::black},
        {"left of rectangle", {94, 150}, none},
        {"ellipse centre", {450, 150}, Qt::blue},
        {"corner of the ellipse's box", {356, 56}, none},
        {"thick polyline", {175, 301}, Qt::green},
        {"below the polyline", {175, 310}, none},
        {"polygon", {750, 100}, Qt::yellow},
        {"outside the polygon", {620, 200}, none},
        {"bitmap, top left", {100, 375}, Qt::red},
        {"bitmap, top right", {200, 375}, Qt::green},
        {"bitmap, bottom left", {100, 425}, Qt::blue},
        {"bitmap, bottom right", {200, 425}, Qt::white},
        {"right of the bitmap", {256, 400}, none},
        {"far corner", {950, 470}, none},
    };
}

std::vector<MappingCase> mappingCases()
{
    const double lo = 10 * 96 / 25.4 / 10;  // one LOMETRIC unit in pixels, times ten
    return {
        {Mapping::EmfText, "EMF MM_TEXT", {480, 240}, QRectF(100, 100, 200, 100)},
        {Mapping::EmfIsotropic, "EMF MM_ISOTROPIC", {480, 240}, QRectF(120, 48, 240, 96)},
        {Mapping::EmfFlippedY, "EMF y upwards", {480, 240}, QRectF(100, 40, 200, 100)},
        {Mapping::EmfLoMetric, "EMF MM_LOMETRIC", {480, 240}, QRectF(10 * lo, 10 * lo, 20 * lo, 10 * lo)},
        {Mapping::EmfWorld, "EMF world transform", {480, 240}, QRectF(200, 100, 100, 50)},
        {Mapping::EmfViewportOrigin, "EMF viewport origin", {480, 240}, QRectF(50, 60, 100, 50)},
        {Mapping::EmfHiResDevice, "EMF 300 dpi device", {480, 240}, QRectF(96, 96, 192, 96)},
        {Mapping::WmfWindowOrigin, "WMF window origin", {480, 240}, QRectF(100, 50, 100, 50)},
        {Mapping::WmfUnplaced, "WMF without placeable header", {400, 300}, QRectF(0, 0, 200, 150)},
    };
}

void writeMapping(const QString& path, Mapping mapping)
{
    if (mapping == Mapping::WmfWindowOrigin || mapping == Mapping::WmfUnplaced) {
        const U_PAIRF inches{5, 2.5};
        const bool placed = mapping == Mapping::WmfWindowOrigin;
        WmfWriter wmf(path, placed ? &inches : nullptr, 96);
        wmf.add(U_WMRSETWINDOWORG_set(placed ? point16_set(-100, -50) : point16_set(0, 0)));
        wmf.add(U_WMRSETWINDOWEXT_set(placed ? point16_set(480, 240) : point16_set(400, 300)));
        wmf.pen(U_PS_NULL, 0, colorref3_set(0, 0, 0));
        wmf.brush(U_BS_SOLID, colorref3_set(255, 0, 0));
        wmf.add(U_WMRRECTANGLE_set(placed ? rect16(0, 0, 100, 50) : rect16(0, 0, 200, 150)));
        wmf.finish();
        return;
    }

    // 127 x 63.5 mm: 480 x 240 pixels at 96 dpi.
    const U_SIZEL device = mapping == Mapping::EmfHiResDevice ? sizel_set(3000, 1500) : sizel_set(960, 480);
    EmfWriter emf(path, rect(0, 0, 12700, 6350), device, sizel_set(254, 127));
    emf.pen(U_PS_NULL, 0, colorref3_set(0, 0, 0));
    emf.brush(U_BS_SOLID, colorref3_set(255, 0, 0));
    U_RECTL shape = rect(100, 100, 300, 200);
    switch (mapping) {
    case Mapping::EmfIsotropic:
        emf.add(U_EMRSETMAPMODE_set(U_MM_ISOTROPIC));
        emf.add(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 1000)));
        emf.add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(480, 240)));
        shape = rect(500, 200, 1500, 600);
        break;
    case Mapping::EmfFlippedY:
        emf.add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        emf.add(U_EMRSETWINDOWORGEX_set(pointl_set(0, 2400)));
        emf.add(U_EMRSETWINDOWEXTEX_set(sizel_set(4800, -2400)));
        emf.add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(480, 240)));
        shape = rect(1000, 1000, 3000, 2000);
        break;
    case Mapping::EmfLoMetric:
        emf.add(U_EMRSETMAPMODE_set(U_MM_LOMETRIC));
        shape = rect(100, -100, 300, -200);
        break;
    case Mapping::EmfWorld:
        emf.add(U_EMRSETWORLDTRANSFORM_set(xform_set(1, 0, 0, 1, 200, 100)));
        shape = rect(0, 0, 100, 50);
        break;
    case Mapping::EmfViewportOrigin:
        emf.add(U_EMRSETVIEWPORTORGEX_set(pointl_set(50, 60)));
        shape = rect(0, 0, 100, 50);
        break;
    case Mapping::EmfHiResDevice:
        shape = rect(300, 300, 900, 600);
        break;
    default:
        break;
    }
    emf.add(U_EMRRECTANGLE_set(shape));
    emf.finish();
}

}  // namespace fixtures
