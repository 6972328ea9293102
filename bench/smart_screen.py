#!/usr/bin/env python3
"""What the Smart screen driver sends and costs, on an emulated 3.5"
revision A screen (tests/drivers/emulators/smart_screen_emulator.py).

    bench/smart_screen.py [--build DIR] [--seconds N]

1. Bytes for one changed text cell at scale 2 against a full frame, per
   revision (the protocol's own sizes).
2. Bytes per second of the demo screens, measured on the emulator.
3. CPU and wake-ups of Glancer showing bench/layouts/bench-layout on the
   emulated screen, beside the same layout on the Virtual display
   (bench/idle.py's measurement).
"""
import argparse
import os
import pathlib
import shutil
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "bench"))
sys.path.insert(0, str(ROOT / "tests/drivers/emulators"))
import idle  # noqa: E402
import smart_screen_emulator as emulator  # noqa: E402

# Command bytes around one rectangle's pixels.
HEADER = {"A": 6, "B": 10, "D": 14 + 4, "WeAct": 10}


def rectangle_bytes(revision, width, height):
    pixels = 2 * width * height
    if revision == "D":  # a marker byte per 63 pixel bytes
        pixels += -(-pixels // 63)
    return HEADER[revision] + pixels


def layout_for(driver_layout, port, workdir):
    """A copy of bench-layout that drives the Smart screen on `port`."""
    shutil.copytree(ROOT / "bench/layouts/bench-layout/screens", workdir / "screens")
    (workdir / "plugins").write_text("smart-screen\nsystem\n")
    (workdir / "registry.reg").write_text(
        'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Glancer]\n"DRIVER"="Smart screen"\n\n'
        '[HKEY_CURRENT_USER\\Software\\Glancer\\SmartScreen]\n'
        f'"Port"="{port}"\n"Revision"="A"\n')
    return workdir


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=str(ROOT / "build/release"))
    parser.add_argument("--seconds", type=float, default=30)
    args = parser.parse_args()
    build = pathlib.Path(args.build).resolve()

    print("1. One changed text cell (12 x 16 screen pixels at scale 2) against a full 320 x 480 frame:")
    for revision in ("A", "B", "D", "WeAct"):
        cell, frame = rectangle_bytes(revision, 12, 16), rectangle_bytes(revision, 320, 480)
        print(f"   revision {revision:<5}: {cell:6d} bytes against {frame:7d} ({frame / cell:.0f} times fewer)")

    scratch = pathlib.Path(tempfile.mkdtemp(prefix="glancer-smart-bench-"))
    try:
        link = str(scratch / "ttySmart")
        device = emulator.PtyScreen(link, "A")
        try:
            # 2. The demo, as bench/idle.py runs it, on the emulated screen.
            demo = scratch / "demo"
            demo.mkdir()
            shutil.copytree(ROOT / "examples/demo/screens", demo / "screens")
            (demo / "plugins").write_text("smart-screen\nsystem\ndemo\n")
            (demo / "registry.reg").write_text(
                'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Glancer]\n"DRIVER"="Smart screen"\n\n'
                f'[HKEY_CURRENT_USER\\Software\\Glancer\\SmartScreen]\n"Port"="{link}"\n"Revision"="A"\n')
            start = time.monotonic()
            print("\n2. The demo on the emulated screen:")
            idle.measure(str(demo), build, args.seconds, 3)
            sent = device.bytes_since(start + 3)
            print(f"   {sent / args.seconds:.0f} bytes/s over {args.seconds:.0f} s after a 3 s warm-up "
                  f"(a full frame is {rectangle_bytes('A', 320, 480)} bytes)")

            print("\n3. bench-layout on the emulated 3.5\" screen, then on the Virtual display:")
            smart = layout_for("bench-layout", link, scratch / "smart")
            start = time.monotonic()
            cpu, wakes, _ = idle.measure(str(smart), build, args.seconds, 3)
            print(f"   {device.bytes_since(start + 3) / args.seconds:.0f} bytes/s")
            vcpu, vwakes, _ = idle.measure(str(ROOT / "bench/layouts/bench-layout"), build, args.seconds, 3)
            print(f"\n   Smart screen {cpu:.3f} % CPU, {wakes:.1f} wake-ups/s; "
                  f"Virtual display {vcpu:.3f} % CPU, {vwakes:.1f} wake-ups/s")
        finally:
            device.close()
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
