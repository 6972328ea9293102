"""Pictures for the checks, as rows of (r, g, b): PNG files such as the
virtual display's snapshot, and parts of the Xvfb screen."""
import re
import struct
import subprocess
import zlib

CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}  # by PNG colour type


class Picture:
    def __init__(self, width, height, rows, ppm=None):
        self.width, self.height, self.rows, self.ppm = width, height, rows, ppm

    def pixel(self, x, y):
        return self.rows[y][x]

    def save(self, path):
        """A screenshot as a PNG file."""
        subprocess.run(["convert", "ppm:-", path], input=self.ppm, check=True, timeout=60)

    def colours(self):
        return {pixel for row in self.rows for pixel in row}


def _unfilter(raw, stride, height, step):
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = previous[i]
            c = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                near = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
                line[i] = (line[i] + near) & 255
            elif kind != 0:
                raise ValueError("bad PNG filter %d" % kind)
        rows.append(line)
        previous = line
    return rows


def read_png(path):
    """Non-interlaced PNGs of up to 8 bits a sample; ValueError for anything
    else, a damaged or a cut-off file included."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        return _decode_png(data)
    except (KeyError, IndexError, struct.error, zlib.error) as error:
        raise ValueError("bad PNG: %s" % error) from error


def _decode_png(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    position, chunks, compressed = 8, {}, b""
    while position + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IDAT":
            compressed += body
        else:
            chunks.setdefault(kind, body)
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if interlace or depth > 8:
        raise ValueError("unsupported PNG")
    bits = depth * CHANNELS[colour]
    lines = _unfilter(zlib.decompress(compressed), (width * bits + 7) // 8, height, max(1, bits // 8))
    palette = chunks.get(b"PLTE", b"")
    rows = []
    for line in lines:
        row = []
        for x in range(width):
            if bits >= 8:
                sample = line[x * bits // 8:(x + 1) * bits // 8]
            else:
                shift = 8 - depth - (x * depth) % 8
                sample = [(line[x * depth // 8] >> shift) & ((1 << depth) - 1)]
            if colour == 3:
                row.append(tuple(palette[3 * sample[0]:3 * sample[0] + 3]))
            elif colour in (0, 4):
                grey = sample[0] * 255 // ((1 << depth) - 1)
                row.append((grey, grey, grey))
            else:
                row.append(tuple(sample[:3]))
        rows.append(row)
    return Picture(width, height, rows)


def screenshot(env, area):
    """The rectangle `area` (left, top, width, height) of `env`'s X screen."""
    crop = "%dx%d+%d+%d" % (area[2], area[3], area[0], area[1])
    data = subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", "-depth", "8", "ppm:-"], env=env,
                          capture_output=True, check=True, timeout=60).stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    width, height, pixels = int(header.group(1)), int(header.group(2)), data[header.end():]
    rows = [[tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)] for y in range(height)]
    return Picture(width, height, rows, data)
