#!/usr/bin/env python3
"""Time from saving a screen file (by rename, as editors do) to the new
picture on the panel: the Virtual display's snapshot file (PBM, rewritten at
every change) is watched for the new text. Prints the median of 20 saves.

    bench/reload_latency.py --glancer build/release/bin/glancer --plugins build/release/plugins
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

SCREENS_XML = "<screens>\n<screenfile>main.xml</screenfile>\n</screens>\n"


def screen(text):
    return ('<screen><name>Main</name>\n<item type="text" x="0" y="0"><fieldsize>8</fieldsize>'
            f"<refresh>50</refresh><textdata>{text}</textdata></item>\n</screen>\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--glancer", required=True)
    parser.add_argument("--plugins", required=True)
    parser.add_argument("--saves", type=int, default=20)
    options = parser.parse_args()
    work = tempfile.mkdtemp(prefix="glancer-reload-")
    try:
        shutil.copy(os.path.join(options.plugins, "virtual.so"), work)
        os.mkdir(os.path.join(work, "screens"))
        with open(os.path.join(work, "screens", "screens.xml"), "w") as f:
            f.write(SCREENS_XML)
        with open(os.path.join(work, "screens", "main.xml"), "w") as f:
            f.write(screen("start"))
        registry = os.path.join(work, "registry.reg")
        snapshot = os.path.join(work, "panel.pbm")
        with open(registry, "w") as f:
            f.write('REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Glancer]\n"DRIVER"="Virtual display"\n\n'
                    '[HKEY_CURRENT_USER\\Software\\Glancer\\VirtualDisplay]\n'
                    f'"Snapshot"="{snapshot}"\n"SnapshotInterval"=dword:00000000\n')
        env = dict(os.environ, GLANCER_REGISTRY=registry)
        process = subprocess.Popen([os.path.abspath(options.glancer)], cwd=work, env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            def picture():
                try:
                    with open(snapshot, "rb") as f:
                        return f.read()
                except FileNotFoundError:
                    return b""

            def wait_change(before, limit=10.0):
                began = time.monotonic()
                while time.monotonic() - began < limit:
                    now = picture()
                    if now and now != before:
                        return now
                    time.sleep(0.002)
                raise SystemExit("the panel did not change")

            current = wait_change(b"")
            time.sleep(1)
            current = picture()
            times = []
            for n in range(options.saves):
                path = os.path.join(work, "screens", "main.xml")
                with open(path + ".new", "w") as f:
                    f.write(screen(f"save {n:02}"))
                saved = time.monotonic()
                os.replace(path + ".new", path)
                current = wait_change(current)
                times.append((time.monotonic() - saved) * 1000)
                time.sleep(0.3)  # apart from the next save
            print("save to panel, %d saves: median %.0f ms, min %.0f ms, max %.0f ms"
                  % (len(times), statistics.median(times), min(times), max(times)))
        finally:
            process.terminate()
            process.wait(timeout=10)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
