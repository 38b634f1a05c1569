// Writes the metafile scene the picture tests probe (scene.emf, scene.wmf)
// with libUEMF's record writers, so the player is checked against files made
// by an independent writer. Built and run only by make_scenes.sh; the output
// is committed in tests/picture/data. The probes are in the picture tests.
//
// The scene: one picture of 960 x 480 pixels at 96 dpi whose logical units
// are tenths of an output pixel, reached through window and viewport
// extents. It holds a filled and framed rectangle, an ellipse, a thick
// polyline, a polygon, text, a hatched rectangle, a stretched 2 x 2 bitmap
// and a dashed line.

#include <QPoint>
#include <QString>

#include <uemf.h>
#include <uemf_utf.h>
#include <uwmf.h>

#include <QFile>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

using Points = std::vector<QPoint>;

void check(bool ok)
{
    if (!ok)
        throw std::runtime_error("libUEMF could not write a test metafile");
}

U_RECTL rectl(int l, int t, int r, int b) { return rectl_set(pointl_set(l, t), pointl_set(r, b)); }
U_RECT16 rect16(int l, int t, int r, int b) { return U_RECT16_set(point16_set(l, t), point16_set(r, b)); }

std::vector<U_POINT16> points16(const Points& points)
{
    std::vector<U_POINT16> out;
    for (const QPoint& p : points)
        out.push_back(point16_set(p.x(), p.y()));
    return out;
}

// A 2 x 2 bitmap, rows bottom-up: blue, white / red, green on top.
char bitmapPixels[16] = {char(255), 0, 0, char(255), char(255), char(255), 0, 0,
                                0, 0, char(255), 0, char(255), 0, 0, 0};
PU_BITMAPINFO bitmapInfo()
{
    return bitmapinfo_set(bitmapinfoheader_set(2, 2, 1, 24, U_BI_RGB, 16, 0, 0, 0, 0), nullptr);
}

// Both writers take the same calls, so the scene is described once.
class EmfWriter {
public:
    explicit EmfWriter(const QString& path)
    {
        // 254 x 127 mm, drawn for a reference device of 5 pixels a millimetre.
        check(emf_start(QFile::encodeName(path).constData(), 1 << 20, 1 << 18, &m_track) == 0
              && emf_htable_create(128, 128, &m_handles) == 0);
        add(U_EMRHEADER_set(rectl(0, 0, 960, 480), rectl(0, 0, 25400, 12700), nullptr, 0, nullptr,
                            sizel_set(1270, 635), sizel_set(254, 127), 0));
        add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        add(U_EMRSETWINDOWEXTEX_set(sizel_set(9600, 4800)));
        add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(1270, 635)));
        add(U_EMRSETBKCOLOR_set(colorref3_set(255, 255, 255)));
    }
    ~EmfWriter()
    {
        emf_free(&m_track);
        emf_htable_free(&m_handles);
    }
    void add(char* record)
    {
        check(record && emf_append(reinterpret_cast<U_ENHMETARECORD*>(record), m_track, U_REC_FREE) == 0);
    }
    void select(char* create) { add(create), add(selectobject_set(m_handle, m_handles)); }
    void pen(uint32_t style, int width, U_COLORREF c)
    {
        const U_LOGPEN pen = logpen_set(style | (width ? U_PS_GEOMETRIC : 0), point32_set(width, width), c);
        select(createpen_set(&m_handle, m_handles, pen));
    }
    void brush(uint32_t style, U_COLORREF c, int hatch = 0)
    {
        select(createbrushindirect_set(&m_handle, m_handles, logbrush_set(style, c, hatch)));
    }
    void rectangle(int l, int t, int r, int b) { add(U_EMRRECTANGLE_set(rectl(l, t, r, b))); }
    void ellipse(int l, int t, int r, int b) { add(U_EMRELLIPSE_set(rectl(l, t, r, b))); }
    void polyline(const Points& p)
    {
        std::vector<U_POINTL> points;
        for (const QPoint& q : p)
            points.push_back(pointl_set(q.x(), q.y()));
        add(U_EMRPOLYLINE_set(rectl(0, 0, 960, 480), uint32_t(points.size()), points.data()));
    }
    void polygon(const Points& p)
    {
        add(U_EMRPOLYGON16_set(rectl(0, 0, 960, 480), uint32_t(p.size()), points16(p).data()));
    }
    void background(bool opaque) { add(U_EMRSETBKMODE_set(opaque ? U_OPAQUE : U_TRANSPARENT)); }
    void text(int x, int y, int height, const char* utf8)  // black, from the top left
    {
        add(U_EMRSETTEXTCOLOR_set(colorref3_set(0, 0, 0)));
        add(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
        uint16_t* face = U_Utf8ToUtf16le("DejaVu Sans", 0, nullptr);
        U_LOGFONT font = logfont_set(-height, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_ANSI_CHARSET, U_OUT_DEFAULT_PRECIS,
                                     U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, face);
        std::free(face);
        select(extcreatefontindirectw_set(&m_handle, m_handles, reinterpret_cast<const char*>(&font), nullptr));
        uint16_t* string = U_Utf8ToUtf16le(utf8, 0, nullptr);
        const size_t length = wchar16len(string);
        std::vector<uint32_t> advances(length, 240);  // 24 pixels a letter
        char* text = emrtext_set(pointl_set(x, y), uint32_t(length), 2, string, U_ETO_NONE, rectl(0, 0, -1, -1),
                                 advances.data());
        add(U_EMREXTTEXTOUTW_set(rectl(0, 0, 960, 480), U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(text)));
        std::free(text);
        std::free(string);
    }
    void bitmap(int x, int y, int width, int height)
    {
        PU_BITMAPINFO info = bitmapInfo();
        add(U_EMRSTRETCHDIBITS_set(rectl(0, 0, 960, 480), pointl_set(x, y), pointl_set(width, height),
                                   pointl_set(0, 0), pointl_set(2, 2), U_DIB_RGB_COLORS, U_SRCCOPY, info,
                                   sizeof bitmapPixels, bitmapPixels));
        std::free(info);
    }
    void line(int x0, int y0, int x1, int y1)
    {
        add(U_EMRMOVETOEX_set(pointl_set(x0, y0)));
        add(U_EMRLINETO_set(pointl_set(x1, y1)));
    }
    void finish()
    {
        add(U_EMREOF_set(0, nullptr, m_track));
        check(emf_finish(m_track, m_handles) == 0);
    }

private:
    EMFTRACK* m_track = nullptr;
    EMFHANDLES* m_handles = nullptr;
    uint32_t m_handle = 0;
};

class WmfWriter {
public:
    explicit WmfWriter(const QString& path)
    {
        // 10 x 5 inches at 1440 units an inch, filled by a window of 9600 x 4800.
        check(wmf_start(QFile::encodeName(path).constData(), 1 << 20, 1 << 18, &m_track) == 0
              && wmf_htable_create(128, 128, &m_handles) == 0);
        U_PAIRF inches{10, 5};
        char* header = U_WMRHEADER_set(&inches, 1440);
        check(header && wmf_header_append(reinterpret_cast<U_METARECORD*>(header), m_track, U_REC_FREE) == 0);
        add(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
        add(U_WMRSETWINDOWEXT_set(point16_set(9600, 4800)));
        add(U_WMRSETBKCOLOR_set(colorref3_set(255, 255, 255)));
    }
    ~WmfWriter()
    {
        wmf_free(&m_track);
        wmf_htable_free(&m_handles);
    }
    void add(char* record)
    {
        check(record && wmf_append(reinterpret_cast<U_METARECORD*>(record), m_track, U_REC_FREE) == 0);
    }
    void select(char* create) { add(create), add(wselectobject_set(m_handle, m_handles)); }
    void pen(uint32_t style, int width, U_COLORREF c)
    {
        select(wcreatepenindirect_set(&m_handle, m_handles, U_PEN_set(uint16_t(style), uint16_t(width), c)));
    }
    void brush(uint32_t style, U_COLORREF c, int hatch = 0)
    {
        select(wcreatebrushindirect_set(&m_handle, m_handles, U_WLOGBRUSH_set(uint16_t(style), c, uint16_t(hatch))));
    }
    void rectangle(int l, int t, int r, int b) { add(U_WMRRECTANGLE_set(rect16(l, t, r, b))); }
    void ellipse(int l, int t, int r, int b) { add(U_WMRELLIPSE_set(rect16(l, t, r, b))); }
    void polyline(const Points& p) { add(U_WMRPOLYLINE_set(uint16_t(p.size()), points16(p).data())); }
    void polygon(const Points& p) { add(U_WMRPOLYGON_set(uint16_t(p.size()), points16(p).data())); }
    void background(bool opaque) { add(U_WMRSETBKMODE_set(opaque ? U_OPAQUE : U_TRANSPARENT)); }
    void text(int x, int y, int height, const char* latin1)
    {
        add(U_WMRSETTEXTCOLOR_set(colorref3_set(0, 0, 0)));
        add(U_WMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
        char face[] = "DejaVu Sans";
        U_FONT* font = U_FONT_set(int16_t(-height), 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_ANSI_CHARSET, U_OUT_DEFAULT_PRECIS,
                                  U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, face);
        select(wcreatefontindirect_set(&m_handle, m_handles, font));
        std::free(font);
        std::string string(latin1);
        add(U_WMRTEXTOUT_set(point16_set(x, y), string.data()));
    }
    void bitmap(int x, int y, int width, int height)
    {
        PU_BITMAPINFO info = bitmapInfo();
        add(U_WMRSTRETCHDIB_set(point16_set(x, y), point16_set(width, height), point16_set(0, 0), point16_set(2, 2),
                                U_DIB_RGB_COLORS, U_SRCCOPY, info, sizeof bitmapPixels, bitmapPixels));
        std::free(info);
    }
    void line(int x0, int y0, int x1, int y1)
    {
        add(U_WMRMOVETO_set(point16_set(x0, y0)));
        add(U_WMRLINETO_set(point16_set(x1, y1)));
    }
    void finish()
    {
        add(U_WMREOF_set());
        check(wmf_finish(m_track) == 0);
    }

private:
    WMFTRACK* m_track = nullptr;
    WMFHANDLES* m_handles = nullptr;
    uint32_t m_handle = 0;
};

// In logical units, ten to an output pixel; sceneProbes() says where each lands.
template <class Writer>
void writeScene(const QString& path)
{
    Writer w(path);
    const U_COLORREF black = colorref3_set(0, 0, 0);
    w.pen(U_PS_SOLID, 40, black);
    w.brush(U_BS_SOLID, colorref3_set(255, 0, 0));
    w.rectangle(1000, 1000, 3000, 2000);
    w.pen(U_PS_NULL, 0, black);
    w.brush(U_BS_SOLID, colorref3_set(0, 0, 255));
    w.ellipse(3500, 500, 5500, 2500);
    w.pen(U_PS_SOLID, 60, colorref3_set(0, 255, 0));
    w.polyline({{500, 3000}, {3000, 3000}});
    w.pen(U_PS_NULL, 0, black);
    w.brush(U_BS_SOLID, colorref3_set(255, 255, 0));
    w.polygon({{6000, 500}, {9000, 500}, {7500, 2500}});
    w.background(true);  // white behind the hatch
    w.brush(U_BS_HATCHED, colorref3_set(0, 0, 255), U_HS_CROSS);
    w.rectangle(3500, 3000, 5500, 4500);
    w.background(false);
    w.text(6000, 3000, 400, "Hello");
    w.bitmap(500, 3500, 2000, 1000);
    w.pen(U_PS_DASH, 0, black);
    w.line(6000, 4000, 9000, 4000);
    w.finish();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    writeScene<EmfWriter>(folder + "/scene.emf");
    writeScene<WmfWriter>(folder + "/scene.wmf");
    return 0;
}
