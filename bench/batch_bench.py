#!/usr/bin/env python3
"""Batch form of ortholux-preview over a folder of about a thousand drawings, against reading
the same files whole with cat and against one ortholux-preview process per drawing.

The folder is made by copying the real drawings (../shared/fixtures/dwg) round-robin into a
temporary folder. Every round runs the three contenders one after another on the warm page
cache, output to /dev/null:
  (a) ortholux-preview FOLDER            (one process, lines only, no --output-dir)
  (b) cat FOLDER/* > /dev/null           (every byte of every drawing read once)
  (c) for f in FOLDER/*; do ortholux-preview "$f"; done   (from one shell)
Prints per-round times, the medians, drawings per second and the ratios. Goals: (a) faster
than (b), and at least 5,000 drawings per second.

    python3 bench/batch_bench.py [--tool build/host/bin/ortholux-preview] [--count 1000]
        [--rounds 5] [--fixtures ../shared/fixtures/dwg]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]


def make_folder(fixtures, count, folder):
    drawings = sorted(p for p in fixtures.iterdir() if p.suffix.lower() == ".dwg")
    if not drawings:
        raise SystemExit(f"no drawings in {fixtures}")
    total = 0
    for i in range(count):
        source = drawings[i % len(drawings)]
        target = folder / f"{i:05d}_{source.name}"
        shutil.copyfile(source, target)
        total += target.stat().st_size
    return total


def timed(command, **kwargs):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kwargs)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--tool", default=str(REPO / "build/host/bin/ortholux-preview"))
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--fixtures", default=str(REPO.parent / "shared/fixtures/dwg"))
    args = parser.parse_args()
    tool = os.path.abspath(args.tool)

    with tempfile.TemporaryDirectory(prefix="ortholux-batch-bench-") as tmp:
        folder = Path(tmp)
        size = make_folder(Path(args.fixtures), args.count, folder)
        files = sorted(str(p) for p in folder.iterdir())
        contenders = {
            "batch": lambda: timed([tool, str(folder)]),
            "cat": lambda: timed(["cat", *files]),
            "per drawing": lambda: timed(
                ["bash", "-c", 'for f in "$1"/*; do "$0" "$f"; done', tool, str(folder)]),
        }
        for run in contenders.values():  # warm the page cache and the binaries
            run()
        times = {name: [] for name in contenders}
        print(f"{args.count} drawings, {size / 1e6:.1f} MB, {args.rounds} rounds")
        for round_no in range(args.rounds):
            for name, run in contenders.items():
                times[name].append(run())
            print(f"round {round_no + 1}: " +
                  ", ".join(f"{n} {t[-1] * 1000:.1f} ms" for n, t in times.items()))

    median = {name: statistics.median(t) for name, t in times.items()}
    for name, seconds in median.items():
        print(f"median {name:12s} {seconds * 1000:9.1f} ms  {args.count / seconds:10.0f} drawings/s")
    print(f"batch / cat:         {median['batch'] / median['cat']:.2f}  (goal below 1)")
    print(f"per drawing / batch: {median['per drawing'] / median['batch']:.1f}x")
    print(f"batch drawings/s:    {args.count / median['batch']:.0f}  (goal at least 5000)")


if __name__ == "__main__":
    main()
