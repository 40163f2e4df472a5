#!/usr/bin/python3
"""Side-by-side timings: our Google Benchmark programs against the Python
anchors (numpy, scipy, scikit-learn, scikit-image) on the same data.

    bench/compare_anchors.py [BENCH_DIR] [--rounds N] [--only NAME,...]

BENCH_DIR holds the built benchmark programs (default build/dev/bench). Each
row runs our program with N repetitions and times the anchor N times; the
table shows both medians (wall clock, ms) and ratio = ours / anchor, so a
ratio below 1 means we are faster. The data are regenerated here exactly as
the programs make them: std::mt19937 through numpy's MT19937 with the same
seeding, libstdc++'s normal_distribution (Marsaglia's polar method) on top
of it, and the 2D analysis scene's own LCG.
"""

import argparse
import json
import math
import os
import statistics
import subprocess
import sys
import time

import numpy as np
from scipy import stats
from scipy.cluster import hierarchy
from scipy.spatial.distance import pdist
from skimage.feature import graycomatrix, graycoprops
from sklearn.cluster import KMeans
from sklearn.decomposition import PCA
from sklearn.neighbors import NearestNeighbors
from sklearn.preprocessing import StandardScaler

# --- the programs' data -------------------------------------------------------


class Mt19937:
    """std::mt19937(seed): the 32-bit outputs, in order."""

    def __init__(self, seed):
        self.bits = np.random.MT19937()
        self.bits._legacy_seeding(seed)

    def draw(self, count):
        return self.bits.random_raw(count).astype(np.uint64)


def libstdcxx_normals(seed, count):
    """std::normal_distribution<double>(0, 1) over std::mt19937(seed)."""
    mt = Mt19937(seed)
    values = []
    saved = None
    while len(values) < count:
        if saved is not None:
            values.append(saved)
            saved = None
            continue
        while True:
            a, b, c, d = (int(v) for v in mt.draw(4))
            # generate_canonical<double, 53>: two draws, low word first
            x = 2.0 * min((a + b * 2.0**32) / 2.0**64, 1.0 - 2.0**-53) - 1.0
            y = 2.0 * min((c + d * 2.0**32) / 2.0**64, 1.0 - 2.0**-53) - 1.0
            r2 = x * x + y * y
            if r2 <= 1.0 and r2 != 0.0:
                break
        mult = math.sqrt(-2.0 * math.log(r2) / r2)
        saved = x * mult
        values.append(y * mult)
    return np.array(values[:count])


def texture_image():
    """texture_bench: smooth blobs plus noise, 1024 x 1024, 12 bits."""
    side = 1024
    coarse_side = side // 8 + 2
    raw = Mt19937(1).draw(coarse_side * coarse_side + side * side)
    coarse = (raw[: coarse_side * coarse_side] % 3000).reshape(coarse_side, coarse_side)
    noise = (raw[coarse_side * coarse_side :] % 1096).reshape(side, side)
    ys, xs = np.mgrid[0:side, 0:side]
    return (coarse[ys // 8, xs // 8] + noise).astype(np.uint16)


def analysis_scene():
    """analysis_bench: (3x + 2y + LCG byte) mod 4096, 1024 x 1024."""
    side = 1024
    seeds = np.empty(side * side, dtype=np.uint64)
    seed = 1
    for i in range(side * side):
        seed = (seed * 134775813 + 1) & 0xFFFFFFFF
        seeds[i] = seed
    ys, xs = np.mgrid[0:side, 0:side]
    grey = (xs * 3 + ys * 2 + (seeds.reshape(side, side) >> 24).astype(np.int64)) % 4096
    return grey.astype(np.uint16)


def tiles(image):
    """The 16 ROIs of both scenes: 256 x 256 tiles in raster order."""
    return [image[y : y + 256, x : x + 256] for y in range(0, 1024, 256) for x in range(0, 1024, 256)]


def classed_samples(seed, classes, offset):
    """2000 x 30 normals plus a class offset, drawn sample by sample."""
    noise = libstdcxx_normals(seed, 2000 * 30).reshape(2000, 30)
    i = np.arange(1, 2001)[:, None]
    f = np.arange(1, 31)[None, :]
    return noise + offset(i, f), classes(i[:, 0])


# --- the anchors --------------------------------------------------------------

DISPLACEMENTS = dict(distances=[1, 2, 3, 4, 5], angles=[0, np.pi / 2, np.pi / 4, 3 * np.pi / 4])


def cooccurrence_features(levels_image, levels):
    m = graycomatrix(levels_image, levels=levels, symmetric=True, normed=True, **DISPLACEMENTS)
    props = [graycoprops(m, p) for p in ("ASM", "contrast", "correlation", "homogeneity")]
    p = m + (m == 0)
    entropy = -(m * np.log10(p)).sum(axis=(0, 1))
    return props, entropy


def cooccurrence_anchor(image, bits):
    shift = 12 - bits
    for tile in tiles(image):
        cooccurrence_features((tile >> shift).astype(np.uint8), 1 << bits)


def run_lengths(lines, levels):
    """Run-length matrix of a list of 1-D level arrays."""
    counts = np.zeros((levels, 1025), dtype=np.int64)
    for line in lines:
        if len(line) == 0:
            continue
        edges = np.flatnonzero(np.diff(line)) + 1
        starts = np.concatenate(([0], edges))
        lengths = np.diff(np.concatenate((starts, [len(line)])))
        np.add.at(counts, (line[starts], lengths), 1)
    return counts


def run_length_features(counts, pixels):
    runs = counts.sum()
    j = np.arange(counts.shape[1])
    return (
        (counts.sum(axis=0) ** 2).sum() / runs,
        (counts.sum(axis=1) ** 2).sum() / runs,
        (counts * j**2).sum() / runs,
        (counts[:, 1:] / j[1:] ** 2).sum() / runs,
        runs / pixels,
    )


def composition_2d(image):
    """The default 2D analysis as a Python composition, per ROI."""
    for tile in tiles(image):
        v = tile.astype(np.float64) + 1
        stats.describe(v.ravel())
        np.percentile(v, [1, 10, 50, 90, 99])
        cooccurrence_features((tile >> 6).astype(np.uint8), 64)
        q = (tile >> 6).astype(np.int64)
        directions = [
            list(q),
            list(q.T),
            [np.diagonal(q[::-1], k) for k in range(-255, 256)],
            [np.diagonal(q, k) for k in range(-255, 256)],
        ]
        for lines in directions:
            run_length_features(run_lengths(lines, 64), q.size)
        g = (tile >> 8).astype(np.int64)
        gx = g[1:-1, 2:] - g[1:-1, :-2]
        gy = g[2:, 1:-1] - g[:-2, 1:-1]
        magnitude = np.sqrt(gx * gx + gy * gy).ravel()
        stats.describe(magnitude)
        np.count_nonzero(magnitude)
        z = (v - v.mean()) / v.std()
        u = np.stack([z[1:, :-2], z[:-1, :-2], z[:-1, 1:-1], z[:-1, 2:]], axis=-1).reshape(-1, 4)
        w = z[1:, 1:-1].ravel()
        teta, residual, _, _ = np.linalg.lstsq(u, w, rcond=None)
        math.sqrt(residual[0] / len(w))


def leave_one_out_1nn(x, categories):
    _, index = NearestNeighbors(n_neighbors=2, algorithm="brute").fit(x).kneighbors(x)
    return int((categories[index[:, 1]] != categories).sum())


def pca_command(x, categories):
    scaled = StandardScaler().fit_transform(x)
    projected = PCA(n_components=0.99, svd_solver="full").fit_transform(scaled)
    return leave_one_out_1nn(projected, categories)


def kmeans_command(x, clusters):
    KMeans(n_clusters=clusters, n_init=5, algorithm="lloyd", random_state=0).fit(x)


def ahc_command(x, method):
    z = hierarchy.linkage(x, method=method, metric="euclidean")
    hierarchy.cophenet(z, pdist(x))
    hierarchy.inconsistent(z, 2)


# --- running both sides -------------------------------------------------------


def our_median(bench_dir, program, name, rounds):
    """Median wall time (ms) of one benchmark, by its full name."""
    path = os.path.join(bench_dir, program)
    out = subprocess.run(
        [
            path,
            "--benchmark_filter=^" + name + "$",
            "--benchmark_repetitions=%d" % rounds,
            "--benchmark_report_aggregates_only=true",
            "--benchmark_format=json",
        ],
        check=True,
        capture_output=True,
        text=True,
    ).stdout
    for run in json.loads(out)["benchmarks"]:
        if run.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
            return run["real_time"] * scale
    raise RuntimeError("no median for " + name)


def anchor_median(work, rounds):
    work()  # warm: imports, caches, first-call setup
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        work()
        times.append((time.perf_counter() - start) * 1e3)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("bench_dir", nargs="?", default="build/dev/bench")
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--only", default="", help="comma-separated row names")
    args = parser.parse_args()

    texture = texture_image()
    scene = analysis_scene()
    nn_x, nn_c = classed_samples(5, lambda i: i % 40 + 1, lambda i, f: 0.1 * (i % 40) * (f % 4))
    pca_x, pca_c = classed_samples(42, lambda i: (i - 1) % 4 + 1, lambda i, f: 0.5 * ((i - 1) % 4 + 1) * (f % 5))
    km_x, _ = classed_samples(
        42, lambda i: (i - 1) % 8 + 1, lambda i, f: 0.6 * ((i - 1) % 8 + 1) * ((f + (i - 1) % 8 + 1) % 5)
    )

    rows = [
        ("co-occurrence, 64 levels", "texture_bench", "BM_Family/family:2/bits:6",
         lambda: cooccurrence_anchor(texture, 6), "skimage graycomatrix+graycoprops"),
        ("co-occurrence, 256 levels", "texture_bench", "BM_Family/family:2/bits:8",
         lambda: cooccurrence_anchor(texture, 8), "skimage graycomatrix+graycoprops"),
        ("2D analysis, defaults", "analysis_bench", "BM_Analyse2DDefaults",
         lambda: composition_2d(scene), "numpy/scipy/skimage composition"),
        ("leave-one-out 1-NN", "nearest_neighbour_bench", "BM_LeaveOneOut1NN/2000",
         lambda: leave_one_out_1nn(nn_x, nn_c), "sklearn NearestNeighbors"),
        ("PCA command", "r62_analysis_bench", "BM_PcaReport",
         lambda: pca_command(pca_x, pca_c), "sklearn scaler+PCA+1-NN"),
        ("k-means, K = 10", "kmeans_bench", "BM_KMeansCommand/K:10/classes:1",
         lambda: kmeans_command(km_x, 10), "sklearn KMeans, 5 starts"),
        ("AHC single", "ahc_bench", "BM_BuildClusterTree/N:2000/metric:0/linkage:0",
         lambda: ahc_command(nn_x, "single"), "scipy linkage+cophenet+inconsistent"),
        ("AHC complete", "ahc_bench", "BM_BuildClusterTree/N:2000/metric:0/linkage:1",
         lambda: ahc_command(nn_x, "complete"), "scipy linkage+cophenet+inconsistent"),
        ("AHC average", "ahc_bench", "BM_BuildClusterTree/N:2000/metric:0/linkage:2",
         lambda: ahc_command(nn_x, "average"), "scipy linkage+cophenet+inconsistent"),
    ]
    wanted = [w.strip() for w in args.only.split(",") if w.strip()]
    print("%-26s %10s %10s %7s  %s" % ("what", "ours ms", "anchor ms", "ratio", "anchor"))
    for name, program, bench, anchor, anchor_name in rows:
        if wanted and not any(w in name for w in wanted):
            continue
        ours = our_median(args.bench_dir, program, bench, args.rounds)
        theirs = anchor_median(anchor, args.rounds)
        print("%-26s %10.2f %10.2f %7.2f  %s" % (name, ours, theirs, ours / theirs, anchor_name))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
