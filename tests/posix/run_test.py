"""The program running in its working directory: drawing, the stop
signals, what it says when it cannot start, several instances, and the
demo screens with the plugins we ship."""
import os
import shutil
import signal
import time

import harness
import panel
from harness import registry_text, stop, wait_for

FAREWELL = ["clear", "prepareShutdown", "writeText 0 0 Good Bye!", "shutdown", "release"]


def drew_hello(work):
    return lambda: "writeText 0 0 hello" in work.lines("driver_calls.txt")


class Running(harness.Case):
    def test_without_a_driver_it_says_why_and_waits(self):
        for setting, shown in ((None, "DRIVER is not set"), ("Nope", 'DRIVER is "Nope"')):
            with self.subTest(setting=setting):
                work = self.workdir()
                if setting:
                    work.write("registry.reg", registry_text({"DRIVER": setting}))
                process = work.start()
                wait_for(lambda: "Factory added: graph" in work.log(), "start-up")
                time.sleep(0.5)
                self.assertIsNone(process.poll(), "it must stay up")
                status, out, err = stop(process)
                self.assertEqual((status, out), (0, ""))
                self.assertEqual(err, f"glancer: no display driver selected ({shown}); drivers found: "
                                      'RecordDriver. Run "glancer use-driver NAME".\n')
                self.assertEqual(work.lines("driver_calls.txt"), ["release"])
                log = work.log()
                self.assertLess(log.index("Error releasing display driver"), log.index("Glancer shutting down"))

    def test_without_screens_it_says_so(self):
        work = self.workdir(screens=None)
        work.use_driver()
        process = work.start()
        wait_for(lambda: "DRIVER: RecordDriver" in work.log() or "Factory added: graph" in work.log(), "start-up")
        time.sleep(0.3)
        status, out, err = stop(process)
        self.assertEqual((status, err), (0, "glancer: no screens found in screens/screens.xml\n"))

    def test_subcommands_leave_a_running_log_alone(self):
        work = self.workdir()
        work.use_driver()
        process = work.start()
        wait_for(drew_hello(work), "the first screen")
        inode, before = os.stat(work.file("log.txt")).st_ino, work.read("log.txt")
        for args in (["drivers"], ["sources"], ["use-driver", "RecordDriver"], ["--bogus"]):
            work.run(*args)
        self.assertEqual(os.stat(work.file("log.txt")).st_ino, inode)
        self.assertTrue(work.read("log.txt").startswith(before))
        self.assertEqual(stop(process)[0], 0)
        self.assertEqual(work.log()[-1], "Glancer shutting down")

    def test_two_instances_in_one_directory_both_run(self):
        work = self.workdir()
        work.use_driver()
        first = work.start()
        wait_for(drew_hello(work), "the first instance")
        second = work.start()
        wait_for(lambda: work.lines("driver_calls.txt").count("init") == 2, "the second instance")
        wait_for(lambda: work.lines("driver_calls.txt").count("writeText 0 0 hello") == 2, "its first screen")
        self.assertIsNone(first.poll())
        self.assertEqual(stop(second)[0], 0)
        self.assertEqual(stop(first)[0], 0)
        self.assertEqual(work.lines("driver_calls.txt").count("writeText 0 0 Good Bye!"), 2)


# A counter read on every tick by a data source that calls the services from
# its getValue and from a thread of its own ("busy.txt").
BUSY_SCREENS = {
    "screens.xml": harness.SCREENS["screens.xml"],
    "main.xml": '<screen><name>Main</name>\n<item type="plugintext" x="0" y="0"><fieldsize>9</fieldsize>'
                "<refresh>50</refresh><varid>ctext</varid></item>\n</screen>\n",
}


class Exit(harness.Case):
    def test_twenty_busy_runs_each_shut_down_fully_and_promptly(self):
        """Every stop signal ends the process in time with the whole shutdown
        done, although the plugin keeps calling in from two threads until then."""
        work = self.workdir(screens=BUSY_SCREENS)
        work.use_driver()
        work.write("busy.txt", "")
        slowest = 0.0
        for run in range(20):
            sig = (signal.SIGTERM, signal.SIGINT)[run % 2]
            with self.subTest(run=run, signal=sig.name):
                if os.path.exists(work.file("log.txt")):
                    os.remove(work.file("log.txt"))
                process = work.start()
                wait_for(lambda: "TestData getValue" in work.log(), "values through the busy plugin")
                began = time.monotonic()
                process.send_signal(sig)
                out, err = process.communicate(timeout=5)
                slowest = max(slowest, time.monotonic() - began)
                self.assertEqual((process.returncode, out, err), (0, "", ""))
                self.assertEqual(work.lines("driver_calls.txt")[-len(FAREWELL):], FAREWELL)
                log = work.log()
                self.assertEqual(log[:2], ["-" * 44, "Glancer starting"])
                self.assertEqual(log[-3:], ["IData released", "IDisplayDriver released", "Glancer shutting down"])
        print("slowest exit: %.2f s" % slowest)


class Demo(harness.Case):
    def test_demo_screens_with_the_shipped_plugins(self):
        work = self.workdir(plugins=("virtual", "system", "demo", "sensors"), screens=None)
        shutil.copytree(os.path.join(harness.EXAMPLES, "screens"), work.file("screens"))
        snapshot = work.file("panel.pbm")
        self.assertIn("Pixel width (1..1024) [122]: ", work.run("configure-driver", "Virtual display").stdout)
        work.write("registry.reg", registry_text({"DRIVER": "Virtual display"}) + "\n" +
                   registry_text({"XChars": 24, "Snapshot": snapshot}, "VirtualDisplay").split("\n", 2)[2])

        def lit():
            pixels = panel.read_pbm(snapshot) if os.path.exists(snapshot) else None
            return sum(map(sum, pixels)) if pixels else 0

        process = work.start()
        wait_for(lambda: lit() > 0, "the demo on the panel")
        status, out, err = stop(process)
        self.assertEqual((status, out, err), (0, "", ""))  # stdout is no terminal: nothing drawn there

        log = work.log()
        self.assertIn("Driver X chars   : 24", log)
        self.assertIn("Driver X pixels  : 122", log)
        problems = [line for line in log if line.startswith(("DISCARD ITEM ", "Unknown parameter:"))
                    or "error" in line.lower() or " not found: " in line]
        self.assertEqual(problems, [])
        panel.load_font()
        self.assertEqual(panel.find_text(panel.read_pbm(snapshot), "Good Bye!"), (0, 0))


if __name__ == "__main__":
    harness.main()
