"""An emulated character LCD on a Matrix Orbital serial backpack, fed from the
master side of a pseudo-terminal: what a real module would show (characters
and the eight user characters) and every byte that reached it."""
import threading
import time

import panel
import pty_link

# A00 character ROM codes that texts and pictures use, as Unicode.
ROM = {0xDF: "\u00b0", 0xE4: "\u00b5", 0xFF: "\u2588", 0x5C: "\u00a5", 0xA5: "\u00b7", 0xE1: "\u00e4",
       0xEF: "\u00f6", 0xF5: "\u00fc", 0xFD: "\u00f7"}
ARGUMENTS = {0x47: 2, 0x4E: 9, 0x42: 1, 0x50: 1, 0x99: 1, 0x26: 0}


class SerialLcd:
    """Decodes the command set: 0xFE starts a command, other bytes are shown
    at the cursor, which stops at the row's end (line wrap off)."""

    def __init__(self, columns=20, rows=4, stored=None):
        self.columns, self.rows = columns, rows
        self.stored = [] if stored is None else stored  # contrast and brightness commands, as EEPROM writes
        self.cells = [[0x20] * columns for _ in range(rows)]
        self.glyphs = {slot: [0] * 8 for slot in range(8)}
        self.cursor = (0, 0)
        self.backlight = None
        self.pending = b""
        self.unknown = set()
        self.clears = 0
        self.setups = 0  # blink off starts every set-up

    def feed(self, data):
        data = self.pending + data
        at = 0
        while at < len(data):
            byte = data[at]
            if byte != 0xFE:
                column, row = self.cursor
                if column < self.columns and row < self.rows:
                    self.cells[row][column] = byte
                self.cursor = (column + 1, row)
                at += 1
                continue
            if at + 1 >= len(data):
                break
            code = data[at + 1]
            need = ARGUMENTS.get(code, 0)
            if at + 2 + need > len(data):
                break
            self.command(code, data[at + 2:at + 2 + need])
            at += 2 + need
        self.pending = data[at:]

    def command(self, code, args):
        if code == 0x58:
            self.cells = [[0x20] * self.columns for _ in range(self.rows)]
            self.cursor = (0, 0)
            self.clears += 1
        elif code == 0x47:
            self.cursor = (args[0] - 1, args[1] - 1)
        elif code == 0x4E:
            self.glyphs[args[0] & 7] = list(args[1:])
        elif code in (0x42, 0x46):
            self.backlight = code == 0x42
        elif code == 0x54:
            self.setups += 1
        elif code in (0x50, 0x99):
            self.stored.append((code, args[0]))
        elif code not in (0x44, 0x4B, 0x52, 0x54, 0x50, 0x99):
            self.unknown.add(code)

    def text(self):
        """The rows as text: user characters as digits 0-7 (in the text), ROM
        symbols as their Unicode look-alikes."""
        return ["".join(str(c) if c < 8 else ROM.get(c, chr(c)) for c in row) for row in self.cells]

    def cell_pixels(self, code):
        """8 rows of 5 pixels for one cell."""
        if code < 8:
            return [[(self.glyphs[code][y] >> (4 - x)) & 1 for x in range(5)] for y in range(8)]
        if code == 0xFF:
            return [[1] * 5 for _ in range(8)]
        columns = panel._font.get(ROM.get(code, chr(code)), panel._font.get("?"))
        return [[(columns[x] >> y) & 1 if y < 7 else 0 for x in range(5)] for y in range(8)]

    def pixels(self):
        """The panel as pixel rows, 6 x 8 per cell (the gap column unlit),
        laid out like the frame the driver was given."""
        image = [[0] * (6 * self.columns) for _ in range(8 * self.rows)]
        for row in range(self.rows):
            for column in range(self.columns):
                for y, line in enumerate(self.cell_pixels(self.cells[row][column])):
                    image[8 * row + y][6 * column:6 * column + 5] = line
        return image

    def write_png(self, path, scale=4):
        """A picture of the module: dark pixels on a green glass, the unlit
        dots of each cell faintly visible, a gap between cells and rows."""
        lit, dot, glass = (30, 40, 20), (140, 172, 52), (156, 188, 60)
        pitch_x, pitch_y, border = 6, 9, 4
        width, height = self.columns * pitch_x + 2 * border - 1, self.rows * pitch_y + 2 * border - 1
        image = [[glass] * width for _ in range(height)]
        for row in range(self.rows):
            for column in range(self.columns):
                for y, line in enumerate(self.cell_pixels(self.cells[row][column])):
                    for x, on in enumerate(line):
                        image[border + row * pitch_y + y][border + column * pitch_x + x] = lit if on else dot
        pty_link.write_png(path, [[pixel for pixel in line for _ in range(scale)] for line in image for _ in range(scale)])


class PtyPanel(pty_link.PtyLink):
    """A SerialLcd behind a pseudo-terminal (see PtyLink). With deaf_seconds
    it acts like a backpack that resets when the port opens: what arrives
    in that time from the first byte on is lost."""

    def __init__(self, link, columns=20, rows=4, deaf_seconds=0):
        super().__init__(link)
        self.deaf_seconds = deaf_seconds
        self.deaf_until = None
        self.stored = []  # what reached the EEPROM of every module plugged in
        self.lcd = SerialLcd(columns, rows, self.stored)
        self.lock = threading.Lock()
        self.log = []  # (monotonic time, byte count, whether a clear came) per read
        self.plug()

    def fresh(self):
        """A module plugged in afresh: blank, nothing defined."""
        self.lcd = SerialLcd(self.lcd.columns, self.lcd.rows, self.stored)
        self.deaf_until = None

    def take(self, data):
        now = time.monotonic()
        if self.deaf_seconds and self.deaf_until is None:
            self.deaf_until = now + self.deaf_seconds
        if self.deaf_until is not None and now < self.deaf_until:
            return
        with self.lock:
            clears = self.lcd.clears
            self.lcd.feed(data)
            self.log.append((time.monotonic(), len(data), self.lcd.clears > clears))

    def text(self):
        with self.lock:
            return self.lcd.text()

    def bytes_since(self, start):
        with self.lock:
            return sum(count for when, count, _ in self.log if when >= start)
