#!/usr/bin/env python3
"""Writes the seed corpus of the BMP fuzz target into fuzz/corpus/.

Small BMP files (each under 4 KB) of every depth the reader holds, a top-down
file, bit-field files, a palette of 255 colours, a file with a larger size
field than its rows need, and a few files the reader refuses; and a few
images in the target's second input form (raw_*.bin: an info header, the
colour table of its bit count and the bits, as a device bitmap leaves them
in memory), which drive AlignRows and the write side on their own. The
contents are fixed, so running it again gives the same files.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import bmpfile  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def bmp(width, height, bit_count, *, compression=0, clr_used=0, table=None,
        masks=None, planes=1, info_size=40, extra=b"", size_delta=0,
        off_delta=0, bits=None):
    """Builds a BMP file; table is a list of (b, g, r) entries."""
    if table is None:
        table = ([(i * 255 // ((1 << bit_count) - 1),) * 3
                  for i in range(1 << bit_count)] if bit_count <= 8 else [])
    if bits is None:
        n = bmpfile.row_bytes(bit_count, width) * abs(height)
        bits = bytes((i * 7 + 3) & 0xFF for i in range(n))
    return bmpfile.bmp(width, height, bit_count,
                       bmpfile.colour_table((r, g, b) for b, g, r in table), bits,
                       compression=compression, ppm=2835, clr_used=clr_used,
                       planes=planes, info_size=info_size,
                       masks=struct.pack("<3I", *masks) if masks else b"",
                       extra=extra, size_delta=size_delta, off_delta=off_delta)


def raw_image(width, height, bit_count):
    """Info block and bits as held for a device bitmap, rows packed."""
    entries = {1: 2, 4: 16, 8: 256}.get(bit_count, 0)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0, 0,
                       0, 0, 0, 0)
    table = bytes((i * 5) & 0xFF for i in range(4 * entries))
    packed = (bit_count * width + 7) // 8
    size = bmpfile.row_bytes(bit_count, width) * height
    bits = bytes((i % packed) + 1 for i in range(packed * height))
    return info + table + bits + b"\0" * (size - len(bits))


def palette(n):
    return [((i * 37) & 0xFF, (i * 91) & 0xFF, (i * 151) & 0xFF) for i in range(n)]


FILES = {
    # Accepted files.
    "ok_1bit_9x3.bmp": bmp(9, 3, 1),
    "ok_4bit_5x4.bmp": bmp(5, 4, 4, table=palette(16)),
    "ok_8bit_7x5.bmp": bmp(7, 5, 8, table=palette(256)),
    "ok_8bit_clrused255.bmp": bmp(6, 2, 8, clr_used=255, table=palette(255)),
    "ok_8bit_clrused16.bmp": bmp(3, 3, 8, clr_used=16, table=palette(16)),
    "ok_16bit_5x3.bmp": bmp(5, 3, 16),
    "ok_16bit_bitfields_565.bmp": bmp(5, 3, 16, compression=3,
                                      masks=(0xF800, 0x07E0, 0x001F)),
    "ok_24bit_5x3.bmp": bmp(5, 3, 24),
    "ok_24bit_topdown_4x3.bmp": bmp(4, -3, 24),
    "ok_24bit_bigger_size_field.bmp": bmp(3, 2, 24, extra=b"\0" * 10),
    "ok_32bit_4x2.bmp": bmp(4, 2, 32),
    "ok_32bit_bitfields.bmp": bmp(4, 2, 32, compression=3,
                                  masks=(0xFF0000, 0x00FF00, 0x0000FF)),
    # Refused files.
    "bad_not_bm.bmp": b"PK" + bmp(2, 2, 24)[2:],
    "bad_os2_header.bmp": bmp(2, 2, 24, info_size=12),
    "bad_rle8.bmp": bmp(4, 4, 8, compression=1, table=palette(4), clr_used=4,
                        bits=bytes([4, 1, 0, 0, 4, 2, 0, 0, 0, 1])),
    "bad_bits_short.bmp": bmp(8, 8, 24, bits=bytes(bmpfile.row_bytes(24, 8) * 8 - 20)),
    "bad_clrused_300.bmp": bmp(2, 2, 8, clr_used=300, table=palette(256)),
    "bad_offset_in_headers.bmp": bmp(2, 2, 24, off_delta=-10),
    "bad_truncated.bmp": bmp(5, 5, 24)[:60],
    # Held images for the write side.
    "raw_1bit_9x3.bin": raw_image(9, 3, 1),
    "raw_8bit_3x4.bin": raw_image(3, 4, 8),
    "raw_24bit_5x3.bin": raw_image(5, 3, 24),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name in os.listdir(OUT):
        if name.endswith((".bmp", ".bin")) and name not in FILES:
            os.remove(os.path.join(OUT, name))
    for name, data in sorted(FILES.items()):
        assert len(data) < 4096, name
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print("wrote %d files to %s" % (len(FILES), OUT))


if __name__ == "__main__":
    main()
