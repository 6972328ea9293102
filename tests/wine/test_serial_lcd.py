"""The Serial LCD driver on Windows: COM5 of the Wine prefix leads to a
pseudo-terminal whose other end an emulated module reads."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "posix"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "drivers", "emulators"))
import lcd_emulator  # noqa: E402
from wineharness import CONFIG, WineTestCase, reg_set, wait_until  # noqa: E402

KEY = r"HKCU\Software\Glancer\SerialLCD"


class SerialLcdTest(WineTestCase):
    def test_shows_the_screen_survives_a_replug_and_says_good_bye(self):
        # Wine opens COMn through the link dosdevices/comn.
        lcd = lcd_emulator.PtyPanel(os.path.join(CONFIG["prefix"], "dosdevices", "com5"))
        self.addCleanup(lcd.close)
        reg_set(self.desktop, "Port", "REG_SZ", "COM5", key=KEY)
        reg_set(self.desktop, "Baud", "REG_DWORD", "9600", key=KEY)
        run = self.start(["serial-lcd", "testdata"], driver="Serial LCD")

        def shows(text, row):
            return lambda: lcd.text()[row].startswith(text)

        wait_until(shows("Hello", 0), "Hello on the panel")
        wait_until(lambda: lcd.text()[1].strip(), "the plugin's text on the panel")
        self.assertFalse(lcd.lcd.unknown)

        lcd.unplug()
        run.wait_log("Serial LCD: lost COM5; trying again every few seconds")
        lcd.plug()
        wait_until(shows("Hello", 0), "Hello after the replug")
        self.assertIn("Serial LCD: COM5 is back", run.log())

        self.assertEqual(run.exit(), 0)
        self.assertEqual(lcd.text()[0].rstrip(), "Good Bye!")
        self.assert_clean_shutdown(run)

    def test_the_write_timeout_lets_a_full_redraw_at_9600_baud_finish(self):
        # COM drivers that complete a write once its bytes have left need as
        # long as they take: 300 bytes of 10 bits at 9600 baud are 313 ms.
        lcd = lcd_emulator.PtyPanel(os.path.join(CONFIG["prefix"], "dosdevices", "com6"))
        self.addCleanup(lcd.close)
        probe = os.path.join(os.path.dirname(CONFIG["wincontrol"]), "serialprobe.exe")
        result = self.desktop.run(probe, "COM6", "9600", "300")
        timeout_ms = int(result.stdout.split()[0])
        self.assertGreaterEqual(timeout_ms, 313)
        self.assertLessEqual(timeout_ms, 1500, "a stalled device would hold the refresh that long")

    def test_a_missing_port_gives_one_line_and_the_program_runs_on(self):
        reg_set(self.desktop, "Port", "REG_SZ", "COM42", key=KEY)
        run = self.start(["serial-lcd", "testdata"], driver="Serial LCD")
        run.wait_log("Serial LCD: COM42 does not exist; trying again every few seconds")
        self.assertEqual(run.exit(), 0)
        self.assert_clean_shutdown(run)
