"""The Web panel driver, end to end: the page and the event stream over real
sockets, refused requests, many clients and one that stops reading."""
import base64
import os
import re
import socket
import time
import unittest

import harness
import panel
from harness import registry_text, stop, wait_for

panel.load_font()

# Refreshed (but unchanged) ten times a second: the driver hears of none of it.
STATIC = harness.screen_files(main=harness.screen(
    "Main", '<item type="text" x="0" y="0" refresh="100"><fieldsize>5</fieldsize><textdata>hello</textdata></item>\n'
            '<item type="text" x="0" y="3" refresh="100"><fieldsize>20</fieldsize><textpos>right</textpos>'
            "<textdata>web</textdata></item>\n"))
MARQUEE = {
    "screens.xml": STATIC["screens.xml"],
    "main.xml": ('<screen><name>Main</name>\n'
                 '<item type="text" x="0" y="0" refresh="50"><fieldsize>10</fieldsize><scrolltype>left</scrolltype>'
                 "<textdata>a marquee that keeps moving</textdata></item>\n</screen>\n"),
}


def busy_screens(columns, rows):
    """Every text row scrolls each tick, so the whole panel changes 20 times a second."""
    items = "".join(f'<item type="text" x="0" y="{row}" refresh="50"><fieldsize>{columns}</fieldsize>'
                    f"<scrolltype>{'left' if row % 2 else 'right'}</scrolltype>"
                    f"<textdata>{'#-' * columns}@</textdata></item>\n" for row in range(rows))
    return {"screens.xml": STATIC["screens.xml"], "main.xml": f"<screen><name>Main</name>\n{items}</screen>\n"}


class Stream:
    """A client of /events on a raw socket: the events it has read, and the
    panel they draw."""

    def __init__(self, port, receive_buffer=None):
        self.sock = socket.socket()
        if receive_buffer:
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
        self.sock.connect(("127.0.0.1", port))
        self.sock.sendall(b"GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/event-stream\r\n\r\n")
        self.data = b""
        self.head = None
        self.events = []  # (name, data)
        self.closed = False

    def close(self):
        self.sock.close()

    def read(self, timeout=0.05):
        """Reads what has arrived (waiting at most `timeout`); False at the end of the stream."""
        self.sock.settimeout(timeout)
        try:
            chunk = self.sock.recv(1 << 20)
        except (socket.timeout, BlockingIOError):
            return True
        except ConnectionResetError:
            chunk = b""
        if not chunk:
            self.closed = True
            return False
        self.data += chunk
        if self.head is None and b"\r\n\r\n" in self.data:
            self.head, self.data = self.data.split(b"\r\n\r\n", 1)
        while self.head is not None and b"\n\n" in self.data:
            block, self.data = self.data.split(b"\n\n", 1)
            self.take(block.decode())
        return True

    def take(self, block):
        name, data = "message", []
        for line in block.split("\n"):
            if line.startswith("event: "):
                name = line[7:]
            elif line.startswith("data: "):
                data.append(line[6:])
        if not data:
            return  # a comment or the retry delay
        self.events.append((name, "\n".join(data)))

    @property
    def pixels(self):
        """The panel as the events so far draw it; None before the first."""
        pixels = None
        for name, data in self.events:
            if name == "panel":
                width, height = (int(v) for v in data.split()[:2])
                pixels = [[0] * width for _ in range(height)]
            elif pixels is not None:
                x, y, w, h, bits = data.split()
                x, y, w, h = int(x), int(y), int(w), int(h)
                raw = base64.b64decode(bits)
                for i in range(w * h):
                    pixels[y + i // w][x + i % w] = (raw[i // 8] >> (7 - i % 8)) & 1
        return pixels

    def rects(self):
        return sum(1 for name, _ in self.events if name == "message")

    def wait(self, condition, what):
        def check():
            self.read()
            return condition()
        wait_for(check, what)


def thread_wakeups(process, name, seconds):
    """The wake-ups (voluntary context switches) of the thread called `name` over `seconds`."""
    def sample():
        for tid in os.listdir(f"/proc/{process.pid}/task"):
            with open(f"/proc/{process.pid}/task/{tid}/comm") as comm:
                if comm.read().strip() != name:
                    continue
            with open(f"/proc/{process.pid}/task/{tid}/status") as status:
                return next(int(line.split()[1]) for line in status if line.startswith("voluntary_ctxt"))
        raise AssertionError("no thread " + name)
    before = sample()
    time.sleep(seconds)
    return sample() - before


def request(port, data):
    """Sends `data`, reads until the server closes: the whole answer."""
    with socket.create_connection(("127.0.0.1", port), timeout=harness.TIMEOUT) as sock:
        try:
            sock.sendall(data)
        except (BrokenPipeError, ConnectionResetError):
            pass  # refused before it had all of it; the answer is still there to read
        answer = b""
        while True:
            try:
                chunk = sock.recv(65536)
            except ConnectionResetError:
                break
            if not chunk:
                return answer
            answer += chunk
        return answer + b"<reset>"


class WebPanelTest(harness.Case):
    def glancer(self, screens, **settings):
        work = self.workdir(plugins=("web-panel",), screens=screens)
        values = {"Port": 0, **settings}
        work.write("registry.reg", registry_text({"DRIVER": "Web panel"}) + "\n" +
                   registry_text(values, "WebPanel").split("\n", 2)[2])
        process = work.start()
        found = []

        def serving():
            found[:] = [m for line in work.log() for m in re.findall(r"^Web panel: serving http://[^:]+:(\d+)/$", line)]
            return found or process.poll() is not None
        wait_for(serving, "the server to listen")
        self.assertTrue(found, "\n".join(work.log()))
        return work, process, int(found[0])

    def stream(self, port, **kwargs):
        stream = Stream(port, **kwargs)
        self.addCleanup(stream.close)
        return stream

    def test_the_page_and_the_whole_frame_then_no_wake_ups_on_a_static_screen(self):
        work, process, port = self.glancer(STATIC, LitColour="102030", Scale=3)
        page = request(port, b"GET / HTTP/1.1\r\nHost: x\r\n\r\n")
        head, body = page.split(b"\r\n\r\n", 1)
        self.assertTrue(head.startswith(b"HTTP/1.1 200 OK\r\n"), head)
        self.assertIn(b"Content-Type: text/html; charset=utf-8", head)
        self.assertIn(f"Content-Length: {len(body)}".encode(), head)
        self.assertIn(b"<canvas", body)
        self.assertIn(b'new EventSource("events")', body)

        stream = self.stream(port)
        stream.wait(lambda: (pixels := stream.pixels) and panel.find_text(pixels, "hello") == (0, 0) and
                    panel.find_text(pixels, "web") == (102, 24), "the panel with both texts")
        self.assertIn(b"Content-Type: text/event-stream", stream.head)
        self.assertEqual(stream.events[0], ("panel", "122 32 102030 9CBC3C 3"))

        # The page stays connected; nothing changes, so the server sleeps
        # (a keep-alive every 30 s may fall into the count).
        self.assertLessEqual(thread_wakeups(process, "web-panel", 5), 1)
        stream.read()
        self.assertFalse(stream.closed)
        self.assertEqual(stop(process)[0], 0)
        stream.wait(lambda: stream.closed, "the stream to end with the program")
        self.assertEqual(panel.find_text(stream.pixels, "Good Bye!"), (0, 0))

    def test_other_paths_methods_and_long_heads_get_a_4xx_and_the_connection_closes(self):
        work, process, port = self.glancer(STATIC)
        cases = [
            (b"GET /favicon.ico HTTP/1.1\r\nHost: x\r\n\r\n", b"404 Not Found"),
            (b"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n", b"405 Method Not Allowed"),
            (b"DELETE /events HTTP/1.1\r\n\r\n", b"405 Method Not Allowed"),
            (b"GET / HTTP/1.1\r\nX-Long: " + b"a" * 8200 + b"\r\n\r\n", b"431 Request Header Fields Too Large"),
            (b"GET / HTTP/1.1\r\n" + b"X: y\r\n" * 2000, b"431 Request Header Fields Too Large"),
            (b"nonsense\r\n\r\n", b"400 Bad Request"),
        ]
        for data, status in cases:
            answer = request(port, data)
            self.assertTrue(answer.startswith(b"HTTP/1.1 " + status + b"\r\n"), (data[:40], answer[:80]))
            self.assertFalse(answer.endswith(b"<reset>"), "the answer is followed by a clean close")
        # Just under the limit is still served.
        answer = request(port, b"GET / HTTP/1.1\r\nX: " + b"a" * (8192 - 23) + b"\r\n\r\n")
        self.assertTrue(answer.startswith(b"HTTP/1.1 200 OK\r\n"), answer[:80])
        self.assertEqual(stop(process)[0], 0)

    def test_twenty_clients_at_once_all_follow_the_panel(self):
        work, process, port = self.glancer(MARQUEE, Address="0.0.0.0")
        self.assertIn("Web panel: warning: listening on 0.0.0.0, not only on 127.0.0.1: "
                      "other computers may see the panel", work.log())
        streams = [self.stream(port) for _ in range(20)]
        for stream in streams:
            stream.wait(lambda: stream.rects() >= 1, "the whole frame")
        counts = [stream.rects() for stream in streams]
        for stream, count in zip(streams, counts):
            stream.wait(lambda: stream.rects() >= count + 3, "changes on every client")
        self.assertEqual(stop(process)[0], 0)
        for stream in streams:
            stream.wait(lambda: stream.closed, "every stream to end with the program")

    def test_a_client_that_stops_reading_is_dropped_and_holds_up_nobody(self):
        screens = busy_screens(columns=85, rows=64)
        work, process, port = self.glancer(screens, XPixels=512, YPixels=512, XChars=85, YChars=64)
        good = self.stream(port)
        good.wait(lambda: good.rects() >= 1, "the whole frame")
        stalled = self.stream(port, receive_buffer=4096)  # sends its request, then never reads
        # 1 MB comes first at full speed; a slow (sanitizer) build may reach 5 s first.
        def drops():
            return [line for line in work.log() if re.fullmatch(r"Web panel: dropped a client that fell (1 MB|5 s) behind", line)]
        wait_for(lambda: good.read() and drops(), "the client that stopped reading to be dropped")
        self.assertEqual(len(drops()), 1, "only the stalled one")
        # The others go on at the refresh's pace.
        count = good.rects()
        good.wait(lambda: good.rects() >= count + 20, "twenty more changes after the drop")
        self.assertFalse(good.closed)
        # The stalled one finds its stream ended once it reads again.
        while stalled.read(timeout=harness.TIMEOUT):
            pass
        self.assertTrue(stalled.closed)
        self.assertEqual(stop(process)[0], 0)

    def test_configure_on_the_terminal_and_the_page_gets_the_values(self):
        work = self.workdir(plugins=("web-panel",), screens=STATIC)
        self.assertEqual(work.run("use-driver", "Web panel").returncode, 0)
        # Address, Port, XPixels, YPixels, XChars, YChars, LitColour, UnlitColour, Scale
        result = work.run("configure-driver", "Web panel", stdin="\n0\n64\n\n70000\n10\n\nFF0000\n\n2\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("Please give a number from 1 to 256.", result.stdout)  # the 70000 columns, asked again
        process = work.start()
        wait_for(lambda: any(line.startswith("Web panel: serving") for line in work.log()), "the server")
        port = int(next(line for line in work.log() if line.startswith("Web panel: serving")).split(":")[-1][:-1])
        stream = self.stream(port)
        stream.wait(lambda: stream.events, "the panel event")
        self.assertEqual(stream.events[0], ("panel", "64 32 FF0000 9CBC3C 2"))
        self.assertEqual(stop(process)[0], 0)


if __name__ == "__main__":
    harness.main()
