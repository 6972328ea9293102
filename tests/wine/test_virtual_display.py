"""The "Virtual display" driver's window, its snapshot file, and the release
zip run from the folder it unpacks to."""
import glob
import os
import shutil
import sys
import tempfile
import zipfile

import pictures
from wineharness import CONFIG, WineTestCase, reg_get, reg_set, screen, screen_files, wait_until

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "posix"))
import panel  # noqa: E402  the driver's font, read from its source

DRIVER = "Virtual display"
TITLE = "Glancer - Virtual display"
CLASS = "GlancerVirtualDisplay"
SECTION = r"HKCU\Software\Glancer\VirtualDisplay"
LIT, UNLIT = (0x1E, 0x28, 0x14), (0x9C, 0xBC, 0x3C)  # the default colours
SCALE = 4
WM_CLOSE, WM_EXITSIZEMOVE = 16, 562
SELECT_DRIVER, OK, CANCEL, CONFIGURE = 32770, 1, 2, 1001
WIDTH, SCALE_FIELD, SNAPSHOT, LIT_PREVIEW = 100, 104, 105, 111  # the settings dialog's controls
SCREENS = screen_files(main=screen(
    "Main", '<item type="text" x="0" y="0"><fieldsize>10</fieldsize><textdata>Glancer</textdata><refresh>100</refresh>'
            "</item>\n"
            '<item type="text" x="3" y="2"><fieldsize>4</fieldsize><textdata>Wine</textdata><refresh>100</refresh>'
            "</item>\n"))
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SCREENSHOT = os.path.join(SOURCE, "docs", "screenshot-windows-demo.png")


def expected_panel(texts, width=122, height=32):
    """The 122 x 32 panel with each text at its (column, row) cell, 1 lit."""
    font = panel.load_font()
    pixels = [[0] * width for _ in range(height)]
    for (column, row), text in texts.items():
        for dy, line in enumerate(panel.render_text(text, font)):
            pixels[row * 8 + dy][column * 6:column * 6 + len(line)] = line
    return pixels


def window_rect(desktop, hwnd):
    values = desktop.control("rect", hwnd)
    return {k: int(values[k]) for k in ("left", "top", "width", "height", "window_left", "window_top", "iconic")}


def client_shot(desktop, rect):
    return pictures.screenshot(desktop.env, (rect["left"], rect["top"], rect["width"], rect["height"]))


def panel_of(shot, width=122, height=32):
    """The panel as a screenshot of its window's client area shows it, one
    sample a panel pixel (a dot's top-left, lit even where dots keep a
    gap), 1 lit."""
    bezel_x, bezel_y = (shot.width - width * SCALE) // 2, (shot.height - height * SCALE) // 2
    return [[int(shot.pixel(bezel_x + x * SCALE, bezel_y + y * SCALE) == LIT) for x in range(width)]
            for y in range(height)]


class VirtualDisplayTest(WineTestCase):
    def test_window_and_snapshot_show_the_screen_and_the_window_keeps_its_place(self):
        workdir = self.workdir(screens=SCREENS)
        shutil.copy(os.path.join(CONFIG["plugins"], "virtual.dll"), workdir)
        reg_set(self.desktop, "Snapshot", "REG_SZ", "panel.png", key=SECTION)
        reg_set(self.desktop, "WindowX", "REG_DWORD", "60", key=SECTION)
        reg_set(self.desktop, "WindowY", "REG_DWORD", "50", key=SECTION)
        run = self.start(driver=DRIVER, workdir=workdir)

        hwnd = self.desktop.wait_window(TITLE, CLASS)
        rect = window_rect(self.desktop, hwnd)
        self.assertEqual((rect["window_left"], rect["window_top"]), (60, 50))
        self.assertGreaterEqual((rect["width"], rect["height"]), (122 * SCALE, 32 * SCALE))

        snapshot = os.path.join(workdir, "panel.png")
        expected = expected_panel({(0, 0): "Glancer", (3, 2): "Wine"})

        def shown():
            try:
                picture = pictures.read_png(snapshot)
            except (OSError, ValueError):  # not yet written, or being written
                return None
            return picture if [[int(p == LIT) for p in row] for row in picture.rows] == expected else None
        picture = wait_until(shown, "the text in the snapshot")
        self.assertEqual(picture.colours(), {LIT, UNLIT})

        # The window shows the same pixels in the configured colours.
        def window_shown():
            shot = client_shot(self.desktop, rect)
            return shot if panel_of(shot) == expected else None
        shot = wait_until(window_shown, "the window to show the snapshot's pixels")
        self.assertIn(UNLIT, shot.colours())

        # A moved window's place is kept for the next start.
        self.desktop.control("move", hwnd, 120, 90)
        self.desktop.control("post", hwnd, WM_EXITSIZEMOVE, 0, 0)
        wait_until(lambda: reg_get(self.desktop, "WindowX", SECTION) == "0x78", "WindowX to be stored")
        self.assertEqual(reg_get(self.desktop, "WindowY", SECTION), "0x5a")

        # Its close button only minimises it; the program ends from the tray.
        self.desktop.control("post", hwnd, WM_CLOSE, 0, 0)
        wait_until(lambda: window_rect(self.desktop, hwnd)["iconic"] == 1, "the window to minimise")
        self.assertEqual(self.desktop.count(TITLE, CLASS), 1)
        self.assertEqual(run.exit(), 0)
        self.assertEqual(self.desktop.control("wait-gone", hwnd, 5000)["_rc"], 0)
        self.assert_clean_shutdown(run)


    def test_settings_dialog_refuses_bad_values_keeps_the_dialog_and_saves_only_on_ok(self):
        run = self.start(["virtual"])
        run.command(SELECT_DRIVER)
        chooser = self.desktop.wait_window("Display driver")
        self.desktop.control("select-text", chooser, 1000, DRIVER)

        def open_settings():
            self.desktop.control("click", chooser, CONFIGURE)
            return self.desktop.wait_window("Virtual display settings")
        dialog = open_settings()
        controls = self.desktop.controls(dialog)
        self.assertIn(" text=122", controls[WIDTH])
        self.assertIn(" text=1E2814", controls[LIT_PREVIEW])
        for field, text, why in ((WIDTH, "0", "Pixel width must be a whole number from 1 to 1024."),
                                 (SCALE_FIELD, "17", "Scale must be a whole number from 1 to 16."),
                                 (SNAPSHOT, "panel.txt", "The snapshot file must end in .png or .pbm, or be left empty.")):
            self.desktop.control("settext", dialog, field, text)
            self.desktop.control("click", dialog, OK)
            self.assertEqual(self.desktop.message_box("Invalid setting"), why)
            self.assertEqual(reg_get(self.desktop, "XPixels", SECTION), None)
            self.desktop.control("settext", dialog, field, {WIDTH: "50", SCALE_FIELD: "2"}.get(field, "shot.PBM"))
        self.desktop.control("click", dialog, OK)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual([reg_get(self.desktop, name, SECTION) for name in ("XPixels", "Scale", "Snapshot", "LitColour")],
                         ["0x32", "0x2", "shot.PBM", "1E2814"])

        # What was saved comes back; Cancel keeps it.
        dialog = open_settings()
        self.assertIn(" text=50", self.desktop.controls(dialog)[WIDTH])
        self.desktop.control("settext", dialog, WIDTH, "77")
        self.desktop.control("click", dialog, CANCEL)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual(reg_get(self.desktop, "XPixels", SECTION), "0x32")
        self.desktop.control("click", chooser, CANCEL)
        self.assertEqual(run.exit(), 0)


class ReleaseZipTest(WineTestCase):
    def test_the_unpacked_zip_runs_the_demo_on_the_virtual_display(self):
        zips = sorted(glob.glob(os.path.join(CONFIG["package"], "Glancer-*.zip")), key=os.path.getmtime)
        self.assertTrue(zips, "no release zip in " + CONFIG["package"])
        unpacked = tempfile.mkdtemp(prefix="glancer-zip-")
        self.addCleanup(shutil.rmtree, unpacked, True)
        with zipfile.ZipFile(zips[-1]) as archive:
            names = archive.namelist()
            archive.extractall(unpacked)
        top = {name.split("/", 1)[0] for name in names}
        self.assertEqual(len(top), 1, "one folder at the zip's root")
        folder = os.path.join(unpacked, top.pop())
        files = set(os.listdir(folder))
        self.assertLessEqual({"glancer.exe", "virtual.dll", "README.txt", "screens"}, files)
        self.assertTrue(os.path.isfile(os.path.join(folder, "screens", "screens.xml")))
        # Only the shipped plugins, each named after its source folder; no test doubles.
        shipped = {os.path.basename(p) + ".dll" for p in glob.glob(os.path.join(SOURCE, "drivers", "*")) +
                   glob.glob(os.path.join(SOURCE, "datasources", "*"))}
        self.assertLessEqual({f for f in files if f.endswith(".dll")}, shipped)

        run = self.start(driver=DRIVER, workdir=folder, exe=os.path.join(folder, "glancer.exe"))
        hwnd = self.desktop.wait_window(TITLE, CLASS)
        rect = window_rect(self.desktop, hwnd)

        update = os.environ.get("GLANCER_UPDATE_SCREENSHOTS") == "1"

        def panel():
            shot = client_shot(self.desktop, rect)
            pixels = panel_of(shot)
            rows_in_use = sum(1 for row in range(4) if any(map(any, pixels[8 * row:8 * row + 8])))
            # For the picture in the docs, a screen with all four text rows drawn.
            return shot if sum(map(sum, pixels)) > 20 and (rows_in_use == 4 or not update) else None
        shot = wait_until(panel, "the demo to draw on the panel")
        if update:
            shot.save(SCREENSHOT)
        self.assertEqual(run.exit(), 0)
        self.assertEqual(self.desktop.control("wait-gone", hwnd, 5000)["_rc"], 0)
        self.assert_clean_shutdown(run)
