"""The Smart screen driver end to end: the program drives an emulated
screen of each revision on a pseudo-terminal
(tests/drivers/emulators/smart_screen_emulator.py)."""
import os
import shutil
import sys
import time

import harness
import panel

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "drivers", "emulators"))
import smart_screen_emulator as emulator  # noqa: E402

# One screen that never changes: text in two places and a bitmap.
STATIC = harness.screen_files(still=harness.screen(
    "Still",
    '<item type="text" x="0" y="0"><fieldsize>20</fieldsize><refresh>100</refresh>'
    "<textdata>Still 25 C</textdata></item>\n"
    '<item type="text" x="3" y="9"><fieldsize>10</fieldsize><refresh>100</refresh>'
    "<textdata>lower</textdata></item>\n"
    '<item type="image" x="0" y="8"><refresh>100</refresh><imagebitmap>screens/logo.bmp</imagebitmap></item>\n'))
LIT, UNLIT = 0x40FF80, 0x102030
panel.load_font()


class SmartScreen(harness.Case):
    def setup(self, revision, settings=None, screens=None, plugins=("smart-screen", "system", "demo"), **screen):
        work = self.workdir(plugins=plugins, screens=None)
        shutil.copytree(os.path.join(harness.EXAMPLES, "screens"), work.file("screens"))
        for name, text in (screens or {}).items():
            work.write(os.path.join("screens", name), text)
        device = emulator.PtyScreen(work.file("ttySmart"), revision, **screen)
        self.addCleanup(device.close)
        values = {"Port": work.file("ttySmart"), "Revision": revision, "LitColour": "%06X" % LIT,
                  "UnlitColour": "%06X" % UNLIT}
        values.update(settings or {})
        with open(work.registry, "w") as out:
            out.write(harness.registry_text(values, "SmartScreen"))
        work.use_driver("Smart screen")
        return work, device

    def virtual_snapshot(self, geometry, screens):
        """The Virtual display's picture of the same screens, as pixel rows."""
        work = self.workdir(plugins=("virtual",), screens=None)
        shutil.copytree(os.path.join(harness.EXAMPLES, "screens"), work.file("screens"))
        for name, text in screens.items():
            work.write(os.path.join("screens", name), text)
        snapshot = work.file("panel.pbm")
        x, y = geometry
        with open(work.registry, "w") as out:
            out.write(harness.registry_text({"XPixels": x, "YPixels": y, "XChars": x // 6, "YChars": y // 8,
                                             "Snapshot": snapshot, "SnapshotInterval": 0}, "VirtualDisplay"))
        work.use_driver("Virtual display")
        process = work.start()
        shown = []

        def complete():
            shown[:] = panel.read_pbm(snapshot) or [] if os.path.exists(snapshot) else []
            return panel.find_text(shown, "lower") is not None

        harness.wait_for(complete, "the Virtual display's snapshot")
        harness.stop(process)  # its farewell replaces the snapshot
        return list(shown)

    def expected(self, pixels, scale, size, colour_map=None, background=None):
        """The snapshot mapped through the theme at `scale` on a screen of `size`."""
        width, height = size
        lit, unlit = emulator.rgb565(LIT), emulator.rgb565(UNLIT)
        rows = []
        for y in range(height):
            row = []
            for x in range(width):
                px, py = x // scale, y // scale
                on = py < len(pixels) and px < len(pixels[0]) and pixels[py][px]
                row.append(lit if on else unlit)
            rows.append(row)
        return rows

    def test_each_revision_shows_what_the_virtual_display_shows(self):
        # revision, orientation, scale, the panel it makes, the screen as seen
        cases = [("A", 0, 2, (160, 240), (320, 480)), ("B", 180, 0, (160, 240), (320, 480)),
                 ("D", 90, 0, (160, 106), (480, 320)), ("WeAct", 270, 4, (120, 80), (480, 320))]
        snapshots = {}
        for revision, orientation, scale, geometry, size in cases:
            with self.subTest(revision=revision):
                work, device = self.setup(revision, {"Orientation": orientation, "Scale": scale}, STATIC,
                                          plugins=("smart-screen",))
                if geometry not in snapshots:
                    snapshots[geometry] = self.virtual_snapshot(geometry, STATIC)
                want = self.expected(snapshots[geometry], size[0] // geometry[0], size)
                process = work.start()
                harness.wait_for(lambda: device.picture(orientation // 90) == want,
                                 f"the emulated revision {revision} screen to show the snapshot")
                self.assertEqual(device.screen.unknown, 0)
                self.assertIn(f"Smart screen: {work.file('ttySmart')}: revision {revision}, {size[0]} x {size[1]} "
                              f"at scale {size[0] // geometry[0]}, a {geometry[0]} x {geometry[1]} panel", work.log())
                self.assertEqual(device.screen.orientations, 1)
                status, _, _ = harness.stop(process)
                self.assertEqual(status, 0)
                harness.wait_for(lambda: device.screen.off, "the screen off after the farewell")

    def test_an_unchanged_screen_sends_nothing_and_a_hang_up_is_noticed_at_once(self):
        work, device = self.setup("A", screens=STATIC, plugins=("smart-screen",))
        process = work.start()
        # Every pixel drawn (the unlit colour is not the blank memory's black).
        harness.wait_for(lambda: all(all(row) for row in device.picture()), "the whole picture")
        harness.wait_for(lambda: device.last_read() is not None and time.monotonic() - device.last_read() > 0.5,
                         "the screen to settle")
        start = time.monotonic()
        woke = harness.wakeups(process, 10)
        self.assertEqual(device.bytes_since(start), 0)
        self.assertLess(sum(woke[1:]), 2, f"threads besides the refresh wake while nothing changes: {woke}")

        # Unplugged while static, nothing being written: the hang-up alone
        # tells, and the replugged screen gets the whole picture.
        device.unplug()
        harness.wait_for(lambda: any("Smart screen: lost " + work.file("ttySmart") in line for line in work.log()),
                         "the lost line")
        device.plug()
        harness.wait_for(lambda: all(all(row) for row in device.picture()), "the whole picture again")
        harness.wait_for(lambda: "Smart screen: " + work.file("ttySmart") + " is back" in work.log(), "the back line")
        self.assertEqual(sum("Smart screen: lost" in line for line in work.log()), 1)
        status, _, _ = harness.stop(process)
        self.assertEqual(status, 0)

    def test_demo_keeps_drawing_through_a_replug(self):
        work, device = self.setup("A", {"Brightness": 80}, hello_code=1)
        process = work.start()
        harness.wait_for(lambda: device.screen.bitmaps > 5, "the demo drawing")
        self.assertIn("Smart screen: " + work.file("ttySmart") + " is a UsbPCMonitor 3.5\"", work.log())
        self.assertEqual(device.screen.brightness, 80)
        device.unplug()
        harness.wait_for(lambda: any("Smart screen: lost " in line for line in work.log()), "the lost line")
        device.plug()
        harness.wait_for(lambda: all(all(row) for row in device.picture()), "the whole picture again")
        harness.wait_for(lambda: device.screen.bitmaps > 5, "the demo drawing again")
        status, _, _ = harness.stop(process)
        self.assertEqual(status, 0)

    def test_a_screen_that_stops_reading_holds_nothing_up(self):
        # Stalled from the start, in the middle of the first picture: once it
        # reads again it gets the cut-off command's end, then the whole picture.
        work, device = self.setup("A", screens=STATIC, plugins=("smart-screen",))
        port = work.file("ttySmart")
        want = self.expected(self.virtual_snapshot((160, 240), STATIC), 2, (320, 480))
        device.stall()
        process = work.start()
        harness.wait_for(lambda: f"Smart screen: {port} is not taking data; showing nothing until it does" in work.log(),
                         "the stalled line")
        device.resume()
        harness.wait_for(lambda: f"Smart screen: {port} takes data again" in work.log(), "the line that it reads again")
        harness.wait_for(lambda: device.picture() == want, "the whole picture")
        self.assertEqual(device.screen.unknown, 0)
        harness.stop(process)

        # Stalled while the demo changes every second: the program still ends
        # at once when asked (within the harness's timeout, not a write's).
        work, device = self.setup("A")
        process = work.start()
        harness.wait_for(lambda: device.screen.bitmaps > 3, "the demo drawing")
        device.stall()
        harness.wait_for(lambda: any("is not taking data" in line for line in work.log()), "the stalled line")
        status, _, _ = harness.stop(process)
        self.assertEqual(status, 0)
        self.assertEqual(sum("is not taking data" in line for line in work.log()), 1)

    def test_a_port_that_is_not_a_smart_screen_is_left_alone(self):
        b_answer = bytes([0xCA]) + b"HELLO" + bytes([0x0A, 0x11, 0, 0xCA])
        cases = [("A", b"\r\nOK\r\n", "0D 0A 4F 4B 0D 0A", "A"),  # a modem, say
                 ("auto", b_answer, "CA 48 45 4C 4C 4F", "A"),  # revision B's answer to revision A's question
                 ("B", bytes([1] * 6), "01 01 01 01 01 01", "B")]
        for revision, answer, said, asked in cases:
            with self.subTest(revision=revision, answer=answer):
                work, device = self.setup("A" if revision == "auto" else revision, {"Revision": revision}, STATIC,
                                          plugins=("smart-screen",), hello_answer=answer)
                process = work.start()
                line = (f"Smart screen: {work.file('ttySmart')} answers HELLO with {said}, which no revision {asked} "
                        "screen says; leaving it alone (is Port another device?)")
                harness.wait_for(lambda: line in work.log(), repr(line))
                status, _, _ = harness.stop(process)
                self.assertEqual(status, 0)
                self.assertEqual(sum("answers HELLO" in text for text in work.log()), 1)
                self.assertEqual((device.screen.hellos, device.screen.orientations, device.screen.bitmaps), (1, 0, 0))

    def test_a_background_and_a_colour_map_theme_the_picture(self):
        # A 160 x 240 picture for a 320 x 480 screen: scaled, with one line.
        background = [[(y // 16) << 11 | 4 << 5 | 8 for _ in range(160)] for y in range(240)]
        colour_map = [[31 << 11 | (63 - y * 63 // 479) << 5 | (y * 31 // 479) for _ in range(320)] for y in range(480)]
        work, device = self.setup("A", {"Background": "back.png", "ColourMap": "map.png"}, STATIC,
                                  plugins=("smart-screen",))
        emulator.write_png(background, work.file("back.png"))
        emulator.write_png(colour_map, work.file("map.png"))
        pixels = self.virtual_snapshot((160, 240), STATIC)
        want = [[colour_map[y][x] if pixels[y // 2][x // 2] else background[y // 2][x // 2] for x in range(320)]
                for y in range(480)]
        process = work.start()
        harness.wait_for(lambda: device.picture() == want, "the themed picture")
        self.assertIn("Smart screen: Background back.png is 160 x 240, not 320 x 480; scaled to fit", work.log())
        screenshots = os.environ.get("GLANCER_UPDATE_SCREENSHOTS")
        if screenshots:
            docs = os.path.join(harness.EXAMPLES, "..", "..", "docs")
            emulator.write_png(want, os.path.join(docs, "smart-screen-theme.png"))
            plain = self.expected(pixels, 2, (320, 480))
            emulator.write_png(plain, os.path.join(docs, "smart-screen-plain.png"))
        harness.stop(process)

    def test_bad_settings_give_one_clear_line(self):
        cases = [
            ({"Background": "missing.png"}, "Smart screen: Background missing.png cannot be opened; not used"),
            ({"Scale": 100}, "Smart screen: Scale 100 is outside 0..64, using 0"),
            ({"Scale": 64}, "Smart screen: Scale 64 is too large for a 320 x 480 screen; using 2"),
            ({"Port": "auto", "Revision": "A"}, "Smart screen: no screen found by its USB ids"),
        ]
        for settings, line in cases:
            with self.subTest(settings=settings):
                work, device = self.setup("A", settings, STATIC, plugins=("smart-screen",))
                process = work.start()
                harness.wait_for(lambda: any(line in text for text in work.log()), repr(line))
                self.assertEqual(sum(line in text for text in work.log()), 1)
                harness.stop(process)


if __name__ == "__main__":
    harness.main()
