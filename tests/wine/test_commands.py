"""The Commands data source under Wine: cmd /c without a window, a command
that never ends killed with its job at the timeout, and the dialog."""
from wineharness import WineTestCase, reg_get, reg_set, screen, screen_files, value_rows, wait_until

OK = 1
ENTRY_LIST, ID, COMMAND, INTERVAL, TIMEOUT, TYPE, ADD, UPDATE, REMOVE = 100, 101, 102, 103, 104, 105, 110, 111, 112
KEY = r"HKCU\Software\Glancer\Commands"


class CommandsTest(WineTestCase):
    def set_commands(self, entries, interval=1000):
        for number, (name, command, timeout) in enumerate(entries, 1):
            for value, kind, data in (("Id", "REG_SZ", name), ("Command", "REG_SZ", command),
                                      ("Interval", "REG_DWORD", str(interval)), ("Timeout", "REG_DWORD", str(timeout))):
                reg_set(self.desktop, value, kind, data, key=f"{KEY}\\{number}")

    def test_runs_commands_and_kills_one_that_never_ends(self):
        self.set_commands([("Ok", "echo hello& echo more", 5000), ("Spin", "for /l %i in (1,0,2) do @rem", 1000),
                           ("Missing", "nosuchcommand", 5000)], interval=3000)
        items = value_rows(["Command.Ok", "Command.Spin"], 8, 100)
        path = self.workdir(["recorddriver", "command"], screens=screen_files(s=screen("S", items)))
        run = self.start(driver="RecordDriver", workdir=path)
        run.wait_file("driver_calls.txt", "writeText 0 0 hello")
        run.wait_log("Commands: Command.Spin was killed after its timeout of 1000 ms; keeping its last value")
        wait_until(lambda: any(line.startswith("Commands: Command.Missing exited with status ") for line in run.log()),
                   "the missing command's failure")
        run.wait_file("driver_calls.txt", "writeText 0 1 ?")
        self.assertEqual(run.exit(), 0)
        self.assert_clean_shutdown(run)

    def test_dialog_adds_refuses_and_removes_entries(self):
        self.set_commands([("A", "echo a", 1000), ("B", "echo b", 1000)])
        run = self.start(["recorddriver", "command"], driver="RecordDriver")
        plugins, dialog = self.configure_source(run, "Commands")
        for control, text in ((ID, "C"), (COMMAND, "echo 3"), (INTERVAL, "0"), (TIMEOUT, "2000"), (TYPE, "integer")):
            self.desktop.control("settext", dialog, control, text)
        self.desktop.control("click", dialog, ADD)
        self.assertEqual(self.desktop.message_box("Invalid setting"),
                         "This command Interval must be 1..86400000 ms.")
        self.desktop.control("settext", dialog, INTERVAL, "1000")
        self.desktop.control("click", dialog, ADD)
        # The click is posted and the selection sent, which would overtake it.
        wait_until(lambda: self.desktop.controls(dialog)[ENTRY_LIST].count("|") == 2, "the added entry")
        self.desktop.control("select", dialog, ENTRY_LIST, 0)
        self.desktop.control("click", dialog, REMOVE)
        self.desktop.control("click", dialog, OK)
        self.desktop.control("wait-gone", dialog, 10000)
        self.assertEqual([reg_get(self.desktop, "Id", f"{KEY}\\{n}") for n in (1, 2, 3)], ["B", "C", None])
        self.desktop.control("click", plugins, OK)
        self.desktop.control("wait-gone", plugins, 10000)
        self.assertEqual(run.exit(), 0)
