"""A dialog built from declared settings, under Wine: the System source's
DiskPath and WatchLoad (whose long prompt wraps), a refused answer kept open
with its reason, and the values stored on OK; the Sensors source's, whose
numbers stay dwords."""
from wineharness import WineTestCase, reg_get, wait_until

OK = 1
DISK_PATH, WATCH_LOAD = 100, 101
KEY = r"HKCU\Software\Glancer\System"
INTERVAL, EXCLUDE = 101, 103  # the Sensors dialog's rows
SENSORS_KEY = r"HKCU\Software\Glancer\Sensors"


class SettingsDialogTest(WineTestCase):
    def test_refuses_an_answer_out_of_range_and_stores_on_ok(self):
        run = self.start(["recorddriver", "system"], driver="RecordDriver")
        plugins, dialog = self.configure_source(run, "System")
        # The defaults are shown.
        wait_until(lambda: "C:\\" in self.desktop.controls(dialog)[DISK_PATH], "the default disk path")
        # The long WatchLoad prompt wraps onto several lines instead of being cut at one.
        lines = self.desktop.control("controls", dialog)["_lines"]
        heights = {line.split(" text=", 1)[1].split()[0]: int(line.split(" height=", 1)[1].split()[0])
                   for line in lines if " class=static " in line.lower()}
        self.assertGreaterEqual(heights["Follow"], 2 * heights["Disk"])

        self.desktop.control("settext", dialog, DISK_PATH, "D:\\data")
        self.desktop.control("settext", dialog, WATCH_LOAD, "2")
        self.desktop.control("click", dialog, OK)
        self.assertEqual(self.desktop.message_box("Invalid setting"),
                         "Follow the CPU load for System.HighLoad even while no screen shows it, at one wake-up "
                         "a second; 1 yes, 0 no (0..1): Answer 0..1.")
        self.assertIsNone(reg_get(self.desktop, "DiskPath", KEY))  # nothing stored while one is refused

        self.desktop.control("settext", dialog, WATCH_LOAD, "1")
        self.desktop.control("click", dialog, OK)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual(reg_get(self.desktop, "DiskPath", KEY), "D:\\data")
        self.assertEqual(reg_get(self.desktop, "WatchLoad", KEY), "0x1")

        self.desktop.control("click", plugins, OK)
        self.desktop.control("wait-gone", plugins, 10000)
        self.assertEqual(run.exit(), 0)

    def test_the_sensors_source_has_one_too(self):
        run = self.start(["recorddriver", "sensors"], driver="RecordDriver")
        plugins, dialog = self.configure_source(run, "Sensors")
        wait_until(lambda: "1000" in self.desktop.controls(dialog)[INTERVAL], "the default interval")
        self.desktop.control("settext", dialog, INTERVAL, "2000")
        self.desktop.control("settext", dialog, EXCLUDE, "nvme")
        self.desktop.control("click", dialog, OK)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual(reg_get(self.desktop, "Interval", SENSORS_KEY), "0x7d0")
        self.assertEqual(reg_get(self.desktop, "Exclude", SENSORS_KEY), "nvme")

        self.desktop.control("click", plugins, OK)
        self.desktop.control("wait-gone", plugins, 10000)
        self.assertEqual(run.exit(), 0)
