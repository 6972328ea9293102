"""Exit while a data source calls the services from the refresh thread and
from a thread of its own: every run ends promptly and completely."""
import os
import time

from wineharness import WineTestCase


class ExitTest(WineTestCase):
    def test_twenty_busy_runs_each_exit_within_five_seconds(self):
        workdir = self.workdir(["recorddriver", "testdata"])  # its screen shows the counter "ctext"
        open(os.path.join(workdir, "busy.txt"), "w").close()
        slowest = 0.0
        for run_number in range(20):
            with self.subTest(run=run_number):
                if os.path.exists(os.path.join(workdir, "log.txt")):
                    os.remove(os.path.join(workdir, "log.txt"))
                run = self.start(driver="RecordDriver", workdir=workdir)
                run.wait_log("TestData getValue")
                began = time.monotonic()
                run.command(32769)
                self.assertEqual(run.process.wait(timeout=5), 0)
                slowest = max(slowest, time.monotonic() - began)
                self.assertEqual(run.log()[-1], "Glancer shutting down")
        print("slowest exit: %.2f s" % slowest)
