#!/usr/bin/env python3
"""velmora-cli on 1,000 SubRip files of 40 KB: converting them to WebVTT with --jobs 2 against
ffmpeg converting each one (`ffmpeg -i x.srt x.vtt`, a process per file as a script would run it)
in the same run; checking them; and the memory peak of a run with one and with two jobs.

Usage: bench/cli/run_cli_bench.py [--build build/run] [--files 1000] [--ffmpeg-files 100]
ffmpeg is the floor when it is installed (only this benchmark uses it; `apt-get install ffmpeg`).
Its rate is measured on the first --ffmpeg-files files, as its cost per file does not change with
their number.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

SENTENCES = [
    "Where have you been all night?", "The train leaves at nine.", "<i>I do not know her name.</i>",
    "We have to go now.", "Is this your house?", "My brother works in the city,|and he hates it.",
    "The dog is sleeping.", "Please close the door.", "She wants to eat something.",
    "They are waiting for us.", "The water is cold.", "I like this song.",
]


def clock(ms):
    return "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)


def subrip(seed, size=40 * 1024):
    out, i = [], 0
    total = 0
    while total < size:
        show = 1000 + i * 2480
        text = SENTENCES[(seed + i) % len(SENTENCES)].replace("|", "\r\n")
        block = "%d\r\n%s --> %s\r\n%s\r\n\r\n" % (i + 1, clock(show), clock(show + 1960), text)
        out.append(block)
        total += len(block)
        i += 1
    return "".join(out).encode("utf-8")


def timed(argv, cwd=None):
    """Wall time and the process's own peak resident memory (KiB)."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    return elapsed, usage.ru_maxrss, code, err


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/run")
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--ffmpeg-files", type=int, default=100)
    args = parser.parse_args()
    cli = os.path.abspath(os.path.join(args.build, "dist/bin/velmora-cli"))
    if not os.access(cli, os.X_OK):
        sys.exit("no %s: cmake --build %s --target velmora-cli" % (cli, args.build))

    with tempfile.TemporaryDirectory(prefix="velmora-cli-bench-") as work:
        source = os.path.join(work, "in")
        os.mkdir(source)
        names = []
        for n in range(args.files):
            name = "episode%04d.srt" % n
            with open(os.path.join(source, name), "wb") as f:
                f.write(subrip(n))
            names.append(name)
        size = os.path.getsize(os.path.join(source, names[0]))

        rows = []
        for jobs in (1, 2):
            out = os.path.join(work, "out%d" % jobs)
            os.mkdir(out)
            elapsed, peak, code, err = timed([cli, "convert", "--to", "vtt", "--jobs", str(jobs), "-o", out + "/"]
                                             + names, cwd=source)
            if code != 0:
                sys.exit("velmora-cli convert failed (%d): %s" % (code, err[:2000]))
            rows.append(("velmora-cli convert --to vtt --jobs %d" % jobs, args.files, elapsed, peak))

        elapsed, peak, code, err = timed([cli, "check", "--jobs", "2", "--format", "json"] + names, cwd=source)
        if code not in (0, 1):
            sys.exit("velmora-cli check failed (%d): %s" % (code, err[:2000]))
        rows.append(("velmora-cli check --jobs 2", args.files, elapsed, peak))

        ffmpeg_rate = None
        if shutil.which("ffmpeg"):
            out = os.path.join(work, "ffmpeg")
            os.mkdir(out)
            count = min(args.ffmpeg_files, args.files)
            start = time.perf_counter()
            worst = 0
            for name in names[:count]:
                _, peak, code, err = timed(["ffmpeg", "-nostdin", "-loglevel", "error", "-i", name,
                                            os.path.join(out, name[:-4] + ".vtt")], cwd=source)
                if code != 0:
                    sys.exit("ffmpeg failed: " + err[:2000])
                worst = max(worst, peak)
            elapsed = time.perf_counter() - start
            rows.append(("ffmpeg -i x.srt x.vtt, one process a file", count, elapsed, worst))
            ffmpeg_rate = count / elapsed
        else:
            print("ffmpeg is not installed: no floor (apt-get install ffmpeg)", file=sys.stderr)

    print("%d SubRip files of %d bytes" % (args.files, size))
    print("%-48s %7s %9s %10s %12s" % ("run", "files", "seconds", "files/s", "peak KiB"))
    for label, files, elapsed, peak in rows:
        print("%-48s %7d %9.2f %10.1f %12d" % (label, files, elapsed, files / elapsed, peak))
    one, two = rows[0], rows[1]
    print("memory peak per job: %d KiB (one job %d KiB, two jobs %d KiB)" % (two[3] - one[3], one[3], two[3]))
    if ffmpeg_rate:
        print("velmora-cli --jobs 2 against ffmpeg: %.1fx the files a second" % ((two[1] / two[2]) / ffmpeg_rate))


if __name__ == "__main__":
    main()
