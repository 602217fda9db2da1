#!/usr/bin/env python3
"""GetThumbnail(256) of OrtholuxShell.dll under Wine beside the same pipeline natively, per
real drawing: medians of ROUNDS runs in one process each (the handler made, initialised with a
stream over the drawing in memory, asked for 256; natively the thumbnailer's read, decode and
fit from memory), the bytes each read, the ratio, and the figures per release kind (BMP and
PNG apart). Then the DLL's size. Prints figures only: no limits are checked.

    python3 bench/shell_bench.py [--win-bin build/win/bin] [--host-bin build/host/bin]
                                 [--rounds 15]

Needs Xvfb and Wine (tests/e2e/README.md); takes displays from ORTHOLUX_E2E_DISPLAYS.
"""
import argparse
import csv
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
FIXTURES = Path(os.environ.get("ORTHOLUX_FIXTURES", REPO.parent / "shared" / "fixtures" / "dwg"))


def native_medians(bench, rounds):
    """{file name: (median microseconds, bytes read)} from ortholux_bench."""
    with tempfile.TemporaryDirectory(prefix="shell-bench-") as folder:
        out = Path(folder) / "native.json"
        subprocess.run([str(bench), "--benchmark_filter=BM_FixturePipeline256",
                        f"--benchmark_repetitions={rounds}",
                        "--benchmark_report_aggregates_only=true",
                        f"--benchmark_out={out}", "--benchmark_out_format=json"],
                       check=True, stdout=subprocess.DEVNULL,
                       env={**os.environ, "ORTHOLUX_FIXTURES": str(FIXTURES)})
        report = json.loads(out.read_text())
    medians = {}
    for run in report["benchmarks"]:
        if run.get("aggregate_name") == "median":
            name = run["run_name"].split("/", 1)[1]
            medians[name] = (run["real_time"], int(run["read"]))
    return medians


def wine_medians(win_bin, rounds, drawings):
    """{file name: (HRESULT, median microseconds, bytes read, size)} from olxshell.exe."""
    os.environ.setdefault("ORTHOLUX_BIN_DIR", str(win_bin))
    sys.path.insert(0, str(REPO / "tests" / "e2e"))
    from harness import WineSession  # noqa: E402  (the e2e harness, by path)

    with WineSession() as session:
        folder = session.c_drive / "Program Files" / "Ortholux"
        folder.mkdir(parents=True)
        dll = folder / "OrtholuxShell.dll"
        shutil.copy(win_bin / "OrtholuxShell.dll", dll)
        done = session.wine("regsvr32", "/s", session.unix_to_wine_path(dll))
        if done.returncode != 0:
            raise SystemExit(f"regsvr32 exited {done.returncode}")
        done = session.wine(win_bin / "olxshell.exe", "bench", "256", str(rounds),
                            *(session.unix_to_wine_path(d) for d in drawings), timeout=1800)
    results = {}
    for line in done.stdout.decode("cp932").splitlines():
        fields = line.split("\t")
        if fields[0] == "bench":
            name = fields[1].rsplit("\\", 1)[1]
            results[name] = (fields[2], float(fields[3]), int(fields[4]), int(fields[5]))
    if len(results) != len(drawings):
        raise SystemExit("olxshell bench: " + done.stderr.decode("cp932", "replace"))
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--win-bin", type=Path, default=REPO / "build" / "win" / "bin")
    parser.add_argument("--host-bin", type=Path, default=REPO / "build" / "host" / "bin")
    parser.add_argument("--rounds", type=int, default=15)
    options = parser.parse_args()
    drawings = sorted(FIXTURES.glob("*.dwg"))
    if not drawings:
        raise SystemExit(f"no drawings in {FIXTURES}")
    with open(FIXTURES / "expected.tsv", encoding="utf-8", newline="") as f:
        expected = {row["file"]: row for row in csv.DictReader(f, delimiter="\t")}

    native = native_medians(options.host_bin / "ortholux_bench", options.rounds)
    with tempfile.TemporaryDirectory(prefix="shell-bench-") as folder:
        # A 1 GiB drawing: a real one followed by a sparse gap, as a huge drawing's thumbnail
        # lies near its start (the handler must read no more of it than of the small one).
        big = Path(folder) / "example_2000_1GiB.dwg"
        shutil.copy(FIXTURES / "example_2000.dwg", big)
        os.truncate(big, 1 << 30)
        expected[big.name] = expected.get("example_2000.dwg", {})
        wine = wine_medians(options.win_bin.resolve(), options.rounds, [*drawings, big])
        drawings.append(big)

    print(f"GetThumbnail(256), medians of {options.rounds} runs "
          f"(Wine: OrtholuxShell.dll in olxshell.exe; native: the same pipeline)")
    print(f"{'drawing':24} {'code':5} {'kind':4} {'result':9} {'Wine ms':>9} {'native ms':>10} "
          f"{'ratio':>7} {'read':>9} {'size':>9}")
    kinds = {}
    for drawing in drawings:
        name = drawing.name
        result, wine_us, read, size = wine[name]
        native_us, native_read = native.get(name, (float("nan"), -1))
        row = expected.get(name, {})
        kind = row.get("image_kind", "-")
        ratio = wine_us / native_us if native_us > 0 else float("nan")
        print(f"{name:24} {row.get('release_code', '-'):5} {kind:4} {result:9} "
              f"{wine_us / 1000:9.3f} {native_us / 1000:10.3f} {ratio:7.2f} {read:9} {size:9}"
              + ("" if native_read in (-1, read) else f"  (native read {native_read})"))
        if result == "00000000":
            kinds.setdefault(kind, []).append((wine_us, native_us))
    for kind, pairs in sorted(kinds.items()):
        wine_ms = statistics.median(p[0] for p in pairs) / 1000
        native_ms = statistics.median(p[1] for p in pairs) / 1000
        print(f"{kind.upper()} thumbnails ({len(pairs)}): median Wine {wine_ms:.3f} ms, "
              f"native {native_ms:.3f} ms, ratio {wine_ms / native_ms:.2f}")
    dll = options.win_bin / "OrtholuxShell.dll"
    sizes = f"{dll}: {dll.stat().st_size} bytes"
    strip = shutil.which("x86_64-w64-mingw32-strip")
    if strip:  # as the release ships it (scripts/package.sh strips at link time)
        with tempfile.TemporaryDirectory(prefix="shell-bench-") as folder:
            stripped = Path(folder) / dll.name
            subprocess.run([strip, "-o", str(stripped), str(dll)], check=True)
            sizes += f", {stripped.stat().st_size} stripped"
    print(sizes)


if __name__ == "__main__":
    main()
