#!/usr/bin/env python3
"""Turns the demo's pictures, drawn as text, into the 1-bit BMPs the screens use.

The sources are bitmaps/<name>.txt next to this script: one line per pixel
row, top row first, '#' a lit pixel and any other character an unlit one;
lines are padded with unlit pixels to the longest. Each becomes
screens/<name>.bmp. After editing a picture, regenerate them all with

    python3 examples/demo/make_bitmaps.py

and check in the .txt and the .bmp files together.

The files are uncompressed 1-bit BMPs, bottom row first, rows padded to four
bytes. A 0 bit is a lit pixel: colour 0 is black, so the pictures look right
in an image viewer too (black ink on white).
"""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent


def read_picture(path):
    """rows of 0/1 (1 lit), top row first, all as wide as the widest."""
    lines = path.read_text().splitlines()
    while lines and not lines[-1].strip():
        lines.pop()
    width = max((len(line) for line in lines), default=0)
    if not lines or width == 0:
        raise SystemExit(f"{path}: no picture")
    return [[1 if x < len(line) and line[x] == "#" else 0 for x in range(width)] for line in lines]


def bmp_bytes(rows):
    height, width = len(rows), len(rows[0])
    stride = ((width + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray(b"\xff" * stride)  # unlit pixels and padding are 1 bits
        for x in range(width):
            if row[x]:
                line[x // 8] &= ~(0x80 >> (x % 8)) & 0xFF
        data += line
    offset = 14 + 40 + 8
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 1, 0, len(data), 2835, 2835, 2, 2)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    return header + info + palette + bytes(data)


def main():
    sources = sorted((HERE / "bitmaps").glob("*.txt"))
    if not sources:
        raise SystemExit("no pictures in " + str(HERE / "bitmaps"))
    for source in sources:
        target = HERE / "screens" / (source.stem + ".bmp")
        target.write_bytes(bmp_bytes(read_picture(source)))
        print(f"{source.relative_to(HERE)} -> {target.relative_to(HERE)}")


if __name__ == "__main__":
    main()
