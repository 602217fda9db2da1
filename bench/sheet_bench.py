#!/usr/bin/env python3
"""ortholux-preview --contact-sheet over a folder of about a thousand drawings, against one
ortholux-thumbnailer process per drawing run two at a time (xargs -P 2), both at the same
SIZE and both writing every thumbnail as a PNG file.

The folder is made by copying the real drawings (../shared/fixtures/dwg) round-robin into a
temporary folder. Every round runs both on the warm page cache, each into a fresh folder:
  (a) ortholux-preview --contact-sheet OUT FOLDER     (one process, its own worker pool)
  (b) xargs -P 2 ortholux-thumbnailer -s SIZE NAME OUT/NAME.png   (a process per drawing)
Prints per-round times, the medians, drawings per second of each and their ratio, and the
processor time per drawing (user + system, all threads and processes), which a machine busy
with other work changes less than the wall-clock rates. Goal for (a): 1,000 drawings per
second or more.

    python3 bench/sheet_bench.py [--build build/host] [--count 1000] [--rounds 5]
        [--size 256] [--fixtures ../shared/fixtures/dwg]
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

from batch_bench import make_folder, timed

REPO = Path(__file__).resolve().parents[1]


def cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=str(REPO / "build/host"))
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--size", type=int, default=256)
    parser.add_argument("--fixtures", default=str(REPO.parent / "shared/fixtures/dwg"))
    args = parser.parse_args()
    preview = os.path.abspath(os.path.join(args.build, "bin/ortholux-preview"))
    thumbnailer = os.path.abspath(os.path.join(args.build, "bin/ortholux-thumbnailer"))

    with tempfile.TemporaryDirectory(prefix="ortholux-sheet-bench-") as tmp:
        folder = Path(tmp) / "drawings"
        folder.mkdir()
        size = make_folder(Path(args.fixtures), args.count, folder)
        names = "".join(p.name + "\0" for p in sorted(folder.iterdir())).encode()
        out = Path(tmp) / "out"

        def fresh():
            shutil.rmtree(out, ignore_errors=True)
            out.mkdir()
            return str(out)

        def sheet():
            return timed([preview, "--contact-sheet", fresh(), "-s", str(args.size), str(folder)])

        def per_drawing():
            target = fresh()
            start = time.perf_counter()
            subprocess.run(["xargs", "-0", "-P", "2", "-I{}", thumbnailer, "-s", str(args.size),
                            "{}", f"{target}/{{}}.png"], input=names, cwd=folder,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            return time.perf_counter() - start

        contenders = {"contact sheet": sheet, "thumbnailer x2": per_drawing}
        for run in contenders.values():  # warm the page cache and the binaries
            run()
        times = {name: [] for name in contenders}
        cpu = {name: [] for name in contenders}
        print(f"{args.count} drawings, {size / 1e6:.1f} MB, size {args.size}, "
              f"{os.cpu_count()} cores, {args.rounds} rounds")
        for round_no in range(args.rounds):
            for name, run in contenders.items():
                before = cpu_seconds()
                times[name].append(run())
                cpu[name].append(cpu_seconds() - before)
            print(f"round {round_no + 1}: " +
                  ", ".join(f"{n} {t[-1] * 1000:.1f} ms" for n, t in times.items()))

    median = {name: statistics.median(t) for name, t in times.items()}
    rate = {name: args.count / seconds for name, seconds in median.items()}
    for name, seconds in median.items():
        per_drawing_ms = statistics.median(cpu[name]) * 1000 / args.count
        print(f"median {name:15s} {seconds * 1000:9.1f} ms  {rate[name]:8.0f} drawings/s  "
              f"{per_drawing_ms:6.2f} ms processor time per drawing")
    print(f"contact sheet / thumbnailer x2: {rate['contact sheet'] / rate['thumbnailer x2']:.1f}x "
          f"the rate")
    print(f"contact sheet drawings/s: {rate['contact sheet']:.0f}  (goal at least 1000)")


if __name__ == "__main__":
    main()
