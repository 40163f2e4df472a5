#!/usr/bin/python3
"""Reference values for the shape features.

Writes shape_cases.inc beside this script: test shapes (square, disks, a
ring, an L, a rotated ellipse, two parts with holes, a line, one pixel) as
masks, and for each the expected group-1 records:

- the records whose formula is fixed (GeoX, GeoY, GeoF, GeoSpol, GeoAox, the
  Feret widths over 256 directions, GeoUg, the radial distances and the
  factors built from them), computed literally with numpy;
- the records that scikit-image's regionprops also computes (area, centroid,
  central moments, axis lengths, eccentricity, orientation, solidity, extent,
  convex and filled area, Euler number, maximum Feret diameter), taken from
  regionprops itself.

Run with Debian's python3, python3-numpy and python3-skimage:
    /usr/bin/python3 analysis/tests/data/shape_cases.py
"""

import math
import os

import numpy as np
from skimage.measure import regionprops

NAMES = [
    "GeoX", "GeoY", "GeoF", "GeoSpol", "GeoSmax", "GeoAox", "GeoUg", "GeoUw",
    "GeoFmax", "GeoFmin", "GeoFh", "GeoFv", "GeoMmin", "GeoMmax", "GeoMaver", "GeoFt",
    "GeoUl", "GeoS1", "GeoS2", "GeoLsz", "GeoS", "GeoL", "GeoSxL", "GeoD1",
    "GeoD2", "GeoFd2", "GeoLmaxE", "GeoLminE", "GeoFE", "GeoW1", "GeoW2", "GeoW6",
    "GeoW3", "GeoW4", "GeoW5", "GeoW5b", "GeoW7", "GeoRs", "GeoRf", "GeoRff",
    "GeoRc", "GeoRc1", "GeoRc2", "GeoRm", "GeoRb", "GeoRd", "GeoRh", "GeoW8",
    "GeoW9", "GeoW10", "GeoSigR", "GeoW11", "GeoW12", "GeoW13", "GeoW14", "GeoW15",
    "GeoM2x", "GeoM2y", "GeoM2xy", "GeoEr", "GeoEr2", "GeoEl", "GeoEl2", "GeoNc",
    "GeoNv", "GeoNl", "GeoNsz", "GeoNi", "GeoNx", "GeoNo", "GeoXo", "GeoYo",
    "GeoXYo"]


def inside(mask, x, y):
    h, w = mask.shape
    return 0 <= x < w and 0 <= y < h and mask[y, x]


def boundary(mask):
    pts = []
    for y, x in zip(*np.nonzero(mask)):
        if not (inside(mask, x - 1, y) and inside(mask, x + 1, y) and
                inside(mask, x, y - 1) and inside(mask, x, y + 1)):
            pts.append((int(x), int(y)))
    return pts


def defined_records(mask):
    """The records whose formulas are fixed, literally."""
    ys, xs = np.nonzero(mask)
    a = len(xs)
    cx, cy = xs.mean(), ys.mean()
    out = {"GeoX": cx, "GeoY": cy, "GeoF": a, "GeoSpol": math.sqrt(4 * a / math.pi)}
    b = boundary(mask)
    h = []
    for k in range(256):
        t = k * 2 * math.pi / 256
        h.append(max(x * math.cos(t) + y * math.sin(t) for x, y in b))
    width = [h[k] + h[k + 128] for k in range(128)]
    width = [0.0 if abs(v) < 1e-9 else v for v in width]
    out["GeoFmax"], out["GeoFmin"] = max(width), min(width)
    out["GeoFh"], out["GeoFv"] = width[0], width[64]
    cycle = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1)]
    total = 0.0
    for x, y in b:
        n = [1 if inside(mask, x + dx, y + dy) else 0 for dx, dy in cycle]
        k = n[0] + n[2] + n[4] + n[6]
        d = n[1] + n[3] + n[5] + n[7]
        t = sum(1 for i in range(8) if n[i] and not n[(i + 1) % 8])
        total += min(t, 2) * (k + math.sqrt(2) * d)
    u = total / 2
    out["GeoUg"] = u
    r = [math.hypot(x - cx, y - cy) for x, y in b]
    out["GeoMmin"], out["GeoMmax"], out["GeoMaver"] = min(r), max(r), sum(r) / len(r)
    out["GeoRs"] = u * u / (4 * math.pi * a)
    if width[64] != 0:
        out["GeoRf"] = width[0] / width[64]
    if max(width) != 0:
        out["GeoRff"] = min(width) / max(width)
    if u != 0:
        out["GeoRc"] = math.sqrt(4 * a / math.pi) / (u / math.pi)
    out["GeoRc1"] = math.sqrt(4 * a / math.pi)
    out["GeoRc2"] = u / math.pi
    out["GeoRm"] = u / math.sqrt(math.pi * a / 4) - 1
    return out


def regionprops_records(mask, symmetric):
    p = regionprops(mask.astype(np.int64))[0]
    mu = p.moments_central
    out = {
        "GeoF": p.area,
        "GeoY": p.centroid[0],
        "GeoX": p.centroid[1],
        "GeoSpol": p.equivalent_diameter_area,
        "GeoM2x": mu[0, 2] / mu[0, 0],
        "GeoM2y": mu[2, 0] / mu[0, 0],
        "GeoM2xy": mu[1, 1] / mu[0, 0],
        "GeoLmaxE": p.axis_major_length,
        "GeoLminE": p.axis_minor_length,
        "GeoW2": p.solidity,
        "GeoW3": p.extent,
        "GeoS1": p.area_convex,
        "GeoS2": p.area_filled,
        "GeoNx": p.euler_number,
        "GeoFd2": p.feret_diameter_max,
    }
    if p.inertia_tensor_eigvals[0] != 0:
        out["GeoEr"] = p.eccentricity
    if not symmetric:
        # regionprops measures from the row axis; GeoAox from the column axis.
        a = math.pi / 2 - p.orientation
        if a > math.pi / 2:
            a -= math.pi
        out["GeoAox"] = math.degrees(a)
    return out


def canvas(w, h):
    return np.zeros((h, w), dtype=bool)


def shapes():
    out = []
    m = canvas(20, 16)
    m[3:13, 5:15] = True
    out.append(("square10", m, True))
    m = canvas(40, 40)
    yy, xx = np.mgrid[0:40, 0:40]
    m[(xx - 19) ** 2 + (yy - 20) ** 2 <= 12 * 12] = True
    out.append(("disk12", m, True))
    m = canvas(40, 40)
    d2 = (xx - 20) ** 2 + (yy - 20) ** 2
    m[(d2 <= 15 * 15) & (d2 > 7 * 7)] = True
    out.append(("ring15", m, True))
    m = canvas(30, 30)
    m[4:26, 6:12] = True
    m[20:26, 6:24] = True
    out.append(("lShape", m, False))
    m = canvas(50, 40)
    yy, xx = np.mgrid[0:40, 0:50]
    t = math.radians(30)
    u = (xx - 25) * math.cos(t) + (yy - 20) * math.sin(t)
    v = -(xx - 25) * math.sin(t) + (yy - 20) * math.cos(t)
    m[(u / 18) ** 2 + (v / 7) ** 2 <= 1] = True
    out.append(("ellipse30", m, False))
    m = canvas(40, 30)
    m[2:14, 2:16] = True
    m[5:8, 5:8] = False
    m[9:11, 10:13] = False
    m[18:27, 20:37] = True
    out.append(("twoPartsHoles", m, False))
    m = canvas(12, 5)
    m[2, 2:10] = True
    out.append(("line8", m, True))
    m = canvas(5, 5)
    m[2, 3] = True
    out.append(("onePixel", m, True))
    return out


def fmt(v):
    return repr(float(v))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    lines = ["// Generated by shape_cases.py; do not edit.",
             "// Each case: a mask and expected group-1 records (index, value, source)."]
    table = []
    for name, m, symmetric in shapes():
        h, w = m.shape
        lines.append("static const uint8_t k%sMask[] = {%s};" % (name, ",".join("1" if v else "0" for v in m.flat)))
        expected = []
        for key, value in defined_records(m).items():
            expected.append((NAMES.index(key), value, "formula"))
        if m.sum() > 1 and m.any(axis=0).sum() > 1 and m.any(axis=1).sum() > 1:
            for key, value in regionprops_records(m, symmetric).items():
                expected.append((NAMES.index(key), value, "regionprops"))
        lines.append("static const ShapeExpectation k%sExpected[] = {" % name)
        for index, value, source in expected:
            lines.append('    {%d, %s, "%s"},' % (index, fmt(value), source))
        lines.append("};")
        table.append('    {"%s", %d, %d, k%sMask, k%sExpected, %d},' % (name, w, h, name, name, len(expected)))
    lines.append("static const ShapeCase kShapeCases[] = {")
    lines.extend(table)
    lines.append("};")
    with open(os.path.join(here, "shape_cases.inc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
