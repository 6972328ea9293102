"""The authoring loop: glancer check, glancer values, and live reload."""
import fcntl
import os
import pty
import shutil
import signal
import subprocess
import termios
import time

import harness
from harness import registry_text, stop, wait_for

# One error of each kind, each at a line of its own.
BROKEN = {
    "screens.xml": (
        "<screens>\n"
        "<screenfile>main.xml</screenfile>\n"
        "<screenfile>broken.xml</screenfile>\n"
        "<screenfile>lonely.xml</screenfile>\n"
        "<screenfile>gone.xml</screenfile>\n"
        "<screenlist>x</screenlist>\n"
        "</screens>\n"
    ),
    "main.xml": (
        "<screen><name>Main</name>\n"
        "<colour>red</colour>\n"
        '<item type="text" x="0" y="0" size="3"><fieldsize>5</fieldsize><textdata>hi</textdata></item>\n'
        '<item type="sparkle" x="0" y="1"><fieldsize>5</fieldsize></item>\n'
        '<item type="plugintext" x="0" y="2"><fieldsize>5</fieldsize><varid>no.such</varid></item>\n'
        '<item type="pluginimage" x="0" y="0"><imageid>no.picture</imageid></item>\n'
        '<item type="text" x="18" y="3"><fieldsize>5</fieldsize><textdata>off</textdata></item>\n'
        '<item type="text" x="3" y="0"><fieldsize>4</fieldsize><textdata>lap</textdata></item>\n'
        '<item type="image" x="0" y="0"><imagebitmap>missing.bmp</imagebitmap></item>\n'
        '<item type="text" x="0" y="1"><fieldsize>3</fieldsize><refresh>120</refresh><textdata>r</textdata></item>\n'
        "<action><id>Core.NextScreen</id><delay>1010</delay></action>\n"
        "<action><id>Core.Jump</id></action>\n"
        "<action><id>Core.ChangeScreen</id><parameter>Nowhere</parameter></action>\n"
        '<item type="graph" x="100" y="10"><width>40</width><height>8</height><varid>int1</varid></item>\n'
        "</screen>\n"
    ),
    "broken.xml": (
        "<screen><name>Broken</name>\n"
        '<item type="text" x="0" y="0"><fieldsize>3</fieldsize>\n'
        "<textdata>x</textdata>\n"
        "</screen>\n"
    ),
    "lonely.xml": "<screen><name>Lonely</name>\n</screen>\n",
}

EXPECTED = [
    ("screens/screens.xml", 6, "unknown element <screenlist>"),
    ("screens/screens.xml", 5, 'screen file "gone.xml" cannot be read'),
    ("screens/main.xml", 2, "unknown element <colour>"),
    ("screens/main.xml", 3, 'unknown parameter "size" for a text item'),
    ("screens/main.xml", 4, 'unknown item type "sparkle"'),
    ("screens/main.xml", 5, "Variable ID not found: no.such"),
    ("screens/main.xml", 6, "Plugin image not found: no.picture"),
    ("screens/main.xml", 7, "off the panel's 20 x 4 characters"),
    ("screens/main.xml", 8, "text overlaps the text item at line 3"),
    ("screens/main.xml", 9, "Image load error: missing.bmp"),
    ("screens/main.xml", 10, "refresh 120 is not a positive multiple of 50"),
    ("screens/main.xml", 11, "delay 1010 is not a multiple of 50"),
    ("screens/main.xml", 12, 'unknown action id "Core.Jump"'),
    ("screens/main.xml", 13, 'Core.ChangeScreen names no screen: "Nowhere"'),
    ("screens/main.xml", 14, "off the panel's 122 x 32 pixels"),
    ("screens/broken.xml", 2, "<item> has no end tag"),
    ("screens/screens.xml", 4, 'warning: screen "Lonely" (lonely.xml) is not reached by any action'),
]


class Check(harness.Case):
    def test_one_error_of_each_kind(self):
        work = self.workdir(screens=BROKEN)
        work.use_driver()
        result = work.run("check")
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertEqual(result.stdout, "")
        lines = result.stderr.splitlines()
        for file, line, text in EXPECTED:
            prefix = f"{file}:{line}: "
            self.assertTrue(any(l.startswith(prefix) and text in l for l in lines), (prefix, text, lines))
        self.assertEqual(len(lines), len(EXPECTED) + 1, lines)
        self.assertRegex(lines[-1], r"^glancer: 3 screens, 9 items: 16 errors, 1 warnings$")
        self.assertFalse(os.path.exists(work.file("log.txt")))

    def test_demo_has_no_errors_and_dir_prefixes_the_files(self):
        work = self.workdir(plugins=("virtual", "system", "demo", "sensors"), screens=None)
        shutil.copytree(harness.EXAMPLES + "/screens", work.file("demo/screens"))
        for name in ("virtual", "system", "demo", "sensors"):
            shutil.copy(os.path.join(harness.PLUGINS, name + ".so"), work.file("demo"))
        work.run("use-driver", "Virtual display")
        result = work.run("check", "demo")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertRegex(result.stdout, r"^\d+ screens, \d+ items: 0 errors, 0 warnings\n$")

        os.remove(work.file("demo/screens/welcome.xml"))
        result = work.run("check", "demo")
        self.assertEqual(result.returncode, 1)
        self.assertIn("demo/screens/screens.xml:8: screen file \"welcome.xml\" cannot be read", result.stderr)


class Values(harness.Case):
    def test_every_value_and_picture(self):
        work = self.workdir()
        result = work.run("values")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.splitlines()[:2], ["text1  text  Hello", "int1  integer  42"])
        self.assertIn("img2  picture  4x4", result.stdout.splitlines())
        self.assertEqual(work.run("values", "TestData").stdout, result.stdout)

    def test_unknown_source(self):
        work = self.workdir()
        result = work.run("values", "Nope")
        self.assertEqual((result.returncode, result.stdout), (1, ""))
        self.assertEqual(result.stderr, 'glancer: no data source named "Nope"; data sources found: TestData.\n')


def screen(text, extra=""):
    return ('<screen><name>Main</name>\n'
            f'<item type="text" x="0" y="0"><fieldsize>5</fieldsize><refresh>50</refresh><textdata>{text}</textdata></item>\n'
            f"{extra}</screen>\n")


def save_by_rename(work, name, text):
    """What editors do: write a new file, rename it over the old one."""
    work.write("screens/" + name + ".new", text)
    os.rename(work.file("screens/" + name + ".new"), work.file("screens/" + name))


class Reload(harness.Case):
    def start(self, watch=True):
        work = self.workdir(screens={"screens.xml": harness.SCREENS["screens.xml"], "main.xml": screen("one")})
        if not watch:
            work.write("registry.reg", registry_text({"WatchScreens": 0}))
        work.use_driver()
        process = work.start()
        wait_for(lambda: "writeText 0 0 one  " in work.lines("driver_calls.txt"), "the first screen")
        return work, process

    def shows(self, work, text):
        return "writeText 0 0 " + text in work.lines("driver_calls.txt")

    def test_a_saved_screen_shows_within_a_second_and_a_broken_one_changes_nothing(self):
        work, process = self.start()
        self.assertIn("Watching the screens folder", work.log())
        saved = time.monotonic()
        save_by_rename(work, "main.xml", screen("two"))
        wait_for(lambda: self.shows(work, "two  "), "the saved screen", timeout=1)
        self.assertLess(time.monotonic() - saved, 1)
        self.assertIn("clear", work.lines("driver_calls.txt"))  # a full redraw
        self.assertIn("Screens reloaded: 1 screens", work.log())

        calls = len(work.lines("driver_calls.txt"))
        save_by_rename(work, "main.xml", '<screen><name>Main</name>\n<item type="text" x="0" y="0">\n</screen>\n')
        wait_for(lambda: any(l.startswith("Screens not reloaded") for l in work.log()), "the failed reload")
        self.assertIn("Screens not reloaded: screens/main.xml:2: <item> has no end tag", work.log())
        self.assertEqual(len(work.lines("driver_calls.txt")), calls)  # the panel is not touched

        save_by_rename(work, "main.xml", screen("three"))
        wait_for(lambda: self.shows(work, "three"), "the repaired screen")
        self.assertEqual(stop(process), (0, "", ""))

    def test_sighup_reloads_and_watching_can_be_turned_off(self):
        work, process = self.start(watch=False)
        self.assertIn("Screens folder not watched (WatchScreens is 0)", work.log())
        save_by_rename(work, "main.xml", screen("two"))
        process.send_signal(signal.SIGHUP)
        wait_for(lambda: self.shows(work, "two  "), "the screen SIGHUP reloads")
        self.assertIsNone(process.poll())
        self.assertEqual(stop(process), (0, "", ""))
        self.assertNotIn("DRIVER", work.read("registry.reg").replace('"DRIVER"="RecordDriver"', ""))

    def test_a_hundred_rapid_saves_make_few_reloads(self):
        work, process = self.start()
        for n in range(100):
            save_by_rename(work, "main.xml", screen(f"n{n:03}"))
        wait_for(lambda: self.shows(work, "n099 "), "the last save")
        reloads = sum(line.startswith("Screens reloaded") for line in work.log())
        self.assertLessEqual(reloads, 10)
        woke = harness.wakeups(process, 2)
        self.assertLess(sum(woke[1:]), 2, f"threads besides the refresh wake while nothing changes: {woke}")
        self.assertEqual(stop(process), (0, "", ""))

    def test_the_terminal_going_away_ends_the_program(self):
        work = self.workdir()
        work.use_driver()
        master, slave = pty.openpty()

        def take_terminal():
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)

        process = subprocess.Popen([harness.GLANCER], cwd=work.path, env=work.env, stdin=slave, stdout=slave,
                                   stderr=slave, start_new_session=True, preexec_fn=take_terminal)
        work.processes.append(process)
        os.close(slave)
        wait_for(lambda: "Watching the screens folder" in work.log(), "the start")
        process.send_signal(signal.SIGHUP)  # from kill: the terminal is still there
        wait_for(lambda: "Screens reloaded: 1 screens" in work.log(), "the reload")
        self.assertIsNone(process.poll())
        os.close(master)  # the terminal hangs up
        self.assertEqual(process.wait(timeout=harness.TIMEOUT), 0)
        self.assertEqual(work.log()[-1], "Glancer shutting down")


if __name__ == "__main__":
    harness.main()
