"""The LCDd server driver against Debian's LCDd, started on a free port with
its `text` driver, which prints every frame of the panel on its standard
output; a proxy between the two counts what Glancer sends."""
import glob
import os
import shutil
import signal
import socket
import subprocess
import threading
import time

import harness
from harness import free_port, registry_text, stop, wait_for

LCDD = shutil.which("LCDd") or "/usr/sbin/LCDd"
DEMO_TEXTS = ("Glancer demo", "Count", "Load", "Pictures", "Disk", "And once more", "This screen shows")
STATIC = harness.screen_files(main=harness.screen(
    "Main", '<item type="text" x="0" y="0"><fieldsize>20</fieldsize><textdata>Quiet "screen" \\ 1</textdata></item>\n'
            '<item type="text" x="15" y="3"><fieldsize>12</fieldsize><textdata>cut off here</textdata></item>\n'))


class Lcdd:
    """LCDd in the foreground on `port`; screen() is the last frame it printed."""

    def __init__(self, directory, port):
        driver_path = (glob.glob("/usr/lib/*/lcdproc/text.so") + glob.glob("/usr/lib/lcdproc/text.so"))[0]
        config = os.path.join(directory, "LCDd.conf")
        with open(config, "w") as file:
            file.write(f"[server]\nDriverPath={os.path.dirname(driver_path)}/\nDriver=text\nBind=127.0.0.1\n"
                       f"Port={port}\nReportToSyslog=no\nUser={os.environ.get('USER') or 'root'}\n"
                       "Foreground=yes\nServerScreen=no\n[text]\nSize=20x4\n")
        self.output = os.path.join(directory, f"lcdd-{time.monotonic_ns()}.txt")
        with open(self.output, "wb") as out:
            self.process = subprocess.Popen([LCDD, "-c", config, "-f"], stdout=out, stderr=subprocess.STDOUT)

    def screen(self):
        with open(self.output, "rb") as file:
            lines = file.read().decode("latin-1").splitlines()
        frame, last = [], []
        for line in lines:
            if line.startswith("|") and line.endswith("|"):
                frame.append(line[1:-1])
            elif line.startswith("+") and frame:
                last, frame = frame, []
        return last

    def shows(self, text):
        return any(text in row for row in self.screen())

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


class Proxy(threading.Thread):
    """Forwards one port to another and counts the bytes Glancer sends.
    With `target` None it is a server of its own: it greets with `greeting`
    and then never reads again."""

    def __init__(self, target, greeting=None):
        super().__init__(daemon=True)
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.target, self.greeting, self.sent = target, greeting, 0
        self.held = []
        self.start()

    def run(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            if self.target is None:
                client.recv(100)
                client.sendall(self.greeting)
                self.held.append(client)
                continue  # kept open, never read: the server has stopped reading
            try:
                server = socket.create_connection(("127.0.0.1", self.target))
            except OSError:
                client.close()  # as if nothing listened
                continue
            threading.Thread(target=self.pump, args=(client, server, True), daemon=True).start()
            threading.Thread(target=self.pump, args=(server, client, False), daemon=True).start()

    def pump(self, source, sink, count):
        try:
            while data := source.recv(4096):
                if count:
                    self.sent += len(data)
                sink.sendall(data)
        except OSError:
            pass
        for end in (source, sink):
            end.close()

    def close(self):
        for end in [self.listener] + self.held:
            end.close()


class LcddDriver(harness.Case):
    def setUp(self):
        self.assertTrue(os.path.exists(LCDD), "LCDd is missing: run scripts/install-test-deps.sh")

    def glancer(self, port, screens=None, plugins=("lcdd", "demo", "system")):
        work = self.workdir(plugins=plugins, screens=screens)
        if screens is None:
            shutil.copytree(os.path.join(harness.EXAMPLES, "screens"), work.file("screens"))
        work.write("registry.reg", registry_text({"DRIVER": "LCDd server"}) + "\n" +
                   registry_text({"Host": "127.0.0.1", "Port": port}, "LCDd").split("\n", 2)[2])
        return work, work.start()

    def lcdd(self, work, port):
        server = Lcdd(work.path, port)
        self.addCleanup(server.close)
        wait_for(lambda: server.screen(), "LCDd's first frame")
        return server

    def test_the_demo_shows_and_comes_back_after_lcdd_restarts(self):
        port = free_port()
        work, process = self.glancer(port)
        server = self.lcdd(work, port)
        wait_for(lambda: server.shows("Glancer demo"), "the demo's first screen on LCDd")
        self.assertEqual(server.screen()[1], "left   center  right")
        wait_for(lambda: any(server.shows(text) for text in DEMO_TEXTS[1:]), "a later screen")

        server.close()
        wait_for(lambda: any(line.startswith(f"LCDd: lost the server at 127.0.0.1:{port}") for line in work.log()),
                 "the lost server's log line")
        server = self.lcdd(work, port)
        wait_for(lambda: any(server.shows(text) for text in DEMO_TEXTS), "the picture after LCDd restarted")
        wait_for(lambda: f"LCDd: connected to the server at 127.0.0.1:{port} again, showing 20 x 4" in work.log(),
                 "the reconnection's log line, once it has held")
        self.assertEqual(stop(process)[0], 0)
        self.assertFalse([line for line in work.log() if line.startswith("LCDd: the server answered")])

    def test_an_unchanged_screen_sends_nothing(self):
        port = free_port()
        proxy = Proxy(port)
        self.addCleanup(proxy.close)
        server = self.lcdd(self.workdir(screens=None), port)
        work, process = self.glancer(proxy.port, STATIC, plugins=("lcdd",))
        wait_for(lambda: server.shows('Quiet "screen" \\ 1') and server.shows("cut o"), "the static screen")
        time.sleep(0.5)
        sent = proxy.sent
        woke = harness.wakeups(process, 2)
        self.assertEqual(proxy.sent, sent)
        self.assertLess(sum(woke), 10, "the program wakes while nothing changes")  # the refresh's 2, no polling
        self.assertLess(sent, 1000)
        self.assertIn("LCDd: text at column 15, row 3 is cut at the panel's 20 x 4 (logged once)", work.log())
        self.assertEqual(stop(process)[0], 0)

    def test_no_server_a_wrong_one_one_that_complains_and_one_that_stops_reading(self):
        greeting = b"connect LCDproc 0.5.9 protocol 0.3 lcd wid 20 hgt 4 cellwid 5 cellhgt 8\n"
        silent = Proxy(None, greeting)
        wrong = Proxy(None, b"220 mail.example.com ESMTP\n")
        complaining = Proxy(None, greeting + b'huh? Invalid command "x"\nsuccess\nhuh? Invalid command "x"\n'
                                             b"listen Glancer\n")
        for proxy in (silent, wrong, complaining):
            self.addCleanup(proxy.close)
        nobody = free_port()
        cases = ((nobody, f"LCDd: cannot reach the server at 127.0.0.1:{nobody} (Connection refused); "
                          "trying again in 0.5 s, then less often, at least every 15 s"),
                 (wrong.port, f'LCDd: the server at 127.0.0.1:{wrong.port} answered "220 mail.example.com ESMTP" '
                              "to hello; trying again in 0.5 s, then less often, at least every 15 s"),
                 (silent.port, f"LCDd: connected to the server at 127.0.0.1:{silent.port}, showing 20 x 4"),
                 (complaining.port, 'LCDd: the server answered: huh? Invalid command "x"'))
        for port, line in cases:
            with self.subTest(line=line):
                work, process = self.glancer(port)
                wait_for(lambda: line in work.log(), "the log line")
                time.sleep(3.5)  # one retry, which logs nothing more
                self.assertEqual(work.log().count(line), 1)
                started = time.monotonic()
                self.assertEqual(stop(process)[0], 0)
                self.assertLess(time.monotonic() - started, 5, "shutdown waits too long for the server")


if __name__ == "__main__":
    harness.main()
