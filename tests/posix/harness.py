"""Runs the glancer program in throw-away working directories."""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
# Shared with the Wine suite.
from e2e import TIMEOUT, free_port, next_screen, screen, screen_files, value_rows, wait_for  # noqa: E402,F401

GLANCER = PLUGINS = EXAMPLES = None

RESTART = "Please restart Glancer for the new settings to take effect."
NO_DIALOG = "No configuration dialog available."

# One screen whose text shows after its first 100 ms refresh.
SCREENS = screen_files(main=screen(
    "Main",
    '<item type="text" x="0" y="0"><fieldsize>5</fieldsize><refresh>100</refresh><textdata>hello</textdata></item>\n'
    '<item type="plugintext" x="0" y="1"><fieldsize>5</fieldsize><varid>text1</varid></item>\n'))


def main():
    global GLANCER, PLUGINS, EXAMPLES
    parser = argparse.ArgumentParser()
    parser.add_argument("--glancer", required=True)
    parser.add_argument("--plugins", required=True)
    parser.add_argument("--examples", required=True)
    options, rest = parser.parse_known_args()
    GLANCER, PLUGINS, EXAMPLES = (os.path.abspath(p) for p in (options.glancer, options.plugins, options.examples))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


def registry_text(values, section=""):
    """A settings file holding string or integer values in one section."""
    key = "HKEY_CURRENT_USER\\Software\\Glancer" + ("\\" + section if section else "")
    lines = ["REGEDIT4", "", f"[{key}]"]
    for name, value in values.items():
        shown = f"dword:{value:08x}" if isinstance(value, int) else '"' + value + '"'
        lines.append(f'"{name}"={shown}')
    return "\n".join(lines) + "\n"


class WorkDir:
    """A temporary working directory with plugins, screens and settings."""

    def __init__(self, plugins=("recorddriver", "testdata"), screens=SCREENS):
        self.path = tempfile.mkdtemp(prefix="glancer-e2e-")
        for name in plugins:
            shutil.copy(os.path.join(PLUGINS, name + ".so"), self.path)
        for name, text in (screens or {}).items():
            self.write(os.path.join("screens", name), text)
        self.registry = self.file("registry.reg")
        self.env = dict(os.environ, GLANCER_REGISTRY=self.registry)
        self.processes = []

    def close(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.path, ignore_errors=True)

    def file(self, name):
        return os.path.join(self.path, name)

    def write(self, name, text):
        os.makedirs(os.path.dirname(self.file(name)) or self.path, exist_ok=True)
        with open(self.file(name), "w") as out:
            out.write(text)

    def read(self, name):
        try:
            with open(self.file(name), errors="replace") as file:
                return file.read()
        except FileNotFoundError:
            return ""

    def lines(self, name):
        return self.read(name).splitlines()

    def log(self):
        """log.txt without time stamps."""
        return [re.sub(r"^\d+:\d+:\d+:\d+  ", "", line) for line in self.lines("log.txt")]

    def run(self, *args, stdin=""):
        return subprocess.run([GLANCER, *args], cwd=self.path, env=self.env, input=stdin,
                              capture_output=True, text=True, timeout=TIMEOUT)

    def start(self):
        """Starts the program; its output goes to pipes (not a terminal)."""
        process = subprocess.Popen([GLANCER], cwd=self.path, env=self.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.processes.append(process)
        return process

    def use_driver(self, name="RecordDriver"):
        result = self.run("use-driver", name)
        assert result.returncode == 0, result.stderr
        if os.path.exists(self.file("driver_calls.txt")):
            os.remove(self.file("driver_calls.txt"))  # only the running program's calls matter


def wakeups(process, seconds):
    """Each thread's wake-ups (voluntary context switches) over `seconds`, most
    first; none under ThreadSanitizer, whose own thread wakes ten times a second."""
    with open(f"/proc/{process.pid}/maps") as maps:
        if "libtsan" in maps.read():
            time.sleep(seconds)
            return []

    def sample():
        counts = {}
        for tid in os.listdir(f"/proc/{process.pid}/task"):
            try:
                with open(f"/proc/{process.pid}/task/{tid}/status") as status:
                    counts[tid] = next(int(line.split()[1]) for line in status if line.startswith("voluntary_ctxt"))
            except FileNotFoundError:
                pass  # the thread ended
        return counts
    before = sample()
    time.sleep(seconds)
    after = sample()
    return sorted((count - before.get(tid, 0) for tid, count in after.items()), reverse=True)


def stop(process, sig=signal.SIGTERM):
    """Sends `sig`, waits for the end; gives (exit status, stdout, stderr)."""
    process.send_signal(sig)
    out, err = process.communicate(timeout=TIMEOUT)
    return process.returncode, out, err


class Case(unittest.TestCase):
    def workdir(self, **kwargs):
        work = WorkDir(**kwargs)
        self.addCleanup(work.close)
        return work
