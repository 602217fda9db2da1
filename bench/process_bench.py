#!/usr/bin/env python3
"""ortholux-preview over the real drawings, one process per drawing, against the same loop
running /bin/true: what a script that calls the tool per file pays. Rounds are interleaved so
both loops see the same machine; prints the ratio of the medians.

    python3 bench/process_bench.py build/rel/bin/ortholux-preview [OTHER_BUILD...] [--rounds 15]
"""
import argparse
import statistics
import subprocess
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
FIXTURES = REPO.parent / "shared" / "fixtures" / "dwg"


def loop(command, drawings):
    started = time.perf_counter()
    for drawing in drawings:
        subprocess.run([*command, str(drawing)], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    return time.perf_counter() - started


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("tools", nargs="+", type=Path)
    parser.add_argument("--rounds", type=int, default=15)
    options = parser.parse_args()
    drawings = sorted(FIXTURES.glob("*.dwg"))
    if not drawings:
        raise SystemExit(f"no drawings in {FIXTURES}")
    contenders = {"/bin/true": ["/bin/true"], **{str(t): [str(t)] for t in options.tools}}
    times = {name: [] for name in contenders}
    for n in range(options.rounds):
        names = list(contenders) if n % 2 == 0 else list(reversed(contenders))
        for name in names:
            times[name].append(loop(contenders[name], drawings))
    base = statistics.median(times["/bin/true"])
    print(f"{len(drawings)} drawings, {options.rounds} rounds; /bin/true loop median "
          f"{base * 1000:.1f} ms")
    for name in options.tools:
        m = statistics.median(times[str(name)])
        print(f"{name}: median {m * 1000:.1f} ms, ratio to /bin/true {m / base:.2f}")


if __name__ == "__main__":
    main()
