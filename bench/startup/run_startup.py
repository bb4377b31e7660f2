#!/usr/bin/env python3
"""Times velmora's start-up with a 409,600-byte SubRip file until its filled grid has been
painted, against a minimal Qt Widgets window measured the same way in the same run; reports
medians and peak memory. Runs itself under xvfb-run when no display is set.

    bench/startup/run_startup.py [--build build/run] [--runs 10]
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


def measure(cmd, marker, env):
    """Seconds from spawn to the marker line, and the peak resident size in KiB."""
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    elapsed = None
    for line in proc.stdout:
        if line.decode(errors="replace").startswith(marker):
            elapsed = time.monotonic() - start
            break
    proc.send_signal(signal.SIGTERM)
    proc.stdout.close()
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = status
    if elapsed is None:
        raise SystemExit("%s never reported ready" % cmd[0])
    return elapsed, usage.ru_maxrss


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/run")
    ap.add_argument("--runs", type=int, default=10)
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
    srt = os.path.join(work, "film.srt")
    subprocess.run([sys.executable, os.path.join(HERE, "make_srt.py"), srt, "--size", "409600"], check=True)
    assert os.path.getsize(srt) == 409600
    env = dict(os.environ, VELMORA_REPORT_READY="1", XDG_CONFIG_HOME=work)

    # One unmeasured start of each warms the file cache and the font cache.
    measure([velmora, srt], "velmora ready", env)
    measure([floor], "floor ready", env)
    v_times, f_times, v_mem, f_mem = [], [], [], []
    for _ in range(args.runs):
        t, m = measure([velmora, srt], "velmora ready", env)
        v_times.append(t)
        v_mem.append(m)
        t, m = measure([floor], "floor ready", env)
        f_times.append(t)
        f_mem.append(m)
    shutil.rmtree(work, ignore_errors=True)

    vm, fm = statistics.median(v_times), statistics.median(f_times)
    print("runs: %d, file: 409600 bytes" % args.runs)
    print("velmora  median %7.1f ms  (min %.1f, max %.1f)  peak RSS %d KiB"
          % (vm * 1000, min(v_times) * 1000, max(v_times) * 1000, max(v_mem)))
    print("floor    median %7.1f ms  (min %.1f, max %.1f)  peak RSS %d KiB"
          % (fm * 1000, min(f_times) * 1000, max(f_times) * 1000, max(f_mem)))
    ratio = vm / fm
    print("ratio    %.2fx (target: within 2x)" % ratio)
    return 0 if ratio <= 2.0 else 1


if __name__ == "__main__":
    sys.exit(main())
