#!/usr/bin/env python3
"""Times velmora's start-up until its filled grid has been painted, with one 409,600-byte SubRip
file and with that file and a translation of the same size, against a floor measured the same way
in the same rounds: a bare Qt window of the same size whose empty table view has painted. Each
round starts velmora with one file, velmora with two, and the floor, one after the other, and
prints their times, their ratios to that round's floor and the load average; the summary gives
medians and peak memory. Runs itself under xvfb-run when no display is set.

    bench/startup/run_startup.py [--build build/run] [--runs 10] [--target 1.5]
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
# A start that could not report (the display refused it, say) is tried again this many times.
ATTEMPTS = 3


def load_average():
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


def measure_once(cmd, marker, env):
    """Seconds from spawn to the marker line (None when it never came), and the peak RSS in KiB.
    Returns only once the process has ended, so that the next start finds the display free."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    elapsed = None
    for line in proc.stdout:
        if line.decode(errors="replace").startswith(marker):
            elapsed = time.monotonic() - start
            break
    proc.send_signal(signal.SIGTERM)
    _, _, usage = os.wait4(proc.pid, 0)
    proc.returncode = 0
    proc.stdout.close()
    return elapsed, usage.ru_maxrss


def measure(cmd, marker, env):
    for _ in range(ATTEMPTS):
        elapsed, rss = measure_once(cmd, marker, env)
        if elapsed is not None:
            return elapsed, rss
        time.sleep(0.2)
    raise SystemExit("%s never reported ready" % cmd[0])


def make_srt(path, text):
    subprocess.run([sys.executable, os.path.join(HERE, "make_srt.py"), path, "--size", "409600"],
                   check=True)
    if text:
        # The translation: the same entries and size, other words.
        with open(path, "rb") as f:
            data = f.read().replace(b"This is line", text)
        with open(path, "wb") as f:
            f.write(data)
    assert os.path.getsize(path) == 409600


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/run")
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("--target", type=float, default=1.5)
    args = ap.parse_args()

    if not os.environ.get("DISPLAY") and not os.environ.get("VELMORA_BENCH_INNER"):
        if not shutil.which("xvfb-run"):
            raise SystemExit("xvfb-run is needed")
        env = dict(os.environ, VELMORA_BENCH_INNER="1")
        os.execvpe("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x800x24", sys.executable,
                                os.path.abspath(__file__)] + sys.argv[1:], env)

    build = os.path.abspath(args.build)
    velmora = os.path.join(build, "dist", "bin", "velmora")
    floor = os.path.join(build, "bench", "startup", "startup_floor")
    for exe in (velmora, floor):
        if not os.access(exe, os.X_OK):
            raise SystemExit("missing %s: build the velmora and startup_floor targets in %s" % (exe, build))

    work = tempfile.mkdtemp(prefix="velmora-startup-")
    original = os.path.join(work, "film.srt")
    translated = os.path.join(work, "film.fr.srt")
    make_srt(original, None)
    make_srt(translated, b"La ligne no.")
    env = dict(os.environ, VELMORA_REPORT_READY="1", XDG_CONFIG_HOME=work)

    starts = {
        "one": ([velmora, original], "velmora ready"),
        "two": ([velmora, original, translated], "velmora ready"),
        "floor": ([floor], "floor ready"),
    }
    # One unmeasured start of each warms the file cache and the font cache.
    for cmd, marker in starts.values():
        measure(cmd, marker, env)

    times = {name: [] for name in starts}
    rss = {name: 0 for name in starts}
    ratios = {"one": [], "two": []}
    print("%5s %6s %9s %9s %9s %7s %7s" % ("round", "load", "one ms", "two ms", "floor ms", "one/fl", "two/fl"))
    for i in range(args.runs):
        load = load_average()
        row = {}
        for name, (cmd, marker) in starts.items():
            t, m = measure(cmd, marker, env)
            row[name] = t
            times[name].append(t)
            rss[name] = max(rss[name], m)
        for name in ratios:
            ratios[name].append(row[name] / row["floor"])
        print("%5d %6.2f %9.1f %9.1f %9.1f %6.2fx %6.2fx"
              % (i + 1, load, row["one"] * 1000, row["two"] * 1000, row["floor"] * 1000,
                 ratios["one"][-1], ratios["two"][-1]), flush=True)
    shutil.rmtree(work, ignore_errors=True)

    print("runs: %d, files: 409600 bytes each, load average now %.2f" % (args.runs, load_average()))
    labels = {"one": "velmora, one file", "two": "velmora, two files", "floor": "floor (empty table)"}
    for name in starts:
        t = times[name]
        print("%-20s median %7.1f ms  (min %.1f, max %.1f)  peak RSS %d KiB"
              % (labels[name], statistics.median(t) * 1000, min(t) * 1000, max(t) * 1000, rss[name]))
    ok = True
    for name in ratios:
        median = statistics.median(ratios[name])
        ok = ok and median <= args.target
        print("ratio, %-9s median %.2fx  (min %.2f, max %.2f; target: within %.1fx)"
              % (name + " file" + ("s" if name == "two" else ""), median, min(ratios[name]),
                 max(ratios[name]), args.target))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
