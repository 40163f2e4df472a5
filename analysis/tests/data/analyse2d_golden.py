#!/usr/bin/python3
"""Golden records and header of two whole 2D analysis runs, computed independently.

Writes analyse2d_golden.inc beside this script: for a 64 x 64 synthetic
12-bit image with four ROIs, the header text and every record (name and the
16 ROI values, in report order) of
  - a run with the default options, and
  - a run with "3 sigma" normalisation and co-occurrence distances 1 and 3.
The C++ test builds the same image from the same integer formula (checked by
the checksums written here), runs the analysis and compares. Running the test
needs no Python.

The histogram, normalisation, co-occurrence, run-length and gradient families
come from texture_cases.py (literal per-ROI loops). The autoregressive model
is fitted here by numpy's least squares on the design matrix of the usable
pixels, not through normal equations.

Run with Debian's python3 and python3-numpy:
    /usr/bin/python3 analysis/tests/data/analyse2d_golden.py
"""

import math
import os
import sys
from fractions import Fraction

import numpy as np

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import texture_cases as tc  # noqa: E402

W, H = 64, 64
BITS = 12
IMAGE_TITLE = "golden.ima"
ROI_FILE = "golden.roi"
MISSING = math.inf


# -------------------------------------------------------------------- image

def make_image():
    """Integer-only formula plus a 31-bit LCG, raster order; the C++ test has
    the same lines."""
    img = np.zeros((H, W), dtype=np.int64)
    state = 20240611
    for y in range(H):
        for x in range(W):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            r = state >> 16
            v = (1000 + ((x * 3 + y * 2) % 29) * 40 + ((x * y) % 13) * 11 +
                 ((x - 20) ** 2 + (y - 40) ** 2) // 8 + r % 301)
            if r % 61 == 0:
                v = 3900 + r % 196   # bright outliers, up to 4095
            elif r % 61 == 1:
                v = r % 200          # dark outliers
            img[y, x] = v
    return img


def make_roi_map():
    """ROI 1: a rectangle in the top left corner; ROI 2: an ellipse that
    overlaps it a little; ROI 6: the bottom right triangle with a hole, on
    the right and bottom border, overlapping the ellipse a little; ROI 16 (the
    top bit of a map word): a line one pixel high in the bottom left corner,
    where the autoregressive model has no pixel to fit."""
    roi = np.zeros((H, W), dtype=np.int64)
    for y in range(H):
        for x in range(W):
            if x <= 27 and y <= 23:
                roi[y, x] |= 1 << 0
            dx, dy = x - 32, y - 28
            if dx * dx * 81 + dy * dy * 144 <= 144 * 81:
                roi[y, x] |= 1 << 1
            if x + y >= 72 and not (50 <= x <= 53 and 50 <= y <= 55):
                roi[y, x] |= 1 << 5
            if y == 63 and x <= 8:
                roi[y, x] |= 1 << 15
    return roi


def checksum(a):
    s = 0
    for i, v in enumerate(a.ravel().tolist()):
        s = (s * 31 + int(v) * (i % 7 + 1)) % 2**32
    return s


# ------------------------------------------------------ autoregressive model

def exact_gram_determinant(columns):
    """Exact determinant of C^T C for integer columns (Bareiss elimination)."""
    n = len(columns)
    g = [[sum(a * b for a, b in zip(columns[i], columns[j])) for j in range(n)] for i in range(n)]
    m = [[Fraction(v) for v in row] for row in g]
    det = Fraction(1)
    for k in range(n):
        pivot = next((i for i in range(k, n) if m[i][k] != 0), None)
        if pivot is None:
            return 0
        if pivot != k:
            m[k], m[pivot] = m[pivot], m[k]
            det = -det
        det *= m[k][k]
        for i in range(k + 1, n):
            f = m[i][k] / m[k][k]
            for j in range(k, n):
                m[i][j] -= f * m[k][j]
    return det


def ar_model(image, roimap, r):
    """The six values of ROI r: K, Teta1..Teta4, Sigma."""
    pixels = tc.roi_pixels(roimap, r)
    P = len(pixels)
    if P == 0:
        return [0.0] * 6
    box = tc.bounding_box(roimap, r)
    xmin, ymin, xmax, ymax = box
    samples = np.array([int(image[y, x]) for x, y in pixels], dtype=np.float64)
    total = int(sum(int(image[y, x]) for x, y in pixels))
    mean = total / P
    variance = float(np.mean((samples - mean) ** 2))
    if not variance > 0:
        return [0.0] + [MISSING] * 5
    sd = math.sqrt(variance)

    def inside(x, y):
        return xmin <= x <= xmax and ymin <= y <= ymax and tc.in_roi(roimap, r, x, y)

    neighbours = ((-1, 0), (-1, -1), (0, -1), (1, -1))
    used = []
    for y in range(ymin + 1, ymax + 1):
        for x in range(xmin + 1, xmax):
            if inside(x, y) and all(inside(x + dx, y + dy) for dx, dy in neighbours):
                used.append((x, y))
    K = len(used)
    if K == 0:
        # Nothing accumulated: the normal matrix is exactly zero.
        return [0.0] + [MISSING] * 5

    # Whether the normal matrix is singular is decided exactly: z is an affine
    # map of the samples, so its columns are dependent exactly when the integer
    # columns P * v - sum are. A singular system with pixels in it would leave
    # the program's result to rounding: such a ROI is no golden case.
    columns = [[P * int(image[y + dy, x + dx]) - total for x, y in used] for dx, dy in neighbours]
    if exact_gram_determinant(columns) == 0:
        raise SystemExit("ROI %d: singular autoregressive system with pixels; choose another" %
                         (r + 1))

    def z(x, y):
        return (int(image[y, x]) - mean) / sd

    X = np.array([[z(x + dx, y + dy) for dx, dy in neighbours] for x, y in used])
    w = np.array([z(x, y) for x, y in used])
    cond = np.linalg.cond(X)
    if cond > 1e6:
        raise SystemExit("ROI %d: ill-conditioned autoregressive system (%g)" % (r + 1, cond))
    teta, _, rank, _ = np.linalg.lstsq(X, w, rcond=None)
    assert rank == 4
    residual = math.fsum(float(e) ** 2 for e in (w - X @ teta))
    return [float(K)] + [float(t) for t in teta] + [math.sqrt(residual / K)]


AR_NAMES = ["_AreaARM", "Teta1", "Teta2", "Teta3", "Teta4", "Sigma"]


# -------------------------------------------------------------------- header

def general(v):
    return "%.5g" % v


def header(case, image_min, image_max):
    d = sorted(case["distances"])
    h = "Image File: " + IMAGE_TITLE + " \r\n"
    h += "ROI File: " + ROI_FILE + " \r\n"
    h += "Image size: " + general(W) + " x " + general(H) + "\r\n"
    h += "Min. lum.: %d\r\nMax. lum.: %d\r\nBits/pixel: %d\r\n\r\n" % (
        image_min + 1, image_max + 1, BITS)
    h += "Normalisation = " + {1: " 3 sigma\r\n", 2: " 1 percent\r\n"}.get(case["mode"],
                                                                           " No\r\n")
    h += "Histogram analysis = Yes\r\n"
    h += "CO matrix analysis = "
    if d:
        h += ("Yes, Dimensions = " + general(case["ng_vt"]) + " x " + general(case["ng_vt"]) +
              ", Distances =" + "".join(" %d" % k for k in d) + "\r\n")
    else:
        h += "No\r\n"
    h += "RL matrix analysis = Yes, Dimension = " + general(case["ng_rl"]) + "\r\n"
    h += "Gradient analysis = Yes, Max pixel value = " + general(2 ** case["ng_gr"]) + "\r\n"
    h += "AR model analysis = Yes\r\n"
    return h


# ------------------------------------------------------------------- output

def number(v):
    if v == math.inf:
        return "kMissing"
    if v == 0:
        return "0"
    if v == int(v) and abs(v) < 1e15:
        return str(int(v))
    return repr(v)


def c_string(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"').replace("\r", "\\r").replace(
        "\n", "\\n") + '"'


def main():
    image = make_image()
    roimap = make_roi_map()
    image_min, image_max = int(image.min()), int(image.max())
    assert image_max < 2**BITS
    ar = [ar_model(image, roimap, r) for r in range(tc.ROIS)]

    runs = [
        ("default options", dict(mode=0, distances={1, 2, 3, 4, 5})),
        ("3 sigma, distances 1 and 3", dict(mode=1, distances={1, 3})),
    ]
    here = os.path.dirname(os.path.abspath(__file__))
    out = ["// Generated by analyse2d_golden.py; do not edit.",
           "// Two whole 2D runs over the test image: header and records in report order."]
    out.append("static const uint32_t kGoldenSampleChecksum = %du;" % checksum(image))
    out.append("static const uint32_t kGoldenRoiChecksum = %du;" % checksum(roimap))
    out.append("static const int32_t kGoldenImageMin = %d;" % image_min)
    out.append("static const int32_t kGoldenImageMax = %d;" % image_max)
    table = []
    for k, (title, options) in enumerate(runs):
        case = dict(image=image, roi=roimap, B=BITS, mode=options["mode"], ng_vt=6, ng_rl=6,
                    ng_gr=4, distances=options["distances"])
        recs = tc.records_of(case)
        for i, name in enumerate(AR_NAMES):
            recs.append((name, [ar[r][i] for r in range(tc.ROIS)]))
        out.append("static const GoldenRecord kGoldenRun%dRecords[] = {" % k)
        for name, values in recs:
            out.append('    {"%s", {%s}},' % (name, ",".join(number(v) for v in values)))
        out.append("};")
        dist = ",".join("1" if d in options["distances"] else "0" for d in range(1, 6))
        table.append("    {%s, %d, {%s}, %s, kGoldenRun%dRecords, std::size(kGoldenRun%dRecords)},"
                     % (c_string(title), options["mode"], dist,
                        c_string(header(case, image_min, image_max)), k, k))
    out.append("static const GoldenRun kGoldenRuns[] = {")
    out.extend(table)
    out.append("};")
    with open(os.path.join(here, "analyse2d_golden.inc"), "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
