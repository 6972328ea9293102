"""What the emulated serial modules share: a pseudo-terminal behind a
symbolic link with a thread reading its master, and a PNG writer for
their pictures."""
import os
import select
import struct
import threading
import time
import tty
import zlib


class PtyLink:
    """A pseudo-terminal whose slave is reached through a symbolic link (as
    /dev/serial/by-id names are); a thread reads the master concurrently,
    since a pseudo-terminal holds only a few kilobytes, and hands what it
    read to take(data) while `reading` is set. unplug() closes the master
    (the port hangs up); plug() makes a fresh module (fresh()) and a new
    pair behind the link. With `raw` the slave starts raw, so that nothing
    written to the master echoes before the port is set up."""

    def __init__(self, link, chunk=4096, raw=False):
        self.link, self.chunk, self.raw = link, chunk, raw
        self.reading = True
        self.running = False
        self.master = None
        self.thread = None

    def fresh(self):
        """Called by plug() before the new pair exists."""

    def take(self, data):
        raise NotImplementedError

    def plug(self):
        self.fresh()
        self.master, slave = os.openpty()
        name = os.ttyname(slave)
        if self.raw:
            tty.setraw(slave)
        os.close(slave)
        if os.path.lexists(self.link):
            os.remove(self.link)
        os.symlink(name, self.link)
        self.running = True
        self.thread = threading.Thread(target=self._read, args=(self.master,), daemon=True)
        self.thread.start()

    def unplug(self):
        self.running = False
        self.thread.join()
        os.close(self.master)
        self.master = None

    def close(self):
        if self.master is not None:
            self.unplug()

    def _read(self, master):
        while self.running:
            if not self.reading:
                time.sleep(0.02)
                continue
            ready, _, _ = select.select([master], [], [], 0.05)
            if not ready:
                continue
            try:
                data = os.read(master, self.chunk)
            except OSError:  # no slave open at the moment
                time.sleep(0.02)
                continue
            self.take(data)


def write_png(path, image):
    """Rows of (r, g, b) pixels as an 8-bit RGB PNG."""
    raw = b"".join(b"\0" + bytes(channel for pixel in row for channel in pixel) for row in image)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", len(image[0]), len(image), 8, 2, 0, 0, 0)
    with open(path, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                   chunk(b"IEND", b""))
