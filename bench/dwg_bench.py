#!/usr/bin/python3
"""DWG geometry to a 256 picture, side by side in one run: `ortholux-preview --draw -s 256` of
each DWG fixture, of its DXF twin where there is one, and `cat` of the DWG, one process each.

Times are CPU seconds of the child processes (user + system, from the kernel's accounting of
waited-for children, to the microsecond), the median of ROUNDS batches of REPEAT runs each, so
that a shared, loaded machine still gives fair ratios. Prints a line per drawing (release,
size, milliseconds per run for the DWG, its twin and cat, the DWG's MB/s and its time over its
twin's) and the medians per release code.

    bench/dwg_bench.py [--tool build/host/bin/ortholux-preview] [--rounds 5] [--repeat 10]
Goal: a drawing of 1 MB in at most 20 ms.
"""
import argparse
import resource
import statistics
import subprocess
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
FIXTURES = REPO.parent / "shared" / "fixtures"
MB = 1e6


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def per_run(command, rounds, repeat):
    """Median CPU seconds of one run of command, and its exit status."""
    status = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    batches = []
    for _ in range(rounds):
        before = children_cpu()
        for _ in range(repeat):
            subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        batches.append((children_cpu() - before) / repeat)
    return statistics.median(batches), status


def release_of(path):
    with open(path, "rb") as f:
        head = f.read(6)
    return head[2:6].decode("ascii", "replace")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--tool", default=str(REPO / "build/host/bin/ortholux-preview"))
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--repeat", type=int, default=10)
    args = parser.parse_args()
    drawings = sorted((FIXTURES / "dwg").glob("*.dwg")) + sorted((FIXTURES / "dwg-more").glob("*.dwg"))
    print(f"{'drawing':<24} {'rel':>4} {'MB':>6} {'DWG ms':>7} {'DXF ms':>7} {'cat ms':>7} "
          f"{'DWG MB/s':>9} {'DWG/DXF':>8} {'DWG/cat':>8}")
    by_release = {}
    with tempfile.TemporaryDirectory(prefix="ortholux-dwg-bench-") as tmp:
        out = str(Path(tmp) / "out.png")
        for dwg in drawings:
            release = release_of(dwg)
            if not release.isdigit() or release < "1012":
                continue  # before R13: no objects to draw
            size = dwg.stat().st_size
            ours, status = per_run([args.tool, "--draw", "-s", "256", str(dwg), out],
                                   args.rounds, args.repeat)
            if status != 0:
                print(f"{dwg.name:<24} {release:>4} {size / MB:6.2f}  not drawn (exit {status})")
                continue
            twin = FIXTURES / "dxf" / (dwg.stem + ".dxf")
            dxf = None
            if twin.exists():
                dxf = per_run([args.tool, "--draw", "-s", "256", str(twin), out],
                              args.rounds, args.repeat)[0]
            cat = per_run(["cat", str(dwg)], args.rounds, args.repeat)[0]
            twin_text = f"{dxf * 1000:7.2f}" if dxf else f"{'-':>7}"
            ratio = f"{ours / dxf:8.2f}" if dxf else f"{'-':>8}"
            print(f"{dwg.name:<24} {release:>4} {size / MB:6.2f} {ours * 1000:7.2f} {twin_text} "
                  f"{cat * 1000:7.2f} {size / MB / ours:9.1f} {ratio} {ours / cat:7.1f}x")
            by_release.setdefault(release, []).append((ours, size))
    print(f"{'release':<8} {'n':>3} {'median ms':>10} {'median ms per MB':>17}")
    for release, rows in sorted(by_release.items()):
        print(f"{release:<8} {len(rows):>3} {statistics.median(r[0] for r in rows) * 1000:10.2f} "
              f"{statistics.median(r[0] / (r[1] / MB) for r in rows) * 1000:17.2f}")


if __name__ == "__main__":
    main()
