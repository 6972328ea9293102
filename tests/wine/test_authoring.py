"""Authoring under Wine: a saved screen file is shown without a restart,
and glancer.exe check reports on the console it was started from."""
import os
import subprocess

from wineharness import CONFIG, MAIN_XML, WineTestCase, reg_set


def save_by_rename(workdir, name, text):
    """What editors do: write a new file, rename it over the old one."""
    path = os.path.join(workdir, "screens", name)
    with open(path + ".new", "w") as f:
        f.write(text)
    os.replace(path + ".new", path)


class AuthoringTest(WineTestCase):
    def test_a_saved_screen_is_reloaded_by_watching(self):
        run = self.start(["recorddriver", "testdata"], driver="RecordDriver")
        run.wait_file("driver_calls.txt", "writeText 0 0 Hello")
        self.assertIn("Watching the screens folder", run.log())
        save_by_rename(run.workdir, "main.xml", MAIN_XML.replace("Hello", "Saved"))
        run.wait_file("driver_calls.txt", "writeText 0 0 Saved")
        self.assertIn("Screens reloaded: 1 screens", run.log())

        save_by_rename(run.workdir, "main.xml", "<screen>\n<item>\n</screen>\n")
        run.wait_log("Screens not reloaded: screens/main.xml:2: <item> has no end tag")
        self.assertEqual(run.exit(), 0)
        self.assert_clean_shutdown(run)

    def test_watching_can_be_turned_off(self):
        reg_set(self.desktop, "WatchScreens", "REG_DWORD", "0")
        run = self.start(["recorddriver", "testdata"], driver="RecordDriver")
        run.wait_log("Screens folder not watched (WatchScreens is 0)")
        self.assertEqual(run.exit(), 0)

    def test_check_writes_to_the_console(self):
        workdir = self.workdir(["recorddriver", "testdata"])
        reg_set(self.desktop, "DRIVER", "REG_SZ", "RecordDriver")
        result = subprocess.run(["wine", CONFIG["glancer"], "check"], cwd=workdir, env=self.desktop.env,
                                capture_output=True, text=True, errors="replace", timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("1 screens, 2 items: 0 errors, 0 warnings", result.stdout)
        save_by_rename(workdir, "main.xml", MAIN_XML.replace("ctext", "nothing"))
        result = subprocess.run(["wine", CONFIG["glancer"], "check"], cwd=workdir, env=self.desktop.env,
                                capture_output=True, text=True, errors="replace", timeout=120)
        self.assertEqual(result.returncode, 1)
        self.assertIn("screens/main.xml:9: Variable ID not found: nothing", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(workdir, "log.txt")))
