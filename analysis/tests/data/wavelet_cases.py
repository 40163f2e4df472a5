#!/usr/bin/python3
"""Reference values for the wavelet energies and the wavelet map.

Writes wavelet_cases.inc beside this script: small images with ROI maps and
options, and for each the 32 energy records (one value per ROI), the number
of records no ROI fills, and for some cases the whole D x D map.

Written straight from the definitions with numpy: the image tiled with
np.tile, each Haar level with array slicing on a fresh copy, the masks by
np.logical_or over 2 x 2 blocks per ROI, energies as means of masked squares.

Run with Debian's python3 and python3-numpy:
    /usr/bin/python3 analysis/tests/data/wavelet_cases.py
"""

import math
import os
from fractions import Fraction

import numpy as np

ROIS = 16
BANDS = ["LL", "LH", "HL", "HH"]


def working_size(w, h):
    side = max(w, h)
    if side > 4096:
        return 0
    d = 16
    while d < side:
        d *= 2
    return d


def scale_sizes(d):
    out = []
    for s in range(1, 9):
        n = d >> s
        if n < 16:
            break
        out.append(n)
    return out


def mul_div_round(m, top, d):
    if d == 0:
        return -1
    x = Fraction(m * top, d)
    return math.floor(x + Fraction(1, 2))


def levels_of(samples, bit_depth, n, mode, low, high):
    out = np.zeros(samples.shape, dtype=np.int64)
    mask = 2**n - 1
    for idx, v in np.ndenumerate(samples):
        v = int(v)
        if mode == 0:
            out[idx] = ((v << (n - bit_depth)) if bit_depth < n else (v >> (bit_depth - n))) & mask
        else:
            m = high - low if v > high else (0 if v < low else v - low)
            out[idx] = mul_div_round(m, mask, high - low) & mask
    return out


def decompose(levels, d):
    h, w = levels.shape
    work = np.tile(levels.astype(np.float64), (d // h + 1, d // w + 1))[:d, :d].copy()
    bands = []
    for n in scale_sizes(d):
        a = work[:2 * n, :2 * n].copy()
        L = (a[:, 0::2] + a[:, 1::2]) * 0.5
        H = (a[:, 0::2] - a[:, 1::2]) * 0.5
        LL = (L[0::2, :] + L[1::2, :]) * 0.5
        LH = (L[0::2, :] - L[1::2, :]) * 0.5
        HL = (H[0::2, :] + H[1::2, :]) * 0.5
        HH = (H[0::2, :] - H[1::2, :]) * 0.5
        work[:n, :n] = LL
        work[:n, n:2 * n] = HL
        work[n:2 * n, :n] = LH
        work[n:2 * n, n:2 * n] = HH
        bands.append({"LL": LL, "LH": LH, "HL": HL, "HH": HH})
    return work, bands


def roi_masks(roi, d, r):
    h, w = roi.shape
    member = np.zeros((d, d), dtype=bool)
    member[:h, :w] = (roi >> r) & 1 == 1
    masks = []
    for n in scale_sizes(d):
        member = member[0::2, 0::2] | member[1::2, 0::2] | member[0::2, 1::2] | member[1::2, 1::2]
        masks.append(member)
    return masks


def energies(samples, roi, bit_depth, n, mode):
    h, w = samples.shape
    d = working_size(w, h)
    values = [[0.0] * ROIS for _ in range(32)]
    us = []
    for r in range(ROIS):
        inside = (roi >> r) & 1 == 1
        if not inside.any():
            continue
        low = int(samples[inside].min()) if mode == 3 else 0
        high = int(samples[inside].max()) if mode == 3 else 0
        _, bands = decompose(levels_of(samples, bit_depth, n, mode, low, high), d)
        masks = roi_masks(roi, d, r)
        u = 0
        for s in range(8):
            for b, name in enumerate(BANDS):
                e = math.inf
                if s < len(bands):
                    sel = bands[s][name][masks[s]]
                    if sel.size > 3:
                        e = float(np.mean(sel * sel))
                values[4 * s + b][r] = e
            if values[4 * s][r] == math.inf or values[4 * s][r] == 0.0:
                u += 1
        us.append(u)
    return values, 4 * (min(us) if us else 8)


def whole_map(samples, bit_depth, n):
    h, w = samples.shape
    work, _ = decompose(levels_of(samples, bit_depth, n, 0, 0, 0), working_size(w, h))
    return work


def fmt(v):
    if v == math.inf:
        return "kInf"
    return repr(float(v))


def disk(roi, cx, cy, radius, bit):
    h, w = roi.shape
    yy, xx = np.mgrid[0:h, 0:w]
    roi[(xx - cx) ** 2 + (yy - cy) ** 2 <= radius * radius] |= 1 << bit


def cases():
    rng = np.random.default_rng(24)
    out = []

    # 100 x 60: D = 128, three scales; rectangles, a disk, one pixel, overlaps.
    s = rng.integers(0, 256, size=(60, 100), dtype=np.int64)
    roi = np.zeros((60, 100), dtype=np.int64)
    roi[5:40, 10:60] |= 1
    disk(roi, 70, 30, 20, 1)
    roi[17, 33] |= 1 << 2
    roi[30:60, 40:100] |= 1 << 3
    roi[0:60, 0:100] |= 1 << 15
    out.append(("periodic100x60", s, roi, 8, 255, 0, 8, 0, True))
    out.append(("sixBits100x60", s, roi, 8, 255, 0, 6, 0, False))

    # 12-bit samples in a 37 x 50 image; ROIs 2 and 5 only, mode 3 limits.
    s = rng.integers(0, 4096, size=(50, 37), dtype=np.int64)
    roi = np.zeros((50, 37), dtype=np.int64)
    roi[0:25, 0:37] |= 1 << 1
    disk(roi, 20, 30, 12, 4)
    out.append(("minMax37x50", s, roi, 12, int(s.max()), int(s.min()), 8, 3, False))
    out.append(("shift37x50", s, roi, 12, int(s.max()), int(s.min()), 10, 0, True))

    # A large-ish image: D = 256, four scales, a small ROI reaching two.
    s = rng.integers(0, 1024, size=(140, 200), dtype=np.int64)
    roi = np.zeros((140, 200), dtype=np.int64)
    roi[100:140, 150:200] |= 1
    roi[60:68, 20:28] |= 1 << 6
    out.append(("scales200x140", s, roi, 10, int(s.max()), int(s.min()), 8, 0, False))
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    lines = ["// Generated by wavelet_cases.py; do not edit.",
             "// Each case: image, ROI map, options, the 32 energy records, the",
             "// records left unfilled, and for some the whole map."]
    table = []
    for name, s, roi, bits, imax, imin, n, mode, with_map in cases():
        h, w = s.shape
        values, unfilled = energies(s, roi, bits, n, mode)
        lines.append("static const uint16_t k%sSamples[] = {%s};" % (name, ",".join(str(int(v)) for v in s.flat)))
        lines.append("static const uint16_t k%sRoi[] = {%s};" % (name, ",".join(str(int(v)) for v in roi.flat)))
        lines.append("static const double k%sEnergies[32][16] = {" % name)
        for rec in values:
            lines.append("    {%s}," % ",".join(fmt(v) for v in rec))
        lines.append("};")
        map_name = "nullptr"
        if with_map:
            m = whole_map(s, bits, n)
            lines.append("static const double k%sMap[] = {%s};" % (name, ",".join(fmt(v) for v in m.flat)))
            map_name = "k%sMap" % name
        table.append('    {"%s", %d, %d, %d, %d, %d, %d, %d, k%sSamples, k%sRoi, k%sEnergies, %d, %s},'
                     % (name, w, h, bits, imax, imin, n, mode, name, name, name, unfilled, map_name))
    lines.append("static const WaveletCase kWaveletCases[] = {")
    lines.extend(table)
    lines.append("};")
    with open(os.path.join(here, "wavelet_cases.inc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
