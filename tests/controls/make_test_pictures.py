#!/usr/bin/env python3
"""Write the controls tests' 8-bit pictures into OUTPUT-DIR.

green.bmp   100 x 30, every pixel pure green; entry 0 black, entry 1 white.
rows.bmp    100 x 30, row r (from the top) is RGB(8 r, 255, 0).
mapped.bmp  20 x 10, left half the black entry, right half green.
blocks.bmp  8 x 6, pixel (x, y) from the top is RGB(30 x + 15, 40 y + 15, 128).
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import bmpfile  # noqa: E402


def bmp(width, height, table, pixel):
    bits = bmpfile.indexed_bits([[pixel(x, y) for x in range(width)] for y in range(height)], width)
    return bmpfile.bmp(width, height, 8, bmpfile.colour_table(table), bits, image_size=len(bits),
                       clr_used=len(table), clr_important=len(table))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    base = [(0, 0, 0), (255, 255, 255), (0, 255, 0)]
    pictures = {
        "green.bmp": bmp(100, 30, base, lambda x, y: 2),
        "rows.bmp": bmp(100, 30, base[:2] + [(8 * r, 255, 0) for r in range(30)],
                        lambda x, y: 2 + y),
        "mapped.bmp": bmp(20, 10, base, lambda x, y: 0 if x < 10 else 2),
        "blocks.bmp": bmp(8, 6, [(30 * x + 15, 40 * y + 15, 128) for y in range(6) for x in range(8)],
                          lambda x, y: y * 8 + x),
    }
    for name, data in pictures.items():
        bmpfile.write(os.path.join(out, name), data)


main()
