#!/usr/bin/python3
"""Reference values for the 2D texture families, computed independently.

Writes texture_cases.inc beside this script: a set of small images with ROI
maps and options, and for each the records the families must produce (area,
normalisation limits, histogram, co-occurrence, run-length, gradient), in
report order. The C++ tests include the generated file, so running them needs
no Python.

Everything here follows the written definitions directly: literal walks and
loops per ROI, dense matrices, exact rational rounding for the scaling of
normalised samples. None of it mirrors the program's one-pass builders.

Run with Debian's python3 and python3-numpy:
    /usr/bin/python3 analysis/tests/data/texture_cases.py
"""

import math
import os
from fractions import Fraction

import numpy as np

ROIS = 16


# ---------------------------------------------------------------- levels

def scale_rounded(m, top, d):
    """m * top / d rounded to nearest, halves away from zero; -1 for d == 0
    or a result outside 32 bits (the platform's multiply-then-divide)."""
    if d == 0:
        return -1
    x = Fraction(m * top, d)
    r = math.floor(abs(x) + Fraction(1, 2))
    r = r if x >= 0 else -r
    if r > 2**31 - 1 or r < -2**31:
        return -1
    return r


def requantise(v, n, mode, B, low, high):
    mask = 2**n - 1
    if mode != 0:
        d = high - low
        if v > high:
            m = d
        elif v < low:
            m = 0
        else:
            m = v - low
        return scale_rounded(m, mask, d) & mask
    if B < n:
        return (v << (n - B)) & mask
    return (v >> (B - n)) & mask


# ----------------------------------------------------------- ROI helpers

def roi_pixels(roimap, r):
    ys, xs = np.nonzero((roimap >> r) & 1)
    return list(zip(xs.tolist(), ys.tolist()))


def in_roi(roimap, r, x, y):
    return bool((int(roimap[y, x]) >> r) & 1)


def bounding_box(roimap, r):
    ys, xs = np.nonzero((roimap >> r) & 1)
    if len(xs) == 0:
        return None
    return int(xs.min()), int(ys.min()), int(xs.max()), int(ys.max())


# ------------------------------------------------------ per-ROI statistics

def check_not_at_integer(value):
    """trunc() of a value close to an integer would depend on rounding."""
    assert abs(value - round(value)) > 1e-7 or value == round(value), value


def moments_mean_var(samples):
    P = len(samples)
    m = math.fsum(v + 1 for v in samples) / P
    s2 = math.fsum((v + 1 - m) ** 2 for v in samples) / P
    return m, s2


def cumulative_search(h, L, thresholds):
    """First i (continuing from the previous one) with C[i] >= t, as i + 1."""
    C = np.cumsum(h[:L])
    out = []
    i = 0
    for t in thresholds:
        while i < L and not (C[i] >= t):
            i += 1
        out.append(i + 1)
    return out


def limits_of(samples, mode, B):
    P = len(samples)
    if P == 0:
        return 0, 0
    L = 2**B
    if mode == 1:
        m, s2 = moments_mean_var(samples)
        lo = m - 3 * math.sqrt(s2)
        hi = m + 3 * math.sqrt(s2)
        check_not_at_integer(lo)
        check_not_at_integer(hi)
        return math.trunc(lo), math.trunc(hi)
    if mode == 2:
        h = np.bincount(np.array(samples), minlength=65536)
        a, b = cumulative_search(h, L, [0.01 * P, P - 0.01 * P])
        return a, b - 1
    if mode == 3:
        return min(samples), max(samples)
    return 0, L - 1


def histogram_features(samples, B):
    P = len(samples)
    if P == 0:
        return [0.0] * 9
    L = 2**B
    m, v = moments_mean_var(samples)
    if v != 0:
        skew = math.fsum((s + 1 - m) ** 3 for s in samples) / math.sqrt(v**3) / P
        kurt = math.fsum((s + 1 - m) ** 4 for s in samples) / v**2 / P - 3
    else:
        skew = kurt = 0.0
    h = np.bincount(np.array(samples), minlength=65536)
    perc = cumulative_search(h, L, [0.01 * P, 0.1 * P, 0.5 * P, P - 0.1 * P, P - 0.01 * P])
    return [m, v, skew, kurt] + [float(p) for p in perc]


# ------------------------------------------------------------ co-occurrence

def cooccurrence_matrix(image, roimap, r, box, n, lv, dx, dy):
    G = 2**n
    M = np.zeros((G, G), dtype=np.int64)
    xmin, ymin, xmax, ymax = box
    ys = range(ymin + dy, ymax + 1) if dy >= 0 else range(ymin, ymax + dy + 1)
    xs = range(xmin, xmax - dx + 1) if dx >= 1 else range(xmin - dx, xmax + 1)
    for y in ys:
        for x in xs:
            if in_roi(roimap, r, x, y) and in_roi(roimap, r, x + dx, y - dy):
                a = lv(x, y)
                b = lv(x + dx, y - dy)
                M[b, a] += 1
                M[a, b] += 1
    return M


def cooccurrence_features(M):
    G = M.shape[0]
    N = int(M.sum())
    if N == 0:
        return [0.0] * 12
    p = M.astype(np.float64) / N
    i = np.arange(G).reshape(-1, 1) * np.ones((1, G), dtype=np.int64)
    j = i.T
    asm = float((M.astype(np.float64) ** 2).sum()) / float(N) ** 2
    contrast = float(((i - j) ** 2 * p).sum())
    mx = float(((j + 1) * p).sum())
    my = float(((i + 1) * p).sum())
    vx = float(((mx - j - 1) ** 2 * p).sum())
    vy = float(((my - i - 1) ** 2 * p).sum())
    t = math.sqrt(vx * vy) if vx * vy > 1e-20 else 1e-20
    correl = (float(((i + 1) * (j + 1) * p).sum()) - mx * my) / t
    idm = float((p / ((i - j) ** 2 + 1)).sum())
    s = np.bincount((i + j).ravel(), weights=M.ravel().astype(np.float64), minlength=2 * G - 1)
    k = np.arange(2 * G - 1)
    sum_avg = float(((k + 2) * s).sum()) / N
    sum_var = float(((k + 2 - sum_avg) ** 2 * s).sum()) / N
    sq = s[s > 0] / N
    sum_ent = -float((sq * np.log10(sq)).sum())
    pp = p[p > 0]
    entropy = -float((pp * np.log10(pp)).sum())
    e = np.zeros(G)
    for l in range(G):
        e[0] += M[l, l]
    for kk in range(1, G):
        for l in range(G - kk):
            e[kk] += M[l, l + kk] + M[l + kk, l]
    kd = np.arange(G)
    dm = float(((kd + 1) * e).sum()) / N
    dif_var = float(((kd + 1 - dm) ** 2 * e).sum()) / N
    eq = e[e > 0] / N
    dif_ent = -float((eq * np.log10(eq)).sum())
    return [float(N), asm, contrast, correl, vy, idm, sum_avg, sum_var, sum_ent, entropy,
            dif_var, dif_ent]


# --------------------------------------------------------------- run length

def count_runs(R, line):
    """Adds the runs of one line to R: R[q, L - 1] counts the runs of level q
    and length L. `line` holds, in walking order, the level of each position
    in the region, None for a position outside it."""
    level, length = None, 0
    for q in line:
        if q is not None and length > 0 and q == level:
            length += 1
            continue
        if length > 0:
            R[level, length - 1] += 1
        level, length = (q, 1) if q is not None else (None, 0)
    if length > 0:
        R[level, length - 1] += 1


def run_length_matrix(roimap, r, box, n, lv, direction):
    xmin, ymin, xmax, ymax = box
    Q = 2**n
    Rmax = max(xmax - xmin + 1, ymax - ymin + 1)
    R = np.zeros((Q, Rmax), dtype=np.int64)

    def inside(x, y):
        return xmin <= x <= xmax and ymin <= y <= ymax

    def walk(x, y, sx, sy):
        line = []
        while inside(x, y):
            line.append(lv(x, y) if in_roi(roimap, r, x, y) else None)
            x += sx
            y += sy
        count_runs(R, line)

    if direction == 0:
        for y in range(ymin, ymax + 1):
            walk(xmax, y, -1, 0)
    elif direction == 1:
        for x in range(xmin, xmax + 1):
            walk(x, ymin, 0, 1)
    elif direction == 2:
        for x in range(xmin, xmax + 1):
            walk(x, ymin, -1, 1)
        for y in range(ymin + 1, ymax + 1):
            walk(xmax, y, -1, 1)
    else:
        for x in range(xmin, xmax + 1):
            walk(x, ymax, -1, -1)
        for y in range(ymin, ymax):
            walk(xmax, y, -1, -1)
    return R


def run_length_features(R):
    S = int(R.sum())
    if S == 0:
        return [0.0] * 5
    L = np.arange(1, R.shape[1] + 1, dtype=np.float64)
    by_length = R.sum(axis=0).astype(np.float64)
    by_level = R.sum(axis=1).astype(np.float64)
    rlnu = float((by_length**2).sum()) / S
    glnu = float((by_level**2).sum()) / S
    lre = float((L**2 * R).sum()) / S
    sre = float((R / L**2).sum()) / S
    fraction = S / float((L * R).sum())
    return [rlnu, glnu, lre, sre, fraction]


# ----------------------------------------------------------------- gradient

def gradient_features(roimap, r, box, lv):
    xmin, ymin, xmax, ymax = box
    g = []
    for y in range(ymin + 1, ymax):
        for x in range(xmin + 1, xmax):
            if all(in_roi(roimap, r, xx, yy)
                   for xx, yy in ((x, y), (x + 1, y), (x, y + 1), (x - 1, y), (x, y - 1))):
                gx = lv(x + 1, y) - lv(x - 1, y)
                gy = lv(x, y + 1) - lv(x, y - 1)
                g.append(math.sqrt(gx * gx + gy * gy))
    G = len(g)
    if G == 0:
        return [0.0] * 6
    nonzero = sum(1 for v in g if v > 0) / G
    if all(v == g[0] for v in g):
        # Equal magnitudes have no spread (rounding of their sum aside).
        return [float(G), g[0], 0.0, 0.0, 0.0, nonzero]
    mean = math.fsum(g) / G
    var = math.fsum((v - mean) ** 2 for v in g) / G
    if var != 0:
        sd = math.sqrt(var)
        skew = math.fsum((v - mean) ** 3 for v in g) / sd**3 / G
        kurt = math.fsum((v - mean) ** 4 for v in g) / var**2 / G - 3
    else:
        skew = kurt = 0.0
    return [float(G), mean, var, skew, kurt, nonzero]


# ------------------------------------------------------------------ records

HIST_NAMES = ["Mean", "Variance", "Skewness", "Kurtosis", "Perc.01%", "Perc.10%", "Perc.50%",
              "Perc.90%", "Perc.99%"]
CO_NAMES = ["AngScMom", "Contrast", "Correlat", "SumOfSqs", "InvDfMom", "SumAverg", "SumVarnc",
            "SumEntrp", "Entropy", "DifVarnc", "DifEntrp"]
RL_NAMES = ["RLNonUni", "GLevNonU", "LngREmph", "ShrtREmp", "Fraction"]
RL_PREFIXES = ["Horzl_", "Vertl_", "45dgr_", "135dr_"]
GR_NAMES = ["_AreaGr", "GrMean", "GrVariance", "GrSkewness", "GrKurtosis", "GrNonZeros"]


def records_of(case):
    image, roimap = case["image"], case["roi"]
    B, mode = case["B"], case["mode"]
    boxes = [bounding_box(roimap, r) for r in range(ROIS)]
    samples = [[int(image[y, x]) for x, y in roi_pixels(roimap, r)] for r in range(ROIS)]
    limits = [limits_of(samples[r], mode, B) if samples[r] else (0, 0) for r in range(ROIS)]
    recs = []

    def add(name, values):
        recs.append((name, [float(v) for v in values]))

    add("_Area", [len(s) for s in samples])
    if mode != 0:
        add("_MinNorm", [limits[r][0] for r in range(ROIS)])
        add("_MaxNorm", [limits[r][1] for r in range(ROIS)])

    hist = [histogram_features(samples[r], B) for r in range(ROIS)]
    for k, name in enumerate(HIST_NAMES):
        add(name, [hist[r][k] for r in range(ROIS)])

    def level_fn(r, n):
        low, high = limits[r]
        return lambda x, y: requantise(int(image[y, x]), n, mode, B, low, high)

    for d in range(1, 6):
        if d not in case["distances"]:
            continue
        for dx, dy in ((d, 0), (0, d), (d, d), (d, -d)):
            feats = []
            for r in range(ROIS):
                if boxes[r] is None:
                    feats.append([0.0] * 12)
                    continue
                M = cooccurrence_matrix(image, roimap, r, boxes[r], case["ng_vt"],
                                        level_fn(r, case["ng_vt"]), dx, dy)
                feats.append(cooccurrence_features(M))
            add("_Area_S(%d,%d)" % (dx, dy), [feats[r][0] for r in range(ROIS)])
            for k, name in enumerate(CO_NAMES):
                add("S(%d,%d)%s" % (dx, dy, name), [feats[r][k + 1] for r in range(ROIS)])

    for direction, prefix in enumerate(RL_PREFIXES):
        feats = []
        for r in range(ROIS):
            if boxes[r] is None:
                feats.append([0.0] * 5)
                continue
            R = run_length_matrix(roimap, r, boxes[r], case["ng_rl"], level_fn(r, case["ng_rl"]),
                                  direction)
            feats.append(run_length_features(R))
        for k, name in enumerate(RL_NAMES):
            add(prefix + name, [feats[r][k] for r in range(ROIS)])

    grad = []
    for r in range(ROIS):
        if boxes[r] is None:
            grad.append([0.0] * 6)
            continue
        grad.append(gradient_features(roimap, r, boxes[r], level_fn(r, case["ng_gr"])))
    for k, name in enumerate(GR_NAMES):
        add(name, [grad[r][k] for r in range(ROIS)])
    return recs


# -------------------------------------------------------------------- cases

def bit_depth(image_max):
    n = 8
    while image_max >= 2**n:
        n += 1
    return n


class RoiPainter:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.map = np.zeros((h, w), dtype=np.uint16)

    def rect(self, r, x0, y0, x1, y1):
        self.map[y0:y1 + 1, x0:x1 + 1] |= np.uint16(1 << r)

    def ellipse(self, r, cx, cy, rx, ry):
        yy, xx = np.mgrid[0:self.h, 0:self.w]
        inside = ((xx - cx) / rx) ** 2 + ((yy - cy) / ry) ** 2 <= 1
        self.map[inside] |= np.uint16(1 << r)

    def blob(self, r, rng, share):
        noise = rng.random((self.h, self.w))
        k = np.ones((3, 3)) / 9
        smooth = np.zeros_like(noise)
        padded = np.pad(noise, 1, mode="edge")
        for dy in range(3):
            for dx in range(3):
                smooth += k[dy, dx] * padded[dy:dy + self.h, dx:dx + self.w]
        self.map[smooth > np.quantile(smooth, 1 - share)] |= np.uint16(1 << r)

    def pixel(self, r, x, y):
        self.map[y, x] |= np.uint16(1 << r)


def make_cases():
    cases = []
    rng = np.random.default_rng(20240611)

    def finish(name, image, painter, mode, ng_vt, ng_rl, ng_gr, distances):
        image = image.astype(np.int64)
        imax, imin = int(image.max()), int(image.min())
        cases.append(dict(name=name, image=image, roi=painter.map, B=bit_depth(imax),
                          image_max=imax, image_min=imin, mode=mode, ng_vt=ng_vt, ng_rl=ng_rl,
                          ng_gr=ng_gr, distances=distances))

    # 12-bit noise, four tiles plus overlapping, edge and tiny ROIs, no normalisation.
    w, h = 28, 24
    img = rng.integers(0, 4096, size=(h, w))
    p = RoiPainter(w, h)
    p.rect(0, 0, 0, 13, 11)
    p.rect(1, 14, 0, 27, 11)
    p.rect(2, 0, 12, 13, 23)
    p.rect(3, 14, 12, 27, 23)
    p.rect(4, 5, 5, 22, 18)
    p.pixel(5, 7, 9)
    p.rect(6, 20, 3, 21, 20)          # two pixels wide
    p.ellipse(7, 14, 12, 10, 7)
    p.rect(15, 0, 0, 27, 23)          # the whole image
    finish("noise 12-bit, no normalisation", img, p, 0, 6, 6, 4, {1, 2, 3, 4, 5})

    # 8-bit blocks of few levels: long runs; levels shifted up for the gradient.
    w, h = 30, 22
    blocks = rng.integers(0, 4, size=(h // 3 + 1, w // 3 + 1)) * 70
    img = np.kron(blocks, np.ones((3, 3), dtype=np.int64))[:h, :w]
    img[0, 0] = 255
    p = RoiPainter(w, h)
    p.rect(0, 0, 0, 29, 21)
    p.ellipse(1, 10, 10, 8, 6)
    p.blob(2, rng, 0.4)
    p.rect(3, 3, 4, 3, 17)            # one pixel wide
    p.rect(9, 25, 15, 29, 21)
    finish("8-bit blocks, 4/8/12 bits", img, p, 0, 4, 8, 12, {1, 3})

    # 10-bit smooth waves with noise, 3 sigma.
    w, h = 26, 26
    yy, xx = np.mgrid[0:h, 0:w]
    img = 500 + 300 * np.sin(xx / 3.0) * np.cos(yy / 4.0) + rng.normal(0, 40, size=(h, w))
    img = np.clip(np.round(img), 0, 1023)
    p = RoiPainter(w, h)
    p.rect(0, 0, 0, 25, 25)
    p.ellipse(2, 12, 12, 9, 11)
    p.blob(5, rng, 0.5)
    p.blob(11, rng, 0.2)
    p.rect(13, 4, 4, 9, 20)
    finish("10-bit waves, 3 sigma", img, p, 1, 8, 5, 6, {2, 4, 5})

    # 8-bit, 1 percent: a nearly constant ROI (limits cross), a constant ROI.
    w, h = 24, 20
    img = rng.integers(60, 200, size=(h, w))
    img[2:10, 2:12] = 100
    img[3, 4] = 180
    img[12:18, 14:22] = 77
    p = RoiPainter(w, h)
    p.rect(0, 2, 2, 11, 9)            # 79 of 80 pixels 100
    p.rect(1, 14, 12, 21, 17)         # constant
    p.rect(2, 0, 0, 23, 19)
    p.rect(3, 10, 5, 20, 15)
    p.pixel(4, 23, 19)
    finish("8-bit, 1 percent, constant ROIs", img, p, 2, 6, 6, 4, {1, 2})

    # 16-bit, ROI minimum..maximum.
    w, h = 22, 18
    img = rng.integers(0, 65536, size=(h, w))
    img[h // 2:, :] //= 7
    img[0, 0] = 65535
    p = RoiPainter(w, h)
    p.rect(0, 0, 0, 21, 8)
    p.rect(1, 0, 9, 21, 17)
    p.ellipse(2, 11, 9, 7, 6)
    p.blob(3, rng, 0.3)
    p.rect(4, 3, 3, 5, 5)
    finish("16-bit, ROI min..max", img, p, 3, 7, 4, 8, {1, 5})

    # 12-bit, 3 sigma on skewed data: negative low limits; many overlapping ROIs.
    w, h = 30, 24
    img = np.minimum(rng.exponential(600, size=(h, w)), 4095).astype(np.int64)
    p = RoiPainter(w, h)
    for r in range(16):
        if r in (6, 12):
            continue                    # empty ROIs
        x0 = int(rng.integers(0, w - 4))
        y0 = int(rng.integers(0, h - 4))
        x1 = int(rng.integers(x0 + 1, w))
        y1 = int(rng.integers(y0 + 1, h))
        if r % 3 == 0:
            p.blob(r, rng, 0.35)
        else:
            p.rect(r, x0, y0, x1, y1)
    finish("12-bit exponential, 3 sigma, 14 ROIs", img, p, 1, 5, 7, 10, {1, 2, 3, 4, 5})

    # Diagonal stripes: long diagonal runs.
    w, h = 25, 21
    yy, xx = np.mgrid[0:h, 0:w]
    img = (((xx + yy) // 2) % 4) * 60 + (((xx - yy) % 7) == 0) * 10
    p = RoiPainter(w, h)
    p.rect(0, 0, 0, 24, 20)
    p.ellipse(1, 12, 10, 11, 9)
    p.rect(2, 2, 2, 12, 8)
    finish("8-bit diagonal stripes", img, p, 0, 6, 6, 4, {1, 2, 3})

    # A tiny image where every ROI touches the edges, 1 percent.
    w, h = 7, 6
    img = rng.integers(0, 300, size=(h, w))
    p = RoiPainter(w, h)
    p.rect(0, 0, 0, 6, 5)
    p.rect(1, 0, 0, 0, 5)
    p.rect(2, 6, 0, 6, 5)
    p.rect(3, 0, 5, 6, 5)
    p.pixel(4, 6, 5)
    p.blob(5, rng, 0.5)
    finish("9-bit tiny image, 1 percent", img, p, 2, 4, 4, 5, {1, 2, 3, 4, 5})
    # Disjoint tiles under each normalisation mode, plus a constant slope.
    for mode in (1, 2, 3):
        w, h = 24, 18
        yy, xx = np.mgrid[0:h, 0:w]
        img = rng.integers(0, 4096, size=(h, w))
        img[:, 12:] = (7 * xx[:, 12:] + 11 * yy[:, 12:]) * 3    # a ramp
        p = RoiPainter(w, h)
        p.rect(0, 0, 0, 11, 8)
        p.rect(1, 12, 0, 23, 8)
        p.rect(2, 0, 9, 11, 17)
        p.rect(3, 12, 9, 23, 17)
        finish("12-bit disjoint tiles, mode %d" % mode, img, p, mode, 6, 6, 8, {1, 4})
    w, h = 20, 16
    yy, xx = np.mgrid[0:h, 0:w]
    img = 3 * xx + 5 * yy
    p = RoiPainter(w, h)
    p.rect(0, 0, 0, 19, 15)
    p.rect(1, 2, 3, 9, 12)
    finish("8-bit constant slope", img, p, 0, 8, 8, 8, {1})
    return cases


# ------------------------------------------------------------------- output

def number(v):
    if v == 0:
        return "0"
    if v == int(v) and abs(v) < 1e15:
        return str(int(v))
    return repr(v)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = []
    out.append("// Generated by texture_cases.py; do not edit.")
    out.append("// Each case: image, ROI map, options and the expected records in report order.")
    table = []
    for c, case in enumerate(make_cases()):
        recs = records_of(case)
        h, w = case["image"].shape
        out.append("static const uint16_t kCase%dSamples[] = {%s};" %
                   (c, ",".join(str(int(v)) for v in case["image"].ravel())))
        out.append("static const uint16_t kCase%dRoi[] = {%s};" %
                   (c, ",".join(str(int(v)) for v in case["roi"].ravel())))
        out.append("static const ExpectedRecord kCase%dRecords[] = {" % c)
        for name, values in recs:
            out.append('    {"%s", {%s}},' % (name, ",".join(number(v) for v in values)))
        out.append("};")
        dist = [1 if d in case["distances"] else 0 for d in range(1, 6)]
        table.append('    {"%s", %d, %d, %d, %d, %d, %d, %d, %d, %d, {%s}, kCase%dSamples, '
                     'kCase%dRoi, kCase%dRecords, std::size(kCase%dRecords)},' %
                     (case["name"], w, h, case["B"], case["image_max"], case["image_min"],
                      case["mode"], case["ng_vt"], case["ng_rl"], case["ng_gr"],
                      ",".join(map(str, dist)), c, c, c, c))
    out.append("static const TextureCase kTextureCases[] = {")
    out.extend(table)
    out.append("};")
    with open(os.path.join(here, "texture_cases.inc"), "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
