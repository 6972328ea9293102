"""The Smart screen driver on Windows: COM6 of the Wine prefix leads to a
pseudo-terminal whose other end an emulated revision A screen reads."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "posix"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "drivers", "emulators"))
import smart_screen_emulator as emulator  # noqa: E402
from wineharness import CONFIG, WineTestCase, reg_set, wait_until  # noqa: E402

KEY = r"HKCU\Software\Glancer\SmartScreen"
LIT, UNLIT = 0xFFFFFF, 0x102030


class SmartScreenTest(WineTestCase):
    def test_revision_a_through_a_com_port(self):
        # Wine opens COMn through the link dosdevices/comn.
        device = emulator.PtyScreen(os.path.join(CONFIG["prefix"], "dosdevices", "com6"), "A")
        self.addCleanup(device.close)
        for name, value in (("Port", "COM6"), ("Revision", "A"), ("UnlitColour", "102030")):
            reg_set(self.desktop, name, "REG_SZ", value, key=KEY)
        # Nothing on the screen changes: the unplug below is noticed by itself.
        run = self.start(["smart-screen"], driver="Smart screen")

        def drawn():
            rows = device.picture()
            return all(all(row) for row in rows) and any(emulator.rgb565(LIT) in row for row in rows)

        wait_until(drawn, "the whole picture with its text")
        self.assertEqual(device.screen.unknown, 0)
        run.wait_log("Smart screen: COM6: revision A, 320 x 480 at scale 2, a 160 x 240 panel")

        device.unplug()
        run.wait_log("Smart screen: lost COM6; trying again every few seconds")
        device.plug()
        wait_until(drawn, "the whole picture after the replug")
        run.wait_log("Smart screen: COM6 is back")

        self.assertEqual(run.exit(), 0)
        wait_until(lambda: device.screen.off, "the screen off after the farewell")
        self.assert_clean_shutdown(run)
