#!/usr/bin/env python3
"""Writes the demo's 1-bit bitmaps into screens/ next to this script.

The files are uncompressed 1-bit BMPs, bottom row first, rows padded to four
bytes. A 0 bit is a lit pixel: colour 0 is black, so the pictures look right
in an image viewer too (black ink on white).
"""
import pathlib
import struct

FONT = {  # 5x7 glyphs, one string per row, '#' lit
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
}


def write_bmp(path, rows):
    """rows: list of equal-length lists of 0/1 (1 lit), top row first."""
    height, width = len(rows), len(rows[0])
    stride = ((width + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x in range(width):
            if not row[x]:  # unlit pixels are 1 bits
                line[x // 8] |= 0x80 >> (x % 8)
        for x in range(width, stride * 8):  # padding bits unlit as well
            line[x // 8] |= 0x80 >> (x % 8)
        data += line
    offset = 14 + 40 + 8
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 1, 0, len(data), 2835, 2835, 2, 2)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    path.write_bytes(header + info + palette + bytes(data))


def logo(scale=2):
    text = "GLANCER"
    width, height = len(text) * 6 - 1, 7
    rows = [[0] * (width + 4) for _ in range(height + 4)]
    for i, letter in enumerate(text):
        for y, line in enumerate(FONT[letter]):
            for x, cell in enumerate(line):
                rows[y + 2][i * 6 + x + 2] = 1 if cell == "#" else 0
    for x in range(width + 4):  # frame
        rows[0][x] = rows[-1][x] = 1
    for y in range(height + 4):
        rows[y][0] = rows[y][-1] = 1
    return [[cell for cell in row for _ in range(scale)] for row in rows for _ in range(scale)]


def bouncing_dot(frame, frames=3, width=24, height=12):
    rows = [[0] * width for _ in range(height)]
    for x in range(width):
        rows[height - 1][x] = 1  # floor
    cx, cy, r = 4 + frame * (width - 8) // (frames - 1), [7, 3, 7][frame], 3
    for y in range(height - 1):
        for x in range(width):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                rows[y][x] = 1
    return rows


def main():
    out = pathlib.Path(__file__).resolve().parent / "screens"
    write_bmp(out / "logo.bmp", logo())
    for i in range(3):
        write_bmp(out / f"dot{i + 1}.bmp", bouncing_dot(i))


if __name__ == "__main__":
    main()
