"""Metafile seeds written record by record: a Windows metafile (placeable
and not) and an enhanced metafile that each use most of the records the
player draws (shapes, paths, clipping, text, bitmaps, pattern brushes), and
copies with one thing wrong: cut short, no end record, a record size that
lies, a point count past the record, an absurd frame."""
import struct

from seeds_raster import GREYS4, _rows, bmp


def _packed_dib(width=4, height=3):
    """A packed 4-bit bitmap (info header, palette, rows) as records carry it."""
    return bmp(width, height, 4, _rows(width, height, 4, lambda x, y: (x + y) % 4), GREYS4)[14:]


# ---- Windows metafiles: 16-bit words, parameters mostly in reverse ----

def wmf_record(function, words=(), tail=b""):
    body = struct.pack(f"<{len(words)}H", *[w & 0xFFFF for w in words]) + tail
    body += b"\0" * (len(body) % 2)
    return struct.pack("<IH", 3 + len(body) // 2, function) + body


def _lo_hi(value):
    return [value & 0xFFFF, value >> 16]


def wmf(records, bbox=(0, 0, 400, 300), units_per_inch=96, placeable=True):
    out = b""
    if placeable:
        head = struct.pack("<IH4hHI", 0x9AC6CDD7, 0, *bbox, units_per_inch, 0)
        checksum = 0
        for (word,) in struct.iter_unpack("<H", head):
            checksum ^= word
        out = head + struct.pack("<H", checksum)
    body = b"".join(records) + wmf_record(0)
    largest = max(len(r) for r in records) // 2 if records else 3
    out += struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(body)) // 2, 8, largest, 0)
    return out + body


def _wmf_text(text):
    data = text.encode("latin-1")
    return data + b"\0" * (len(data) % 2)


def wmf_scene():
    dib = _packed_dib()
    face = b"Arial".ljust(32, b"\0")
    return [
        wmf_record(0x020B, [0, 0]),           # SetWindowOrg
        wmf_record(0x020C, [300, 400]),       # SetWindowExt (y, x)
        wmf_record(0x02FA, [0, 3, 0] + _lo_hi(0x0000FF)),  # CreatePenIndirect: red, 3 wide
        wmf_record(0x02FC, [0] + _lo_hi(0x00C000) + [0]),  # CreateBrushIndirect: green
        wmf_record(0x02FC, [2] + _lo_hi(0xFF0000) + [5]),  # a blue hatched brush
        wmf_record(0x0142, [5, 0], dib),      # DibCreatePatternBrush
        wmf_record(0x02FB, [40, 0, 0, 0, 700, 0x0001, 0x0000, 0, 0], face),  # CreateFontIndirect
        wmf_record(0x012D, [0]), wmf_record(0x012D, [1]), wmf_record(0x012D, [4]),
        wmf_record(0x041B, [100, 150, 10, 10]),                  # Rectangle b, r, t, l
        wmf_record(0x0418, [120, 300, 20, 170]),                 # Ellipse
        wmf_record(0x061C, [20, 20, 200, 120, 130, 10]),         # RoundRect
        wmf_record(0x0817, [150, 300, 150, 200, 290, 390, 140, 190]),  # Arc
        wmf_record(0x081A, [210, 100, 260, 30, 290, 120, 200, 10]),    # Pie
        wmf_record(0x0830, [210, 240, 260, 160, 290, 260, 200, 150]),  # Chord
        wmf_record(0x012D, [2]),
        wmf_record(0x0324, [4, 300, 200, 390, 220, 360, 290, 280, 260]),  # Polygon
        wmf_record(0x0325, [3, 10, 290, 60, 250, 110, 290]),              # Polyline
        wmf_record(0x0538, [2, 3, 3, 20, 20, 40, 20, 30, 40, 60, 20, 80, 20, 70, 40]),  # PolyPolygon
        wmf_record(0x012D, [3]),
        wmf_record(0x001E),                                        # SaveDc
        wmf_record(0x0416, [280, 390, 160, 200]),                  # IntersectClipRect
        wmf_record(0x0418, [300, 400, 150, 190]),
        wmf_record(0x0127, [0xFFFF]),                              # RestoreDc -1
        wmf_record(0x0209, _lo_hi(0x800080)), wmf_record(0x0102, [1]), wmf_record(0x012E, [24]),
        wmf_record(0x0521, [5], _wmf_text("Hello") + struct.pack("<hh", 60, 220)),        # TextOut
        wmf_record(0x0A32, [100, 220, 3, 4, 220, 90, 300, 110], _wmf_text("abc") + struct.pack("<3h", 12, 12, 12)),
        wmf_record(0x0B41, _lo_hi(0x00CC0020) + [3, 4, 0, 0, 40, 60, 240, 330], dib),    # DibStretchBlt
        wmf_record(0x0F43, _lo_hi(0x00CC0020) + [0, 3, 4, 0, 0, 30, 30, 250, 20], dib),  # StretchDib
        wmf_record(0x061D, _lo_hi(0x00F00021) + [20, 20, 5, 5]),   # PatBlt
        wmf_record(0x0214, [0, 0]), wmf_record(0x0213, [300, 400]),  # MoveTo, LineTo
        wmf_record(0x01F0, [1]),                                   # DeleteObject
    ]


def wmf_seeds():
    scene = wmf_scene()
    base = wmf(scene)
    seeds = {
        "placeable_scene": base,
        "no_placeable_header": wmf(scene, placeable=False),
        "placeable_twips": wmf(scene[2:], bbox=(-200, -100, 5000, 3000), units_per_inch=1440),
    }
    broken = {
        "cut_short": base[:len(base) * 2 // 3],
        "no_eof": base[:-6],
        "record_size_lies": base[:40] + struct.pack("<I", 0x7FFFFFFF) + base[44:],
        "point_count_past_record": wmf([wmf_record(0x0324, [30000, 1, 2, 3, 4])]),
        "text_length_past_record": wmf([wmf_record(0x0521, [20000], b"ab\0\0")]),
        "frame_60000_square": wmf(scene[2:], bbox=(-30000, -30000, 30000, 30000), units_per_inch=1),
        "no_window_no_placeable": wmf([wmf_record(0x041B, [1, 1, 0, 0])], placeable=False),
        "hostile_full_frame_rectangles": wmf_full_frame_rectangles(),
    }
    return {**seeds, **broken}


# ---- Enhanced metafiles: 32-bit records, sizes and offsets in bytes ----

def emf_record(kind, words=(), tail=b"", fmt=None):
    body = struct.pack(fmt or f"<{len(words)}i", *words) + tail
    body += b"\0" * (-len(body) % 4)
    return struct.pack("<II", kind, 8 + len(body)) + body


def emf(records, frame=(0, 0, 10583, 7937), device=(960, 960), millimetres=(254, 254)):
    """frame in 0.01 mm (by default 400 x 300 pixels at 96 dpi)."""
    eof = emf_record(14, [0, 16, 20])
    total = 88 + sum(len(r) for r in records) + len(eof)
    header = emf_record(1, [0, 0, 400, 300, *frame], struct.pack(
        "<IIIIHHIIIiiii", 0x464D4520, 0x10000, total, len(records) + 2, 8, 0, 0, 0, 0, *device, *millimetres))
    return header + b"".join(records) + eof


BOUNDS = [0, 0, 400, 300]


def _points16(points):
    return struct.pack(f"<{len(points) * 2}h", *[c for p in points for c in p])


def _logfontw(height, weight, face):
    name = face.encode("utf-16-le").ljust(64, b"\0")
    return struct.pack("<5i8B", height, 0, 0, 0, weight, 1, 0, 0, 0, 0, 0, 0, 0) + name + b"\0" * 192


def _ext_text_out(x, y, text, options=0, dx=True):
    string = text.encode("utf-16-le")
    string += b"\0" * (-len(string) % 4)
    off_string = 76
    off_dx = off_string + len(string) if dx else 0
    fields = struct.pack("<4iIff2iIII4iI", *BOUNDS, 1, 1.0, 1.0, x, y, len(text), off_string, options,
                         x, y - 20, x + 100, y + 20, off_dx)
    tail = fields + string + (struct.pack(f"<{len(text)}i", *[14] * len(text)) if dx else b"")
    return emf_record(84, tail=tail, fmt="<0i")


def _stretch_dibits(x, y, w, h, dib):
    bmi = dib[:40 + 16]  # info header and the four-colour palette
    bits = dib[len(bmi):]
    fields = [*BOUNDS, x, y, 0, 0, 4, 3, 80, len(bmi), 80 + len(bmi), len(bits), 0, 0x00CC0020, w, h]
    return emf_record(81, fields, bmi + bits)


def emf_scene():
    dib = _packed_dib()
    return [
        emf_record(17, [8]),                              # SetMapMode: anisotropic
        emf_record(9, [4000, 3000]), emf_record(11, [400, 300]),  # window and viewport extents
        emf_record(38, [1, 0, 30, 0, 0x0000FF]),          # CreatePen 1: red, 3 pixels
        emf_record(39, [2, 0, 0x00C000, 0]),              # CreateBrushIndirect 2: green
        emf_record(39, [3, 2, 0xFF0000, 4]),              # 3: blue hatch
        emf_record(94, [4, 0, 32, 56, 88, len(dib) - 56], dib),  # CreateDIBPatternBrushPt 4
        emf_record(82, [5], _logfontw(-300, 700, "Arial")),      # ExtCreateFontIndirectW 5
        emf_record(37, [1]), emf_record(37, [2]), emf_record(37, [5]),
        emf_record(43, [100, 100, 1500, 1000]),           # Rectangle
        emf_record(42, [1700, 200, 3000, 1200]),          # Ellipse
        emf_record(44, [100, 1300, 1200, 2900, 200, 200]),  # RoundRect
        emf_record(45, [1900, 1400, 3900, 2900, 3900, 1500, 2900, 2900]),  # Arc
        emf_record(47, [100, 2000, 1200, 2900, 1200, 2000, 100, 2900]),    # Pie
        emf_record(37, [3]),
        emf_record(86, [*BOUNDS, 4], _points16([(3000, 2000), (3900, 2200), (3600, 2900), (2800, 2600)])),
        emf_record(87, [*BOUNDS, 3], _points16([(100, 2900), (600, 2500), (1100, 2900)])),
        emf_record(85, [*BOUNDS, 4], _points16([(100, 100), (1000, 3000), (3000, -1000), (3900, 2900)])),
        emf_record(91, [*BOUNDS, 2, 6, 3, 3], _points16([(200, 200), (400, 200), (300, 400)] * 2)),
        emf_record(3, [*BOUNDS, 3, 2000, 100, 2200, 300, 2000, 300]),  # Polygon, 32-bit
        emf_record(37, [4]),
        emf_record(59), emf_record(27, [2500, 1500]), emf_record(54, [3500, 1600]), emf_record(54, [3000, 2500]),
        emf_record(61), emf_record(60), emf_record(63, BOUNDS),  # a path, stroked and filled
        emf_record(33),                                   # SaveDc
        emf_record(30, [2000, 2000, 3500, 2900]),         # IntersectClipRect
        emf_record(35, [], struct.pack("<6f", 0.9, 0.2, -0.2, 0.9, 50.0, 0.0)),  # SetWorldTransform
        emf_record(42, [2000, 2000, 4000, 3000]),
        emf_record(34, [-1]),                             # RestoreDc
        emf_record(75, [48, 1, 32, 1, 1, 16, 0, 0, 200, 150, 0, 0, 200, 150]),  # ExtSelectClipRgn
        emf_record(24, [0x800080]), emf_record(18, [1]), emf_record(22, [24]),  # text colour, mode, align
        _ext_text_out(2000, 1300, "Hello, 한글"),
        emf_record(75, [0, 5]),                           # clipping off again
        _stretch_dibits(2600, 100, 120, 90, dib),
        emf_record(76, [*BOUNDS, 10, 10, 50, 50, 0x00F00021, 0, 0, *[0] * 6, 0, 0, 0, 0, 0, 0]),  # BitBlt, no bitmap
        emf_record(40, [2]),                              # DeleteObject
    ]


# ---- Hostile: small files that ask for a great deal of drawing ----

def wmf_full_frame_rectangles(count=1000, side=8000):
    """count rectangles over a side x side frame, each filling it."""
    brush = [wmf_record(0x02FC, [0] + _lo_hi(0x0000FF) + [0]), wmf_record(0x012D, [0])]
    return wmf(brush + [wmf_record(0x041B, [side, side, 0, 0])] * count, bbox=(0, 0, side, side))


def _emf_frame(side):
    return (0, 0, side * 2540 // 96, side * 2540 // 96)  # side pixels at 96 dpi


def emf_full_frame_rectangles(count=1000, side=8000):
    brush = [emf_record(39, [1, 0, 0x0000FF, 0]), emf_record(37, [1])]
    return emf(brush + [emf_record(43, [0, 0, side, side])] * count, frame=_emf_frame(side))


def _zigzag(count, side, seed):
    """count points jumping across a side x side square (a polygon crossing itself everywhere)."""
    state, points = seed, []
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        points.append((state % side, (state >> 12) % side))
    return points


def emf_huge_polygon(points=100000, side=8000):
    brush = [emf_record(39, [1, 0, 0x00C000, 0]), emf_record(37, [1]),
             emf_record(38, [2, 0, 40, 0, 0x0000FF]), emf_record(37, [2])]  # a pen 40 units wide
    return emf(brush + [emf_record(86, [0, 0, side, side, points], _points16(_zigzag(points, side, 7)))],
               frame=_emf_frame(side))


def emf_dashed_polyline(points=100000, side=8000):
    pen = [emf_record(38, [1, 1, 1, 0, 0x000000]), emf_record(37, [1])]  # PS_DASH
    return emf(pen + [emf_record(87, [0, 0, side, side, points], _points16(_zigzag(points, side, 11)))],
               frame=_emf_frame(side))


def emf_dashes_across_view(points=10000, side=400):
    """A thin dashed line jumping across what shows: hundreds of thousands of dashes."""
    pen = [emf_record(38, [1, 1, 1, 0, 0x000000]), emf_record(37, [1])]  # PS_DASH
    return emf(pen + [emf_record(87, [0, 0, side, side, points], _points16(_zigzag(points, side, 13)))])


def emf_many_small_records(count=1000000):
    brush = [emf_record(39, [1, 0, 0x0000FF, 0]), emf_record(37, [1])]
    return emf(brush + [emf_record(43, [i % 400, i % 300, i % 400 + 2, i % 300 + 2]) for i in range(count)])


def emf_huge_ellipses(count=4000, scale=1000.0):
    """count ellipses in a path, each made thousands of times the frame by the world transform."""
    setup = [emf_record(35, [], struct.pack("<6f", scale, 0.0, 0.0, scale, 0.0, 0.0)),
             emf_record(39, [1, 0, 0x0000FF, 0]), emf_record(37, [1]), emf_record(59)]
    ellipses = [emf_record(42, [-i, -i, 400 + i, 300 + i]) for i in range(count)]
    return emf(setup + ellipses + [emf_record(60), emf_record(62, BOUNDS)])


def emf_zigzag_strokes(records=11, points=2000, side=400):
    """Thin lines jumping across what shows: few points, many pixel rows."""
    pen = [emf_record(38, [1, 0, 1, 0, 0x0000FF]), emf_record(37, [1])]
    line = emf_record(87, [0, 0, side, side, points], _points16(_zigzag(points, side, 3)))
    return emf(pen + [line] * records)


def emf_clip_restores(points=600, pairs=1000):
    """A clip path crossing itself everywhere, cut and restored again and again."""
    clip = [emf_record(59), emf_record(86, [*BOUNDS, points], _points16(_zigzag(points, 400, 5))),
            emf_record(60), emf_record(67, [5])]  # SelectClipPath, RGN_COPY
    cycle = [emf_record(33), emf_record(30, [0, 0, 200, 150]), emf_record(34, [-1])]
    return emf(clip + cycle * pairs + [emf_record(43, [0, 0, 400, 300])])


def emf_seeds():
    scene = emf_scene()
    base = emf(scene)
    seeds = {
        "scene": base,
        "no_device_size": emf(scene, device=(0, 0), millimetres=(0, 0)),
        "offset_frame": emf(scene[3:], frame=(-5000, 2000, 8000, 9000)),
    }
    broken = {
        "cut_short": base[:len(base) * 2 // 3],
        "no_eof": base[:-20],
        "record_size_lies": base[:92] + struct.pack("<I", 0x7FFFFFF0) + base[96:],
        "point_count_past_record": emf([emf_record(86, [*BOUNDS, 0x40000000], _points16([(1, 2)]))]),
        "text_offset_past_record": emf([emf_record(84, [*BOUNDS, 1, 0, 0, 5, 5, 1000, 0x7FFFFFF0, 0])]),
        "frame_60000_square": emf(scene, frame=(0, 0, 1587500, 1587500)),
        "header_only": base[:88],
    }
    # Smaller than the files that once held the window, the same shapes.
    hostile = {
        "hostile_full_frame_rectangles": emf_full_frame_rectangles(),
        "hostile_huge_polygon": emf_huge_polygon(10000),
        "hostile_dashed_polyline": emf_dashed_polyline(10000),
        "hostile_many_small_records": emf_many_small_records(4000),
        "hostile_huge_ellipses": emf_huge_ellipses(),
        "hostile_zigzag_strokes": emf_zigzag_strokes(),
        "hostile_clip_restores": emf_clip_restores(),
        "hostile_dashes_across_view": emf_dashes_across_view(),
    }
    return {**seeds, **broken, **hostile}
