"""The Web panel's page in a real browser (Debian's chromium, headless,
driven by puppeteer-core): the canvas shows exactly what the Virtual display
shows of the same screens, and the page comes back after Glancer restarts."""
import os
import shutil
import subprocess
import tempfile

import harness
import panel
from harness import free_port, registry_text, stop, wait_for

BROWSER_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "browser")
LIT, UNLIT = "1E2814", "9CBC3C"

panel.load_font()


def screens(text):
    """Still screens, so that both drivers settle on one picture: texts in
    every alignment and a picture, drawn after their first 100 ms."""
    items = (f'<item type="text" x="0" y="0" refresh="100"><fieldsize>20</fieldsize><textdata>{text}</textdata></item>\n'
             '<item type="text" x="0" y="3" refresh="100"><fieldsize>20</fieldsize><textpos>right</textpos>'
             "<textdata>right</textdata></item>\n"
             '<item type="text" x="0" y="2" refresh="100"><fieldsize>20</fieldsize><textpos>center</textpos>'
             "<textdata>centre</textdata></item>\n"
             '<item type="image" x="90" y="8" refresh="100"><imagebitmap>screens/logo.bmp</imagebitmap></item>\n')
    return harness.screen_files(main=harness.screen("Main", items))


class BrowserTest(harness.Case):
    def setUp(self):
        if not os.path.isdir(os.path.join(BROWSER_DIR, "node_modules", "puppeteer-core")):
            subprocess.run(["npm", "ci", "--ignore-scripts", "--no-audit", "--no-fund"], cwd=BROWSER_DIR, check=True)

    def run_driver(self, driver, text, settings, port=None):
        work = self.workdir(plugins=(driver,), screens=screens(text))
        shutil.copy(os.path.join(harness.EXAMPLES, "screens", "logo.bmp"), work.file("screens"))
        section = "WebPanel" if driver == "web-panel" else "VirtualDisplay"
        name = "Web panel" if driver == "web-panel" else "Virtual display"
        work.write("registry.reg", registry_text({"DRIVER": name}) + "\n" +
                   registry_text(settings, section).split("\n", 2)[2])
        process = work.start()
        return work, process

    def virtual_picture(self, text):
        """The Virtual display's snapshot of the screens once they are drawn."""
        work, process = self.run_driver("virtual", text, {"Snapshot": "panel.pbm", "SnapshotInterval": 0})
        snapshot = work.file("panel.pbm")
        pixels = []

        def drawn():
            pixels[:] = (os.path.exists(snapshot) and panel.read_pbm(snapshot)) or []
            return pixels and panel.find_text(pixels, "right")
        wait_for(drawn, "the Virtual display's snapshot")
        self.assertEqual(stop(process)[0], 0)
        return [row for row in pixels]

    def canvas(self, browser):
        browser.stdin.write("pixels\n")
        browser.stdin.flush()
        width, height, hex_pixels = browser.stdout.readline().split()
        colours = [hex_pixels[i:i + 6].upper() for i in range(0, len(hex_pixels), 6)]
        return [[{LIT: 1, UNLIT: 0}.get(c, c) for c in colours[y * int(width):(y + 1) * int(width)]]
                for y in range(int(height))]

    def test_the_canvas_equals_the_virtual_display_and_survives_a_restart(self):
        port = free_port()
        settings = {"Port": port, "LitColour": LIT, "UnlitColour": UNLIT}
        expected = self.virtual_picture("before")
        work, process = self.run_driver("web-panel", "before", settings)
        wait_for(lambda: f"Web panel: serving http://127.0.0.1:{port}/" in work.log(), "the server")

        profile = tempfile.mkdtemp(prefix="glancer-chromium-")
        self.addCleanup(shutil.rmtree, profile, ignore_errors=True)
        browser = subprocess.Popen(["node", os.path.join(BROWSER_DIR, "page_driver.mjs"),
                                    f"http://127.0.0.1:{port}/", profile],
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.addCleanup(browser.kill)
        self.assertEqual(browser.stdout.readline().strip(), "ready")
        wait_for(lambda: self.canvas(browser) == expected, "the canvas to show the Virtual display's picture")
        if os.environ.get("GLANCER_SCREENSHOT"):
            browser.stdin.write(f"screenshot {os.environ['GLANCER_SCREENSHOT']}\n")
            browser.stdin.flush()
            browser.stdout.readline()

        # Glancer restarts, on other screens: the page reconnects by itself.
        self.assertEqual(stop(process)[0], 0)
        expected_after = self.virtual_picture("after")
        self.assertNotEqual(expected, expected_after)
        work, process = self.run_driver("web-panel", "after", settings)
        wait_for(lambda: self.canvas(browser) == expected_after, "the page to show the restarted Glancer")
        self.assertEqual(stop(process)[0], 0)
        browser.stdin.close()
        browser.wait(timeout=harness.TIMEOUT)


if __name__ == "__main__":
    harness.main()
