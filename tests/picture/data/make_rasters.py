#!/usr/bin/env python3
"""Writes the raster pictures the picture, converter and window tests read,
into this folder (or the folder given). Run from anywhere; commit the output.
Needs ImageMagick (`convert`) for the JPEGs and the PNG; the bitmaps and GIFs
are written here byte by byte, in the forms Qt does not write (top-down and
run-length bitmaps, GIF), and so are the damaged files.

The quadrant picture, 64 x 48: the top half red, the bottom half blue, a
green square at (8, 8, 16, 16). Block-aligned, so JPEG keeps the colours.
The converter's picture, 61 x 45 (odd, so 8- and 24-bit rows are padded):
four blocks, red and green above, blue and black below."""

import os
import struct
import subprocess
import sys
import tempfile

out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
BLACK, RED, GREEN, BLUE = (0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)
PALETTE = [BLACK, RED, GREEN, BLUE]


def quadrant(x, y):
    if 8 <= x < 24 and 8 <= y < 24:
        return GREEN
    return RED if y < 24 else BLUE


def blocks(w, h):
    return lambda x, y: [[RED, GREEN], [BLUE, BLACK]][y >= h // 2][x >= w // 2]


def image(w, h, f):
    return (w, h, [[f(x, y) for x in range(w)] for y in range(h)])


def write(name, data):
    with open(os.path.join(out, name), 'wb') as fh:
        fh.write(data)
    return data


def le32(*values):
    return b''.join(struct.pack('<i', v) for v in values)


def bmp(img, bits=24, top_down=False, rle=False, rle_delta=False):
    w, h, rows = img
    colours = 4 if bits <= 8 else 0
    row_bytes = (w * bits + 31) // 32 * 4
    pixels = bytearray()
    order = range(h) if top_down else range(h - 1, -1, -1)
    for n, y in enumerate(order):
        row = rows[y]
        if rle:
            # One pixel, then absolute runs of three, each padded to 16 bits.
            pixels += bytes([1, PALETTE.index(row[0])])
            for x in range(1, w - 2, 3):
                pixels += bytes([0, 3] + [PALETTE.index(c) for c in row[x:x + 3]] + [0])
            last = n + 1 == h
            if last and rle_delta:
                pixels += bytes([0, 2, 0, 3])  # a delta of three rows up, past the top
            pixels += bytes([0, 1] if last else [0, 0])
            continue
        out_row = bytearray(row_bytes)
        for x, c in enumerate(row):
            at = x * bits // 8
            if bits <= 8:
                out_row[at] |= PALETTE.index(c) << (8 - bits - x * bits % 8)
            elif bits == 16:
                struct.pack_into('<H', out_row, at, (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3)
            else:
                out_row[at:at + 3] = bytes([c[2], c[1], c[0]])
        pixels += out_row
    offset = 54 + colours * 4
    header = b'BM' + le32(offset + len(pixels), 0, offset, 40, w, -h if top_down else h) \
        + struct.pack('<HH', 1, bits) + le32(1 if rle else 0, len(pixels), 0, 0, colours, 0)
    palette = b''.join(bytes([c[2], c[1], c[0], 0]) for c in PALETTE[:colours])
    return header + palette + bytes(pixels)


def gif(frames):
    # LZW with a minimum code size of 2: a clear code before every two pixels
    # keeps every code 3 bits wide, which any decoder reads.
    w, h, _ = frames[0]
    data = b'GIF89a' + struct.pack('<HH', w, h) + b'\x81\x00\x00' + b''.join(bytes(c) for c in PALETTE)
    for fw, fh, rows in frames:
        data += b'\x21\xF9\x04\x00\x0A\x00\x00\x00'  # graphic control: 0.1 s a frame
        data += b'\x2C' + struct.pack('<HHHH', 0, 0, fw, fh) + b'\x00'
        bits = count = 0
        packed = bytearray()

        def code(value):
            nonlocal bits, count
            bits |= value << count
            count += 3
            while count >= 8:
                packed.append(bits & 0xFF)
                bits >>= 8
                count -= 8
        flat = [c for row in rows for c in row]
        for i, c in enumerate(flat):
            if i % 2 == 0:
                code(4)  # clear
            code(PALETTE.index(c))
        code(5)  # end of information
        if count:
            packed.append(bits & 0xFF)
        data += b'\x02'
        for at in range(0, len(packed), 255):
            chunk = bytes(packed[at:at + 255])
            data += bytes([len(chunk)]) + chunk
        data += b'\x00'
    return data + b'\x3B'


def magick(img, name, *options):
    w, h, rows = img
    with tempfile.NamedTemporaryFile(suffix='.ppm') as ppm:
        ppm.write(b'P6 %d %d 255\n' % (w, h) + b''.join(bytes(c) for row in rows for c in row))
        ppm.flush()
        subprocess.run(['convert', ppm.name, *options, os.path.join(out, name)], check=True)
    with open(os.path.join(out, name), 'rb') as fh:
        return fh.read()


def patched(data, at, fmt, *values):
    data = bytearray(data)
    struct.pack_into(fmt, data, at, *values)
    return bytes(data)


q = image(64, 48, quadrant)
green = image(64, 48, lambda x, y: GREEN)
jpeg = magick(q, 'quadrants.jpg', '-quality', '95', '-sampling-factor', '1x1', '-strip')
magick(q, 'quadrants-progressive.jpg', '-quality', '95', '-sampling-factor', '1x1', '-interlace', 'JPEG', '-strip')
magick(image(640, 480, lambda x, y: quadrant(x // 10, y // 10)), 'large-progressive.jpg',
       '-quality', '90', '-interlace', 'JPEG', '-strip')
magick(q, 'quadrants.png', '-strip')
bitmap = write('quadrants.bmp', bmp(q))
for bits in (4, 8, 16, 24, 32):
    write('quadrants-%d-down.bmp' % bits, bmp(q, bits, True))
rle = write('quadrants-rle8.bmp', bmp(q, 8, rle=True, rle_delta=True))
write('rle8-no-end.bmp', rle[:-2] + b'\x00\x00')
animated = write('quadrants.gif', gif([q, green, green]))

# Damaged, and headers that claim a huge picture with next to no data.
write('jpeg-half.jpg', jpeg[:len(jpeg) // 2])
write('jpeg-no-end.jpg', jpeg[:-2])
write('bmp-short.bmp', bitmap[:-1])
first_frame = 6 + 7 + 12 + 8 + 10  # header, screen, palette, graphic control, descriptor
write('gif-cut-in-block.gif', animated[:first_frame + 1 + 1 + 100])  # code size, block size, 100 of 255
claim = b'BM' + le32(70, 0, 54, 40, 60000, 60000) + struct.pack('<HH', 1, 24) + bytes(24) + b'\x7F' * 16
write('bmp-claims-60000.bmp', claim)
write('bmp-claims-60000-down.bmp', patched(claim, 22, '<i', -60000))
single = gif([q])
write('gif-no-end.gif', single[:-2])
write('gif-claims-60000.gif', patched(single, 6, '<HH', 60000, 60000))
write('gif-frame-claims-60000.gif', patched(single, 6 + 7 + 12 + 8 + 5, '<HH', 60000, 60000))
sof = jpeg.index(b'\xFF\xC0')
write('jpeg-claims-60000.jpg', patched(jpeg, sof + 5, '>HH', 60000, 60000))
# Four pixels of index 200 in a run-length bitmap of two colours.
write('rle8-index-past-palette.bmp', b'BM' + le32(68, 0, 62, 40, 4, 1) + struct.pack('<HH', 1, 8)
      + le32(1, 6, 0, 0, 2, 0) + b'\xFF\xFF\xFF\xFF' * 2 + bytes.fromhex('04C8' '0000' '0001'))
write('bmp-claims-20000.bmp', patched(patched(claim, 18, '<i', 20000), 22, '<i', 20000))

# The converter's bitmaps.
b = image(61, 45, blocks(61, 45))
for bits in (8, 24, 32):
    write('blocks-%d.bmp' % bits, bmp(b, bits))
    write('blocks-%d-down.bmp' % bits, bmp(b, bits, True))
write('blocks-8x8.bmp', bmp(image(8, 8, blocks(8, 8))))
