"""The Commands data source run by the real program with real child
processes: values, failures, a hang killed at its timeout while the
display keeps refreshing, and refused settings."""
import os
import re
import time

import harness
from harness import stop, wait_for

# id: (command, type, interval ms, timeout ms); the test makes "hang" to
# turn Hang into a command that never ends, with a grandchild of its own.
COMMANDS = {
    "Fast": ("date +%s%N", "text", 50, 1000),
    "Int": ("echo ' +42 '", "integer", 200, 1000),
    "Dbl": ("printf '21.5\\r\\nmore'", "double", 200, 1000),
    "Empty": ("true", "text", 200, 1000),
    "Binary": ("printf 'a\\001b\\000c\\n'", "text", 200, 1000),
    "Big": ("head -c 10485760 /dev/zero | tr '\\0' 7", "text", 200, 5000),
    "Lines": ("yes 0123456789 | head -c 10485760", "text", 200, 5000),
    "Exit": ("echo 5; exit 3", "integer", 200, 1000),
    "Missing": ("no-such-command-here", "text", 200, 1000),
    "Word": ("echo abc", "double", 200, 1000),
    "Hang": ("if [ -e hang ]; then (sleep 1000; echo late) & echo $! > grandchild; wait; fi; echo ok",
             "text", 100, 1500),
}
# Refused entries between the good ones: each gets its own log line.
BAD = [
    ({"Command": "echo x", "Type": "text"}, "Commands\\{n} has no Id; skipped"),
    ({"Id": "Fast", "Command": "echo x"}, 'Commands\\{n} Id "Fast" is used twice; skipped'),
    ({"Id": "Zero", "Command": "echo x", "Interval": 0}, "Commands\\{n} Interval must be 1..86400000 ms; skipped"),
    ({"Id": "Kind", "Command": "echo x", "Type": "colour"},
     'Commands\\{n} Type "colour" is not text, integer or double; skipped'),
]


def settings_text():
    sections = [{"Id": i, "Command": c.replace("\\", "\\\\"), "Type": t, "Interval": str(n) if i == "Int" else n, "Timeout": m}
                for i, (c, t, n, m) in COMMANDS.items()]
    for index, (values, _) in enumerate(BAD):
        sections.insert(2 * index + 1, values)
    text = harness.registry_text({"DRIVER": "RecordDriver"})
    text += "\n" + harness.registry_text({"XChars": 40, "YChars": 16}, "RecordDriver").split("\n", 2)[2]
    for number, values in enumerate(sections, 1):
        text += "\n" + harness.registry_text(values, f"Commands\\{number}").split("\n", 2)[2]
    lines = [BAD[i][1].format(n=2 * i + 2) for i in range(len(BAD))]
    return text, lines


class Commands(harness.Case):
    def test_values_failures_and_a_hang_killed_while_the_display_refreshes(self):
        names = list(COMMANDS)
        items = harness.value_rows(["Command." + name for name in names], 30, 50)
        work = self.workdir(plugins=("recorddriver", "command"),
                            screens=harness.screen_files(s=harness.screen("S", items)))
        registry, refused = settings_text()
        work.write("registry.reg", registry)

        def shown():
            latest, counts = {}, {}
            for line in work.lines("driver_calls.txt"):
                match = re.match(r"writeText 0 (\d+) (.*)$", line)
                if match:
                    name = names[int(match.group(1))]
                    latest[name] = match.group(2).rstrip()
                    counts[name] = counts.get(name, 0) + 1
            return latest, counts

        process = work.start()
        wait_for(lambda: shown()[0].get("Hang") == "ok" and shown()[0].get("Big", "").startswith("7"),
                 "the first values")
        log = work.log()
        for line in refused:
            self.assertIn("Commands: " + line, log)

        work.write("hang", "")
        wait_for(lambda: os.path.exists(work.file("grandchild")), "the hanging run")
        hung_at, before = time.monotonic(), shown()[1].get("Fast", 0)
        wait_for(lambda: shown()[0].get("Hang") == "ok?", "the hanging command's stale value")
        # The hang took its whole timeout; Fast went on changing meanwhile.
        self.assertGreaterEqual(time.monotonic() - hung_at, 1.0)
        self.assertGreater(shown()[1]["Fast"] - before, 5)
        grandchild = int(work.read("grandchild"))
        wait_for(lambda: not os.path.exists(f"/proc/{grandchild}"), "the grandchild's end")
        os.remove(work.file("hang"))
        wait_for(lambda: shown()[0].get("Hang") == "ok", "the value after the hang")

        latest = shown()[0]
        self.assertEqual(stop(process)[0], 0)
        self.assertEqual(latest["Int"], "42")
        self.assertEqual(latest["Dbl"], "21.5")
        self.assertEqual((latest["Empty"], latest["Binary"]), ("", "a?b?c"))
        self.assertEqual((latest["Big"], latest["Lines"]), ("7" * 30, "0123456789"))
        self.assertEqual((latest["Exit"], latest["Missing"], latest["Word"]), ("0", "?", "0"))
        log = work.log()
        for line in ["Command.Exit exited with status 3", "Command.Missing exited with status 127",
                     'Command.Word printed "abc", not a number', "Command.Hang was killed after its timeout of 1500 ms"]:
            self.assertIn(f"Commands: {line}; keeping its last value", log)
        self.assertIn("Commands: Command.Hang works again", log)
        self.assertEqual(sum(line.startswith("Commands: Command.Exit") for line in log), 1)  # once, not every run

    def test_configure_source_adds_changes_and_removes_entries(self):
        work = self.workdir(plugins=("command",), screens=None)
        work.write("registry.reg", "".join(harness.registry_text({"Id": name, "Command": "true"}, f"Commands\\{n}")
                                           for n, name in enumerate(["A", "B", "C"], 1)))
        # Remove A; rename C (now 2) to D; add E, first with an interval "x".
        answers = "-1\n2\nD\n\n\n\n\na\nE\necho 7\nx\n100\ninteger\nE\n\n10\n\n\n\n"
        result = work.run("configure-source", "Commands", stdin=answers)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("Interval must be 1..86400000 ms; please try again", result.stdout)
        self.assertEqual(re.findall(r'"Id"="([^"]*)"', work.read("registry.reg")), ["B", "D", "E"])

if __name__ == "__main__":
    harness.main()
