#!/usr/bin/python3
"""Fidelity of drawn DXF pictures against the pictures a CAD program drew of the same drawings.

For each pair (our picture, the reference), both the same size:
  ground    = the most common colour among a picture's border pixels (top and bottom rows,
              left and right columns);
  ink       = the pixels that differ from their picture's ground by more than 48 in any
              channel (alpha is dropped: every picture here is opaque);
  t         = max(2, round(0.02 x the reference's larger side)), halves rounded up;
  precision = the share of our ink with reference ink within the (2t+1) x (2t+1) square
              around it; recall = the same the other way round;
  F         = their harmonic mean, 0 when either picture has no ink.
Beside each F, the floor: the F of a filled box over the reference's ink extent, that is a
picture whose ink is every pixel of the reference ink's bounding box (its recall is 1, so
the floor says how much of that box the reference's ink covers, dilated by t).

Three forms:
  fidelity.py compare OURS REF [OURS REF ...] [--artifacts DIR]
  fidelity.py fixtures [--tool build/host/bin/ortholux-preview] [--artifacts DIR]
  fidelity.py dwg [--tool ...] [--artifacts DIR]
The second draws, with `ortholux-preview --draw -s WxH` at each reference's exact size, the
DXF fixtures whose DWG twin carries a thumbnail (the twin's thumbnail, taken out with
`ortholux-preview TWIN.dwg OUT`, is the reference) and entities-2007/*.dxf against
*.reference.png. The third draws every DWG fixture that carries a thumbnail (dwg/, dwg-more/
and dwg-more/entities-2000/) from its own geometry and measures it against that thumbnail, with
the medians for each release code. Prints one line per pair (name, F, precision, recall,
floor), then the medians, and keeps a picture of every pair in the artifacts folder: ours | reference | ink
(reference ink green, ours red, both yellow).
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
from PIL import Image

REPO = Path(__file__).resolve().parents[1]
FIXTURES = REPO.parent / "shared" / "fixtures"
INK_THRESHOLD = 48


def load(path):
    return np.asarray(Image.open(path).convert("RGB"), dtype=np.int16)


def ground_of(pixels):
    border = np.concatenate([pixels[0], pixels[-1], pixels[:, 0], pixels[:, -1]])
    colours, counts = np.unique(border, axis=0, return_counts=True)
    return colours[np.argmax(counts)]


def ink_of(pixels):
    return (np.abs(pixels - ground_of(pixels)) > INK_THRESHOLD).any(axis=2)


def tolerance(reference_shape):
    # round() in Python rounds halves to even; the measure means ordinary rounding.
    return max(2, int(0.02 * max(reference_shape[:2]) + 0.5))


def dilate(mask, t):
    """Every pixel with a set pixel within the (2t+1) x (2t+1) square around it."""
    out = mask.astype(np.int32)
    for axis in (0, 1):
        n = out.shape[axis]
        sums = np.cumsum(out, axis=axis)
        sums = np.concatenate([np.zeros_like(np.take(sums, [0], axis=axis)), sums], axis=axis)
        hi = np.minimum(np.arange(n) + t + 1, n)
        lo = np.maximum(np.arange(n) - t, 0)
        out = (np.take(sums, hi, axis=axis) - np.take(sums, lo, axis=axis) > 0).astype(np.int32)
    return out.astype(bool)


def scores(ours, reference, t):
    """(F, precision, recall) of two ink masks of one size."""
    if not ours.any() or not reference.any():
        return 0.0, 0.0, 0.0
    precision = float((ours & dilate(reference, t)).sum()) / float(ours.sum())
    recall = float((reference & dilate(ours, t)).sum()) / float(reference.sum())
    if precision + recall == 0:
        return 0.0, precision, recall
    return 2 * precision * recall / (precision + recall), precision, recall


def box_over(ink):
    box = np.zeros_like(ink)
    if ink.any():
        rows = np.flatnonzero(ink.any(axis=1))
        cols = np.flatnonzero(ink.any(axis=0))
        box[rows[0]:rows[-1] + 1, cols[0]:cols[-1] + 1] = True
    return box


def measure(ours_path, reference_path):
    """{f, precision, recall, floor} of one pair, plus the pictures for the artifact."""
    ours, reference = load(ours_path), load(reference_path)
    if ours.shape != reference.shape:
        raise ValueError(f"{ours_path} is {ours.shape[1]}x{ours.shape[0]}, its reference "
                         f"{reference.shape[1]}x{reference.shape[0]}")
    t = tolerance(reference.shape)
    ours_ink, reference_ink = ink_of(ours), ink_of(reference)
    f, precision, recall = scores(ours_ink, reference_ink, t)
    floor = scores(box_over(reference_ink), reference_ink, t)[0]
    return dict(f=f, precision=precision, recall=recall, floor=floor, t=t, ours=ours,
                reference=reference, ours_ink=ours_ink, reference_ink=reference_ink)


def save_artifact(result, path):
    h, w = result["reference"].shape[:2]
    gap = 4
    sheet = np.full((h, 3 * w + 2 * gap, 3), 255, dtype=np.uint8)
    sheet[:, :w] = result["ours"]
    sheet[:, w + gap:2 * w + gap] = result["reference"]
    overlay = np.zeros((h, w, 3), dtype=np.uint8)
    overlay[result["ours_ink"], 0] = 255
    overlay[result["reference_ink"], 1] = 255
    sheet[:, 2 * (w + gap):] = overlay
    Image.fromarray(sheet).save(path)


def report(pairs, artifacts):
    """Measures (name, ours, reference) pairs, prints the table; returns the median F."""
    artifacts.mkdir(parents=True, exist_ok=True)
    print(f"{'name':<30} {'F':>6} {'prec':>6} {'recall':>6} {'floor':>6}  t")
    fs, floors = [], []
    for name, ours, reference in pairs:
        if ours is None:  # counts as F 0
            reference_ink = ink_of(load(reference))
            t = tolerance(reference_ink.shape)
            floors.append(scores(box_over(reference_ink), reference_ink, t)[0])
            print(f"{name:<30} {0:6.3f} {'-':>6} {'-':>6} {floors[-1]:6.3f}  {t} (not drawn)")
            fs.append(0.0)
            continue
        r = measure(ours, reference)
        fs.append(r["f"])
        floors.append(r["floor"])
        print(f"{name:<30} {r['f']:6.3f} {r['precision']:6.3f} {r['recall']:6.3f} "
              f"{r['floor']:6.3f}  {r['t']}")
        save_artifact(r, artifacts / f"{name}.png")
    if fs:
        floor = f"{statistics.median(floors):6.3f}" if floors else f"{'-':>6}"
        print(f"{'median':<30} {statistics.median(fs):6.3f} {'':>6} {'':>6} {floor}")
    print(f"side-by-side pictures: {artifacts}")
    return fs, floors


def release_of(path):
    with open(path, "rb") as f:
        head = f.read(6)
    return head[2:6].decode("ascii", "replace") if head[:2] == b"AC" else "?"


def dwg_pairs(tool, tmp):
    """(name, ours, reference, release) for every DWG fixture whose thumbnail we can read."""
    pairs = []
    for folder in ("dwg", "dwg-more", "dwg-more/entities-2000"):
        for dwg in sorted((FIXTURES / folder).glob("*.dwg")):
            name = (folder.replace("dwg-more", "more").replace("/", "_") + "_" + dwg.stem)
            reference = tmp / f"{name}.reference"
            r = run(tool, dwg, reference)
            if r.returncode != 0 or not r.stdout.startswith(b"Ready") or not reference.exists():
                continue  # no thumbnail, or a release before R13
            pairs.append((name, draw(tool, dwg, reference, tmp / f"{name}.png"), reference,
                          release_of(dwg)))
    return pairs


def report_by_release(pairs, artifacts):
    fs, floors = report([p[:3] for p in pairs], artifacts)
    by_release = {}
    for (_, _, _, release), f, floor in zip(pairs, fs, floors):
        by_release.setdefault(release, []).append((f, floor))
    print(f"{'release':<8} {'n':>3} {'median F':>9} {'floor':>6}")
    for release, rows in sorted(by_release.items()):
        print(f"{release:<8} {len(rows):>3} {statistics.median(r[0] for r in rows):9.3f} "
              f"{statistics.median(r[1] for r in rows):6.3f}")


def twin_of(dxf):
    for folder in ("dwg", "dwg-more"):
        dwg = FIXTURES / folder / (dxf.stem + ".dwg")
        if dwg.exists():
            return dwg
    return None


def run(tool, *args):
    return subprocess.run([tool, *map(str, args)], capture_output=True)


def draw(tool, dxf, reference, out):
    """Our picture of dxf at the reference's size, or None when the tool gave none."""
    w, h = Image.open(reference).size
    r = run(tool, "--draw", "-s", f"{w}x{h}", dxf, out)
    if r.returncode != 0 or not out.exists():
        message = r.stderr.decode(errors="replace").strip().split("\n")[0] or "nothing drawn"
        sys.stderr.write(f"{dxf.name}: exit {r.returncode}: {message}\n")
        return None
    return out


def fixture_pairs(tool, tmp):
    pairs = []
    for dxf in sorted((FIXTURES / "dxf").glob("example_*.dxf")):
        twin = twin_of(dxf)
        if twin is None:
            continue
        reference = tmp / f"{dxf.stem}.reference"
        r = run(tool, twin, reference)
        if r.returncode != 0 or not reference.exists():
            continue  # the twin carries no thumbnail
        pairs.append((dxf.stem, draw(tool, dxf, reference, tmp / f"{dxf.stem}.png"), reference))
    for dxf in sorted((FIXTURES / "dxf" / "entities-2007").glob("*.dxf")):
        reference = dxf.with_name(dxf.stem + ".reference.png")
        if reference.exists():
            name = "entities-2007/" + dxf.stem
            pairs.append((name.replace("/", "_"),
                          draw(tool, dxf, reference, tmp / f"e2007_{dxf.stem}.png"), reference))
    return pairs


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="form", required=True)
    compare = sub.add_parser("compare", help="measure given pairs: OURS REF [OURS REF ...]")
    compare.add_argument("pictures", nargs="+")
    fixtures = sub.add_parser("fixtures", help="draw the fixtures and measure them")
    dwg = sub.add_parser("dwg", help="draw the DWG fixtures and measure them against their "
                         "own thumbnails")
    for p in (fixtures, dwg):
        p.add_argument("--tool", default=str(REPO / "build/host/bin/ortholux-preview"))
    for p in (compare, fixtures, dwg):
        p.add_argument("--artifacts", default=str(REPO / "build/fidelity"))
    args = parser.parse_args()
    artifacts = Path(args.artifacts)

    if args.form == "compare":
        if len(args.pictures) % 2:
            parser.error("pictures come in pairs: OURS REF")
        it = iter(args.pictures)
        pairs = [(Path(o).stem, o, ref) for o, ref in zip(it, it)]
        report(pairs, artifacts)
        return
    with tempfile.TemporaryDirectory(prefix="ortholux-fidelity-") as tmp:
        tool = os.path.abspath(args.tool)
        if args.form == "dwg":
            report_by_release(dwg_pairs(tool, Path(tmp)), artifacts)
        else:
            report(fixture_pairs(tool, Path(tmp)), artifacts)


if __name__ == "__main__":
    main()
