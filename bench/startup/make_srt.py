#!/usr/bin/env python3
"""Writes a SubRip file for benchmarks and screenshots: N entries, or exactly SIZE bytes."""
import argparse


def entry(i):
    s = i * 3
    def tc(sec, ms):
        return "%02d:%02d:%02d,%03d" % (sec // 3600, (sec // 60) % 60, sec % 60, ms)
    return ("%d\r\n%s --> %s\r\nThis is line %d of the film,\r\nand its second line.\r\n\r\n"
            % (i + 1, tc(s, 0), tc(s + 2, 500), i + 1))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("path")
    group = ap.add_mutually_exclusive_group(required=True)
    group.add_argument("--entries", type=int)
    group.add_argument("--size", type=int)
    args = ap.parse_args()
    out = []
    if args.entries is not None:
        out = [entry(i) for i in range(args.entries)]
    else:
        total, i = 0, 0
        while True:
            e = entry(i)
            if total + len(e) > args.size:
                break
            out.append(e)
            total += len(e)
            i += 1
        # Pad the last entry's text so that the file has exactly the size asked for.
        pad = args.size - total
        last = out.pop()
        out.append(last[:-4] + "x" * pad + "\r\n\r\n")
    with open(args.path, "w", newline="", encoding="ascii") as f:
        f.write("".join(out))


if __name__ == "__main__":
    main()
