"""The driver dialog and the plugin dialog, driven through their controls."""
import os

from wineharness import WineTestCase, reg_get, reg_set, wait_until

SELECT_DRIVER, CONFIGURE_PLUGINS = 32770, 32774
OK, CANCEL, COMBO, CONFIGURE, LIST = 1, 2, 1000, 1001, 1002
RESTART = "Please restart Glancer for the new settings to take effect."
NO_CONFIGURATION = "No configuration dialog available."


def selection(line):
    """(selected index, item texts) of a combo or list box line."""
    sel = int(line.split(" sel=")[1].split()[0])
    items = line.split(" items=", 1)[1]
    return sel, items.split("|") if items else []


class DriverDialogTest(WineTestCase):
    def open_dialog(self, run):
        run.command(SELECT_DRIVER)
        return self.desktop.wait_window("Display driver")

    def test_preselects_ignoring_case_and_stores_the_selection_on_ok(self):
        run = self.start(["recorddriver", "wineprobe"], driver="recorddriver")
        dialog = self.open_dialog(run)
        controls = self.desktop.controls(dialog)
        self.assertIn("text=Configure", controls[CONFIGURE])
        sel, items = selection(controls[COMBO])
        self.assertEqual(sorted(items), ["RecordDriver", "TrayProbe"])
        self.assertEqual(items[sel], "RecordDriver")

        self.desktop.control("select-text", dialog, COMBO, "TrayProbe")
        self.desktop.control("click", dialog, OK)
        self.assertEqual(self.desktop.message_box("Restart Glancer"), RESTART)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual(reg_get(self.desktop, "DRIVER"), "TrayProbe")

        # OK with nothing selected stores an empty name.
        dialog = self.open_dialog(run)
        sel, items = selection(self.desktop.controls(dialog)[COMBO])
        self.assertEqual(items[sel], "TrayProbe")
        self.desktop.control("select", dialog, COMBO, -1)
        self.desktop.control("click", dialog, OK)
        self.assertEqual(self.desktop.message_box("Restart Glancer"), RESTART)
        self.desktop.control("wait-gone", dialog, 10000)
        wait_until(lambda: reg_get(self.desktop, "DRIVER") == "", "the empty driver name in the registry")

        # Cancel stores nothing and says nothing.
        dialog = self.open_dialog(run)
        self.assertEqual(selection(self.desktop.controls(dialog)[COMBO])[0], -1)
        self.desktop.control("select-text", dialog, COMBO, "RecordDriver")
        self.desktop.control("click", dialog, CANCEL)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual(self.desktop.count("Restart Glancer"), 0)
        self.assertEqual(reg_get(self.desktop, "DRIVER"), "")

        # The setting differed in case, so the driver was never started.
        self.assertEqual(run.exit(), 0)
        self.assertNotIn("init", run.read("driver_calls.txt").splitlines())
        self.assert_clean_shutdown(run, released_driver=False)

    def test_preselection_folds_letters_beyond_ascii_like_the_combo_box(self):
        workdir = self.workdir(["accentdriver"])
        reg_file = os.path.join(workdir, "driver.reg")
        with open(reg_file, "w", encoding="utf-16") as f:
            f.write('Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Glancer]\r\n'
                    '"DRIVER"="acc\u00e9nt"\r\n')
        self.desktop.run("reg", "import", "Z:" + reg_file.replace("/", "\\"))
        run = self.start(workdir=workdir)
        dialog = self.open_dialog(run)
        sel, items = selection(self.desktop.controls(dialog)[COMBO])
        self.assertEqual((sel, len(items)), (0, 1))
        self.desktop.control("click", dialog, CANCEL)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual(run.exit(), 0)

    def test_configure_opens_the_driver_dialog_or_says_there_is_none(self):
        run = self.start(["recorddriver", "wineprobe", "testdata"], driver="RecordDriver")
        run.wait_file("driver_calls.txt", "writeText 0 0 Hello")
        dialog = self.open_dialog(run)

        self.desktop.control("click", dialog, CONFIGURE)
        self.assertEqual(self.desktop.message_box("No configuration"), NO_CONFIGURATION)
        self.assertIn("configure", run.read("driver_calls.txt").splitlines())

        # A driver dialog that stays open blocks only the main thread: ticks keep drawing.
        reg_set(self.desktop, "HasDialog", "REG_DWORD", "1", key=r"HKCU\Software\Glancer\RecordDriver")
        self.desktop.control("click", dialog, CONFIGURE)
        run.wait_log("RecordDriver configure")

        def drawn_during_configure():
            calls = run.read("driver_calls.txt").splitlines()
            since = calls[len(calls) - calls[::-1].index("configure"):]
            return sum(line.startswith("writeText 0 1 count") for line in since)
        wait_until(lambda: drawn_during_configure() >= 3, "the display to refresh while configure runs")
        self.assertNotIn("RecordDriver configure done", run.log())
        open(os.path.join(run.workdir, "close_dialog.txt"), "w").close()
        run.wait_log("RecordDriver configure done")

        for choice in ("TrayProbe", None):
            if choice is None:
                self.desktop.control("select", dialog, COMBO, -1)
            else:
                self.desktop.control("select-text", dialog, COMBO, choice)
            self.desktop.control("click", dialog, CONFIGURE)
            self.assertEqual(self.desktop.message_box("No configuration"), NO_CONFIGURATION)
        self.assertEqual(self.desktop.control("wait-gone", dialog, 500, check=False)["_rc"], 1, "dialog closed by Configure")

        self.desktop.control("click", dialog, CANCEL)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual(reg_get(self.desktop, "DRIVER"), "RecordDriver")
        self.assertEqual(run.exit(), 0)
        self.assert_clean_shutdown(run)


class PluginDialogTest(WineTestCase):
    def test_lists_data_sources_sorted_and_configures_by_exact_name(self):
        run = self.start(["recorddriver", "testdata", "catdata"], driver="RecordDriver")
        run.command(CONFIGURE_PLUGINS)
        dialog = self.desktop.wait_window("Dialog")
        sel, items = selection(self.desktop.controls(dialog)[LIST])
        self.assertEqual((sel, items), (-1, ["CatA", "CatalogueSourceThree", "CatB", "TestData"]))

        self.desktop.control("click", dialog, CONFIGURE)
        self.assertEqual(self.desktop.message_box("No configuration"), NO_CONFIGURATION)
        self.desktop.control("select-text", dialog, LIST, "CatB")
        self.desktop.control("click", dialog, CONFIGURE)
        self.assertEqual(self.desktop.message_box("No configuration"), NO_CONFIGURATION)
        self.assertIn("CatB configure", run.log())

        for name, line in (("CatA", "CatA configure"), ("TestData", "TestData configure")):
            self.desktop.control("select-text", dialog, LIST, name)
            self.desktop.control("click", dialog, CONFIGURE)
            run.wait_log(line)
        self.assertEqual(self.desktop.count("No configuration"), 0)

        self.desktop.control("click", dialog, OK)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual(run.exit(), 0)
        self.assert_clean_shutdown(run)
