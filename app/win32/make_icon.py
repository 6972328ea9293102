#!/usr/bin/env python3
"""Draws the tray icon, a small LCD panel with a few lit pixels, and writes
glancer.ico (16x16 and 32x32, 32-bit colour with alpha). Run it again after
changing the picture and commit the result:

    python3 app/win32/make_icon.py app/win32/glancer.ico
"""
import struct
import sys

CLEAR = (0, 0, 0, 0)
BEZEL = (48, 52, 58, 255)
EDGE = (24, 26, 30, 255)
GLASS = (150, 196, 60, 255)
LIT = (22, 48, 26, 255)

# Lit pixels as text rows, "#" lit; drawn at the panel's top-left corner.
PATTERNS = {
    16: ["##.#.##..#",
         "#..#.#.#.#",
         "",
         "########.."],
    32: ["###.#...###.#..#.###",
         "#...#...#.#.##.#.#..",
         "#.#.#...###.#.##.#..",
         "###.###.#.#.#..#.###",
         "",
         "",
         "##.####.##.###.###.#"],
}


def draw(size):
    pixels = [[CLEAR] * size for _ in range(size)]
    top, bottom = size * 3 // 16, size - size * 3 // 16 - 1
    for y in range(top, bottom + 1):
        for x in range(size):
            edge = y in (top, bottom) or x in (0, size - 1)
            pixels[y][x] = EDGE if edge else BEZEL
    inset = max(1, size // 16)
    for y in range(top + 1 + inset, bottom - inset):
        for x in range(1 + inset, size - 1 - inset):
            pixels[y][x] = GLASS
    ox, oy = 2 + inset, top + 2 + inset
    for row, line in enumerate(PATTERNS[size]):
        for col, ch in enumerate(line):
            if ch == "#":
                pixels[oy + row][ox + col] = LIT
    return pixels


def dib(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "glancer.ico"
    images = [dib(draw(size)) for size in (16, 32)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((16, 32), images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(out, "wb") as f:
        f.write(data + b"".join(images))


if __name__ == "__main__":
    main()
