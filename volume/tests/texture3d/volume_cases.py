#!/usr/bin/python3
"""Reference values for the 3D texture families, computed independently.

Writes volume_cases.inc beside this script: for a few generated volumes with
VOI masks and option sets, every record the 3D analysis must produce (names
and the 16 values), in report order. The C++ test builds the same volumes
with the same generator (a 32-bit linear congruential one) and compares, so
running the tests needs no Python.

Everything follows the written definitions directly: dense numpy arrays per
VOI box, literal line walks from the points where each line enters the box
for the run lengths, exact integer rounding for the normalised levels. None
of it mirrors the program's flat-array builders.

Run with Debian's python3 and python3-numpy:
    /usr/bin/python3 volume/tests/texture3d/volume_cases.py
"""

import math
import os
import sys

import numpy as np

# The run counting of a line is the 2D reference's: both walk lines literally.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "analysis", "tests", "data"))
from texture_cases import count_runs  # noqa: E402

VOIS = 16


# ------------------------------------------------------------- the volumes

class Lcg:
    """seed := seed * 134775813 + 1 mod 2^32; a draw below n is the high
    32 bits of seed * n."""

    def __init__(self, seed):
        self.seed = seed & 0xFFFFFFFF

    def draw(self, n):
        self.seed = (self.seed * 134775813 + 1) & 0xFFFFFFFF
        return (self.seed * n) >> 32


def make_volume(n, seed):
    """Grey volume [z][y][x] (16-bit) and mask [z][y][x] of an n^3 cube."""
    rng = Lcg(seed)
    grey = np.zeros((n, n, n), dtype=np.int64)
    for z in range(n):
        for y in range(n):
            for x in range(n):
                grey[z, y, x] = (((x // 3 + y // 2 + z // 4) % 8) * 500 + rng.draw(300)) * 16
    mask = np.zeros((n, n, n), dtype=np.int64)
    c = n // 2
    r_out = (n * 7) // 20
    for z in range(n):
        for y in range(n):
            for x in range(n):
                d1 = rng.draw(10)
                d5 = rng.draw(7)
                d4 = rng.draw(2)
                r2 = (x - c) ** 2 + (y - c + 1) ** 2 + (z - c) ** 2
                v = 0
                # VOI 1: a ball with a hole in its middle and a few voxels dropped
                if r2 <= r_out * r_out and r2 > 4 and d1 != 0:
                    v |= 1
                # VOI 2: a slab touching the volume's faces
                if y <= n // 4 and z >= (3 * n) // 5:
                    v |= 2
                # VOI 3: one voxel
                if (x, y, z) == (4, n - 5, 3):
                    v |= 4
                # VOI 4: a block of two grey levels
                if (n * 3) // 5 <= x <= (n * 3) // 5 + 5 and (n * 3) // 5 <= y <= (n * 3) // 5 + 5 \
                        and 2 <= z <= 7:
                    v |= 8
                    grey[z, y, x] = 16000 if d4 == 0 else 48000
                # VOI 5: scattered voxels over the whole volume
                if d5 == 0:
                    v |= 16
                # VOI 16: a column of one grey value
                if x <= 2 and y >= n - 3:
                    v |= 0x8000
                    grey[z, y, x] = 12432
                mask[z, y, x] = v
    return grey, mask


# ------------------------------------------------------------ requantisation

def muldiv(a, b, c):
    """a * b / c rounded to nearest, halves away from zero (a, b, c >= 0)."""
    return (2 * a * b + c) // (2 * c)


def levels_of(values, bits, window):
    if window is None:
        return values >> (16 - bits)
    lo, hi = window
    if hi <= lo:
        return np.zeros_like(values)
    t = np.clip(values, lo, hi) - lo
    # mulDiv(t, 2^bits - 1, hi - lo), exact in 64-bit integers
    return (2 * t * (2 ** bits - 1) + (hi - lo)) // (2 * (hi - lo))


# ------------------------------------------------------------- the families

def box_of(mask, k):
    zs, ys, xs = np.nonzero(mask & (1 << k))
    return (xs.min(), xs.max(), ys.min(), ys.max(), zs.min(), zs.max())


def normalisation(vals, mode):
    n = len(vals)
    h = np.bincount(vals, minlength=65536).astype(np.float64)
    bins = np.arange(1, 65537, dtype=np.float64)
    if mode == 1:
        m = (bins * h).sum() / n
        s2 = ((bins - m) ** 2 * h).sum() / n
        return int(math.trunc(m - 3 * math.sqrt(s2))), int(math.trunc(m + 3 * math.sqrt(s2)))
    C = np.cumsum(h)
    t = 0.01 * n
    l = int(np.argmax(C >= t))
    g = l + int(np.argmax(C[l:] >= n - t))
    return l + 1, g


def histogram_features(vals, bits):
    n = len(vals)
    q = vals >> (16 - bits)
    h = np.bincount(q, minlength=2 ** bits).astype(np.float64)
    k1 = np.arange(1, 2 ** bits + 1, dtype=np.float64)
    m = (k1 * h).sum() / n
    s2 = ((k1 - m) ** 2 * h).sum() / n
    skew = kurt = 0.0
    if s2 != 0:
        skew = ((k1 - m) ** 3 * h).sum() / math.sqrt(s2 ** 3) / n
        kurt = ((k1 - m) ** 4 * h).sum() / s2 ** 2 / n - 3
    C = np.cumsum(h)
    percs = []
    for limit in (0.01 * n, 0.1 * n, 0.5 * n, n - 0.1 * n, n - 0.01 * n):
        percs.append(1 + int(np.argmax(C >= limit)))
    return [m, s2, skew, kurt] + percs


def gradient_features(q, inside):
    """q, inside: box arrays [z][y][x]."""
    gs = []
    dz, dy, dx = q.shape
    for z in range(1, dz - 1):
        for y in range(1, dy - 1):
            for x in range(1, dx - 1):
                if not (inside[z, y, x] and inside[z, y, x + 1] and inside[z, y, x - 1]
                        and inside[z, y + 1, x] and inside[z, y - 1, x]
                        and inside[z + 1, y, x] and inside[z - 1, y, x]):
                    continue
                gx = int(q[z, y, x + 1]) - int(q[z, y, x - 1])
                gy = int(q[z, y + 1, x]) - int(q[z, y - 1, x])
                gz = int(q[z + 1, y, x]) - int(q[z - 1, y, x])
                gs.append(math.sqrt(gx * gx + gy * gy + gz * gz))
    k = len(gs)
    if k == 0:
        return [0.0] * 6
    g = np.array(gs)
    mean = g.mean()
    var = ((g - mean) ** 2).sum() / k
    skew = kurt = 0.0
    if var != 0:
        sd = math.sqrt(var)
        skew = ((g - mean) ** 3).sum() / sd ** 3 / k
        kurt = ((g - mean) ** 4).sum() / var ** 2 / k - 3
    return [float(k), mean, var, skew, kurt, float((g > 0).sum()) / k]


def cooccurrence_directions(d, more):
    dirs = [(d, 0, 0), (0, d, 0), (d, d, 0), (d, -d, 0), (0, 0, d)]
    if more:
        dirs += [(d, 0, d), (0, d, d), (d, d, d), (d, -d, d),
                 (d, 0, -d), (0, d, -d), (d, d, -d), (d, -d, -d)]
    return dirs


def cooccurrence_matrix(q, inside, bits, a, b, c):
    """Pairs of voxel p and its neighbour p' = p + (a, -b, c), both in the box."""
    N = 2 ** bits
    M = np.zeros((N, N), dtype=np.int64)
    dz, dy, dx = q.shape

    def span(extent, step):
        return max(0, -step), min(extent, extent - step)

    x0, x1 = span(dx, a)
    y0, y1 = span(dy, -b)
    z0, z1 = span(dz, c)
    if x0 >= x1 or y0 >= y1 or z0 >= z1:
        return M
    p = q[z0:z1, y0:y1, x0:x1]
    pn = q[z0 + c:z1 + c, y0 - b:y1 - b, x0 + a:x1 + a]
    ok = inside[z0:z1, y0:y1, x0:x1] & inside[z0 + c:z1 + c, y0 - b:y1 - b, x0 + a:x1 + a]
    np.add.at(M, (pn[ok], p[ok]), 1)
    np.add.at(M, (p[ok], pn[ok]), 1)
    return M


def cooccurrence_features(M):
    R = float(M.sum())
    if R == 0:
        return [0.0] * 12
    N = M.shape[0]
    P = M / R
    i = np.arange(N, dtype=np.float64)[:, None]
    j = np.arange(N, dtype=np.float64)[None, :]
    asm = (P ** 2).sum()
    contrast = ((i - j) ** 2 * P).sum()
    mx = ((j + 1) * P).sum()
    my = ((i + 1) * P).sum()
    vx = ((mx - j - 1) ** 2 * P).sum()
    vy = ((my - i - 1) ** 2 * P).sum()
    D = math.sqrt(vx * vy) if vx * vy > 1e-20 else 1e-20
    correl = (((i + 1) * (j + 1) * P).sum() - mx * my) / D
    idm = (P / ((i - j) ** 2 + 1)).sum()
    psum = np.zeros(2 * N - 1)
    for k in range(2 * N - 1):
        psum[k] = sum(M[jj, k - jj] for jj in range(N) if 0 <= k - jj < N)
    pk = psum / R
    ks = np.arange(2 * N - 1) + 2.0
    savg = (ks * pk).sum()
    svar = ((ks - savg) ** 2 * pk).sum()
    sent = -sum(p * math.log10(p) for p in pk if p > 0)
    ent = -sum(p * math.log10(p) for p in P.flat if p > 0)
    pdif = np.zeros(N)
    pdif[0] = np.trace(M)
    for l in range(1, N):
        pdif[l] = sum(M[m, m + l] + M[m + l, m] for m in range(N - l))
    pd = pdif / R
    ls = np.arange(N) + 1.0
    E = (ls * pd).sum()
    dvar = ((ls - E) ** 2 * pd).sum()
    dent = -sum(p * math.log10(p) for p in pd if p > 0)
    return [R, asm, contrast, correl, vy, idm, savg, svar, sent, ent, dvar, dent]


RUN_DIRECTIONS = [
    ("Horzl_", 1, 0, 0), ("Vertl_", 0, 1, 0), ("45dgr_", -1, 1, 0), ("135dr_", 1, 1, 0),
    ("Z_", 0, 0, 1), ("FHorzl_", 1, 0, 1), ("FVertl_", 0, 1, 1), ("F45dgr_", -1, 1, 1),
    ("F135dr_", 1, 1, 1), ("BHorzl_", 1, 0, -1), ("BVertl_", 0, 1, -1), ("B45dgr_", -1, 1, -1),
    ("B135dr_", 1, 1, -1)]


def run_length_matrix(q, inside, bits, L, sx, sy, sz):
    """Walks every line of the step once, from where it enters the box."""
    G = 2 ** bits
    R = np.zeros((G, L), dtype=np.int64)
    dz, dy, dx = q.shape

    def inbox(x, y, z):
        return 0 <= x < dx and 0 <= y < dy and 0 <= z < dz

    for z in range(dz):
        for y in range(dy):
            for x in range(dx):
                if inbox(x - sx, y - sy, z - sz):
                    continue  # not where a line enters the box
                line = []
                cx, cy, cz = x, y, z
                while inbox(cx, cy, cz):
                    line.append(int(q[cz, cy, cx]) if inside[cz, cy, cx] else None)
                    cx, cy, cz = cx + sx, cy + sy, cz + sz
                count_runs(R, line)
    return R


def run_length_features(R):
    S = float(R.sum())
    if S == 0:
        return [0.0] * 5
    l = np.arange(1, R.shape[1] + 1, dtype=np.float64)[None, :]
    rl = (R.sum(axis=0).astype(np.float64) ** 2).sum() / S
    gl = (R.sum(axis=1).astype(np.float64) ** 2).sum() / S
    lre = (l ** 2 * R).sum() / S
    sre = (R / l ** 2).sum() / S
    frac = S / (l * R).sum()
    return [rl, gl, lre, sre, frac]


HIST_NAMES = ["Mean3D", "Variance3D", "Skewness3D", "Kurtosis3D", "Perc.01%3D",
              "Perc.10%3D", "Perc.50%3D", "Perc.90%3D", "Perc.99%3D"]
GRAD_NAMES = ["_VolumeGr", "GrMean", "GrVariance", "GrSkewness", "GrKurtosis", "GrNonZeros"]
COOCCURRENCE_NAMES = ["AngScMom", "Contrast", "Correlat", "SumOfSqs", "InvDfMom", "SumAverg",
             "SumVarnc", "SumEntrp", "Entropy", "DifVarnc", "DifEntrp"]
RUN_LENGTH_NAMES = ["RLNonUni", "GLevNonU", "LngREmph", "ShrtREmp", "Fraction"]


def analyse(grey, mask, o):
    counts = [int(((mask >> k) & 1).sum()) for k in range(VOIS)]
    boxes = [box_of(mask, k) if counts[k] else None for k in range(VOIS)]
    records = [("_Volume", [float(c) for c in counts])]

    def add(names):
        start = len(records)
        for nm in names:
            records.append((nm, [0.0] * VOIS))
        return start

    def cut(k):
        x0, x1, y0, y1, z0, z1 = boxes[k]
        g = grey[z0:z1 + 1, y0:y1 + 1, x0:x1 + 1]
        inside = ((mask[z0:z1 + 1, y0:y1 + 1, x0:x1 + 1] >> k) & 1).astype(bool)
        return g, inside

    windows = [None] * VOIS
    if o["norm"]:
        start = add(["_MinNorm3D", "_MaxNorm3D"])
        for k in range(VOIS):
            if not counts[k]:
                continue
            g, inside = cut(k)
            windows[k] = normalisation(g[inside], o["norm"])
            records[start][1][k] = float(windows[k][0])
            records[start + 1][1][k] = float(windows[k][1])

    cache = {}

    def levels(k, bits):
        if (k, bits) not in cache:
            g, inside = cut(k)
            cache[(k, bits)] = (levels_of(g, bits, windows[k] if o["norm"] else None), inside)
        return cache[(k, bits)]

    if o["hist"]:
        start = add(HIST_NAMES)
        for k in range(VOIS):
            if counts[k]:
                g, inside = cut(k)
                for i, v in enumerate(histogram_features(g[inside], o["hist_bits"])):
                    records[start + i][1][k] = float(v)
    if o["grad"]:
        start = add(GRAD_NAMES)
        for k in range(VOIS):
            if counts[k]:
                q, inside = levels(k, o["grad_bits"])
                for i, v in enumerate(gradient_features(q, inside)):
                    records[start + i][1][k] = float(v)
    if o["com"]:
        for d in o["distances"]:
            for (a, b, c) in cooccurrence_directions(d, o["com_more"]):
                start = add(["_VolumeS(%d,%d,%d)" % (a, b, c)] +
                            ["S(%d,%d,%d)%s" % (a, b, c, nm) for nm in COOCCURRENCE_NAMES])
                for k in range(VOIS):
                    if counts[k]:
                        q, inside = levels(k, o["com_bits"])
                        f = cooccurrence_features(
                            cooccurrence_matrix(q, inside, o["com_bits"], a, b, c))
                        for i, v in enumerate(f):
                            records[start + i][1][k] = float(v)
    if o["rlm"]:
        extent = 0
        for k in range(VOIS):
            if counts[k]:
                x0, x1, y0, y1, z0, z1 = boxes[k]
                extent = max(extent, x1 - x0, y1 - y0, z1 - z0)
        L = extent + 1
        for (prefix, sx, sy, sz) in RUN_DIRECTIONS[:13 if o["rlm_more"] else 5]:
            start = add([prefix + nm for nm in RUN_LENGTH_NAMES])
            for k in range(VOIS):
                if counts[k]:
                    q, inside = levels(k, o["rlm_bits"])
                    f = run_length_features(
                        run_length_matrix(q, inside, o["rlm_bits"], L, sx, sy, sz))
                    for i, v in enumerate(f):
                        records[start + i][1][k] = float(v)
    return records


CASES = [
    # name, size, seed, options
    ("Small13Directions", 20, 1, dict(norm=0, hist=1, hist_bits=12, grad=1, grad_bits=6, com=1,
                                      com_bits=6, distances=[1, 2, 3, 4, 5], com_more=1, rlm=1,
                                      rlm_bits=6, rlm_more=1)),
    ("SmallOnePercent", 20, 7, dict(norm=2, hist=1, hist_bits=16, grad=1, grad_bits=12, com=1,
                                    com_bits=8, distances=[1, 2, 3, 4, 5], com_more=0, rlm=1,
                                    rlm_bits=8, rlm_more=0)),
    ("LargeThreeSigma", 32, 3, dict(norm=1, hist=1, hist_bits=10, grad=1, grad_bits=8, com=1,
                                    com_bits=5, distances=[1, 2, 3, 4, 5], com_more=1, rlm=1,
                                    rlm_bits=4, rlm_more=1)),
    ("LargeOnePercent", 32, 11, dict(norm=2, hist=1, hist_bits=4, grad=1, grad_bits=4, com=1,
                                     com_bits=4, distances=[2, 4], com_more=0, rlm=1,
                                     rlm_bits=5, rlm_more=1)),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = ["// Generated by volume_cases.py: do not edit.", ""]
    for name, size, seed, o in CASES:
        grey, mask = make_volume(size, seed)
        records = analyse(grey, mask, o)
        out.append("inline const VolumeReferenceRecord k%sRecords[] = {" % name)
        for nm, vals in records:
            out.append('    {"%s", {%s}},' % (nm, ", ".join("%.17g" % v for v in vals)))
        out.append("};")
        out.append("")
    out.append("inline const VolumeReferenceCase kVolumeReferenceCases[] = {")
    for name, size, seed, o in CASES:
        d = o["distances"]
        out.append(
            '    {"%s", %d, %du, {%d, %d, %d, %d, %d, %d, %d, %d, %d, %d, %d, %d, %d, %d, %d}, '
            'k%sRecords, sizeof(k%sRecords) / sizeof(k%sRecords[0])},' % (
                name, size, seed, o["grad"], o["grad_bits"], o["rlm"], o["rlm_more"],
                o["rlm_bits"], o["com"], o["com_more"], o["com_bits"], o["hist_bits"],
                1 in d, 2 in d, 3 in d, 4 in d, 5 in d, o["hist"], name, name, name))
        out[-1] = out[-1].replace("}, k%s" % name, ", %d}, k%s" % (o["norm"], name), 1)
    out.append("};")
    with open(os.path.join(here, "volume_cases.inc"), "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
