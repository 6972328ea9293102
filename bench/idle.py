#!/usr/bin/env python3
"""Measures what Glancer costs while it shows a layout: CPU share, wake-ups
and memory, per thread and in total.

    bench/idle.py [--build DIR] [--seconds N] [--warmup N] LAYOUT...

LAYOUT is a directory holding screens/, registry.reg (the settings, which
choose the driver) and plugins (the plugin names to copy, one a line), such
as bench/layouts/static; or "demo" for the demo screens. Each runs in a
fresh copy under a temporary directory, with standard output not a
terminal. CPU is the time on a CPU from /proc/<pid>/task/*/schedstat,
wake-ups the voluntary context switches from .../status, both counted
over N seconds after the warm-up; RSS is VmRSS at the end.
"""
import argparse
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


def thread_sample(pid):
    """{tid: (name, cpu ns, voluntary switches)} for every thread alive now."""
    sample = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        base = f"/proc/{pid}/task/{tid}"
        try:
            with open(base + "/schedstat") as f:
                cpu = int(f.read().split()[0])
            with open(base + "/comm") as f:
                name = f.read().strip()
            switches = 0
            with open(base + "/status") as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches:"):
                        switches = int(line.split()[1])
        except (FileNotFoundError, ProcessLookupError):
            continue
        sample[int(tid)] = (name, cpu, switches)
    return sample


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def prepare(layout, build, workdir):
    if layout == "demo":
        shutil.copytree(ROOT / "examples/demo/screens", workdir / "screens")
        plugins = ["virtual", "system", "demo"]
        (workdir / "registry.reg").write_text(
            'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Glancer]\n"DRIVER"="Virtual display"\n')
    else:
        source = pathlib.Path(layout)
        shutil.copytree(source / "screens", workdir / "screens")
        shutil.copy(source / "registry.reg", workdir / "registry.reg")
        plugins = (source / "plugins").read_text().split()
    for name in plugins:
        shutil.copy(build / "plugins" / (name + ".so"), workdir)


def measure(layout, build, seconds, warmup):
    workdir = pathlib.Path(tempfile.mkdtemp(prefix="glancer-idle-"))
    try:
        prepare(layout, build, workdir)
        env = dict(os.environ, GLANCER_REGISTRY=str(workdir / "registry.reg"))
        process = subprocess.Popen([str(build / "bin/glancer")], cwd=workdir, env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            time.sleep(warmup)
            before = thread_sample(process.pid)
            start = time.monotonic()
            time.sleep(seconds)
            after = thread_sample(process.pid)
            elapsed = time.monotonic() - start
            rss = rss_kib(process.pid)
        finally:
            process.send_signal(signal.SIGTERM)
            process.wait(timeout=10)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)

    print(f"{layout}: {elapsed:.1f} s, RSS {rss / 1024:.1f} MiB")
    print(f"  {'thread':>10} {'name':<16} {'CPU %':>8} {'wake/s':>8}")
    total_cpu = total_wakes = 0
    for tid in sorted(after):
        name, cpu, switches = after[tid]
        _, cpu0, switches0 = before.get(tid, (name, 0, 0))
        share = (cpu - cpu0) / (elapsed * 1e9) * 100
        wakes = (switches - switches0) / elapsed
        total_cpu += share
        total_wakes += wakes
        print(f"  {tid:>10} {name:<16} {share:8.4f} {wakes:8.2f}")
    print(f"  {'total':>10} {'':<16} {total_cpu:8.4f} {total_wakes:8.2f}")
    return total_cpu, total_wakes, rss


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=str(ROOT / "build/release"), help="build directory (bin/, plugins/)")
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--warmup", type=float, default=3)
    parser.add_argument("layouts", nargs="+")
    args = parser.parse_args()
    build = pathlib.Path(args.build).resolve()
    if not (build / "bin/glancer").exists():
        sys.exit(f"idle: {build}/bin/glancer is missing (cmake --preset release && cmake --build --preset release)")
    for layout in args.layouts:
        measure(layout, build, args.seconds, args.warmup)


if __name__ == "__main__":
    main()
