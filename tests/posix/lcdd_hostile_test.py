"""The LCDd server driver against a server that misbehaves: a stand-in that
greets like LCDd until the test turns it hostile, then drops its client and
treats each new one so. Glancer must keep its memory, answer SIGTERM at
once, log little and go on."""
import signal
import socket
import sys
import threading
import time

import harness
from harness import registry_text, wait_for

GREETING = b"connect LCDproc 0.5.9 protocol 0.3 lcd wid 20 hgt 4 cellwid 5 cellhgt 8\n"
WRAPPED = b"connect LCDproc 0.5.9 protocol 0.3 lcd wid -20 hgt 4294967300 cellwid 5 cellhgt 8\n"
CHUNK = 64 * 1024
SCREENS = harness.screen_files(main=harness.screen(
    "Main", '<item type="plugintext" x="0" y="0"><fieldsize>12</fieldsize><refresh>100</refresh>'
            "<varid>Demo.Sine</varid></item>\n"))
MEMORY_LIMIT_KB = 10 * 1024


class Server(threading.Thread):
    """Greets and reads what it is sent; after turn(behaviour) each client
    gets `behaviour` instead. Counts bytes both ways and when clients came."""

    def __init__(self):
        super().__init__(daemon=True)
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.behaviour, self.lock = "greet", threading.Lock()
        self.clients, self.every, self.came, self.sent, self.heard = [], [], [], 0, b""
        self.start()

    def run(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            with self.lock:
                self.came.append(time.monotonic())
                self.clients.append(client)
                self.every.append(client)
            threading.Thread(target=self.serve, args=(client, self.behaviour), daemon=True).start()

    def serve(self, client, behaviour):
        try:
            client.recv(100)  # hello
            if behaviour == "greet-and-drop":
                client.sendall(GREETING)
                client.close()
                return
            threading.Thread(target=self.listen, args=(client,), daemon=True).start()
            first, then = {
                "greet": (GREETING, b""),
                "endless-line": (b"", b"x" * CHUNK),
                "greet-then-endless-line": (GREETING, b"y" * CHUNK),
                "newlines": (GREETING, b"\n" * CHUNK),
                "garbage": (GREETING + b"huh? \x1b]0;owned\x07\x1b[2J\x00\r\n" + b"huh? " + b"A" * 100000 + b"\n", b""),
                "wrapped": (WRAPPED, b""),
            }[behaviour]
            self.send(client, first)
            while then:
                self.send(client, then)
        except OSError:
            pass  # Glancer hung up, or the test ended

    def send(self, client, data):
        client.sendall(data)
        with self.lock:
            self.sent += len(data)

    def listen(self, client):
        try:
            while data := client.recv(CHUNK):
                with self.lock:
                    self.heard = (self.heard + data)[-CHUNK:]
        except OSError:
            pass

    def heard_since(self):
        """Forgets what was heard; gives a check that something came since."""
        with self.lock:
            self.heard = b""
        return lambda: b"widget_set" in self.heard

    def turn(self, behaviour):
        with self.lock:
            self.behaviour, clients, self.clients = behaviour, self.clients, []
        for client in clients:
            try:
                client.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass  # closed already

    def close(self):
        self.listener.close()
        self.turn("greet")
        for client in self.every:
            client.close()


def peak_kb(process):
    with open(f"/proc/{process.pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmHWM"))


def lcdd_lines(work):
    return [line for line in work.log() if line.startswith("LCDd: ")]


class HostileServer(harness.Case):
    def glancer(self, server):
        work = self.workdir(plugins=("lcdd", "demo"), screens=SCREENS)
        work.write("registry.reg", registry_text({"DRIVER": "LCDd server"}) + "\n" +
                   registry_text({"Host": "127.0.0.1", "Port": server.port}, "LCDd").split("\n", 2)[2])
        return work, work.start()

    def turn_hostile(self, behaviour, effect, what):
        """Runs Glancer against a well-behaved server until the panel shows,
        turns the server, waits for `effect` (and, where the server stays
        connected, for the panel to change again); checks memory, the log
        and SIGTERM."""
        server = Server()
        self.addCleanup(server.close)
        work, process = self.glancer(server)
        wait_for(server.heard_since(), "the panel on the server")
        baseline = peak_kb(process)
        before = len(lcdd_lines(work))
        server.turn(behaviour)
        wait_for(lambda: effect(server, work), what)
        if behaviour in ("greet-then-endless-line", "newlines", "garbage"):
            wait_for(server.heard_since(), "the panel going on changing")
        growth = peak_kb(process) - baseline
        self.assertLess(growth, MEMORY_LIMIT_KB, "the peak memory grew this much (kB)")
        logged = lcdd_lines(work)[before:]
        for line in logged:
            self.assertLess(len(line), 300)
            self.assertTrue(line.isprintable() and line.isascii(), line)
        started = time.monotonic()
        process.send_signal(signal.SIGTERM)
        process.communicate(timeout=harness.TIMEOUT)
        latency = time.monotonic() - started
        self.assertEqual(process.returncode, 0)  # no abort
        self.assertLess(latency, 2.0, "SIGTERM answered this late (s)")
        reconnects = len(server.came) - 1
        print(f"\n{behaviour}: peak memory +{growth} kB, SIGTERM answered in {latency:.2f} s, "
              f"{len(logged)} log lines for {reconnects} reconnects", file=sys.stderr)
        return server, work, logged

    def test_endless_lines_are_cut_and_do_not_hold_the_thread(self):
        for behaviour in ("endless-line", "greet-then-endless-line", "newlines"):
            with self.subTest(behaviour=behaviour):
                # Glancer reads for the whole handshake, or at each refresh.
                server, work, logged = self.turn_hostile(
                    behaviour, lambda server, work: server.sent > 8 * CHUNK * 8 or len(server.came) >= 3,
                    "megabytes sent or a second hostile handshake")
                if behaviour == "endless-line":
                    self.assertIn(f"LCDd: lost the server at 127.0.0.1:{server.port} (the server closed the "
                                  "connection); trying again in 0.5 s, then less often, at least every 15 s", logged)
                    self.assertEqual(len(logged), 1)

    def test_a_server_that_greets_and_drops_is_called_less_and_less_often(self):
        server, work, logged = self.turn_hostile("greet-and-drop", lambda server, work: len(server.came) >= 5,
                                                 "four calls to the server after it turned")
        gaps = [later - earlier for earlier, later in zip(server.came[1:], server.came[2:])]
        for number, gap in enumerate(gaps):
            self.assertGreaterEqual(gap, 0.5 * 2 ** (number + 1), gaps)
        print(f"greet-and-drop: seconds between calls {[round(gap, 2) for gap in gaps]}", file=sys.stderr)
        self.assertLessEqual(len(logged), len(server.came) - 1)
        self.assertFalse([line for line in logged if "again" in line and "connected" in line])

    def test_control_characters_and_huge_complaints_are_escaped_and_cut(self):
        server, work, logged = self.turn_hostile(
            "garbage", lambda server, work: len([line for line in lcdd_lines(work) if "answered: huh? A" in line]),
            "the huge complaint in the log")
        self.assertIn("LCDd: the server answered: huh? \\x1b]0;owned\\x07\\x1b[2J\\x00", logged)
        self.assertIn("LCDd: the server answered: huh? " + "A" * 115 + "...", logged)

    def test_a_greeting_with_wrapped_sizes_is_refused(self):
        server, work, logged = self.turn_hostile("wrapped", lambda server, work: len(server.came) >= 3,
                                                 "a second call to the server after it turned")
        self.assertLessEqual(len(logged), len(server.came) - 1)
        server = Server()
        self.addCleanup(server.close)
        server.turn("wrapped")
        work, process = self.glancer(server)
        line = (f'LCDd: the server at 127.0.0.1:{server.port} answered "{WRAPPED.decode().strip()}" to hello; '
                "trying again in 0.5 s, then less often, at least every 15 s")
        wait_for(lambda: line in work.log() and len(server.came) >= 2, "the refusal and a second call")
        self.assertEqual(harness.stop(process)[0], 0)
        self.assertEqual(lcdd_lines(work), [line])


if __name__ == "__main__":
    harness.main()
