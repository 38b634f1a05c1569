"""Seeds for fuzz_ink_geometry: a few hand-made pages in the target's input
layout (see the comment at the top of fuzz_ink_geometry.cpp)."""
import struct

GRID, I16, I32, STEPS = 0, 1, 2, 3
WIDTH_0, WIDTH_53, WIDTH_700, WIDTH_HUGE = 0, 4, 8, 12


def stroke(kind, width, points, pressure=64):
    """points: (x, y) in the kind's units (grid cells, int16, int32 or steps)."""
    fmt = {GRID: "<bb", I16: "<hh", I32: "<ii", STEPS: "<bb"}[kind]
    out = struct.pack("<BB", kind | width, len(points) - 1)
    for x, y in points:
        out += struct.pack(fmt, x, y) + struct.pack("<B", pressure)
    return out


def page(strokes, operations=b"", crossings_only=False):
    """crossings_only: the ink keeps each stroke's crossings, not every meeting."""
    header = len(strokes) - 1 + (0x80 if crossings_only else 0)
    return struct.pack("<B", header) + b"".join(strokes) + operations


def hit(stroke_index, x, y, r):
    return struct.pack("<BBhhH", 0, stroke_index, x, y, r)


def hit32(stroke_index, x, y, r):
    return struct.pack("<BBiif", 1, stroke_index, x, y, r)


def nearest(stroke_index, x, y):
    return struct.pack("<BBii", 2, stroke_index, x, y)


def split_at(stroke_index, fraction):
    return struct.pack("<BBH", 3, stroke_index, int(fraction * 65535))


def split_raw(stroke_index, f):
    return struct.pack("<BBf", 4, stroke_index, f)


def delete(stroke_index):
    return struct.pack("<BB", 5, stroke_index)


def add(new_stroke):
    return struct.pack("<BB", 6, 0) + new_stroke


def found_elsewhere():
    return struct.pack("<BB", 7, 0)


SEEDS = {
    "x_crossing": page(
        [stroke(GRID, WIDTH_53, [(0, 0), (10, 10)]), stroke(GRID, WIDTH_53, [(0, 10), (10, 0)])],
        hit(0, 80, 80, 30) + split_at(0, 0.5) + nearest(1, 40, 40)),
    "collinear_and_touching": page(
        [stroke(GRID, WIDTH_0, [(0, 0), (8, 0), (8, 8)]),
         stroke(GRID, WIDTH_0, [(2, 0), (6, 0)]),
         stroke(GRID, WIDTH_0, [(4, 4), (4, 0)]),
         stroke(GRID, WIDTH_0, [(8, 8)])],
        split_at(0, 0.25) + delete(1) + hit(0, 64, 0, 0)),
    "zigzag_steps": page(
        [stroke(STEPS, WIDTH_53, [(20, 40)] * 6 + [(20, -40)] * 6 + [(20, 40)] * 6),
         stroke(STEPS, WIDTH_700, [(10, 1)] * 30)],
        split_at(0, 0.7) + split_at(0, 0.3) + hit(1, 40, 40, 100)),
    "int32_extremes": page(
        [stroke(I32, WIDTH_53, [(-2**31, -2**31), (2**31 - 1, 2**31 - 1)]),
         stroke(I32, WIDTH_53, [(-2**31, 2**31 - 1), (2**31 - 1, -2**31)]),
         stroke(I32, WIDTH_HUGE, [(0, 0)])],
        nearest(0, 0, 1) + hit32(0, 2**31 - 1, -2**31, 1e30) + split_raw(0, 0.5) + split_raw(1, float("nan"))),
    "repeated_points": page(
        [stroke(I16, WIDTH_53, [(100, 100), (100, 100), (200, 100), (200, 100), (200, 300)]),
         stroke(I16, WIDTH_0, [(150, 0), (150, 500)])],
        split_raw(0, 1.0) + split_raw(0, 4.0) + split_raw(0, -0.5) + delete(0)),
    # A stroke crossing itself, cut up: its pieces cross where it crossed
    # itself; then a stroke over them all.
    "self_crossing_cut": page(
        [stroke(GRID, WIDTH_53, [(0, 0), (10, 0), (10, 10), (5, -5), (5, 12), (0, 5), (12, 5), (3, 3)])],
        split_at(0, 0.4) + split_raw(1, 2.0) + split_at(0, 0.5) + delete(2) +
        add(stroke(GRID, WIDTH_0, [(-2, -2), (12, 12), (2, 11)])) + split_at(1, 0.6)),
    # The same on an ink that keeps crossings alone: each cut and deletion
    # leaves the strokes near it to be asked afresh.
    "self_crossing_cut_dense": page(
        [stroke(GRID, WIDTH_53, [(0, 0), (10, 0), (10, 10), (5, -5), (5, 12), (0, 5), (12, 5), (3, 3)]),
         stroke(GRID, WIDTH_0, [(1, -3), (1, 12)])],
        split_at(0, 0.4) + split_raw(2, 2.0) + split_at(0, 0.5) + delete(3) +
        add(stroke(GRID, WIDTH_0, [(-2, -2), (12, 12), (2, 11)])) + split_at(1, 0.6) + split_raw(0, 1.5),
        crossings_only=True),
    # Its crossings found on a copy and kept by the ink, then cut, deleted
    # and drawn over: the ink follows what the copy built; on both kinds of ink.
    "self_crossing_found_elsewhere": page(
        [stroke(GRID, WIDTH_53, [(0, 0), (10, 0), (10, 10), (5, -5), (5, 12), (0, 5), (12, 5), (3, 3)]),
         stroke(GRID, WIDTH_0, [(1, -3), (1, 12)])],
        split_at(0, 0.4) + found_elsewhere() + split_raw(1, 2.0) + split_at(0, 0.5) + delete(2) +
        add(stroke(GRID, WIDTH_0, [(-2, -2), (12, 12), (2, 11)])) + split_at(1, 0.6)),
    # A line of 40 points crossed near its start only: asked at its end, the
    # crossing lies too far to walk to once the ink keeps its crossings.
    "long_stroke_far_crossing": page(
        [stroke(GRID, WIDTH_0, [(0, 20), (1, 20)]),
         stroke(GRID, WIDTH_0, [(x, 0) for x in range(-20, 20)]),
         stroke(GRID, WIDTH_0, [(-19, -5), (-19, 5)])],
        nearest(0, 0, 0)),
    "self_crossing_found_elsewhere_dense": page(
        [stroke(GRID, WIDTH_53, [(0, 0), (10, 0), (10, 10), (5, -5), (5, 12), (0, 5), (12, 5), (3, 3)]),
         stroke(GRID, WIDTH_0, [(1, -3), (1, 12)])],
        split_at(0, 0.4) + found_elsewhere() + split_raw(1, 2.0) + split_at(0, 0.5) + delete(2) +
        add(stroke(GRID, WIDTH_0, [(-2, -2), (12, 12), (2, 11)])) + split_at(1, 0.6),
        crossings_only=True),
}
