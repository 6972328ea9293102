"""Emulated USB smart screens (revisions A, B, D and WeAct), written from
the screens' protocol descriptions: a byte stream in, an RGB565 picture out.

The screen keeps its picture in its native portrait memory. Each revision
is told an orientation of its own; the viewer, holding the screen turned
by `quarters` clockwise, sees that memory turned back."""
import os
import struct
import threading
import time

import pty_link


def rgb565(rrggbb):
    r, g, b = rrggbb >> 16 & 255, rrggbb >> 8 & 255, rrggbb & 255
    return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3


def turn_ccw(x, y, width, height, quarters):
    """Where pixel (x, y) of a picture turned counter-clockwise `quarters`
    times (of that picture's width x height) sits in the original."""
    for _ in range(quarters % 4):
        x, y = height - 1 - y, x
        width, height = height, width
    return x, y


class SmartScreen:
    """One screen: feed() takes what the host writes, answers go to reply()."""

    # Revision A and WeAct orientation codes, as clockwise quarter turns.
    CODE_QUARTERS = {0: 0, 1: 2, 2: 1, 3: 3}

    def __init__(self, revision, width=320, height=480, hello_code=None, sub_revision=0x11, hello_answer=None,
                 reply=None):
        self.revision = revision
        self.hello_answer = hello_answer  # bytes said to any HELLO instead: a device that is not this screen
        self.width, self.height = width, height
        self.hello_code = hello_code  # revision A: None answers nothing (the original Turing)
        self.sub_revision = sub_revision
        self.reply = reply or (lambda data: None)
        self.memory = [0] * (width * height)
        self.quarters = 0  # the device's own orientation
        self.brightness = None
        self.off = False
        self.hellos = 0
        self.orientations = 0  # orientation commands seen
        self.bitmaps = 0
        self.unknown = 0  # bytes that made no sense
        self.pending = bytearray()

    # ---- the picture ------------------------------------------------------
    def device_size(self):
        return (self.height, self.width) if self.quarters % 2 else (self.width, self.height)

    def put(self, x, y, value):
        dw, dh = self.device_size()
        if x >= dw or y >= dh:
            self.unknown += 1
            return
        px, py = turn_ccw(x, y, dw, dh, self.quarters)
        self.memory[py * self.width + px] = value

    def picture(self, quarters):
        """Rows of RGB565 values as seen with the screen turned `quarters`."""
        w, h = (self.height, self.width) if quarters % 2 else (self.width, self.height)
        rows = []
        for y in range(h):
            row = []
            for x in range(w):
                px, py = turn_ccw(x, y, w, h, quarters)
                row.append(self.memory[py * self.width + px])
            rows.append(row)
        return rows

    # ---- the stream -------------------------------------------------------
    def feed(self, data):
        self.pending += data
        while True:
            used = getattr(self, "_parse_" + self.revision)()
            if not used:
                return
            del self.pending[:used]

    def _pixels(self, start, x0, y0, x1, y1, order, packets=False):
        """Bytes used by a rectangle's pixels from `start` (0: not all here)."""
        count = (x1 - x0 + 1) * (y1 - y0 + 1)
        data = self.pending
        if packets:  # revision D: 'P' and 63 bytes a packet
            need = count * 2
            full = need // 63 + (1 if need % 63 else 0)
            if len(data) < start + need + full:
                return 0
            raw = bytearray()
            at = start
            while len(raw) < need:
                if data[at] != ord("P"):
                    self.unknown += 1
                take = min(63, need - len(raw))
                raw += data[at + 1:at + 1 + take]
                at += 1 + take
            used = at
        else:
            if len(data) < start + count * 2:
                return 0
            raw = data[start:start + count * 2]
            used = start + count * 2
        values = struct.unpack(order + "%dH" % count, bytes(raw))
        i = 0
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, values[i])
                i += 1
        self.bitmaps += 1
        return used

    def _parse_A(self):
        d = self.pending
        if len(d) < 6:
            return 0
        x, y = d[0] << 2 | d[1] >> 6, (d[1] & 63) << 4 | d[2] >> 4
        ex, ey = (d[2] & 15) << 6 | d[3] >> 2, (d[3] & 3) << 8 | d[4]
        command = d[5]
        if command == 197:
            return self._pixels(6, x, y, ex, ey, "<")
        if command == 121:
            if len(d) < 16:
                return 0
            self.quarters = self.CODE_QUARTERS.get(d[6] - 100, 0)
            self.orientations += 1
            return 16
        if command == 69 and all(b == 69 for b in d[:6]):
            self.hellos += 1
            if self.hello_answer is not None:
                self.reply(self.hello_answer)
            elif self.hello_code is not None:
                self.reply(bytes([self.hello_code] * 6))
        elif command == 110:
            self.brightness = 100 - x * 100 // 255
        elif command == 108:
            self.off = True
        elif command == 109:
            self.off = False
        else:
            self.unknown += 6
        return 6

    def _parse_B(self):
        d = self.pending
        if len(d) < 10:
            return 0
        command = d[0]
        if d[9] != command:
            self.unknown += 1
            return 1
        p = d[1:9]
        if command == 0xCC:
            x0, y0, x1, y1 = (p[0] << 8 | p[1], p[2] << 8 | p[3], p[4] << 8 | p[5], p[6] << 8 | p[7])
            return self._pixels(10, x0, y0, x1, y1, ">")
        if command == 0xCA:
            self.hellos += 1
            if self.hello_answer is not None:
                self.reply(self.hello_answer)
                return 10
            self.reply(bytes([0xCA]) + b"HELLO" + bytes([0x0A, self.sub_revision, 0, 0xCA]))
        elif command == 0xCB:
            self.quarters = p[0] & 1
            self.orientations += 1
        elif command == 0xCE:
            self.brightness = p[0] * 100 // 255
            self.off = p[0] == 0
        else:
            self.unknown += 10
        return 10

    def _parse_D(self):
        d = self.pending
        if len(d) < 4:
            return 0
        head = bytes(d[:2])
        if head == b"CA":
            if len(d) < 14:
                return 0
            x0, x1, y0, y1 = struct.unpack(">4H", bytes(d[2:10]))
            if bytes(d[10:14]) != b"D\0\0\0":
                self.unknown += 1
                return 1
            used = self._pixels(14, x0, y0, x1, y1, ">", packets=True)
            if not used or len(d) < used + 4:
                return 0
            if bytes(d[used:used + 4]) != b"A\0\0\0":
                self.unknown += 1
            return used + 4
        if head in (b"CH", b"CG"):
            self.quarters = 0 if head == b"CH" else 2
            self.orientations += 1
            return 4
        if head == b"CC":
            self.brightness = (d[2] << 8 | d[3]) // 5
            self.off = self.brightness == 0
            return 4
        if bytes(d[:4]) == b"G\0\0\0":
            self.hellos += 1
            return 4
        self.unknown += 1
        return 1

    def _parse_WeAct(self):
        d = self.pending
        if not d:
            return 0
        command = d[0]
        if command == 0x05:
            if len(d) < 10:
                return 0
            x0, y0, x1, y1 = struct.unpack("<4H", bytes(d[1:9]))
            return self._pixels(10, x0, y0, x1, y1, "<")
        if command == 0x02:
            if len(d) < 3:
                return 0
            self.quarters = self.CODE_QUARTERS.get(d[1], 0)
            self.orientations += 1
            return 3
        if command == 0x03:
            if len(d) < 5:
                return 0
            self.brightness = d[1] * 100 // 255
            self.off = d[1] == 0
            return 5
        self.unknown += 1
        return 1


def write_png(rows, path):
    """RGB565 rows as an 8-bit RGB PNG."""
    def rgb(value):
        r, g, b = value >> 11 & 31, value >> 5 & 63, value & 31
        return (r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)

    pty_link.write_png(path, [[rgb(value) for value in row] for row in rows])


class PtyScreen(pty_link.PtyLink):
    """A screen behind a pseudo-terminal (see PtyLink), raw from the start:
    it answers, and an echo would reach the driver. plug() makes a fresh,
    blank screen; stall() stops reading (the port fills up)
    until resume()."""

    def __init__(self, link, revision, **screen):
        super().__init__(link, chunk=65536, raw=True)
        self.revision = revision
        self.options = screen
        self.lock = threading.Lock()
        self.log = []  # (monotonic time, byte count) per read
        self.plug()

    def fresh(self):
        self.screen = SmartScreen(self.revision, reply=self._reply, **self.options)

    def _reply(self, data):
        os.write(self.master, data)

    def stall(self):
        self.reading = False

    def resume(self):
        self.reading = True

    def take(self, data):
        with self.lock:
            self.screen.feed(data)
            self.log.append((time.monotonic(), len(data)))

    def picture(self, quarters=0):
        with self.lock:
            return self.screen.picture(quarters)

    def bytes_since(self, start):
        with self.lock:
            return sum(count for when, count in self.log if when >= start)

    def last_read(self):
        with self.lock:
            return self.log[-1][0] if self.log else None
