"""The tray program's life: start-up, drawing, the tray icon, its menu and
the ways to end it."""
from wineharness import WineTestCase, wait_until

EXIT, SELECT_DRIVER, ABOUT, LOAD_GUI, EDIT_SCREENS, CONFIGURE_PLUGINS = 32769, 32770, 32771, 32772, 32773, 32774
WM_CLOSE, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_CONTEXTMENU, WM_RBUTTONDOWN = 16, 512, 513, 514, 123, 516
TRAY_MESSAGE = 1025
VK_RETURN, VK_ESCAPE, VK_UP = 13, 27, 38


class ShellTest(WineTestCase):
    def test_draws_while_menu_boxes_are_open_and_exit_shuts_down_in_order(self):
        run = self.start(["recorddriver", "testdata"], driver="RecordDriver")
        self.assertTrue(self.desktop.windows()[run.hwnd], "tray icon missing")
        run.wait_file("driver_calls.txt", "writeText 0 0 Hello")

        # The About box is modal to the main thread only: ticks keep drawing.
        run.command(ABOUT)
        box = self.desktop.wait_window("About Glancer")
        text = self.desktop.control("text", box)["text"]
        self.assertRegex(text, r"^Glancer \d+\.\d+\.\d+ \(64-bit\)")
        drawn = run.read("driver_calls.txt").count("writeText 0 1 count")
        wait_until(lambda: run.read("driver_calls.txt").count("writeText 0 1 count") > drawn + 3,
                   "the display to refresh while the About box is open")
        self.desktop.control("click", box, 1)

        self.assertEqual(run.exit(), 0)
        self.assertEqual(self.desktop.control("wait-gone", run.hwnd, 5000)["_rc"], 0)
        self.assert_clean_shutdown(run)
        log = run.log()
        self.assertIn("IData released", log)
        self.assertLess(log.index("IData released"), log.index("IDisplayDriver released"))
        calls = run.read("driver_calls.txt").splitlines()
        self.assertEqual(calls[-5:], ["clear", "prepareShutdown", "writeText 0 0 Good Bye!", "shutdown", "release"])

    def test_tray_icon_exists_from_before_init_until_before_shutdown(self):
        run = self.start(["wineprobe", "catdata"], driver="TrayProbe")
        run.wait_log("TrayProbe: tray icon present at init")
        self.assertTrue(self.desktop.windows()[run.hwnd])
        # A restarted shell has lost the icon; its broadcast makes the program add it again.
        self.desktop.control("drop-icon", run.hwnd)
        self.assertFalse(self.desktop.windows()[run.hwnd])
        self.desktop.control("taskbar-created", run.hwnd)
        wait_until(lambda: self.desktop.windows()[run.hwnd], "the tray icon to come back")
        run.post(WM_CLOSE)  # closing the window ends the program like Exit
        self.assertEqual(run.wait_exit(), 0)
        log = run.log()
        self.assertIn("TrayProbe: tray icon deleted", log)
        self.assertIn("TrayProbe: tray icon absent at shutdown", log)
        self.assertLess(log.index("TrayProbe: tray icon deleted"), log.index("TrayProbe: tray icon absent at shutdown"))
        self.assertLess(log.index("TrayProbe: tray icon deleted"), log.index("IData released"))
        self.assert_clean_shutdown(run)

    def test_only_right_click_or_context_menu_opens_the_menu_in_its_order(self):
        run = self.start(["recorddriver"], driver="RecordDriver")
        for event in (WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP):
            run.post(TRAY_MESSAGE, 103, event)
        run.post(WM_LBUTTONDOWN)
        # A command posted after them is handled after them: no menu opened.
        run.command(ABOUT)
        self.desktop.message_box("About Glancer")
        self.assertEqual(self.desktop.count("", "#32768"), 0)

        run.post(TRAY_MESSAGE, 103, WM_RBUTTONDOWN)
        menu = self.desktop.wait_window("", "#32768")
        self.desktop.control("key", menu, VK_ESCAPE)
        self.desktop.control("wait-gone", menu, 10000)

        # From the bottom: "Exit", then "About".
        run.post(TRAY_MESSAGE, 103, WM_CONTEXTMENU)
        menu = self.desktop.wait_window("", "#32768")
        for key in (VK_UP, VK_UP, VK_RETURN):
            self.desktop.control("key", menu, key)
        self.desktop.message_box("About Glancer")

        run.post(TRAY_MESSAGE, 103, WM_RBUTTONDOWN)
        menu = self.desktop.wait_window("", "#32768")
        for key in (VK_UP, VK_RETURN):
            self.desktop.control("key", menu, key)
        self.assertEqual(run.wait_exit(), 0)
        self.assert_clean_shutdown(run)

    def test_load_gui_shows_the_plugin_interface_or_says_there_is_none(self):
        run = self.start(["recorddriver"], driver="RecordDriver")
        run.command(LOAD_GUI)
        self.assertEqual(self.desktop.message_box("Error"), "GUI not available! (Not implemented yet)")
        self.assertEqual(run.exit(), 0)

        run = self.start(["recorddriver", "testui"])
        run.command(LOAD_GUI)
        run.wait_file("ui_shown.txt", "show 1")
        run.command(ABOUT)  # handled after Load GUI: no error box came first
        self.desktop.wait_window("About Glancer")
        self.assertEqual(self.desktop.count("Error"), 0)
        self.desktop.message_box("About Glancer")
        self.assertEqual(run.exit(), 0)
        self.assertIn("TestUI show 1", run.log())
