"""The subcommands: listing and choosing drivers, configuring plugins,
arguments, and the settings file in its various states."""
import os
import re
import stat

import harness
from harness import NO_DIALOG, RESTART, registry_text


class Arguments(harness.Case):
    def test_help_and_version(self):
        work = self.workdir(plugins=())
        for flag in ("--help", "-h"):
            result = work.run(flag)
            self.assertEqual(result.returncode, 0)
            self.assertIn("Usage: glancer", result.stdout)
            self.assertIn("use-driver NAME", result.stdout)
        result = work.run("--version")
        self.assertEqual(result.returncode, 0)
        self.assertRegex(result.stdout, r"^glancer \d+\.\d+\.\d+\n$")

    def test_bad_arguments_are_one_line_with_status_2(self):
        work = self.workdir()
        for args in (["--frobnicate"], ["drivers", "extra"], ["use-driver"], ["configure-source", "a", "b"]):
            result = work.run(*args)
            self.assertEqual(result.returncode, 2, args)
            self.assertEqual(result.stdout, "", args)
            self.assertRegex(result.stderr, r"^glancer: [^\n]+\n$", args)
        self.assertFalse(os.path.exists(work.file("log.txt")))
        self.assertFalse(os.path.exists(work.registry))


class Drivers(harness.Case):
    def test_choose_a_driver(self):
        work = self.workdir()
        result = work.run("drivers")
        self.assertEqual((result.returncode, result.stdout), (0, "  RecordDriver\n"))

        result = work.run("use-driver", "RecordDriver")
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, RESTART + "\n", ""))
        self.assertIn('"DRIVER"="RecordDriver"', work.read("registry.reg"))
        self.assertEqual(work.run("drivers").stdout, "* RecordDriver\n")
        # Listing and choosing never start a driver or touch the log.
        self.assertEqual(work.lines("driver_calls.txt"), ["release"] * 3)
        self.assertFalse(os.path.exists(work.file("log.txt")))

    def test_unknown_driver_stores_nothing(self):
        work = self.workdir()
        result = work.run("use-driver", "Nope")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, "")
        self.assertEqual(result.stderr, 'glancer: no display driver named "Nope"; drivers found: RecordDriver.\n')
        self.assertNotIn("DRIVER", work.read("registry.reg"))

        work.use_driver()
        before = work.read("registry.reg")
        self.assertEqual(work.run("use-driver", "").returncode, 1)
        self.assertEqual(work.read("registry.reg"), before)

    def test_letter_case(self):
        work = self.workdir()
        work.write("registry.reg", registry_text({"DRIVER": "recorddriver"}))
        # Marked like the dialog preselects it, with a hint that it is not used.
        result = work.run("drivers")
        self.assertEqual(result.stdout, "* RecordDriver\n")
        self.assertIn("letter case", result.stderr)
        # Choosing by another case stores the driver's own name.
        self.assertEqual(work.run("use-driver", "RECORDDRIVER").returncode, 0)
        self.assertIn('"DRIVER"="RecordDriver"', work.read("registry.reg"))
        self.assertEqual(work.run("drivers").stderr, "")

    def test_configure_driver(self):
        work = self.workdir()
        result = work.run("configure-driver", "RecordDriver")
        self.assertEqual((result.returncode, result.stdout), (0, NO_DIALOG + "\n"))
        self.assertEqual(work.lines("driver_calls.txt"), ["configure", "release"])

        work.write("registry.reg", registry_text({"HasDialog": 1}, "RecordDriver"))
        work.write("close_dialog.txt", "")  # the user closes it at once
        result = work.run("configure-driver", "RecordDriver")
        self.assertEqual((result.returncode, result.stdout), (0, ""))

        result = work.run("configure-driver", "Nope")
        self.assertEqual(result.returncode, 1)
        self.assertIn("RecordDriver", result.stderr)

    def test_plugins_may_be_symbolic_links(self):
        # The usual set-up links the installed plugins into the working directory.
        work = self.workdir(plugins=())
        os.symlink(os.path.join(harness.PLUGINS, "recorddriver.so"), work.file("recorddriver.so"))
        self.assertEqual(work.run("drivers").stdout, "  RecordDriver\n")

    def test_no_plugins(self):
        work = self.workdir(plugins=())
        result = work.run("drivers")
        self.assertEqual((result.returncode, result.stdout), (0, ""))
        self.assertRegex(result.stderr, r"^glancer: [^\n]+\n$")
        self.assertIn("drivers found: none", work.run("use-driver", "X").stderr)


class Sources(harness.Case):
    def test_list_and_configure(self):
        work = self.workdir(plugins=("testdata", "system", "recorddriver"))
        result = work.run("sources")
        self.assertEqual((result.returncode, result.stdout), (0, "System\nTestData\n"))

        # TestData shows a dialog of its own (logs only); System asks on the
        # terminal, where Enter or the end of input keeps the value.
        self.assertEqual(work.run("configure-source", "TestData").stdout, "")
        result = work.run("configure-source", "System", stdin="/tmp\n1\n")
        self.assertEqual(result.returncode, 0)
        self.assertIn("Disk to report (any path on it) [/]: ", result.stdout)
        self.assertIn("1 yes, 0 no (0..1) [0]: ", result.stdout)
        for stdin in ("\n", "", "\n2\n"):
            result = work.run("configure-source", "System", stdin=stdin)
            self.assertIn("[/tmp]: ", result.stdout)
        self.assertIn("Answer 0..1; it stays 1.", result.stdout)
        self.assertIn('"DiskPath"="/tmp"', work.read("registry.reg"))
        self.assertIn('"WatchLoad"=dword:00000001', work.read("registry.reg"))
        result = work.run("configure-source", "Nope")
        self.assertEqual(result.returncode, 1)
        self.assertIn("data sources found: System, TestData.", result.stderr)
        self.assertFalse(os.path.exists(work.file("log.txt")))


class SettingsFile(harness.Case):
    def test_missing_empty_and_corrupt_files(self):
        work = self.workdir()
        for content in (None, "", "\x00\xff garbage [HKEY_CURRENT_USER\\Software\\Glancer\n\"DRIVER\"=\n[[["):
            if content is not None:
                work.write("registry.reg", content)
            result = work.run("drivers")
            self.assertEqual((result.returncode, result.stdout), (0, "  RecordDriver\n"), repr(content))

        # Storing into a corrupt file either works or says it did not.
        result = work.run("use-driver", "RecordDriver")
        if result.returncode == 0:
            self.assertEqual(work.run("drivers").stdout, "* RecordDriver\n")
        else:
            self.assertEqual(result.returncode, 1)
            self.assertRegex(result.stderr, r"^glancer: [^\n]+\n$")

    def test_odd_but_valid_files_take_the_driver(self):
        # A line ending in a backslash (never swallowing the value stored
        # next), and a blank line before the header.
        for content in ('REGEDIT4\n"\\', '\nREGEDIT4\n[HKEY_CURRENT_USER\\Software\\Glancer]\n"x"=hex:01,\\',
                        'REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Glancer]\n@="a\\\n'):
            work = self.workdir()
            work.write("registry.reg", content)
            self.assertEqual(work.run("use-driver", "RecordDriver").returncode, 0, repr(content))
            self.assertEqual(work.run("drivers").stdout, "* RecordDriver\n", repr(content))
            self.assertFalse(os.path.exists(work.file("registry.reg.corrupt")), repr(content))

    def test_unwritable_file(self):
        work = self.workdir()
        work.write("not-a-directory", "")
        work.env["GLANCER_REGISTRY"] = work.file("not-a-directory/registry.reg")
        result = work.run("use-driver", "RecordDriver")
        self.assertEqual((result.returncode, result.stdout), (1, ""))
        self.assertRegex(result.stderr, r"^glancer: could not store [^\n]+\n$")

        if os.geteuid() != 0:  # root writes read-only files anyway
            work.env["GLANCER_REGISTRY"] = work.registry
            work.write("registry.reg", registry_text({"DRIVER": "Old"}))
            os.chmod(work.registry, stat.S_IRUSR)
            self.assertEqual(work.run("use-driver", "RecordDriver").returncode, 1)
            self.assertIn('"DRIVER"="Old"', work.read("registry.reg"))

    def test_xdg_config_home(self):
        work = self.workdir()
        del work.env["GLANCER_REGISTRY"]
        work.env["XDG_CONFIG_HOME"] = work.file("config")
        work.use_driver()
        self.assertTrue(re.search(r'"DRIVER"="RecordDriver"', work.read("config/glancer/registry.reg")))


if __name__ == "__main__":
    harness.main()
