#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target, one folder per target:
OUTPUT_DIR/<target>/<seed>. Every file is made here, byte by byte; the same
run always writes the same bytes, so the committed fuzz/seeds can be
checked against a fresh run (scripts/fuzz.sh does).

Usage: make_seeds.py OUTPUT_DIR
"""
import os
import struct
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import seeds_ink  # noqa: E402
import seeds_metafile  # noqa: E402
import seeds_raster  # noqa: E402


def dialog_filter_seeds():
    """fuzz_dialog_filter input: MaxFileSize, a UTF-8 (0) / UTF-16 (1) byte, the filter."""
    def utf8(text, max_file_size=10000):
        return struct.pack("<iB", max_file_size, 0) + text.encode("utf-8")

    def utf16(text, max_file_size=260):
        return struct.pack("<iB", max_file_size, 1) + text.encode("utf-16-le")

    return {
        "open_filter": utf8("Image File (*.jpg;*.gif;*.bmp;*.wmf;*.emf)|*.jpg;*.gif;*.bmp;*.wmf;*.emf|"),
        "save_filter": utf8("Image File (*.jpg)|*.bmp|"),
        "two_filters_no_closing_bar": utf8("Pictures|*.jpg; *.gif|All files|*.*"),
        "blanks_and_empty_patterns": utf8("  A  |  ;*.a;;  *.b  ;|B| *.c |"),
        "korean_utf16": utf16("그림 파일|*.jpg;*.그림|"),
        "lone_surrogate_utf16": struct.pack("<iB", 5, 1) + b"A\0|\0\x00\xD8*\0|\0",
        "odd_parts": utf8("Only a description"),
        "empty_description": utf8("|*.x|"),
        "no_pattern": utf8("Blank| ; ;|"),
        "max_file_size_zero": utf8("A|*.a|", 0),
        "max_file_size_negative": utf8("A|*.a|", -5),
        "empty": utf8(""),
    }


def all_seeds():
    bmp = seeds_raster.bmp_seeds()
    return {
        "ink_geometry": seeds_ink.SEEDS,
        # The converter reads bitmaps only, so its seeds are the bitmap ones.
        "jpgutils": bmp,
        "picture_jpeg": seeds_raster.jpeg_seeds(),
        "picture_gif": seeds_raster.gif_seeds(),
        "picture_bmp": bmp,
        "picture_wmf": seeds_metafile.wmf_seeds(),
        "picture_emf": seeds_metafile.emf_seeds(),
        "dialog_filter": dialog_filter_seeds(),
    }


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    total = 0
    for target, seeds in all_seeds().items():
        folder = os.path.join(sys.argv[1], target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        total += len(seeds)
    print(f"{total} seeds in {sys.argv[1]}")


if __name__ == "__main__":
    main()
