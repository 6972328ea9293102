"""scripts/demo.sh as a user runs it: in a terminal (a detached tmux session),
on an existing build, ended with Ctrl-C."""
import os
import shlex
import shutil
import subprocess
import tempfile
import time

import harness
import panel

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "demo.sh")
# Wide and tall enough for the 122 x 32 panel in half blocks inside its box.
COLUMNS, ROWS = 130, 24
TITLE = "Glancer demo"
# Text that only one of the later screens shows.
LATER_SCREENS = {"Values": "Count", "Graphs": "Load", "Pictures": "Pictures",
                 "System": "Disk", "Flag": "Demo.Flag is set", "Again": "And once more"}


class Tmux:
    """A tmux server of our own (its own socket), so nothing else is touched."""

    def __init__(self):
        self.socket = f"glancer-demo-{os.getpid()}"

    def __call__(self, *args, check=True):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null", *args],
                              capture_output=True, text=True, timeout=harness.TIMEOUT, check=check)

    def pane(self):
        """The pane's lines; empty once the session is gone."""
        result = self("capture-pane", "-p", "-t", "demo", check=False)
        return result.stdout.splitlines() if result.returncode == 0 else []

    def close(self):
        self("kill-server", check=False)


class DemoScript(harness.Case):
    def test_shows_the_screens_in_turn_and_ends_cleanly_on_ctrl_c(self):
        self.assertIsNotNone(shutil.which("tmux"), "tmux is missing: run scripts/install-test-deps.sh")
        build = os.path.dirname(os.path.dirname(harness.GLANCER))
        self.assertEqual(os.path.realpath(harness.PLUGINS), os.path.realpath(os.path.join(build, "plugins")))
        # A working directory of its own, so a demo the user runs is left alone.
        work = tempfile.mkdtemp(prefix="glancer-demo-")
        self.addCleanup(shutil.rmtree, work, ignore_errors=True)
        status = os.path.join(work, "status")
        command = (f"env GLANCER_DEMO_BUILD={shlex.quote(build)} GLANCER_DEMO_DIR={shlex.quote(work)} "
                   f"{shlex.quote(SCRIPT)}; echo $? > {shlex.quote(status)}; sleep 60")
        tmux = Tmux()
        self.addCleanup(tmux.close)
        tmux("new-session", "-d", "-s", "demo", "-x", str(COLUMNS), "-y", str(ROWS), command)
        panel.load_font()

        def shown(text):
            return panel.find_text(panel.decode_halfblocks(tmux.pane()), text) is not None

        harness.wait_for(lambda: shown(TITLE), "the first screen's title", timeout=15)

        # The screens rotate every few seconds on their own.
        seen = set()
        deadline = time.monotonic() + 20
        while len(seen) < 2 and time.monotonic() < deadline:
            pixels = panel.decode_halfblocks(tmux.pane())
            seen |= {name for name, text in LATER_SCREENS.items()
                     if name not in seen and panel.find_text(pixels, text) is not None}
            time.sleep(0.1)
        self.assertGreaterEqual(len(seen), 2, f"later screens seen: {sorted(seen)}")

        tmux("send-keys", "-t", "demo", "C-c")
        harness.wait_for(lambda: os.path.exists(status) and open(status).read().strip(), "the script's end")
        with open(status) as file:
            self.assertEqual(file.read().strip(), "0")
        cursor = tmux("display-message", "-p", "-t", "demo", "#{cursor_flag}").stdout.strip()
        self.assertEqual(cursor, "1", "the cursor is left hidden")
        with open(os.path.join(work, "log.txt"), errors="replace") as file:
            self.assertIn("Glancer shutting down", file.read())


if __name__ == "__main__":
    harness.main()
