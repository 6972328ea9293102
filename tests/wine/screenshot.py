#!/usr/bin/env python3
"""Regenerates docs/screenshot-driver-dialog.png: glancer.exe under Wine in a
virtual desktop on Xvfb, with the shipped plugins and the driver dialog open.

    tests/wine/screenshot.py --glancer build/mingw64/bin/glancer.exe \\
        --wincontrol build/mingw64/bin/wincontrol.exe --plugins build/mingw64/plugins \\
        --prefix build/mingw64/tests/wine/prefix --out docs/screenshot-driver-dialog.png
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_wine_tests  # noqa: E402
import wineharness  # noqa: E402
from wineharness import Desktop, reg_set, wait_until  # noqa: E402

WIDTH, HEIGHT = 640, 400
EXPLORER = r"HKCU\Software\Wine\Explorer"


def main():
    parser = argparse.ArgumentParser()
    for name in ("glancer", "wincontrol", "plugins", "prefix", "out"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()
    wineharness.CONFIG.update({k: os.path.abspath(getattr(args, k)) for k in ("glancer", "wincontrol", "plugins",
                                                                               "prefix")})
    run_wine_tests.init_prefix(wineharness.CONFIG["prefix"])
    workdir = tempfile.mkdtemp(prefix="glancer-shot-")
    desktop = Desktop("%dx%dx24" % (WIDTH, HEIGHT))
    process = None
    try:
        for name in ("virtual", "system"):
            shutil.copy(os.path.join(args.plugins, name + ".dll"), workdir)
        wineharness.write_files(os.path.join(workdir, "screens"), wineharness.SCREENS)
        desktop.run("reg", "delete", r"HKCU\Software\Glancer", "/f", check=False)
        reg_set(desktop, "DRIVER", "REG_SZ", "Virtual display")
        # A virtual desktop draws window frames and a taskbar with the tray;
        # made the default for this run only, so wincontrol shares it.
        reg_set(desktop, "Desktop", "REG_SZ", "Default", key=EXPLORER)
        reg_set(desktop, "Default", "REG_SZ", "%dx%d" % (WIDTH, HEIGHT), key=EXPLORER + r"\Desktops")
        process = subprocess.Popen(["wine", wineharness.CONFIG["glancer"]], cwd=workdir, env=desktop.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        hwnd = wait_until(lambda: next(iter(desktop.windows()), None), "the tray window")
        desktop.control("command", hwnd, 32770)
        dialog = desktop.wait_window("Display driver")
        wait_until(lambda: "sel=0" in desktop.controls(dialog)[1000], "the preselected driver")
        subprocess.run(["import", "-window", "root", "-depth", "8", args.out], env=desktop.env,
                       check=True, timeout=60)
        desktop.control("click", dialog, 2)
        desktop.control("command", hwnd, 32769)
        desktop.control("wait-gone", hwnd, 30000)
    finally:
        if process is not None and process.poll() is None:
            process.kill()
        desktop.run("reg", "delete", EXPLORER, "/v", "Desktop", "/f", check=False)
        desktop.run("reg", "delete", EXPLORER + r"\Desktops", "/f", check=False)
        desktop.close()
        shutil.rmtree(workdir, True)
    print("wrote " + args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
