"""The plugins we ship, run by the real program: what the Virtual display
shows, and the values System gives."""
import os
import re
import socket

import harness
import panel
from harness import registry_text, stop, wait_for


class VirtualDisplay(harness.Case):
    def test_snapshot_shows_text_in_the_panel_font_pictures_and_the_farewell(self):
        panel.load_font()
        items = ('<item type="text" x="1" y="1"><fieldsize>12</fieldsize><refresh>100</refresh>'
                 "<textdata>Hi {there}!</textdata></item>\n"
                 '<item type="text" x="18" y="3"><fieldsize>4</fieldsize><refresh>100</refresh>'
                 "<textdata>a\u00e9yz</textdata></item>\n"
                 '<item type="pluginimage" x="100" y="2"><imageid>img2</imageid></item>\n')
        work = self.workdir(plugins=("virtual", "testdata"), screens=harness.screen_files(s=harness.screen("S", items)))
        snapshot = work.file("panel.pbm")
        settings = {"Snapshot": snapshot, "XPixels": 100000}
        work.write("registry.reg", registry_text({"DRIVER": "Virtual display"}) + "\n" +
                   registry_text(settings, "VirtualDisplay").split("\n", 2)[2])

        def picture():
            return panel.read_pbm(snapshot) if os.path.exists(snapshot) else None

        process = work.start()
        wait_for(lambda: picture() and panel.find_text(picture(), "Hi {there}!"), "the text in the snapshot")
        shown = picture()
        # The default geometry instead of the refused width; cell (1, 1) starts at pixel (6, 8).
        self.assertEqual((len(shown[0]), len(shown)), (122, 32))
        self.assertEqual(panel.find_text(shown, "Hi {there}!"), (6, 8))
        # Cut at the right edge: column 20 is outside, and a byte above ASCII shows as "?".
        self.assertEqual(panel.find_text(shown, "a?"), (108, 24))
        self.assertEqual([row[100:104] for row in shown[2:6]], [[1, 0, 1, 0], [0, 1, 0, 1]] * 2)
        status, out, err = stop(process)
        self.assertEqual((status, out), (0, ""))  # standard output is no terminal: nothing drawn there

        final = picture()
        self.assertEqual(panel.find_text(final, "Good Bye!"), (0, 0))
        self.assertEqual(sum(map(sum, final)), sum(map(sum, panel.render_text("Good Bye!"))))
        self.assertIn("Virtual display: XPixels 100000 is outside 1..1024, using 122", work.log())
        self.assertFalse(os.path.exists(snapshot + ".tmp"))


class System(harness.Case):
    VARIABLES = ["CpuLoad", "CpuLoadExact", "MemoryUsed", "MemoryTotal", "MemoryPercent", "Uptime", "UptimeText",
                 "Time", "Date", "Hostname", "NetReceive", "NetSend", "NetText", "DiskUsed", "DiskFree"]

    def test_values_and_pictures(self):
        items = harness.value_rows(["System." + name for name in self.VARIABLES], 30, 100)
        items += ('<item type="pluginimage" x="0" y="0"><imageid>System.CpuBar</imageid></item>\n'
                  '<item type="pluginimage" x="50" y="0"><imageid>System.Clock</imageid></item>\n')
        work = self.workdir(plugins=("recorddriver", "system"), screens=harness.screen_files(s=harness.screen("S", items)))
        work.use_driver()
        process = work.start()

        def values():
            shown = {}
            for line in work.lines("driver_calls.txt"):
                match = re.match(r"writeText 0 (\d+) (.*)$", line)
                if match and match.group(2).strip():
                    shown[self.VARIABLES[int(match.group(1))]] = match.group(2).strip()
            return shown

        # The first sample fills everything but the rates, which need a second.
        wait_for(lambda: len(values()) == len(self.VARIABLES) and values()["MemoryTotal"] != "0", "every variable")
        shown = values()
        self.assertEqual(stop(process)[0], 0)
        self.assertTrue(0 <= int(shown["CpuLoad"]) <= 100)
        self.assertTrue(0.0 <= float(shown["CpuLoadExact"]) <= 100.0)
        self.assertTrue(0 < int(shown["MemoryUsed"]) < int(shown["MemoryTotal"]))
        self.assertTrue(0 < int(shown["MemoryPercent"]) <= 100)
        self.assertGreater(int(shown["Uptime"]), 0)
        self.assertRegex(shown["UptimeText"], r"^(\d+d )?\d\d:\d\d$")
        self.assertRegex(shown["Time"], r"^\d\d:\d\d:\d\d$")
        self.assertRegex(shown["Date"], r"^\d{4}-\d\d-\d\d$")
        self.assertEqual(shown["Hostname"], socket.gethostname()[:30])
        self.assertGreaterEqual(float(shown["NetReceive"]), 0.0)
        self.assertGreaterEqual(float(shown["NetSend"]), 0.0)
        self.assertRegex(shown["NetText"], r"^(D \d+\.\d[KMGT] U \d+\.\d[KMGT]|\?)$")
        self.assertTrue(0 <= int(shown["DiskUsed"]) <= 100)
        self.assertRegex(shown["DiskFree"], r"^(\d+ B|\d+\.\d [KMGTPE]iB) free$")

        regions = [line.split()[1:5] for line in work.lines("driver_calls.txt") if line.startswith("updateRegion")]
        self.assertIn(["0", "0", "40", "8"], regions)
        self.assertIn(["50", "0", "15", "15"], regions)


if __name__ == "__main__":
    harness.main()
