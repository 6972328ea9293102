"""The Serial LCD driver end to end: the program drives an emulated module
on a pseudo-terminal (tests/drivers/emulators/lcd_emulator.py)."""
import fcntl
import os
import shutil
import sys
import time

import harness
import panel

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "drivers", "emulators"))
import lcd_emulator  # noqa: E402

# One screen that never changes: text, a bitmap in user characters.
STATIC = harness.screen_files(still=harness.screen(
    "Still",
    '<item type="text" x="0" y="0"><fieldsize>20</fieldsize><refresh>100</refresh>'
    "<textdata>Still 25\u00b0C</textdata></item>\n"
    '<item type="image" x="0" y="8"><refresh>100</refresh><imagebitmap>screens/logo.bmp</imagebitmap></item>\n'))
DEMO_PLUGINS = ("serial-lcd", "system", "demo")


class SerialLcd(harness.Case):
    def setup(self, screens=None, settings=None, plugins=DEMO_PLUGINS, columns=20, driver="Serial LCD", deaf=0):
        work = self.workdir(plugins=plugins, screens=None)
        shutil.copytree(os.path.join(harness.EXAMPLES, "screens"), work.file("screens"))
        for name, text in (screens or {}).items():
            with open(work.file(os.path.join("screens", name)), "w", encoding="latin-1") as out:
                out.write(text)
        lcd = lcd_emulator.PtyPanel(work.file("ttyLCD"), columns=columns, deaf_seconds=deaf)
        self.addCleanup(lcd.close)
        values = {"Port": work.file("ttyLCD")} if driver == "Serial LCD" else {}
        values.update(settings or {})
        with open(work.registry, "w") as out:
            out.write(harness.registry_text(values, driver.replace(" ", "")))
        work.use_driver(driver)
        return work, lcd

    def wait_text(self, lcd, text, row=None, timeout=harness.TIMEOUT):
        harness.wait_for(lambda: any(text in line for line in (lcd.text() if row is None else [lcd.text()[row]])),
                         f"{text!r} on the panel (shows {lcd.text()})", timeout)

    def test_demo_reads_on_a_20x4_and_survives_a_replug(self):
        work, lcd = self.setup()
        process = work.start()
        self.wait_text(lcd, "Glancer demo", row=0)
        self.assertIsNone(lcd.lcd.backlight is False or None)
        # The graph screen: two framed graphs in user characters under the text.
        self.wait_text(lcd, "Load", row=0)
        self.wait_text(lcd, "Sine", row=0)
        screenshot = os.environ.get("GLANCER_UPDATE_SCREENSHOTS")

        def sine_drawn():
            # A stretch of the sine wave inside the second graph's frame,
            # in at least four cells, under intact top and bottom edges.
            with lcd.lock:
                pixels = lcd.lcd.pixels()
            columns = {x // 6 for y in range(10, 30) for x in range(66, 114) if pixels[y][x]}
            return len(columns) >= (6 if screenshot else 4) and sum(pixels[8][0:55]) > 40 and sum(pixels[31][66:114]) > 35

        harness.wait_for(sine_drawn, "the graphs", timeout=10)
        if screenshot:
            with lcd.lock:
                lcd.lcd.write_png(os.path.join(harness.EXAMPLES, "..", "..", "docs", "panel-graphs.png"))
        self.assertFalse(lcd.lcd.unknown)

        lcd.unplug()
        harness.wait_for(lambda: "Serial LCD: lost " + work.file("ttyLCD") + "; trying again every few seconds"
                         in work.log(), "the lost line")
        lcd.plug()
        harness.wait_for(lambda: "".join(lcd.text()).strip(), "the picture again", timeout=10)
        self.assertIn("Serial LCD: " + work.file("ttyLCD") + " is back", work.log())
        status, _, _ = harness.stop(process)
        self.assertEqual(status, 0)
        # The farewell may still sit in the pseudo-terminal when the process has gone.
        self.wait_text(lcd, "Good Bye!", row=0)

    def test_an_unchanged_screen_sends_nothing(self):
        work, lcd = self.setup(screens=STATIC, plugins=("serial-lcd",))
        process = work.start()
        self.wait_text(lcd, "Still 25\u00b0C", row=0)
        # The whole picture goes once more when a resetting backpack listens.
        harness.wait_for(lambda: lcd.lcd.clears >= 2, "the redraw after the backpack's start")
        start = time.monotonic()
        woke = harness.wakeups(process, 10)
        self.assertEqual(lcd.bytes_since(start), 0)
        self.assertLess(sum(woke[1:]), 2, f"threads besides the refresh wake while nothing changes: {woke}")
        self.assertTrue(any(c in "01234567" for line in lcd.text()[1:] for c in line), lcd.text())

    def test_a_backpack_that_ignores_its_first_2_s_shows_the_static_screen(self):
        work, lcd = self.setup(screens=STATIC, plugins=("serial-lcd",), deaf=2)
        started = time.monotonic()
        process = work.start()

        def complete():
            text = lcd.text()
            return text[0].startswith("Still 25\u00b0C") and any(c in "01234567" for line in text[1:] for c in line)

        harness.wait_for(complete, f"the whole static screen (shows {lcd.text()})", timeout=5)
        self.assertLess(time.monotonic() - started, 5)
        harness.stop(process)

    def test_a_device_that_stops_reading_does_not_stall_the_program(self):
        work, lcd = self.setup()
        work.start()
        self.wait_text(lcd, "Glancer demo", row=0)
        lcd.reading = False
        # Fill what the pseudo-terminal buffers, as a module that stopped
        # reading long ago would have.
        filler = os.open(work.file("ttyLCD"), os.O_WRONLY | os.O_NONBLOCK | os.O_NOCTTY)
        try:
            while True:
                os.write(filler, b" " * 1024)
        except BlockingIOError:
            pass
        finally:
            os.close(filler)
        harness.wait_for(lambda: any("is not taking data" in line for line in work.log()), "the stall line")
        lcd.reading = True
        harness.wait_for(lambda: any("takes data again" in line for line in work.log()), "the recovery line")
        # The program kept refreshing: the panel catches up with the screens.
        self.wait_text(lcd, "Load", row=0, timeout=60)

    def test_bad_settings_and_ports_give_one_clear_line(self):
        regular = "not-a-port.txt"
        cases = [
            ({"Port": "/dev/ttyNOSUCH"}, "Serial LCD: /dev/ttyNOSUCH does not exist"),
            ({"Port": regular}, f"Serial LCD: {regular} is not a serial port"),
            ({"Port": ""}, "Serial LCD: no Port is set"),
            ({"Baud": 12345}, "Serial LCD: Baud 12345 is not one of 9600, 19200, 38400, 57600, 115200; using 19200"),
            ({"Columns": 0}, "Serial LCD: Columns 0 is outside 1..40, using 20"),
            ({"Rows": "1000"}, "Serial LCD: Rows 1000 is outside 1..4, using 4"),
            ({"Columns": 10}, "does not fit the 10 x 4 panel; cut off"),
            ({"busy": 1}, "is busy (another program has it open)"),
        ]
        cases += [({"I2C": 1, "Bus": 9}, "I2C LCD: /dev/i2c-9 does not exist"),
                  ({"I2C": 1, "Address": "0x99"}, 'I2C LCD: Address "0x99" is not an address from 0x03 to 0x77'),
                  ({"I2C": 1, "Columns": 40}, "I2C LCD: 40 x 4 needs two controllers")]
        for settings, line in cases:
            with self.subTest(settings=settings):
                driver = "I2C LCD" if "I2C" in settings else "Serial LCD"
                work, lcd = self.setup(settings={k: v for k, v in settings.items() if k not in ("busy", "I2C")},
                                       plugins=("serial-lcd", "i2c-lcd", "system", "demo"), driver=driver)
                work.write(regular, "")
                if "busy" in settings:
                    holder = os.open(work.file("ttyLCD"), os.O_RDWR | os.O_NOCTTY)
                    self.addCleanup(os.close, holder)
                    fcntl.flock(holder, fcntl.LOCK_EX)
                process = work.start()
                harness.wait_for(lambda: any(line in entry for entry in work.log()), repr(line))
                time.sleep(0.3)
                self.assertIsNone(process.poll(), "the program keeps running")
                status, _, _ = harness.stop(process)
                self.assertEqual(status, 0)

    def test_configure_on_the_terminal_keeps_values_on_enter(self):
        work = self.workdir(plugins=("serial-lcd", "i2c-lcd"))
        result = work.run("configure-driver", "Serial LCD", stdin="/dev/ttyUSB7\n\n16\n0\n2\n")
        self.assertIn("Serial devices found:", result.stdout)
        self.assertIn("Please give a number from 1 to 4.", result.stdout)  # the 0 rows, asked again
        result = work.run("configure-driver", "I2C LCD", stdin="\n0x3F\n")
        self.assertIn("I2C buses found:", result.stdout)
        registry = work.read("registry.reg")
        for line in ('"Port"="/dev/ttyUSB7"', '"Columns"=dword:00000010', '"Rows"=dword:00000002',
                     '"Address"=dword:0000003f'):
            self.assertIn(line, registry)
        self.assertNotIn('"Baud"', registry)
        self.assertNotIn('"Bus"', registry)


if __name__ == "__main__":
    panel.load_font()
    harness.main()
