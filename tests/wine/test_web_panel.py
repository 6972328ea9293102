"""The Web panel on Windows: the page and the event stream on loopback, from
the Linux side of the same network stack."""
import os
import sys
import urllib.error
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "posix"))
import panel  # noqa: E402
from web_panel_test import Stream  # noqa: E402
from wineharness import WineTestCase, free_port, reg_set, wait_until  # noqa: E402

KEY = r"HKCU\Software\Glancer\WebPanel"
panel.load_font()


class WebPanelTest(WineTestCase):
    def test_serves_the_page_and_the_panel_on_loopback(self):
        port = free_port()
        reg_set(self.desktop, "Port", "REG_DWORD", str(port), key=KEY)
        run = self.start(["web-panel", "testdata"], driver="Web panel")
        run.wait_log(f"Web panel: serving http://127.0.0.1:{port}/")

        with urllib.request.urlopen(f"http://127.0.0.1:{port}/", timeout=30) as page:
            self.assertEqual(page.status, 200)
            self.assertIn(b"<canvas", page.read())
        with self.assertRaises(urllib.error.HTTPError) as refused:
            urllib.request.urlopen(f"http://127.0.0.1:{port}/nothing", timeout=30)
        self.assertEqual(refused.exception.code, 404)

        stream = Stream(port)
        self.addCleanup(stream.close)

        def shows_hello():
            stream.read()
            pixels = stream.pixels
            return pixels and panel.find_text(pixels, "Hello") == (0, 0)
        wait_until(shows_hello, "Hello in the event stream")

        self.assertEqual(run.exit(), 0)
        wait_until(lambda: not stream.read() or stream.closed, "the stream to end with the program")
        self.assertEqual(panel.find_text(stream.pixels, "Good Bye!"), (0, 0))
        self.assert_clean_shutdown(run)
