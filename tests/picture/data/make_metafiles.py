#!/usr/bin/env python3
"""Writes the small metafiles the picture tests read into metafile/ beside
this script (or the folder given): one red rectangle placed through each way
of mapping logical units, and damaged files no writer library would make
(records with wrong sizes, counts and offsets). The few large ones, which ask
for much drawing in a small file, are kept compressed as Qt's qCompress
writes (.z). Run from anywhere; commit the output. The scene the players are
checked against, made by an independent writer, is tools/picture-scenes."""

import os
import struct
import sys
import zlib

here = os.path.dirname(os.path.abspath(__file__))
out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'metafile')
os.makedirs(out, exist_ok=True)


def u32(v):
    return struct.pack('<I', v & 0xFFFFFFFF)


def u16(v):
    return struct.pack('<H', v & 0xFFFF)


def f32bits(v):
    return struct.unpack('<I', struct.pack('<f', v))[0]


# ---- enhanced metafiles ----

def emf_record(type_, words):
    return u32(type_) + u32(8 + 4 * len(words)) + b''.join(u32(w) for w in words)


def emf_of(records, frame=(0, 0, 12700, 6350), device_pixels=960):
    """A frame in 0.01 mm (by default 480 x 240 pixels at 96 dpi), made on a
    reference device of device_pixels for 254 mm, closed by an end record."""
    emf = bytearray(emf_record(1, [0, 0, 100, 100, *frame, 0x464D4520, 0x10000, 0, 0, 8, 0, 0, 0,
                                   device_pixels, device_pixels, 254, 254]))
    for record in records:
        emf += record
    emf += emf_record(14, [0, 16, 20])
    struct.pack_into('<II', emf, 48, len(emf), len(records) + 2)  # nBytes, nRecords
    return bytes(emf)


def emf_red_brush_then(drawing):
    """A solid red brush selected and no pen, then the drawing."""
    return [emf_record(39, [1, 0, 0x0000FF, 0]), emf_record(37, [1]), emf_record(37, [0x80000008])] + drawing


def emf_rectangle(l, t, r, b):
    return emf_record(43, [l, t, r, b])


def emf_stretch_dib(width, height, compression, header_shift=0):
    """A STRETCHDIBITS record of a 24-bit bitmap header and four words of bits."""
    words = [0, 0, 100, 100, 10, 10, 0, 0, 2, 2,  # bounds; dest x, y; source x, y, cx, cy
             80 + header_shift, 40, 120, 16,  # header offset and size, bits offset and size
             0, 0x00CC0020, 100, 100,  # DIB_RGB_COLORS, SRCCOPY, dest size
             40, width, height, 1 | (24 << 16), compression, 0, 0, 0, 0, 0] + [0x00FF00FF] * 4
    return emf_record(81, words)


# ---- Windows metafiles ----

def wmf_record(function, params):
    return u32(3 + len(params)) + u16(function) + b''.join(u16(p) for p in params)


def wmf_of(records, bbox=(0, 0, 480, 240), units_per_inch=96, placeable=True):
    """A placeable metafile of bbox (left, top, width, height in logical
    units), or one without the placeable header."""
    wmf = bytearray()
    if placeable:
        wmf += u32(0x9AC6CDD7)
        left, top, width, height = bbox
        for v in (0, left, top, left + width, top + height, units_per_inch, 0, 0):
            wmf += u16(v)
        checksum = 0
        for i in range(0, 20, 2):
            checksum ^= struct.unpack_from('<H', wmf, i)[0]
        wmf += u16(checksum)
    header = len(wmf)
    # In memory, 9 header words, version 3, file size (set below), 8 objects.
    for w in (1, 9, 0x0300, 0, 0, 8, 0, 0, 0):
        wmf += u16(w)
    for record in records:
        wmf += record
    wmf += wmf_record(0, [])  # META_EOF
    struct.pack_into('<I', wmf, header + 6, (len(wmf) - header) // 2)
    return bytes(wmf)


def wmf_rectangle(l, t, r, b):
    return wmf_record(0x041B, [b, r, t, l])  # bottom, right, top, left


def wmf_red_brush_then(drawing):
    """A solid red brush and a null pen selected, then the drawing."""
    return [wmf_record(0x02FC, [0, 0x00FF, 0x0000, 0]), wmf_record(0x012D, [0]),
            wmf_record(0x02FA, [5, 0, 0, 0, 0]), wmf_record(0x012D, [1])] + drawing


def write(name, data):
    if name.endswith('.z'):  # qCompress: the size, big-endian, then zlib
        data = struct.pack('>I', len(data)) + zlib.compress(data, 9)
    with open(os.path.join(out, name), 'wb') as fh:
        fh.write(data)


def with32(data, at, value):
    data = bytearray(data)
    struct.pack_into('<I', data, at, value & 0xFFFFFFFF)
    return bytes(data)


# One red rectangle through one way of mapping (tst_picture_metafile).
def emf(records):
    return emf_of(emf_red_brush_then(records))


def map_mode(mode):
    return emf_record(17, [mode])


write('map-emf-text.emf', emf([emf_rectangle(100, 100, 300, 200)]))
write('map-emf-isotropic.emf', emf([map_mode(7), emf_record(9, [1000, 1000]), emf_record(11, [480, 240]),
                                    emf_rectangle(500, 200, 1500, 600)]))
write('map-emf-y-up.emf', emf([map_mode(8), emf_record(10, [0, 2400]), emf_record(9, [4800, -2400]),
                               emf_record(11, [480, 240]), emf_rectangle(1000, 1000, 3000, 2000)]))
write('map-emf-lometric.emf', emf([map_mode(2), emf_rectangle(100, -100, 300, -200)]))
write('map-emf-world.emf', emf([emf_record(35, [f32bits(1), 0, 0, f32bits(1), f32bits(200), f32bits(100)]),
                                emf_rectangle(0, 0, 100, 50)]))
write('map-emf-world-past-1e9.emf', emf([emf_record(35, [f32bits(2e9), 0, 0, f32bits(2e9), 0, 0]),
                                         emf_rectangle(100, 100, 300, 200)]))
write('map-emf-300dpi.emf', emf_of(emf_red_brush_then([emf_rectangle(300, 300, 900, 600)]), device_pixels=3000))
write('map-emf-path.emf', emf([emf_record(59, []), emf_record(27, [100, 100]), emf_record(54, [300, 100]),
                               emf_record(54, [300, 200]), emf_record(54, [100, 200]), emf_record(61, []),
                               emf_record(60, []), emf_record(62, [0, 0, 480, 240])]))
write('map-emf-clip.emf', emf([emf_record(30, [0, 0, 150, 240]), emf_rectangle(100, 100, 300, 200)]))
write('map-emf-clip-restored.emf', emf([emf_record(33, []), emf_record(30, [0, 0, 10, 10]), emf_record(34, [-1]),
                                        emf_rectangle(100, 100, 300, 200)]))
write('map-wmf-window-origin.wmf', wmf_of(wmf_red_brush_then([wmf_record(0x020B, [-50, -100]),
                                                               wmf_record(0x020C, [240, 480]),
                                                               wmf_rectangle(0, 0, 100, 50)])))
write('map-wmf-unplaced.wmf', wmf_of(wmf_red_brush_then([wmf_record(0x020B, [0, 0]), wmf_record(0x020C, [300, 400]),
                                                          wmf_rectangle(0, 0, 200, 150)]), placeable=False))
# A pie from three to twelve o'clock, counter-clockwise; excluded clips.
write('pie.emf', emf([emf_record(47, [100, 20, 300, 220, 300, 120, 200, 20])]))
write('exclude.emf', emf([emf_record(29, [150, 0, 250, 240]), emf_rectangle(100, 100, 300, 200)]))
write('exclude.wmf', wmf_of(wmf_red_brush_then([wmf_record(0x0415, [240, 250, 0, 150]),
                                                wmf_rectangle(100, 100, 300, 200)])))

# Damaged (tst_picture_metafile_damage); whole, the first three load.
whole_emf = emf([emf_rectangle(10, 10, 100, 100)])
whole_wmf = wmf_of(wmf_red_brush_then([wmf_rectangle(10, 10, 100, 100)]))
emf_rect = len(whole_emf) - 20 - 24  # the rectangle, before the end record
wmf_rect = len(whole_wmf) - 6 - 14
write('whole.emf', whole_emf)
write('whole.wmf', whole_wmf)
write('whole-bitmap.emf', emf_of([emf_stretch_dib(2, 2, 0)]))
write('emf-cut-inside-a-record', whole_emf[:emf_rect + 6])
write('emf-without-end-record', whole_emf[:emf_rect + 24])
write('emf-record-size-4', with32(whole_emf, emf_rect + 4, 4))
write('emf-record-size-past-end', with32(whole_emf, emf_rect + 4, 0x7FFFFFF0))
write('emf-record-size-4gb', with32(whole_emf, emf_rect + 4, 0xFFFFFFFC))
write('emf-header-size-past-end', with32(whole_emf, 4, 0x10000))
write('emf-header-too-short', with32(whole_emf, 4, 16))
# libUEMF's own check multiplies this count in 32 bits and lets it pass.
write('polyline-0x20000001-points', emf_of([emf_record(4, [0, 0, 10, 10, 0x20000001, 1, 2])]))
write('polypolygon-count-past-total', emf_of([emf_record(91, [0, 0, 10, 10, 1, 2, 1000, 0x00010001, 0x00020002])]))
# Each count within the total, together past it, the record long enough.
write('polypolygon-counts-together-past-total',
      emf_of([emf_record(91, [0, 0, 10, 10, 2, 2, 2, 2, 0x00010001, 0x00020002, 0x00030003, 0x00040004])]))
write('polypolygon-0x40000000-polygons', emf_of([emf_record(91, [0, 0, 10, 10, 0x40000000, 2, 1, 1])]))
write('text-0x40000000-characters',
      emf_of([emf_record(84, [0, 0, 10, 10, 1, 0, 0, 5, 5, 0x40000000, 76, 0, 0, 0, 10, 10, 0, 0x00650048])]))
write('text-advances-past-record',
      emf_of([emf_record(84, [0, 0, 10, 10, 1, 0, 0, 5, 5, 2, 76, 0, 0, 0, 10, 10, 0x7FFFFFF0, 0x00650048])]))
write('emf-bitmap-header-past-record', emf_of([emf_stretch_dib(2, 2, 0, 0x10000)]))
write('emf-bitmap-60000', emf_of([emf_stretch_dib(60000, 60000, 1)]))
write('clip-region-0x40000000-rectangles', emf_of([emf_record(75, [32, 5, 32, 1, 0x40000000, 0, 0, 0, 10, 10])]))
write('emf-frame-ten-metres', emf_of([], frame=(0, 0, 1000000, 1000000)))
write('emf-frame-upside-down', emf_of([], frame=(0, 500, 500, 0)))
write('wmf-cut-inside-a-record', whole_wmf[:wmf_rect + 7])
write('wmf-without-end-record', whole_wmf[:-6])
write('wmf-record-size-0', with32(whole_wmf, 40, 0))
write('wmf-record-size-wrapping', with32(whole_wmf, wmf_rect, 0x80000003))
write('polygon-32767-points-short-record', wmf_of([wmf_record(0x0324, [0x7FFF, 1, 1, 2, 2])]))
write('polygon-negative-count', wmf_of([wmf_record(0x0324, [0x8000, 1, 1])]))
write('wmf-polypolygon-counts-past-record', wmf_of([wmf_record(0x0538, [2, 3, 60000, 1, 1, 2, 2, 3, 3])]))
write('text-negative-length', wmf_of([wmf_record(0x0521, [0xFFFF, 0x6548, 10, 10])]))
write('extended-text-past-record', wmf_of([wmf_record(0x0A32, [10, 10, 200, 0x0002, 0, 0, 50, 50, 0x6548])]))
write('wmf-bitmap-60000', wmf_of([wmf_record(0x0F43, [0x0020, 0x00CC, 0, 2, 2, 0, 0, 100, 100, 0, 0, 40, 0, 0xEA60,
                                                      0, 0xEA60, 0, 1, 24, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                      0, 0, 0])]))
write('wmf-bitmap-header-cut-short', wmf_of([wmf_record(0x0F43, [0x0020, 0x00CC, 0, 2, 2, 0, 0, 100, 100, 0, 0,
                                                                 40, 0, 2])]))
write('wmf-no-units-per-inch', wmf_of([], units_per_inch=0))
write('wmf-box-of-no-size', wmf_of([], bbox=(0, 0, 0, 240)))
write('wmf-box-32767-inches', wmf_of([], bbox=(0, 0, 32767, 32767), units_per_inch=1))
write('wmf-unplaced-without-window', wmf_of([wmf_rectangle(0, 0, 10, 10)], placeable=False))
# Small files asking for much drawing, refused within the work budget.
write('emf-250001-records.z', emf_of([emf_record(18, [1])] * 250001))
line = [0, 0, 480, 240, 200000] + [(240 << 16 | i % 480) if i % 2 else i % 480 for i in range(200000)]
write('emf-line-200000-points.z', emf_of([emf_record(87, line)]))
text = [0, 0, 10, 10, 1, 0, 0, 5, 5, 20002, 76, 0, 0, 0, 10, 10, 76 + 40004]
text += [0x00650048] * 10001 + [1] * 20002  # the characters, then an advance for each
write('emf-text-20002-characters.z', emf_of([emf_record(84, text)]))
