#!/usr/bin/env python3
"""Writes resources/pellmor.ico, the stub's application icon: a parcel with an
arrow going into it, at 32x32 and 16x16 in 16 colours (4 bits per pixel, the
standard VGA palette), about 1 KiB in all so the stub keeps its size budget.

Usage: python3 resources/make_icon.py [OUTPUT]   (default: pellmor.ico beside this file)

ICO layout: ICONDIR (6 bytes), one ICONDIRENTRY (16 bytes) per image, then per
image a BITMAPINFOHEADER of double height (XOR + AND masks), the palette, the
4-bit colour rows bottom-up (each padded to 4 bytes) and the 1-bit AND mask rows
(1 = transparent), likewise bottom-up and padded.
"""
import os
import struct
import sys

# The VGA palette, index: (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255),
    (255, 255, 255),
]
CLEAR, BLACK, OLIVE, NAVY, GREY, SILVER, YELLOW, BLUE, WHITE, GREEN = None, 0, 3, 4, 8, 7, 11, 12, 15, 2

# 32x32 picture, one character per pixel.
KEY = {'.': CLEAR, 'k': BLACK, 'o': OLIVE, 'y': YELLOW, 'n': NAVY, 'b': BLUE, 'w': WHITE, 'g': GREEN, 's': SILVER}
ART32 = [
    "..............kkkk..............",
    "..............kggk..............",
    "..............kggk..............",
    "..............kggk..............",
    "..............kggk..............",
    "..............kggk..............",
    "..............kggk..............",
    "...........kkkkggkkkk...........",
    "............kgggggggk...........",
    ".............kgggggk............",
    "..............kgggk.............",
    "...............kgk..............",
    "....kkkkkkkkkkkkkkkkkkkkkkkk....",
    "...kyyyyyyyyyyyyyyyyyyyyyyyyk...",
    "..kyyyyyyyyyyyyyyyyyyyyyyyyyyk..",
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
    ".koooooooooooonnnnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koooooooooooonbbnooooooooooook.",
    ".koowwwwwwwooonbbnooooooooooook.",
    ".koowsssssswoonbbnooooooooooook.",
    ".koowwwwwwwooonbbnooooooooooook.",
    ".koooooooooooonnnnooooooooooook.",
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
    "................................",
]
ART16 = [
    ".......kk.......",
    ".......gg.......",
    ".......gg.......",
    ".....kggggk.....",
    "......kggk......",
    ".......kk.......",
    "..kkkkkkkkkkkk..",
    ".kyyyyyyyyyyyyk.",
    "kkkkkkkkkkkkkkkk",
    "kooooooboooooook",
    "kooooooboooooook",
    "kooooooboooooook",
    "kowwwooboooooook",
    "kooooooboooooook",
    "kkkkkkkkkkkkkkkk",
    "................",
]


def image(art):
    size = len(art)
    assert all(len(row) == size for row in art), "the picture is square"
    pixels = [[KEY[c] for c in row] for row in art]
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    colour_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colour = b''
    mask = b''
    for row in reversed(pixels):  # bottom-up
        nibbles = [0 if p is None else p for p in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour += line.ljust(colour_stride, b'\0')
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        mask += bits.to_bytes(size // 8, 'big').ljust(mask_stride, b'\0')
    return size, header + palette + colour + mask


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                              'pellmor.ico')
    images = [image(ART32), image(ART16)]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        data += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    data += b''.join(blob for _, blob in images)
    with open(out, 'wb') as f:
        f.write(data)
    print(f'{out}: {len(data)} bytes')


if __name__ == '__main__':
    main()
