"""The Virtual display in a terminal (a detached tmux session of our own):
the whole panel with its border at any size that can hold it, redrawn
whole when the terminal is resized."""
import os
import shlex
import shutil
import subprocess

import harness
import panel
from harness import wait_for

SCREENS = harness.screen_files(main=harness.screen(
    "Main", '<item type="text" x="0" y="0"><fieldsize>5</fieldsize><refresh>50</refresh>'
            "<textdata>HELLO</textdata></item>\n"))
# The default panel, 122 x 32 pixels, in a box.
HALF = (124, 18)
QUADRANT = (63, 18)


class Tmux:
    def __init__(self):
        self.socket = f"glancer-view-{os.getpid()}"

    def __call__(self, *args, check=True):
        return subprocess.run(["tmux", "-L", self.socket, "-f", "/dev/null", *args],
                              capture_output=True, text=True, timeout=harness.TIMEOUT, check=check)

    def pane(self):
        result = self("capture-pane", "-p", "-t", "view", check=False)
        return result.stdout.splitlines() if result.returncode == 0 else []

    def close(self):
        self("kill-server", check=False)


def box(lines, size):
    """Whether `lines` show a whole box of `size` (columns, rows) at the top left."""
    columns, rows = size
    if len(lines) < rows:
        return False
    inner = columns - 2
    return (lines[0].startswith("\u250c" + "\u2500" * inner + "\u2510")
            and lines[rows - 1].startswith("\u2514" + "\u2500" * inner + "\u2518")
            and all(len(line) >= columns and line[0] == line[columns - 1] == "\u2502" for line in lines[1:rows - 1]))


class TerminalView(harness.Case):
    def test_the_whole_panel_at_any_size_and_a_resize_redraws_it(self):
        self.assertIsNotNone(shutil.which("tmux"), "tmux is missing: run scripts/install-test-deps.sh")
        work = self.workdir(plugins=("virtual",), screens=SCREENS)
        work.use_driver("Virtual display")
        panel.load_font()
        tmux = Tmux()
        self.addCleanup(tmux.close)
        command = " ".join(f"{k}={shlex.quote(v)}" for k, v in (("GLANCER_REGISTRY", work.registry),))
        command += f" {shlex.quote(harness.GLANCER)}"
        tmux("new-session", "-d", "-s", "view", "-x", "80", "-y", "24", "-c", work.path, command)
        tmux("set-option", "-t", "view", "window-size", "manual")

        def shows(size, decode):
            lines = tmux.pane()
            return box(lines, size) and panel.find_text(decode(lines[:size[1]]), "HELLO") == (0, 0)

        wait_for(lambda: shows(QUADRANT, panel.decode_quadrants), "the panel in quadrants at 80 x 24")
        tmux("resize-window", "-t", "view", "-x", "200", "-y", "50")
        wait_for(lambda: shows(HALF, panel.decode_halfblocks), "the panel in half blocks at 200 x 50")
        tmux("resize-window", "-t", "view", "-x", "40", "-y", "10")
        wait_for(lambda: any(line.startswith("Glancer needs a terminal of 63 x 18") for line in tmux.pane()), "the notice")
        tmux("resize-window", "-t", "view", "-x", "80", "-y", "24")
        wait_for(lambda: shows(QUADRANT, panel.decode_quadrants), "the panel redrawn at 80 x 24")
        tmux("send-keys", "-t", "view", "C-c")
        wait_for(lambda: "Glancer shutting down" in work.log(), "the end")


if __name__ == "__main__":
    harness.main()
