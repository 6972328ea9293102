"""Instances and start-up without a usable driver."""
from wineharness import WineTestCase, reg_get, reg_set, wait_until

SELECT_DRIVER, CONFIGURE_PLUGINS = 32770, 32774


class InstancesTest(WineTestCase):
    def test_a_second_instance_runs_independently(self):
        reg_set(self.desktop, "DRIVER", "REG_SZ", "RecordDriver")
        first = self.start(["recorddriver", "testdata"])
        second = self.start(["recorddriver", "testdata"])
        self.assertNotEqual(first.hwnd, second.hwnd)
        windows = self.desktop.windows()
        self.assertTrue(windows[first.hwnd] and windows[second.hwnd], "each instance has its own tray icon")
        for run in (first, second):
            run.wait_file("driver_calls.txt", "writeText 0 0 Hello")

        self.assertEqual(first.exit(), 0)
        self.assert_clean_shutdown(first)
        drawn = second.read("driver_calls.txt").count("count")
        wait_until(lambda: second.read("driver_calls.txt").count("count") > drawn + 3, "the second to keep drawing")
        self.assertTrue(self.desktop.windows()[second.hwnd])
        self.assertNotIn("Glancer shutting down", second.log())
        self.assertEqual(second.exit(), 0)
        self.assert_clean_shutdown(second)


class IdleTest(WineTestCase):
    def test_without_plugins_the_program_stays_in_the_tray(self):
        run = self.start([])
        run.wait_log("No plugin .DLL files found.")
        run.command(CONFIGURE_PLUGINS)
        dialog = self.desktop.wait_window("Dialog")
        self.assertIn("sel=-1 items=", self.desktop.controls(dialog)[1002])
        self.assertTrue(self.desktop.controls(dialog)[1002].endswith("items="))
        self.desktop.control("click", dialog, 1001)
        self.assertEqual(self.desktop.message_box("No configuration"), "No configuration dialog available.")
        self.desktop.control("click", dialog, 2)
        self.assertTrue(self.desktop.windows()[run.hwnd])
        self.assertEqual(run.exit(), 0)
        self.assert_clean_shutdown(run, released_driver=False)
        log = run.log()
        self.assertLess(log.index("Error releasing display driver"), log.index("Glancer shutting down"))
        self.assertEqual(run.read("driver_calls.txt"), "")

    def test_a_driver_setting_of_another_type_or_overlong_selects_nothing(self):
        for kind, data in (("REG_DWORD", "1"), ("REG_BINARY", "52" * 300), ("REG_SZ", "R" * 300)):
            with self.subTest(kind=kind):
                reg_set(self.desktop, "DRIVER", kind, data)
                run = self.start(["recorddriver"])
                run.command(SELECT_DRIVER)
                dialog = self.desktop.wait_window("Display driver")
                self.assertIn(" sel=-1 items=RecordDriver", self.desktop.controls(dialog)[1000])
                self.desktop.control("click", dialog, 2)
                self.desktop.control("wait-gone", dialog, 10000)
                self.assertEqual(run.exit(), 0)
                self.assert_clean_shutdown(run, released_driver=False)
                self.assertIn("DRIVER: RecordDriver", run.log())
                self.assertIsNotNone(reg_get(self.desktop, "DRIVER"))
