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
import struct
import sys


def table_entry(i):
    # blue, green, red, reserved; distinct for every i below 256
    return bytes(((255 - i) & 0xFF, (i * 37 + 11) & 0xFF, i, 0))


def write_bmp(path, width, height, colors, clr_used):
    stride = (width + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):          # bottom row first
        row = bytes((x * 3 + y * 7) % colors for x in range(width))
        rows.append(row + bytes(stride - width))
    bits = b"".join(rows)
    table = b"".join(table_entry(i) for i in range(colors))
    off_bits = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", off_bits + len(bits), 0, 0, off_bits)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(bits),
                       2835, 2835, clr_used, 0)
    data = header + info + table + bits
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "pic256.bmp"), 355, 356, 256, 0)
    write_bmp(os.path.join(out, "pic255.bmp"), 100, 30, 255, 255)


if __name__ == "__main__":
    main()
