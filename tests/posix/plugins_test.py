"""The plugins we ship, run by the real program: what the Terminal driver
draws, and the values System gives."""
import re
import socket

import harness
from harness import registry_text, stop, wait_for


def box(inner_lines, width):
    lines = ["┌" + "─" * width + "┐"]
    for line in inner_lines:
        lines.append("├" + "─" * width + "┤" if line is None else "│" + line.ljust(width) + "│")
    return "\n".join(lines + ["└" + "─" * width + "┘"]) + "\n"


class Terminal(harness.Case):
    def test_text_grid_and_half_block_pixels(self):
        screen = (
            '<screen><name>S</name>\n'
            '<item type="text" x="18" y="0"><fieldsize>4</fieldsize><refresh>100</refresh>'
            "<textdata>wxyz</textdata></item>\n"
            '<item type="text" x="2" y="1"><fieldsize>3</fieldsize><refresh>100</refresh>'
            "<textdata>a\u00e9</textdata></item>\n"
            '<item type="pluginimage" x="6" y="1"><imageid>img2</imageid></item>\n'
            "</screen>\n"
        )
        work = self.workdir(plugins=("terminal", "testdata"),
                            screens={"screens.xml": "<screens><screenfile>s.xml</screenfile></screens>",
                                     "s.xml": screen})
        panel = work.file("panel.txt")
        geometry = {"XChars": 20, "YChars": 2, "XPixels": 10, "YPixels": 5, "Output": panel}
        work.write("registry.reg", registry_text({"DRIVER": "Terminal"}) + "\n" +
                   registry_text(geometry, "Terminal").split("\n", 2)[2])
        # Text clipped at the right edge, bytes outside ASCII as "?"; a 4x4
        # checkerboard at (6, 1) over an odd number of pixel rows.
        expected = box(["                  wx", "  a??", None,
                        "      \u2584 \u2584", "      \u2584\u2580\u2584\u2580", "       \u2580 \u2580"], 20)
        process = work.start()
        try:
            wait_for(lambda: work.read("panel.txt") == expected, "the panel")
        except AssertionError:
            self.assertEqual(work.read("panel.txt"), expected)
        self.assertEqual(stop(process)[0], 0)
        self.assertEqual(work.read("panel.txt"), box(["Good Bye!", "", None, "", "", ""], 20))


class System(harness.Case):
    VARIABLES = ["CpuLoad", "CpuLoadExact", "MemoryUsed", "MemoryTotal", "MemoryPercent", "Uptime", "UptimeText",
                 "Time", "Date", "Hostname", "NetReceive", "NetSend", "NetText", "DiskUsed", "DiskFree"]

    def test_values_and_pictures(self):
        items = "".join(
            f'<item type="plugintext" x="0" y="{row}"><fieldsize>30</fieldsize><refresh>100</refresh>'
            f"<varid>System.{name}</varid></item>\n" for row, name in enumerate(self.VARIABLES))
        items += ('<item type="pluginimage" x="0" y="0"><imageid>System.CpuBar</imageid></item>\n'
                  '<item type="pluginimage" x="50" y="0"><imageid>System.Clock</imageid></item>\n')
        work = self.workdir(plugins=("recorddriver", "system"),
                            screens={"screens.xml": "<screens><screenfile>s.xml</screenfile></screens>",
                                     "s.xml": f"<screen><name>S</name>\n{items}</screen>\n"})
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
