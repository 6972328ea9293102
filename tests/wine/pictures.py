"""Pictures for the checks, as rows of (r, g, b): PNG files such as the
virtual display's snapshot, and screenshots of the Xvfb screen."""
import struct
import subprocess
import zlib

CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}  # by PNG colour type


class Picture:
    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def pixel(self, x, y):
        return self.rows[y][x]

    def crop(self, left, top, width, height):
        return Picture(width, height, [row[left:left + width] for row in self.rows[top:top + height]])

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
    """Non-interlaced PNGs of up to 8 bits a sample."""
    with open(path, "rb") as f:
        data = f.read()
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


def screenshot(env):
    """The whole X screen of `env`'s DISPLAY."""
    data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=env, capture_output=True,
                          check=True, timeout=60).stdout
    fields, position = [], 0
    while len(fields) < 4:  # magic, width, height, maximum; comments are not written
        while data[position:position + 1].isspace():
            position += 1
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    width, height = int(fields[1]), int(fields[2])
    pixels = data[position + 1:position + 1 + 3 * width * height]
    rows = [[tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)] for y in range(height)]
    return Picture(width, height, rows)


def write_png(picture, path):
    """An 8-bit RGB PNG, unfiltered."""
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in picture.rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", picture.width, picture.height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))
