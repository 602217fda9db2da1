#!/usr/bin/python3
"""DXF bytes to a 256 picture: `ortholux-preview --draw -s 256` against `cat` of the same file
and against the Python DXF library's drawing add-on (matplotlib backend), side by side in one
run, on the DXF fixtures and on generated drawings (bench/large_dxf.py) of 5 MB and 100 MB,
ASCII and binary; the peak memory of our drawing of the 100 MB drawings and, with --gigabyte,
of a 1 GB one.

Every contender runs once on each file to warm the page cache, then `--rounds` times; the
medians are compared. Times are CPU seconds (user + system, as /usr/bin/time gives them, to
10 ms), so that a shared, loaded machine still gives fair ratios. Our tool and cat run as
processes (start included); the library is timed inside one process after its imports:
reading the file, then drawing and saving the picture, each timed apart (it runs once per
file: it takes minutes on the 5 MB drawing). The peak memory is the process's maximum
resident set.

    bench/dxf_bench.py [--tool build/host/bin/ortholux-preview] [--rounds 5] [--no-ezdxf]
        [--gigabyte] [--keep DIR]
Goals: at least 200 MB/s; at most 64 MiB whatever the size.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import large_dxf  # noqa: E402

REPO = Path(__file__).resolve().parents[1]
FIXTURES = REPO.parent / "shared" / "fixtures" / "dxf"
MB = 1e6

# Runs in a child interpreter: imports first, then times reading, then drawing and saving.
EZDXF_DRAW = r"""
import json, sys, time
import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import ezdxf
from ezdxf.addons.drawing import Frontend, RenderContext
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend
import logging
logging.disable(logging.WARNING)
path, out = sys.argv[1], sys.argv[2]
start = time.process_time()
doc = ezdxf.readfile(path)
read = time.process_time()
fig = plt.figure(figsize=(2.56, 2.56), dpi=100)
ax = fig.add_axes([0, 0, 1, 1])
Frontend(RenderContext(doc), MatplotlibBackend(ax)).draw_layout(doc.modelspace(), finalize=True)
fig.savefig(out, dpi=100)
done = time.process_time()
print(json.dumps({"read": read - start, "draw": done - read}))
"""


def run_measured(command):
    """(CPU seconds, exit status, max RSS in KiB) of one process, output discarded. Both come
    from /usr/bin/time, a small parent: a child of this interpreter would inherit its
    high-water mark across exec. CPU time (user + system), not wall time: the machines this
    runs on are shared, and a loaded one stretches wall times many fold."""
    with tempfile.NamedTemporaryFile("r") as report:
        r = subprocess.run(["/usr/bin/time", "-q", "-f", "%U %S %M", "-o", report.name,
                            *command], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        user, system, peak = report.read().split()[-3:]
        return max(float(user) + float(system), 0.005), r.returncode, int(peak)


def median_run(command, rounds):
    run_measured(command)  # warm
    runs = [run_measured(command) for _ in range(rounds)]
    return statistics.median(r[0] for r in runs), runs[-1][1], max(r[2] for r in runs)


def ezdxf_times(path, out):
    r = subprocess.run([sys.executable, "-c", EZDXF_DRAW, str(path), str(out)],
                       capture_output=True, text=True)
    if r.returncode != 0:
        return None
    return json.loads(r.stdout.strip().splitlines()[-1])


def mbps(size, seconds):
    return size / MB / seconds if seconds > 0 else float("inf")


def bench_file(path, tool, rounds, with_ezdxf, out_dir):
    size = path.stat().st_size
    ours, status, rss = median_run([tool, "--draw", "-s", "256", str(path),
                                    str(out_dir / "ours.png")], rounds)
    cat, _, _ = median_run(["cat", str(path)], rounds)
    row = dict(name=path.name, size=size, ours=ours, status=status, rss=rss, cat=cat)
    if with_ezdxf:
        row["ezdxf"] = ezdxf_times(path, out_dir / "ezdxf.png")
    return row


def print_row(row):
    size = row["size"]
    line = (f"{row['name']:<24} {size / MB:9.2f} {mbps(size, row['ours']):9.1f} "
            f"{mbps(size, row['cat']):9.1f} {row['ours'] / row['cat']:8.1f}x "
            f"{row['rss'] / 1024:8.1f}")
    ez = row.get("ezdxf")
    if ez:
        total = ez["read"] + ez["draw"]
        line += (f" {mbps(size, total):9.3f} {total / row['ours']:8.0f}x"
                 f"  (read {ez['read']:.2f} s, draw {ez['draw']:.2f} s)")
    elif "ezdxf" in row:
        line += "   ezdxf failed"
    if row["status"] != 0:
        line += f"  [exit {row['status']}]"
    print(line, flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--tool", default=str(REPO / "build/host/bin/ortholux-preview"))
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--no-ezdxf", action="store_true", help="leave the library out")
    parser.add_argument("--gigabyte", action="store_true", help="also a 1 GB drawing's peak")
    parser.add_argument("--keep", help="write the generated drawings here, not in a temp folder")
    args = parser.parse_args()
    tool = os.path.abspath(args.tool)

    with tempfile.TemporaryDirectory(prefix="ortholux-dxf-bench-") as tmp:
        work = Path(args.keep) if args.keep else Path(tmp)
        work.mkdir(parents=True, exist_ok=True)
        generated = []
        for label, size, binary in (("5MB-ascii", 5 << 20, False), ("5MB-binary", 5 << 20, True),
                                    ("100MB-ascii", 100 << 20, False),
                                    ("100MB-binary", 100 << 20, True)):
            path = work / f"large-{label}.dxf"
            if not path.exists():
                large_dxf.write_drawing(path, size, binary)
            generated.append(path)

        print(f"{'drawing':<24} {'MB':>9} {'ours MB/s':>9} {'cat MB/s':>9} {'ours/cat':>9} "
              f"{'peak MiB':>8} {'ezdxf MB/s':>9} {'ezdxf/ours':>9}")
        rows = []
        fixtures = sorted(FIXTURES.glob("*.dxf")) + sorted((FIXTURES / "entities-2007").glob("*.dxf"))
        for path in fixtures + generated:
            with_ezdxf = not args.no_ezdxf and "100MB" not in path.name
            row = bench_file(path, tool, args.rounds if "100MB" not in path.name else
                             max(1, args.rounds // 2), with_ezdxf, work)
            print_row(row)
            rows.append(row)

        for kind in ("ascii", "binary"):
            picked = [r for r in rows if r["name"].endswith(".dxf") and "large" not in r["name"]
                      and (r["name"].startswith("binary") == (kind == "binary"))]
            if picked:
                size = sum(r["size"] for r in picked)
                ours = sum(r["ours"] for r in picked)
                cat = sum(r["cat"] for r in picked)
                print(f"fixtures, {kind}: {len(picked)} files, {size / MB:.2f} MB: ours "
                      f"{mbps(size, ours):.1f} MB/s, cat {mbps(size, cat):.1f} MB/s")

        if args.gigabyte:
            path = work / "large-1GB-ascii.dxf"
            if not path.exists():
                large_dxf.write_drawing(path, 1 << 30, False)
            seconds, status, rss = run_measured([tool, "--draw", "-s", "256", str(path),
                                                 str(work / "ours.png")])
            cat, _, _ = run_measured(["cat", str(path)])
            print(f"{path.name}: {path.stat().st_size / MB:.0f} MB, ours {seconds:.1f} s CPU "
                  f"({mbps(path.stat().st_size, seconds):.1f} MB/s, exit {status}), cat "
                  f"{cat:.1f} s, peak {rss / 1024:.1f} MiB (aim: 64)")


if __name__ == "__main__":
    main()
