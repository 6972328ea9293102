"""Runs glancer.exe under Wine on a private Xvfb display and observes it:
its log, the files its plugins write, its windows (through wincontrol.exe)
and the registry of a shared Wine prefix."""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
# Shared with tests/posix.
from e2e import TIMEOUT as WAIT, free_port, screen, screen_files, value_rows, write_files  # noqa: E402,F401
from e2e import wait_for as wait_until  # noqa: E402  the name these tests use

CONFIG = {}  # filled by run_wine_tests.py: glancer, wincontrol, plugins, probe, prefix, package
WM_KEYDOWN, WM_KEYUP, WM_COMMAND = 256, 257, 273
CONFIGURE_PLUGINS, PLUGIN_LIST, CONFIGURE_PLUGIN = 32774, 1002, 1001  # the tray's command, the dialog's controls

MAIN_XML = """<screen>
<name>Main</name>
<item type="text" x="0" y="0">
<fieldsize>5</fieldsize>
<textdata>Hello</textdata>
<refresh>100</refresh>
</item>
<item type="plugintext" x="0" y="1">
<varid>ctext</varid>
<fieldsize>12</fieldsize>
<refresh>100</refresh>
</item>
</screen>
"""
SCREENS = screen_files(main=MAIN_XML)


def wine_env(display=None):
    env = dict(os.environ)
    # Wine's error lines stay on: they are kept to say why a process died.
    env.update(WINEPREFIX=CONFIG["prefix"], WINEDEBUG=os.environ.get("GLANCER_WINEDEBUG", "fixme-all"),
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if display is not None:
        env["DISPLAY"] = display
    return env


class Desktop:
    """A private X display with the Wine server of the shared prefix."""

    def __init__(self, size="1024x768x24"):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env = wine_env(":" + number)
        self.controller = None
        # What Wine processes print on stderr, kept to explain a process that dies.
        self.stderr_dir = tempfile.mkdtemp(prefix="glancer-wine-stderr-")
        self._start_controller()

    def _start_controller(self):
        """Starts wincontrol and waits for its first answer. The first Wine
        program on a new display also brings up Wine's desktop, which on a
        loaded machine can outlast Wine's own wait for it; such a start ends
        the program before it answers, and is tried again."""
        for attempt in range(3):
            try:
                self._send("find", "GlancerWindowClass")
                return
            except (AssertionError, BrokenPipeError) as error:
                if attempt == 2:
                    raise
                sys.stderr.write("wincontrol did not start; trying again. %s\n" % error)
                self.controller = None

    def stderr_file(self, name):
        return open(os.path.join(self.stderr_dir, name), "w")

    def stderr_tail(self, name, lines=30):
        try:
            with open(os.path.join(self.stderr_dir, name), errors="replace") as f:
                return "".join(f.readlines()[-lines:])
        except FileNotFoundError:
            return ""

    def _controller(self):
        if self.controller is None:
            with self.stderr_file("wincontrol.txt") as err:  # each start writes it anew
                self.controller = subprocess.Popen(["wine", CONFIG["wincontrol"]], env=self.env,
                                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                                   stderr=err, text=True, errors="replace", bufsize=1)
        return self.controller

    def run(self, *args, check=True):
        result = subprocess.run(["wine"] + list(args), env=self.env, capture_output=True, text=True,
                                errors="replace", timeout=120)
        if check and result.returncode != 0:
            raise AssertionError("%s failed (%d): %s%s" % (args, result.returncode, result.stdout, result.stderr))
        return result

    def close(self):
        if self.controller is not None:
            self.controller.stdin.close()
            self.controller.wait(timeout=60)
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=60)
        self.xvfb.terminate()
        self.xvfb.wait(timeout=30)
        shutil.rmtree(self.stderr_dir, True)

    # ---- wincontrol ----
    def control(self, *args, check=True):
        """Runs a wincontrol command, or one built here from its primitives;
        gives its "key=value" lines as a dict, plus "_rc" (exit code) and
        "_lines"."""
        command, rest = args[0], args[1:]
        if command in self.COMPOSED:
            values = self.COMPOSED[command](self, *rest)
        else:
            values = self._send(*args)
        if check and values["_rc"] != 0:
            raise AssertionError("wincontrol %s failed: %s" % (" ".join(map(str, args)), values["_lines"]))
        return values

    def _send(self, *args):
        controller = self._controller()
        controller.stdin.write("\t".join(str(a) for a in args) + "\n")
        controller.stdin.flush()
        lines = []
        while True:
            line = controller.stdout.readline()
            if line == "":
                raise AssertionError("wincontrol ended (%s):\n%s" % (controller.wait(), self.stderr_tail("wincontrol.txt")))
            line = line.rstrip("\r\n")
            if line.startswith("end="):
                code = int(line[4:])
                break
            lines.append(line)
        values = {}
        for line in lines:
            key, _, value = line.partition("=")
            values.setdefault(key, value)
        values["_rc"] = code
        values["_lines"] = lines
        return values

    @staticmethod
    def _result(rc, **values):
        values.update(_rc=rc, _lines=[])
        return values

    def _poll(self, found, timeout_ms):
        deadline = time.monotonic() + int(timeout_ms) / 1000.0
        while True:
            value = found()
            if value or time.monotonic() > deadline:
                return value
            time.sleep(0.05)

    def _find(self, class_name, title=None):
        return self._send(*(("find", class_name) + ((title,) if title is not None else ())))["_lines"]

    def _wait_window(self, class_name, title, timeout_ms):
        hwnd = self._poll(lambda: next((dict(f.split("=") for f in line.split())["hwnd"]
                                        for line in self._find(class_name, title)), None), timeout_ms)
        return self._result(0 if hwnd else 1, hwnd=hwnd)

    def _wait_gone(self, hwnd, timeout_ms):
        return self._result(0 if self._poll(lambda: self._send("alive", hwnd)["alive"] == "0", timeout_ms) else 1)

    def _select_text(self, dialog, control_id, text):
        line = self.controls(dialog)[int(control_id)]
        items = line.split(" items=", 1)[1].split("|")
        return self._send("select", dialog, control_id, items.index(text)) if text in items else self._result(1)

    def _text(self, dialog):
        """The first non-empty static text."""
        texts = [line.split(" text=", 1)[1] for line in self.control("controls", dialog)["_lines"]
                 if " class=static " in line.lower()]
        return self._result(0, text=next((t for t in texts if t), ""))

    def _keys(self, window, key):
        # The key-down may close the window (Enter or Escape in a menu), so
        # the key-up may find it gone: only the key-down must arrive.
        down = self._send("post", window, WM_KEYDOWN, key, 1)["_rc"]
        self._send("post", window, WM_KEYUP, key, 0xC0000001)
        return self._result(down)

    COMPOSED = {
        "wait-window": _wait_window,
        "wait-gone": _wait_gone,
        "count": lambda self, class_name, title: self._result(0, count=str(len(self._find(class_name, title)))),
        "select-text": _select_text,
        "text": _text,
        "command": lambda self, hwnd, command_id: self._send("post", hwnd, WM_COMMAND, command_id, 0),
        "key": _keys,
        "taskbar-created": lambda self, hwnd: self._send("post", hwnd, "TaskbarCreated", 0, 0),
    }

    def windows(self):
        """Glancer windows as {hwnd: has_tray_icon}."""
        out = {}
        for line in self._find("GlancerWindowClass"):
            fields = dict(f.split("=", 1) for f in line.split())
            out[fields["hwnd"]] = fields["icon"] == "1"
        return out

    def wait_window(self, title, class_name="#32770", timeout_ms=int(WAIT * 1000)):
        return self.control("wait-window", class_name, title, timeout_ms)["hwnd"]

    def count(self, title, class_name="#32770"):
        return int(self.control("count", class_name, title)["count"])

    def controls(self, dialog):
        """Dialog controls as {id: line}."""
        out = {}
        for line in self.control("controls", dialog)["_lines"]:
            id_part = line.split()[1]
            out[int(id_part.split("=")[1])] = line
        return out

    def message_box(self, title):
        """Waits for a message box, gives its text and closes it with OK."""
        box = self.wait_window(title)
        text = self.control("text", box)["text"]
        self.control("click", box, 1)
        self.control("wait-gone", box, int(WAIT * 1000))
        return text


def reg_set(desktop, value, kind, data, key=r"HKCU\Software\Glancer"):
    # Wine's reg.exe now and then exits 1 with no word on a loaded machine;
    # adding a value is idempotent, so a second or third try settles it.
    for attempt in range(3):
        result = desktop.run("reg", "add", key, "/v", value, "/t", kind, "/d", data, "/f", check=attempt == 2)
        if result.returncode == 0:
            return


def reg_get(desktop, value, key=r"HKCU\Software\Glancer"):
    result = desktop.run("reg", "query", key, "/v", value, check=False)
    for line in result.stdout.splitlines():
        parts = line.strip("\r\n").split("    ")
        parts = [p for p in parts if p != ""]
        if parts and parts[0] == value:
            return parts[2] if len(parts) > 2 else ""
    return None


def _wine_handler_fault(trace):
    """Whether the faulting thread's stack (the first in `trace`) is Wine's
    signal handler, in ntdll.so, entered from its system call dispatcher."""
    stacks = []
    for line in trace.splitlines():
        if line.startswith("#0"):
            stacks.append([])
        if line.startswith("#") and stacks:
            stacks[-1].append(line)
    # gdb first names the faulting frame alone, then gives that thread's stack.
    frames = next((stack for stack in stacks if len(stack) > 1), [""])
    handler = next((i for i, line in enumerate(frames) if "<signal handler called>" in line), None)
    return (handler is not None and "/ntdll.so" in frames[0]
            and any("__wine_syscall_dispatcher" in line for line in frames[handler + 1:handler + 2]))


def _crash_folder():
    folder = os.path.join(tempfile.gettempdir(), "glancer-wine-crashes")
    os.makedirs(folder, exist_ok=True)
    return folder


def _allow_core():
    # A core of a Wine process that dies of a signal tells where it died.
    hard = resource.getrlimit(resource.RLIMIT_CORE)[1]
    resource.setrlimit(resource.RLIMIT_CORE, (hard, hard))


class Glancer:
    """One run of glancer.exe in a working directory of its own."""
    runs = 0

    def __init__(self, desktop, workdir, exe=None):
        self.desktop = desktop
        self.workdir = workdir
        before = set(desktop.windows())
        Glancer.runs += 1
        self.stderr_name = "glancer-%d.txt" % Glancer.runs
        with desktop.stderr_file(self.stderr_name) as err:
            self.process = subprocess.Popen(["wine", exe or CONFIG["glancer"]], cwd=workdir, env=desktop.env,
                                            stdout=subprocess.DEVNULL, stderr=err, preexec_fn=_allow_core)
        self.hwnd = wait_until(lambda: next(iter(set(desktop.windows()) - before), None), "the tray window")

    def command(self, command_id):
        self.desktop.control("command", self.hwnd, command_id)

    def post(self, message, wparam=0, lparam=0):
        self.desktop.control("post", self.hwnd, message, wparam, lparam)

    def read(self, name):
        try:
            with open(os.path.join(self.workdir, name), encoding="latin-1") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def log(self):
        """The log's lines without their time stamps."""
        return [line.split("  ", 1)[1] if "  " in line else line for line in self.read("log.txt").splitlines()]

    def wait_log(self, line):
        wait_until(lambda: line in self.log(), "log line %r" % line)

    def wait_file(self, name, text):
        wait_until(lambda: text in self.read(name), "%r in %s" % (text, name))

    def wait_exit(self):
        code = self.process.wait(timeout=WAIT)
        if code == -signal.SIGSEGV and self._died_in_wine_teardown():
            sys.stderr.write("glancer.exe had ended; Wine then crashed while ending the process's threads\n")
            return 0
        if code != 0:
            sys.stderr.write("glancer.exe ended with %d; Wine said:\n%s\n" % (code, self.desktop.stderr_tail(self.stderr_name)))
        return code

    def _died_in_wine_teardown(self):
        """Wine 8 can crash in its own signal handler when ExitProcess stops
        a thread that is just leaving a system call; the process then dies of
        SIGSEGV after the program's last line. Only that is forgiven: the
        program's shutdown is complete, and in the core the faulting thread
        is in Wine's handler, called on the way out of Wine's system call
        dispatcher (a fault in the program's own code would have been turned
        into a Windows exception instead). Any other death keeps its core and
        log in glancer-wine-crashes under the temporary folder, and prints
        the threads' stacks."""
        core = os.path.join(self.workdir, "core")
        trace = ""
        if os.path.exists(core) and shutil.which("gdb") is not None:
            trace = subprocess.run(["gdb", "-batch", "-ex", "bt 8", "-ex", "thread apply all bt 8",
                                    "/usr/lib/wine/wine64", core],
                                   capture_output=True, text=True, errors="replace", timeout=120).stdout
            if self.log()[-1:] == ["Glancer shutting down"] and _wine_handler_fault(trace):
                return True
        kept = tempfile.mkdtemp(prefix="run-", dir=_crash_folder())
        for name in ("core", "log.txt"):
            if os.path.exists(os.path.join(self.workdir, name)):
                shutil.copy(os.path.join(self.workdir, name), kept)
        sys.stderr.write("not Wine's teardown crash (core %s, log ends %r); kept in %s\n%s\n"
                         % ("found" if trace else "missing", self.log()[-1:], kept,
                            "\n".join(line for line in trace.splitlines() if line.startswith(("#", "Thread")))))
        return False

    def exit(self):
        self.command(32769)
        return self.wait_exit()

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class WineTestCase(unittest.TestCase):
    """One desktop per test class; each test gets fresh working directories
    and starts with no Glancer settings."""

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop()

    @classmethod
    def tearDownClass(cls):
        cls.desktop.close()

    def setUp(self):
        self.runs = []
        self.desktop.run("reg", "delete", r"HKCU\Software\Glancer", "/f", check=False)

    def tearDown(self):
        for run in self.runs:
            run.kill()

    def workdir(self, plugins=(), screens=True):
        """A fresh folder with the plugins named; `screens`: True for
        SCREENS, False for none, or a screens folder's files."""
        path = tempfile.mkdtemp(prefix="glancer-wine-")
        self.addCleanup(shutil.rmtree, path, True)
        for name in plugins:
            source = CONFIG["probe"] if name == "wineprobe" else os.path.join(CONFIG["plugins"], name + ".dll")
            shutil.copy(source, os.path.join(path, name + ".dll"))
        if screens:
            write_files(os.path.join(path, "screens"), SCREENS if screens is True else screens)
        return path

    def start(self, plugins=(), driver=None, workdir=None, exe=None):
        if driver is not None:
            reg_set(self.desktop, "DRIVER", "REG_SZ", driver)
        run = Glancer(self.desktop, workdir or self.workdir(plugins), exe)
        self.runs.append(run)
        return run

    def configure_source(self, run, name):
        """Opens the plugins dialog and, from it, the data source `name`'s
        own dialog (titled with its name); gives both."""
        run.command(CONFIGURE_PLUGINS)
        plugins = self.desktop.wait_window("Dialog")
        self.desktop.control("select-text", plugins, PLUGIN_LIST, name)
        self.desktop.control("click", plugins, CONFIGURE_PLUGIN)
        return plugins, self.desktop.wait_window(name)

    def assert_clean_shutdown(self, run, released_driver=True):
        log = run.log()
        self.assertEqual(log[:2], ["-" * 44, "Glancer starting"])
        self.assertEqual(log[2:8], ["Factory added: " + t for t in
                                    ("text", "plugintext", "image", "pluginimage", "animation", "graph")])
        self.assertEqual(log[-1], "Glancer shutting down")
        self.assertEqual("Error releasing display driver" not in log, released_driver)
