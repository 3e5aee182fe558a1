#!/usr/bin/env python3
"""Write the 8-bit test pictures of the DIB image tests.

    make_test_bitmaps.py OUTPUT-DIR

pic256.bmp: 355 x 356, a full 256-entry colour table (biClrUsed 0).
pic255.bmp: 100 x 30, a 255-entry colour table (biClrUsed 255).

Every table entry is a different colour and the pixels run through the
indices in diagonal bands, so a row or column drawn in the wrong place shows
as a wrong colour.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import bmpfile  # noqa: E402


def table_colour(i):
    # red, green, blue; distinct for every i below 256
    return (i, (i * 37 + 11) & 0xFF, (255 - i) & 0xFF)


def write_bmp(path, width, height, colors, clr_used):
    rows = [[(x * 3 + y * 7) % colors for x in range(width)] for y in range(height)]
    bits = bmpfile.indexed_bits(rows, width)
    table = bmpfile.colour_table(table_colour(i) for i in range(colors))
    bmpfile.write(path, bmpfile.bmp(width, height, 8, table, bits, image_size=len(bits),
                                    ppm=2835, clr_used=clr_used))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "pic256.bmp"), 355, 356, 256, 0)
    write_bmp(os.path.join(out, "pic255.bmp"), 100, 30, 255, 255)


if __name__ == "__main__":
    main()
