"""Reads what the Virtual display shows: its built-in font, PBM snapshots
and the half-block characters it draws in a terminal. Pixel pictures are
lists of rows of 0 (unlit) and 1 (lit)."""
import os
import re

# The font's source in this source tree.
FONT_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "drivers", "common",
                           "font5x7.cpp")
GLYPH = re.compile(r"^\s*\{\s*((?:0x[0-9A-Fa-f]{2},\s*){4}0x[0-9A-Fa-f]{2})\s*\},\s*//\s*'(.|\\.)'\s*$")
HALF_BLOCKS = {" ": (0, 0), "\u2580": (1, 0), "\u2584": (0, 1), "\u2588": (1, 1)}
BOX = set("\u250c\u2510\u2514\u2518\u2500\u2502")
CELL_WIDTH, GLYPH_WIDTH, GLYPH_HEIGHT = 6, 5, 7

_font = {}


def load_font(path=FONT_SOURCE):
    """The font from its source file: character -> 5 column bytes (bit 0 top).
    Also becomes the font render_text and find_text use by default."""
    font = {}
    with open(path) as source:
        for line in source:
            match = GLYPH.match(line)
            if match:
                char = match.group(2)[-1]  # '\'' and '\\' are escaped
                font[char] = [int(value, 16) for value in match.group(1).split(",")]
    _font.clear()
    _font.update(font)
    return font


def render_text(text, font=None):
    """The 7 pixel rows of `text` as the panel draws it: 5-pixel glyphs with a
    one-pixel gap between them (none after the last)."""
    font = font or _font
    width = CELL_WIDTH * len(text) - 1 if text else 0
    rows = [[0] * width for _ in range(GLYPH_HEIGHT)]
    for index, char in enumerate(text):
        columns = font.get(char, font["?"])
        for dx, bits in enumerate(columns):
            for dy in range(GLYPH_HEIGHT):
                rows[dy][CELL_WIDTH * index + dx] = (bits >> dy) & 1
    return rows


def read_pbm(path):
    """A binary PBM (P4) file as pixel rows; None when it is not one."""
    with open(path, "rb") as file:
        data = file.read()
    match = re.match(rb"P4\s+(\d+)\s+(\d+)\s", data)
    if not match:
        return None
    width, height = int(match.group(1)), int(match.group(2))
    stride, body = (width + 7) // 8, data[match.end():]
    if len(body) < stride * height:
        return None
    return [[(body[y * stride + x // 8] >> (7 - x % 8)) & 1 for x in range(width)] for y in range(height)]


def decode_halfblocks(lines):
    """Pixel rows from terminal lines of half blocks; box lines and box
    sides are left out."""
    return _decode_blocks(lines, HALF_BLOCKS, 1)


def _decode_blocks(lines, table, width):
    """Pixel rows from terminal lines whose characters `table` gives as
    `width` upper pixels then `width` lower ones; box lines and box sides
    are left out."""
    pixels = []
    for line in lines:
        if line and line[0] in "\u250c\u2514":
            continue
        cells = [table.get(char, (0,) * 2 * width) for char in line if char not in BOX]
        pixels += [[p for cell in cells for p in cell[:width]], [p for cell in cells for p in cell[width:]]]
    return pixels


def find_text(pixels, text, font=None):
    """Where `text` is drawn in `pixels`, exactly (lit and unlit pixels of
    its glyphs and gaps): (x, y) of its top-left corner, or None."""
    pattern = render_text(text, font)
    width = len(pattern[0]) if pattern else 0
    for y in range(len(pixels) - GLYPH_HEIGHT + 1):
        for x in range(len(pixels[y]) - width + 1):
            if all(pixels[y + dy][x:x + width] == pattern[dy] for dy in range(GLYPH_HEIGHT)):
                return x, y
    return None


# Quadrant blocks and the half and full blocks a quadrant picture also uses:
# (top left, top right, bottom left, bottom right).
QUADRANTS = {" ": (0, 0, 0, 0), "\u2598": (1, 0, 0, 0), "\u259d": (0, 1, 0, 0), "\u2580": (1, 1, 0, 0),
             "\u2596": (0, 0, 1, 0), "\u258c": (1, 0, 1, 0), "\u259e": (0, 1, 1, 0), "\u259b": (1, 1, 1, 0),
             "\u2597": (0, 0, 0, 1), "\u259a": (1, 0, 0, 1), "\u2590": (0, 1, 0, 1), "\u259c": (1, 1, 0, 1),
             "\u2584": (0, 0, 1, 1), "\u2599": (1, 0, 1, 1), "\u259f": (0, 1, 1, 1), "\u2588": (1, 1, 1, 1)}


def decode_quadrants(lines):
    """Pixel rows from terminal lines of quadrant blocks (2 x 2 pixels a
    character); box lines and box sides are left out."""
    return _decode_blocks(lines, QUADRANTS, 2)
