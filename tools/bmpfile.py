"""The BMP file layout, for the scripts that write BMP files: the artwork
generator, the test-picture generators and the fuzz corpus maker.

    import bmpfile
    data = bmpfile.bmp(width, height, 8, bmpfile.colour_table(colours),
                       bmpfile.indexed_bits(rows, width), clr_used=len(colours))
    bmpfile.write(path, data)
"""

import os
import struct


def row_bytes(bit_count, width):
    """Bytes of one stored row: the pixels padded to whole 32-bit words."""
    return (bit_count * width + 31) // 32 * 4


def colour_table(colours):
    """The colour table of (red, green, blue) entries as the file stores it:
    blue, green, red and a zero byte each."""
    return b"".join(struct.pack("<4B", b, g, r, 0) for (r, g, b) in colours)


def indexed_bits(rows, width):
    """8-bit pixel rows, given top row first, as the file stores them: bottom
    row first, each padded to 4 bytes."""
    pad = bytes(row_bytes(8, width) - width)
    return b"".join(bytes(row) + pad for row in reversed(rows))


def bmp(width, height, bit_count, table, bits, *, compression=0, image_size=0,
        ppm=0, clr_used=0, clr_important=0, planes=1, info_size=40, masks=b"",
        extra=b"", size_delta=0, off_delta=0):
    """A whole file: file header, a 40-byte info header (info_size is only
    the value written in its first field), bit-field masks, the colour table
    (bytes, see colour_table), the bits and any extra bytes. size_delta and
    off_delta make the size and offset fields lie, for refused files."""
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, planes,
                       bit_count, compression, image_size, ppm, ppm,
                       clr_used, clr_important)
    offset = 14 + len(info) + len(masks) + len(table)
    size = offset + len(bits) + len(extra)
    head = struct.pack("<2sIHHI", b"BM", size + size_delta, 0, 0,
                       offset + off_delta)
    return head + info + masks + table + bits + extra


def write(path, data):
    """Writes data to path through a temporary file, so that a build that
    stops halfway leaves no half-written picture."""
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
