"""Raster seeds written byte by byte: Windows bitmaps of every layout the
readers know, baseline JPEGs from a tiny encoder of flat 8 x 8 blocks, and
GIFs whose LZW data is sent as literals. Each format also gets a few files
that are slightly broken: cut short, sizes that lie, absurd headers."""
import struct


# ---- Windows bitmaps ----

def _rows(width, height, bits, pixel):
    """Stored rows (bottom-up) padded to four bytes; pixel(x, y) gives the
    value for that depth: a palette index, or a packed integer."""
    out = b""
    for y in reversed(range(height)):
        if bits >= 8:
            row = b"".join(pixel(x, y).to_bytes(bits // 8, "little") for x in range(width))
        else:
            acc, count, row = 0, 0, b""
            for x in range(width):
                acc = (acc << bits) | pixel(x, y)
                count += bits
                if count == 8:
                    row += bytes([acc])
                    acc, count = 0, 0
            if count:
                row += bytes([acc << (8 - count)])
        out += row + b"\0" * (-len(row) % 4)
    return out


def bmp(width, height, bits, pixels, palette=(), header=40, compression=0, masks=None, top_down=False):
    """header: 12 (core), 40 (info), 108 (v4) or 124 (v5). pixels: the stored bytes."""
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        pal = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in palette)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, -height if top_down else height, 1, bits,
                           compression, len(pixels), 2835, 2835, len(palette), 0)
        if header > 40:
            info += struct.pack("<IIII", *(masks or (0, 0, 0, 0))) + b"sRGB" + b"\0" * (header - 60)
        pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    extra = struct.pack("<III", *masks) if masks and header == 40 else b""
    offset = 14 + len(info) + len(extra) + len(pal)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + extra + pal + pixels


GREYS4 = [(0, 0, 0), (255, 0, 0), (0, 200, 0), (30, 60, 255)]


def _rle8(width, height):
    out = b""
    for y in range(height):
        out += bytes([width // 2, y % 4, 0, 3, 1, 2, 3, 0]) if width > 5 else bytes([width, y % 4])
        out += b"\0\0"  # end of line
    return out + b"\0\1"


def bmp_seeds():
    checker = lambda x, y: (x // 2 + y // 2) % 2
    quad = lambda x, y: (x * 4 // 9) % 4
    w, h = 9, 6  # odd width: row padding and partial bytes everywhere
    seeds = {
        "pal1": bmp(w, h, 1, _rows(w, h, 1, checker), [(0, 0, 0), (255, 255, 255)]),
        "pal4": bmp(w, h, 4, _rows(w, h, 4, quad), GREYS4),
        "pal8": bmp(w, h, 8, _rows(w, h, 8, lambda x, y: x + y), [(i * 16, 255 - i * 16, i * 8) for i in range(16)]),
        "pal8_short_palette": bmp(w, h, 8, _rows(w, h, 8, lambda x, y: x * 30), GREYS4),
        "rgb16": bmp(w, h, 16, _rows(w, h, 16, lambda x, y: (x << 10) | (y << 5) | 31)),
        "rgb565": bmp(w, h, 16, _rows(w, h, 16, lambda x, y: (x << 11) | (y << 5)), compression=3,
                      masks=(0xF800, 0x07E0, 0x001F)),
        "rgb24": bmp(w, h, 24, _rows(w, h, 24, lambda x, y: x * 0x1C0000 + y * 0x2A00 + 0x80)),
        "rgb24_top_down": bmp(w, h, 24, _rows(w, h, 24, lambda x, y: y * 0x300000 + x), top_down=True),
        "pal4_top_down": bmp(w, h, 4, _rows(w, h, 4, quad), GREYS4, top_down=True),
        "rgb32_top_down": bmp(w, h, 32, _rows(w, h, 32, lambda x, y: 0xFF000000 | y << 16 | x), top_down=True),
        "rgb32": bmp(w, h, 32, _rows(w, h, 32, lambda x, y: 0xFF000000 | x << 16 | y << 8)),
        "v4_bitfields32": bmp(w, h, 32, _rows(w, h, 32, lambda x, y: x << 24 | y << 16), header=108,
                              compression=3, masks=(0xFF000000, 0x00FF0000, 0x0000FF00, 0xFF)),
        "v5_rgb24": bmp(w, h, 24, _rows(w, h, 24, lambda x, y: 0x808080 + x), header=124),
        "core_pal4": bmp(w, h, 4, _rows(w, h, 4, quad), GREYS4, header=12),
        "core_rgb24": bmp(w, h, 24, _rows(w, h, 24, lambda x, y: x << 16 | y), header=12),
        "rle8": bmp(w, h, 8, _rle8(w, h), GREYS4, compression=1),
    }
    broken = {
        "cut_pixels": seeds["rgb24"][:-20],
        "cut_header": seeds["v5_rgb24"][:60],
        "claims_60000_square": bmp(60000, 60000, 24, b"\0" * 64),
        "zero_width": bmp(0, 4, 24, b"\0" * 64),
        "pixel_offset_past_end": seeds["pal8"][:10] + struct.pack("<I", 0x7FFFFFF0) + seeds["pal8"][14:],
        "bits_7": bmp(w, h, 7, b"\0" * 64),
        "palette_count_huge": seeds["pal4"][:46] + struct.pack("<I", 0xFFFFFFF0) + seeds["pal4"][50:],
        "rle8_no_end": bmp(w, h, 8, _rle8(w, h)[:-2], GREYS4, compression=1),
    }
    return {**seeds, **broken}


# ---- JPEG: baseline, every block one flat colour ----

def _segment(marker, body):
    return struct.pack(">BBH", 0xFF, marker, len(body) + 2) + body


class _Bits:
    def __init__(self):
        self.out, self.acc, self.count = bytearray(), 0, 0

    def put(self, value, length):
        for i in reversed(range(length)):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.count += 1
            if self.count == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)  # stuffing
                self.acc, self.count = 0, 0

    def flush(self):
        if self.count:
            self.put(0xFF >> self.count, 8 - self.count)  # pad with ones
        return bytes(self.out)


def jpeg(width, height, colour, grey=False, subsampled=False, restart=0):
    """colour(bx, by) -> (Y, Cb, Cr) of the 8 x 8 block; subsampled halves the
    chroma both ways (Y sampled 2 x 2). restart: MCUs between restart markers."""
    comps = [(1, 0x22 if subsampled and not grey else 0x11)] + ([] if grey else [(2, 0x11), (3, 0x11)])
    out = b"\xFF\xD8" + _segment(0xDB, b"\x00" + b"\x01" * 64)
    out += _segment(0xC0, struct.pack(">BHHB", 8, height, width, len(comps))
                    + b"".join(struct.pack(">BBB", c, s, 0) for c, s in comps))
    # DC: categories 0..11 as 4-bit codes; AC: only the end of block, code 0.
    out += _segment(0xC4, b"\x00" + bytes([0, 0, 0, 12] + [0] * 12) + bytes(range(12)))
    out += _segment(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\x00")
    if restart:
        out += _segment(0xDD, struct.pack(">H", restart))
    out += _segment(0xDA, bytes([len(comps)]) + b"".join(bytes([c, 0]) for c, _ in comps) + b"\x00\x3F\x00")

    mcu = 16 if subsampled and not grey else 8
    bits, previous, data, mcus = _Bits(), [0, 0, 0], b"", 0
    for my in range((height + mcu - 1) // mcu):
        for mx in range((width + mcu - 1) // mcu):
            if restart and mcus and mcus % restart == 0:
                data += bits.flush() + bytes([0xFF, 0xD0 + (mcus // restart - 1) % 8])
                bits, previous = _Bits(), [0, 0, 0]
            mcus += 1
            blocks = []
            if mcu == 16:
                blocks = [(0, colour(mx * 2 + dx, my * 2 + dy)[0]) for dy in (0, 1) for dx in (0, 1)]
                blocks += [(i, colour(mx * 2, my * 2)[i]) for i in (1, 2)]
            else:
                blocks = [(i, colour(mx, my)[i]) for i in range(len(comps))]
            for comp, level in blocks:
                dc = 8 * (level - 128)
                diff, previous[comp] = dc - previous[comp], dc
                size = abs(diff).bit_length()
                bits.put(size, 4)
                bits.put(diff if diff >= 0 else diff + (1 << size) - 1, size)
                bits.put(0, 1)  # end of block
    return out + data + bits.flush() + b"\xFF\xD9"


def progressive_jpeg(width, height, scans):
    """A grey progressive JPEG: one DC scan of flat blocks, then scans - 1
    cheap AC scans, each a few end-of-block runs over the whole picture."""
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    out = b"\xFF\xD8" + _segment(0xDB, b"\x00" + b"\x01" * 64)
    out += _segment(0xC2, struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00")
    out += _segment(0xC4, b"\x00" + bytes([1] + [0] * 15) + b"\x00")  # DC: category 0, code "0"
    runs = bytes(r << 4 for r in range(15))  # AC: end-of-block runs EOB0..EOB14, 4-bit codes
    out += _segment(0xC4, b"\x10" + bytes([0, 0, 0, 15] + [0] * 12) + runs)
    bits = _Bits()
    for _ in range(blocks):
        bits.put(0, 1)
    out += _segment(0xDA, b"\x01\x01\x00\x00\x00\x00") + bits.flush()
    ac = _Bits()
    left = blocks
    while left:
        run = min(left, 32767)
        r = run.bit_length() - 1
        ac.put(r, 4)
        ac.put(run - (1 << r), r)
        left -= run
    scan = _segment(0xDA, b"\x01\x01\x00\x01\x3F\x00") + ac.flush()
    return out + scan * (scans - 1) + b"\xFF\xD9"


def jpeg_seeds():
    stripes = lambda bx, by: ((bx * 60 + 20) % 256, 128 + (by * 40) % 100 - 50, 100 + bx * 10)
    base = jpeg(24, 16, stripes)
    seeds = {
        "colour_24x16": base,
        "grey_odd_13x11": jpeg(13, 11, lambda bx, by: (bx * 200, 128, 128), grey=True),
        "subsampled_40x24": jpeg(40, 24, stripes, subsampled=True),
        "restarts_32x16": jpeg(32, 16, stripes, restart=2),
        "progressive_10_scans": progressive_jpeg(64, 48, 10),
        # The scan limit for this size is 500 (see jpeg_decoder.cpp).
        "hostile_progressive_600_scans": progressive_jpeg(512, 512, 600),
    }
    broken = {
        "cut_in_scan": base[:-12],
        "no_end_marker": base[:-2],
        "claims_60000_square": base[:2] + base[2:].replace(struct.pack(">HH", 16, 24), struct.pack(">HH", 60000, 60000), 1),
        "zero_height": base.replace(struct.pack(">BHH", 8, 16, 24), struct.pack(">BHH", 8, 0, 24), 1),
        "scan_before_frame": b"\xFF\xD8" + _segment(0xDA, b"\x01\x01\x00\x00\x3F\x00") + b"\x00\xFF\xD9",
        "segment_length_past_end": b"\xFF\xD8\xFF\xE0\xFF\xF0JFIF",
    }
    return {**seeds, **broken}


# ---- GIF: LZW sent as literals, a clear code after every two ----

def _lzw_literals(indices, min_code_size=2):
    clear, end, width = 1 << min_code_size, (1 << min_code_size) + 1, min_code_size + 1
    codes = []
    for i, index in enumerate(indices):
        if i % 2 == 0:
            codes.append(clear)  # keeps the table from growing past `width` bits
        codes.append(index)
    codes.append(end)
    acc = count = 0
    out = bytearray()
    for code in codes:
        acc |= code << count
        count += width
        while count >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            count -= 8
    if count:
        out.append(acc)
    data = bytes([min_code_size])
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        data += bytes([len(chunk)]) + chunk
    return data + b"\0"


GIF_COLOURS = b"\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF"


def gif(width, height, frames, interlaced=False, local_palette=False):
    """frames: functions (x, y) -> colour index 0..3, each a full-screen frame."""
    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x81, 0, 0) + GIF_COLOURS
    if len(frames) > 1:
        out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for frame in frames:
        out += b"\x21\xF9\x04\x04\x0A\x00\x00\x00"  # 0.1 s, no disposal
        flags = (0x40 if interlaced else 0) | (0x81 if local_palette else 0)
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, flags)
        if local_palette:
            out += GIF_COLOURS[::-1]
        rows = list(range(height))
        if interlaced:
            rows = rows[0::8] + rows[4::8] + rows[2::4] + rows[1::2]
        out += _lzw_literals([frame(x, y) for y in rows for x in range(width)])
    return out + b"\x3B"


def gif_seeds():
    bands = lambda x, y: (y * 4 // 7) % 4
    base = gif(10, 7, [bands])
    seeds = {
        "bands_10x7": base,
        "three_frames": gif(6, 5, [lambda x, y, i=i: (x + y + i) % 4 for i in range(3)]),
        "interlaced_local_palette": gif(9, 9, [lambda x, y: x % 4], interlaced=True, local_palette=True),
    }
    broken = {
        "cut_in_image": base[:-15],
        "no_trailer": base[:-1],
        "claims_60000_screen": base[:6] + struct.pack("<HH", 60000, 60000) + base[10:],
        "frame_beyond_screen": base.replace(struct.pack("<HHHH", 0, 0, 10, 7), struct.pack("<HHHH", 65000, 0, 10, 7), 1),
        "no_image": b"GIF89a" + struct.pack("<HHBBB", 4, 4, 0, 0, 0) + b"\x3B",
    }
    return {**seeds, **broken}
