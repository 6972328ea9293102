"""The Sensors data source run by the real program on a fake sysfs tree
(fake_hwmon): what it lists equals what the `sensors` command prints for
the same tree; values reach a screen, follow the files, and a chip that
goes away or a feature that fails to read each give one log line."""
import os
import re
import shutil
import subprocess
import unittest

import fake_hwmon
import harness
from harness import registry_text, stop, wait_for

KINDS = {"temp": "\u00b0C", "fan": "RPM", "in": "V", "curr": "A", "power": "W"}
ROWS = ["Sensors.CpuTemp", "Sensors.nct6798.CPU_fan", "Sensors.nct6798.CPUTIN", "Sensors.gpu1.Load",
        "Sensors.gpu1.Fan", "Sensors.FanMax"]


def sensors_u(text):
    """What `sensors -u` prints, as {id: (value, unit)} by the naming rule."""
    found, seen, chip, label, taken = {}, {}, None, None, set()
    for line in text.splitlines():
        if not line.strip() or line.startswith("Adapter:"):
            continue
        if not line.startswith(" ") and not line.endswith(":"):
            prefix = line.rsplit("-", 2)[0]
            seen[prefix] = seen.get(prefix, 0) + 1
            chip = prefix + (f"_{seen[prefix]}" if seen[prefix] > 1 else "")
            taken.clear()
        elif not line.startswith(" "):
            label = re.sub(r"[^A-Za-z0-9_-]", "_", line[:-1])
        else:
            name, value = line.strip().split(": ")
            kind, sub = re.match(r"([a-z]+)\d+_(\w+)", name).groups()
            wanted = sub == "input" or (kind == "power" and sub == "average" and label not in taken)
            if kind in KINDS and wanted:
                found[f"Sensors.{chip}.{label}"] = (value, KINDS[kind])
                taken.add(label)
    return found


class Sensors(harness.Case):
    def setUp(self):
        reason = fake_hwmon.why_not()
        if reason:
            self.skipTest(reason)
        self.tree = fake_hwmon.FakeTree()
        self.addCleanup(self.tree.close)

    def run_in_tree(self, work, *args, stdin=""):
        return subprocess.run(self.tree.command(*args), cwd=work.path, env=work.env, input=stdin,
                              capture_output=True, text=True, timeout=harness.TIMEOUT)

    def test_the_listing_equals_what_the_sensors_command_prints(self):
        work = self.workdir(plugins=("sensors",), screens=None)
        expected = sensors_u(self.run_in_tree(work, "sensors", "-u").stdout)
        result = self.run_in_tree(work, harness.GLANCER, "configure-source", "Sensors", stdin="55\n\n\nnvme\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        listed = {m[0]: (m[1], m[2]) for m in re.findall(r"^(Sensors\.[^.\s]+\.\S+): (\S+) (\S+)$", result.stdout, re.M)}
        cards = {key: listed.pop(key) for key in list(listed) if key.startswith("Sensors.gpu")}
        self.assertEqual(listed, expected)
        for key in ["Sensors.k10temp.Tctl", "Sensors.nvme_2.Composite", "Sensors.nct6798.Rear__top_",
                    "Sensors.amdgpu.power1", "Sensors.ina226.curr1"]:
            self.assertIn(key, listed)  # two chips of a prefix, sensors.d labels, power average, current
        self.assertEqual(cards, {"Sensors.gpu1.Temp": ("52.000", "\u00b0C"), "Sensors.gpu1.Load": ("37.000", "%"),
                                 "Sensors.gpu1.MemoryUsed": ("1536.000", "MiB"),
                                 "Sensors.gpu1.MemoryTotal": ("8192.000", "MiB"),
                                 "Sensors.gpu1.Power": ("35.000", "W"), "Sensors.gpu1.Fan": ("40.000", "%")})
        self.assertIn("Sensors.CpuTemp: 45.250 \u00b0C (Sensors.k10temp.Tctl)\n", result.stdout)
        self.assertIn("Sensors.FanMax: 1650.000 RPM (the fastest fan)\n", result.stdout)
        settings = work.read("registry.reg")
        self.assertIn('"HotTemp"=dword:00000037', settings)
        self.assertIn('"Exclude"="nvme"', settings)

    def test_values_reach_a_screen_and_follow_the_tree(self):
        items = harness.value_rows(ROWS, 12, 50)
        hot = harness.screen("Hot", '<item type="text" x="0" y="9"><fieldsize>3</fieldsize><refresh>50</refresh>'
                             "<textdata>HOT</textdata></item>\n" + harness.next_screen(100), flag="Sensors.Hot")
        work = self.workdir(plugins=("recorddriver", "sensors"), screens=harness.screen_files(
            s=harness.screen("S", items + harness.next_screen(100)), h=hot))
        work.write("registry.reg", registry_text({"DRIVER": "RecordDriver"}) + "\n" +
                   registry_text({"YChars": 10}, "RecordDriver").split("\n", 2)[2] + "\n" +
                   registry_text({"HotTemp": 50, "Interval": 100}, "Sensors").split("\n", 2)[2])

        def shown(since=0):
            latest = {}
            for line in work.lines("driver_calls.txt")[since:]:
                match = re.match(r"writeText 0 (\d) (.*)$", line)
                if match:
                    row = int(match.group(1))
                    latest[ROWS[row] if row < len(ROWS) else "Hot"] = match.group(2).rstrip()
            return latest

        process = subprocess.Popen(self.tree.command(harness.GLANCER), cwd=work.path, env=work.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        work.processes.append(process)
        wait_for(lambda: shown() == {"Sensors.CpuTemp": "45.25", "Sensors.nct6798.CPU_fan": "1205",
                                     "Sensors.nct6798.CPUTIN": "41.5", "Sensors.gpu1.Load": "37",
                                     "Sensors.gpu1.Fan": "40", "Sensors.FanMax": "1650", "Hot": "HOT"},
                 "the tree's values and the hot card")
        self.assertIn("Sensors: 25 sensors", work.log())

        def write(path, text):
            with open(self.tree.path(*path.split("/")), "w") as out:
                out.write(text + "\n")
        write("hwmon/hwmon1/fan1_input", "2400")
        write("hwmon/hwmon2/temp1_input", "45000")  # the card cools down
        wait_for(lambda: shown().get("Sensors.FanMax") == "2400", "a faster fan")

        cputin = self.tree.path("hwmon", "hwmon1", "temp2_input")
        os.remove(cputin)
        os.mkdir(cputin)  # reads fail, the chip is still there
        shutil.rmtree(self.tree.path("hwmon", "hwmon0"))  # the k10temp goes away
        wait_for(lambda: shown().get("Sensors.CpuTemp") == "0" and shown().get("Sensors.nct6798.CPUTIN") == "0",
                 "the lost values")
        os.rmdir(cputin)
        write("hwmon/hwmon1/temp2_input", "43000")
        wait_for(lambda: shown().get("Sensors.nct6798.CPUTIN") == "43", "the value back")
        self.assertEqual(stop(process)[0], 0)
        log = work.log()
        self.assertEqual(log.count("Sensors: the chip k10temp is gone; its values read 0"), 1, log)
        self.assertEqual(sum(line.startswith("Sensors: cannot read Sensors.nct6798.CPUTIN (") for line in log), 1, log)
        self.assertIn("Sensors: 25 sensors", log)


def listing(text):
    return {m[0]: m[1] for m in re.findall(r"^(Sensors\.gpu\d\.\w+): (\S+)", text, re.M)}


class Nvml(harness.Case):
    """The stand-in NVML libraries, found by the real loader through LD_LIBRARY_PATH."""

    def workdir_with(self, variant, **kwargs):
        work = self.workdir(**kwargs)
        work.env["LD_LIBRARY_PATH"] = os.path.join(harness.PLUGINS, variant)
        return work

    def test_cards_come_first_and_the_old_temperature_call_serves_when_the_new_one_cannot(self):
        work = self.workdir_with("nvml", plugins=("sensors",), screens=None)
        cards = listing(work.run("configure-source", "Sensors").stdout)
        self.assertEqual({key: cards[key] for key in cards if not key.startswith("Sensors.gpu3")}, {
            "Sensors.gpu1.Temp": "61.000", "Sensors.gpu1.Load": "45.000", "Sensors.gpu1.MemoryUsed": "3072.000",
            "Sensors.gpu1.MemoryTotal": "8192.000", "Sensors.gpu1.Power": "120.500", "Sensors.gpu1.Fan": "55.000",
            "Sensors.gpu2.Temp": "48.000", "Sensors.gpu2.Load": "5.000", "Sensors.gpu2.MemoryUsed": "512.000",
            "Sensors.gpu2.MemoryTotal": "4096.000", "Sensors.gpu2.Power": "15.000", "Sensors.gpu2.Fan": "0.000"})
        old = self.workdir_with("nvml-old", plugins=("sensors",), screens=None)
        cards = listing(old.run("configure-source", "Sensors").stdout)
        self.assertEqual((cards["Sensors.gpu1.Temp"], cards["Sensors.gpu2.Temp"]), ("60.000", "48.000"))
        if fake_hwmon.why_not() is None:  # the AMD card of the fake tree comes after them
            tree = fake_hwmon.FakeTree()
            self.addCleanup(tree.close)
            result = subprocess.run(tree.command(harness.GLANCER, "configure-source", "Sensors"), cwd=work.path,
                                    env=work.env, input="", capture_output=True, text=True, timeout=harness.TIMEOUT)
            self.assertEqual(listing(result.stdout)["Sensors.gpu3.Load"], "37.000")

    def test_a_failing_call_and_a_failing_start_each_give_one_line(self):
        screens = harness.screen_files(s=harness.screen(
            "S", '<item type="plugintext" x="0" y="0"><fieldsize>8</fieldsize><refresh>50</refresh>'
                 "<varid>Sensors.GpuPower</varid></item>"))
        work = self.workdir_with("nvml", plugins=("recorddriver", "sensors"), screens=screens)
        work.write("registry.reg", registry_text({"DRIVER": "RecordDriver"}) + "\n" +
                   registry_text({"Interval": 100}, "Sensors").split("\n", 2)[2])

        def shown():
            return ([line[len("writeText 0 0 "):].rstrip() for line in work.lines("driver_calls.txt")
                     if line.startswith("writeText 0 0 ")] or [None])[-1]
        process = work.start()
        wait_for(lambda: shown() == "120.5", "the card's power")
        work.write("nvml_fail_power", "")
        wait_for(lambda: shown() == "0", "the failed reading")
        os.remove(work.file("nvml_fail_power"))
        wait_for(lambda: shown() == "120.5", "the power back")
        self.assertEqual(stop(process)[0], 0)
        failed = [line for line in work.log() if "NVML cannot read" in line]
        self.assertEqual(failed, [f"Sensors: NVML cannot read Sensors.gpu{n}.Power (error 999); it reads 0"
                                  for n in (1, 2)])

        work.write("nvml_fail_init", "")
        process = work.start()
        wait_for(lambda: "Sensors: NVML cannot start (error 9); no NVIDIA cards" in work.log(), "the failed start")
        self.assertEqual(stop(process)[0], 0)


if __name__ == "__main__":
    harness.main()
