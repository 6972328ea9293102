"""Turns a tmux pane captured with escapes (capture-pane -p -e) into a PNG
that looks like the terminal: the documentation's terminal screenshot."""
import re
import struct
import zlib

CELL_W, CELL_H = 8, 16
DEFAULT_FG, DEFAULT_BG = (0xD0, 0xD0, 0xD0), (0x1C, 0x1C, 0x1C)
SGR = re.compile(r"\x1b\[([0-9;]*)m")
# Box characters as (left, right, up, down) arms from the cell's centre.
BOX = {"\u250c": (0, 1, 0, 1), "\u2510": (1, 0, 0, 1), "\u2514": (0, 1, 1, 0), "\u2518": (1, 0, 1, 0),
       "\u2500": (1, 1, 0, 0), "\u2502": (0, 0, 1, 1)}


def _cells(lines):
    """Rows of (char, fg, bg) from escaped lines."""
    fg, bg, rows = DEFAULT_FG, DEFAULT_BG, []
    for line in lines:
        row, pos = [], 0
        for match in list(SGR.finditer(line)) + [None]:
            end = match.start() if match else len(line)
            row += [(char, fg, bg) for char in line[pos:end]]
            if match is None:
                break
            pos = match.end()
            codes = [int(c) if c else 0 for c in match.group(1).split(";")]
            i = 0
            while i < len(codes):
                code = codes[i]
                if code == 0:
                    fg, bg = DEFAULT_FG, DEFAULT_BG
                elif code in (38, 48) and codes[i + 1:i + 2] == [2] and len(codes) >= i + 5:
                    colour = tuple(codes[i + 2:i + 5])
                    fg, bg = (colour, bg) if code == 38 else (fg, colour)
                    i += 4
                elif code == 39:
                    fg = DEFAULT_FG
                elif code == 49:
                    bg = DEFAULT_BG
                i += 1
        rows.append(row)
    return rows


def _paint(char, fg, bg):
    """The cell's pixels, rows of colours."""
    cell = [[bg] * CELL_W for _ in range(CELL_H)]
    half = CELL_H // 2
    if char in ("\u2580", "\u2588"):
        cell[:half] = [[fg] * CELL_W for _ in range(half)]
    if char in ("\u2584", "\u2588"):
        cell[half:] = [[fg] * CELL_W for _ in range(half)]
    if char in BOX:
        left, right, up, down = BOX[char]
        cx, cy = CELL_W // 2, CELL_H // 2
        for x in range(0 if left else cx, CELL_W if right else cx + 1):
            cell[cy][x] = fg
        for y in range(0 if up else cy, CELL_H if down else cy + 1):
            cell[y][cx] = fg
    return cell


def write_png(lines, path):
    rows = _cells(lines)
    while rows and not any(char.strip() for char, _, _ in rows[-1]):
        rows.pop()
    width = max((len(row) for row in rows), default=1)
    image = []
    for row in rows:
        row = row + [(" ", DEFAULT_FG, DEFAULT_BG)] * (width - len(row))
        cells = [_paint(*cell) for cell in row]
        image += [[pixel for cell in cells for pixel in cell[y]] for y in range(CELL_H)]
    raw = b"".join(b"\0" + bytes(channel for pixel in line for channel in pixel) for line in image)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width * CELL_W, len(image), 8, 2, 0, 0, 0)
    with open(path, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                   chunk(b"IEND", b""))
