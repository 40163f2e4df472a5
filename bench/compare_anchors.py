#!/usr/bin/python3
"""Side-by-side timings: our Google Benchmark programs against the Python
anchors (numpy, scipy, scikit-learn, scikit-image) on the same data and the
same work.

    bench/compare_anchors.py [BENCH_DIR] [--rounds N] [--only NAME,...] [--slow] [--no-setup]

BENCH_DIR holds the built benchmark programs (default build/release/bench).
Both sides run twice: on one thread (our VANTU_THREADS=1; OMP_NUM_THREADS,
OPENBLAS_NUM_THREADS and MKL_NUM_THREADS = 1 for both) and on all threads
(none of those set). A round runs each side once per setting, the sides
taking turns at going first, so a change of load on the machine falls on
both; the table shows the medians over the rounds (wall clock, ms) with
their spread (the fastest and the slowest round) and ratio = ours / anchor
of the medians, so a ratio below 1 means we are faster. Our side is one run
of the benchmark program (its mean time per iteration); the anchors run in
two long-lived worker processes (one per thread setting, since the libraries
fix their thread pools when they load), each warmed once per row.

The all-threads column is not a contest of equals everywhere: scikit-image's
co-occurrence, numpy's element-wise work, the Python run-length loop of the
2D composition and scipy's linkage run on one thread whatever the setting,
so on the rows marked "1T" it pits all our threads against one of theirs;
the one-thread column is the like-for-like one. Most of the 2D anchor's time
is its Python run-length loop (about two thirds here, 62-68%; 72% was
measured before on another machine): the table prints the share of each run.

Before timing it runs bench/setup-anchors.sh (unless --no-setup), which
installs the libraries and selects Debian's OpenBLAS for BLAS and LAPACK, so
that numpy and scipy do not run on the reference BLAS; the header says which
BLAS the anchors loaded.

Each anchor does the work ours does: the co-occurrence rows build the twenty
symmetric matrices (distances 1..5 along 0, 90, 45 and 135 degrees) of each
of the 16 ROIs and evaluate the eleven features of each; the 2D analysis
computes the records of the default options (histogram, co-occurrence,
run-length, gradient, AR); k-means runs five starts and the silhouettes;
hierarchical clustering computes the distances once for the merges and the
cophenetic correlation. The data are regenerated here exactly as the programs
make them: std::mt19937 through numpy's MT19937 with the same seeding,
libstdc++'s normal_distribution (Marsaglia's polar method) on top of it, and
the 2D analysis scene's own LCG.

Needs Debian's python3-numpy, python3-scipy, python3-sklearn and
python3-skimage (run with /usr/bin/python3), which the set-up installs.
"""

import argparse
import json
import math
import os
import statistics
import subprocess
import sys
import time


def load_libraries():
    """The scientific libraries, loaded only in the workers: their thread
    pools follow the environment the worker was started with."""
    global np, stats, hierarchy, pdist, graycomatrix, graycoprops
    global KMeans, PCA, NearestNeighbors, StandardScaler, silhouette_samples
    import numpy as np
    from scipy import stats
    from scipy.cluster import hierarchy
    from scipy.spatial.distance import pdist
    from skimage.feature import graycomatrix, graycoprops
    from sklearn.cluster import KMeans
    from sklearn.decomposition import PCA
    from sklearn.metrics import silhouette_samples
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


def texture_image(side=1024):
    """texture_bench (and feature_maps_bench's benchImage): smooth blobs plus
    noise, side x side, 12 bits."""
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

def cooccurrence_matrices(levels_image, levels):
    """The 20 symmetric, normalised matrices of one ROI (levels x levels x 20
    x 1): S(d,0) and S(0,d), then S(d,d) and S(d,-d), whose offsets are d
    pixels along both axes (a distance of d * sqrt(2) at 45 and 135 degrees)."""
    axial = graycomatrix(levels_image, [1, 2, 3, 4, 5], [0, np.pi / 2], levels=levels,
                         symmetric=True, normed=True)
    diagonal = graycomatrix(levels_image, [d * math.sqrt(2) for d in range(1, 6)],
                            [np.pi / 4, 3 * np.pi / 4], levels=levels, symmetric=True, normed=True)
    return np.concatenate((axial.reshape(levels, levels, -1), diagonal.reshape(levels, levels, -1)),
                          axis=2)[:, :, :, None]


def gathered(m, index, size):
    """sum over (i, j) of m[i * levels + j, k] into out[index[i * levels + j], k]."""
    count = m.shape[1]
    flat = (index[:, None] + size * np.arange(count)[None, :]).ravel()
    return np.bincount(flat, weights=m.ravel(), minlength=size * count).reshape(size, count, order="F")


def entropy_of(p, axis=0):
    return -(p * np.log10(np.where(p > 0, p, 1))).sum(axis=axis)


def cooccurrence_features(matrices):
    """The eleven features of each matrix (levels x levels x K x 1)."""
    levels = matrices.shape[0]
    props = [graycoprops(matrices, p) for p in ("ASM", "contrast", "correlation", "homogeneity")]
    m = matrices.reshape(levels * levels, -1)
    i = np.arange(levels)[:, None]
    px = matrices[:, :, :, 0].sum(axis=1)
    mean = (i * px).sum(axis=0)
    sum_of_squares = ((i - mean) ** 2 * px).sum(axis=0)
    i_, j_ = np.meshgrid(np.arange(levels), np.arange(levels), indexing="ij")
    p_sum = gathered(m, (i_ + j_).ravel(), 2 * levels - 1)
    p_diff = gathered(m, np.abs(i_ - j_).ravel(), levels)
    k = np.arange(2 * levels - 1)[:, None]
    sum_average = (k * p_sum).sum(axis=0)
    sum_variance = ((k - sum_average) ** 2 * p_sum).sum(axis=0)
    d = np.arange(levels)[:, None]
    diff_mean = (d * p_diff).sum(axis=0)
    diff_variance = ((d - diff_mean) ** 2 * p_diff).sum(axis=0)
    return props + [sum_of_squares, sum_average, sum_variance, entropy_of(p_sum),
                    entropy_of(m), diff_variance, entropy_of(p_diff)]


def cooccurrence_anchor(image, bits):
    shift = 12 - bits
    for tile in tiles(image):
        cooccurrence_features(cooccurrence_matrices((tile >> shift).astype(np.uint8), 1 << bits))


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


def run_length_part(tile):
    """The run-length records of one ROI of the 2D composition (4 x 5 at 6
    bits): a Python loop over the rows, columns and diagonals."""
    q = (tile >> 6).astype(np.int64)
    directions = [
        list(q),
        list(q.T),
        [np.diagonal(q[::-1], k) for k in range(-255, 256)],
        [np.diagonal(q, k) for k in range(-255, 256)],
    ]
    for lines in directions:
        run_length_features(run_lengths(lines, 64), q.size)


def run_length_loop(image):
    """The run-length part of composition_2d alone, to measure its share."""
    for tile in tiles(image):
        run_length_part(tile)


def composition_2d(image):
    """The default 2D analysis as a Python composition, per ROI: the same
    records (histogram 4 + 5 percentiles, co-occurrence 20 x 11 at 6 bits,
    run-length 4 x 5 at 6 bits, gradient 5 at 4 bits, AR 4 + sigma)."""
    for tile in tiles(image):
        v = tile.astype(np.float64)
        stats.describe(v.ravel())
        np.percentile(v, [1, 10, 50, 90, 99])
        cooccurrence_features(cooccurrence_matrices((tile >> 6).astype(np.uint8), 64))
        run_length_part(tile)
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


def contrast_map_anchor(image, window=15):
    """A co-occurrence contrast map the plain way: one matrix per window
    (64 levels, displacement (1, 0), symmetric), step 1."""
    levels = (image >> 6).astype(np.uint8)
    count = image.shape[0] - window + 1
    contrast = np.empty((count, count))
    for y in range(count):
        for x in range(count):
            m = graycomatrix(levels[y : y + window, x : x + window], [1], [0], levels=64,
                             symmetric=True)
            contrast[y, x] = graycoprops(m, "contrast")[0, 0]


def leave_one_out_1nn(x, categories):
    _, index = NearestNeighbors(n_neighbors=2, algorithm="brute").fit(x).kneighbors(x)
    return int((categories[index[:, 1]] != categories).sum())


def pca_command(x, categories):
    scaled = StandardScaler().fit_transform(x)
    projected = PCA(n_components=0.99, svd_solver="full").fit_transform(scaled)
    return leave_one_out_1nn(projected, categories)


def kmeans_command(x, clusters):
    labels = KMeans(n_clusters=clusters, n_init=5, algorithm="lloyd", random_state=0).fit_predict(x)
    silhouette_samples(x, labels)


def ahc_command(distances, method):
    z = hierarchy.linkage(distances, method=method)
    hierarchy.cophenet(z, distances)
    hierarchy.inconsistent(z, 2)


def anchor_work(key):
    """The anchor of a row, its data made: a function that does the work once."""
    kind, _, arg = key.partition(":")
    if kind == "cooccurrence":
        image = texture_image()
        return lambda: cooccurrence_anchor(image, int(arg))
    if kind == "analysis":
        scene = analysis_scene()
        return lambda: composition_2d(scene)
    if kind == "analysis-run-length":
        scene = analysis_scene()
        return lambda: run_length_loop(scene)
    if kind == "contrast-map":
        image = texture_image(256)
        return lambda: contrast_map_anchor(image)
    if kind == "1nn":
        x, c = classed_samples(5, lambda i: i % 40 + 1, lambda i, f: 0.1 * (i % 40) * (f % 4))
        return lambda: leave_one_out_1nn(x, c)
    if kind == "pca":
        x, c = classed_samples(42, lambda i: (i - 1) % 4 + 1,
                               lambda i, f: 0.5 * ((i - 1) % 4 + 1) * (f % 5))
        return lambda: pca_command(x, c)
    if kind == "kmeans":
        x, _ = classed_samples(42, lambda i: (i - 1) % 8 + 1,
                               lambda i, f: 0.6 * ((i - 1) % 8 + 1) * ((f + (i - 1) % 8 + 1) % 5))
        return lambda: kmeans_command(x, int(arg))
    if kind == "ahc":
        x, _ = classed_samples(5, lambda i: i % 40 + 1, lambda i, f: 0.1 * (i % 40) * (f % 4))
        return lambda: ahc_command(pdist(x), arg)
    raise ValueError("no anchor " + key)


def loaded_blas():
    """The BLAS library numpy loaded, by its file name in the process's maps."""
    names = set()
    with open("/proc/self/maps") as maps:
        for line in maps:
            path = line.split()[-1]
            if "blas" in os.path.basename(path) or "/blas/" in path:
                names.add(os.path.realpath(path))
    if any("openblas" in n for n in names):
        return "OpenBLAS"
    return "reference BLAS" if names else "unknown"


def worker():
    """Times anchors on request: one row key per input line, one JSON line out."""
    load_libraries()
    prepared = {}
    for line in sys.stdin:
        key = line.strip()
        if key == "blas":
            print(json.dumps({"blas": loaded_blas()}), flush=True)
            continue
        try:
            if key not in prepared:
                prepared[key] = anchor_work(key)
                prepared[key]()  # warm: first-call setup, caches
            start = time.perf_counter()
            prepared[key]()
            print(json.dumps({"ms": (time.perf_counter() - start) * 1e3}), flush=True)
        except Exception as error:  # reported to the table, the worker goes on
            print(json.dumps({"error": "%s: %s" % (type(error).__name__, error)}), flush=True)


# --- running both sides -------------------------------------------------------

THREAD_VARIABLES = ("VANTU_THREADS", "OMP_NUM_THREADS", "OPENBLAS_NUM_THREADS", "MKL_NUM_THREADS")


def environment(one_thread):
    env = {k: v for k, v in os.environ.items() if k not in THREAD_VARIABLES}
    if one_thread:
        env.update({k: "1" for k in THREAD_VARIABLES})
    return env


class AnchorWorker:
    def __init__(self, one_thread):
        self.process = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "--worker"],
            env=environment(one_thread), stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def ask(self, key):
        self.process.stdin.write(key + "\n")
        self.process.stdin.flush()
        answer = json.loads(self.process.stdout.readline() or '{"error": "worker ended"}')
        if "error" in answer:
            raise RuntimeError(answer["error"])
        return answer

    def time(self, key):
        return self.ask(key)["ms"]

    def close(self):
        self.process.stdin.close()
        self.process.wait()


def our_time(bench_dir, program, name, one_thread):
    """One run of one benchmark (its mean wall time per iteration, ms)."""
    out = subprocess.run(
        [os.path.join(bench_dir, program), "--benchmark_filter=^" + name + "$",
         "--benchmark_format=json"],
        env=environment(one_thread), check=True, capture_output=True, text=True,
    ).stdout
    for run in json.loads(out)["benchmarks"]:
        if run.get("run_type", "iteration") == "iteration":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
            return run["real_time"] * scale
    raise RuntimeError("no benchmark " + name + " in " + program)


ROWS = [
    # what, our program, our benchmark, anchor key, anchor, slow, anchor on one thread
    ("co-occurrence, 64 levels", "texture_bench", "BM_Family/family:2/bits:6", "cooccurrence:6",
     "skimage graycomatrix+graycoprops, numpy", False, True),
    ("co-occurrence, 256 levels", "texture_bench", "BM_Family/family:2/bits:8", "cooccurrence:8",
     "skimage graycomatrix+graycoprops, numpy", False, True),
    ("2D analysis, defaults", "analysis_bench", "BM_Analyse2DDefaults", "analysis",
     "numpy/scipy/skimage composition", False, True),
    ("contrast map 256, 15x15", "feature_maps_bench", "BM_ContrastMap256/real_time", "contrast-map",
     "skimage, one matrix per window (a one-thread loop)", True, True),
    ("leave-one-out 1-NN", "nearest_neighbour_bench", "BM_LeaveOneOut1NN/2000", "1nn",
     "sklearn NearestNeighbors", False, False),
    ("PCA command", "r62_analysis_bench", "BM_PcaReport", "pca", "sklearn scaler+PCA+1-NN", False,
     False),
    ("k-means, K = 10", "kmeans_bench", "BM_KMeansCommand/K:10/classes:1", "kmeans:10",
     "sklearn KMeans, 5 starts + silhouettes", False, False),
    ("AHC single", "ahc_bench", "BM_BuildClusterTree/N:2000/metric:0/linkage:0", "ahc:single",
     "scipy pdist once, linkage+cophenet+inconsistent", False, True),
    ("AHC complete", "ahc_bench", "BM_BuildClusterTree/N:2000/metric:0/linkage:1", "ahc:complete",
     "scipy pdist once, linkage+cophenet+inconsistent", False, True),
    ("AHC average", "ahc_bench", "BM_BuildClusterTree/N:2000/metric:0/linkage:2", "ahc:average",
     "scipy pdist once, linkage+cophenet+inconsistent", False, True),
]


def spread(times):
    """The median of a figure and its spread: "median (fastest-slowest)"."""
    return "%8.2f (%.2f-%.2f)" % (statistics.median(times), min(times), max(times))


def main():
    if "--worker" in sys.argv:
        worker()
        return
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("bench_dir", nargs="?", default="build/release/bench")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--only", default="", help="comma-separated parts of row names")
    parser.add_argument("--slow", action="store_true", help="also the rows marked slow")
    parser.add_argument("--no-setup", action="store_true",
                        help="do not run bench/setup-anchors.sh first")
    args = parser.parse_args()
    if not args.no_setup:
        subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "setup-anchors.sh")],
                       check=True)

    wanted = [w.strip() for w in args.only.split(",") if w.strip()]
    rows = [r for r in ROWS if (any(w in r[0] for w in wanted) if wanted else args.slow or not r[5])]
    threads = os.cpu_count() or 1
    settings = ((True, "1 thread, both sides"),
                (False, "ours on %d threads, anchors as they run" % threads))
    workers = {one: AnchorWorker(one) for one, _ in settings}
    print("anchors' BLAS: %s; times in ms, median (fastest-slowest) of %d rounds"
          % (workers[True].ask("blas")["blas"], args.rounds))
    width = 26
    print("%-26s" % "" + "".join(" | %-60s" % title for _, title in settings))
    print("%-26s" % "what" + " | %-26s %-26s %6s" % ("ours", "anchor", "ratio") * len(settings)
          + " | anchor")
    run_length_shares = []
    try:
        for row_index, (name, program, bench, key, anchor_name, _, single) in enumerate(rows):
            times = {(one, side): [] for one, _ in settings for side in ("ours", "anchor")}
            sides = {
                "ours": lambda one: our_time(args.bench_dir, program, bench, one),
                "anchor": lambda one: workers[one].time(key),
            }
            cells = []
            try:
                for r in range(args.rounds):
                    for one, _ in settings:
                        order = ("ours", "anchor") if (r + row_index) % 2 == 0 else ("anchor", "ours")
                        for side in order:
                            times[(one, side)].append(sides[side](one))
                        if key == "analysis":
                            run_length_shares.append(
                                (one, workers[one].time("analysis-run-length")))
                for one, _ in settings:
                    ours = statistics.median(times[(one, "ours")])
                    theirs = statistics.median(times[(one, "anchor")])
                    mark = " 1T" if single and not one else "   "
                    cells.append(" | %-26s %-26s %6.2f%s" % (
                        spread(times[(one, "ours")]), spread(times[(one, "anchor")]),
                        ours / theirs, mark))
            except (RuntimeError, subprocess.CalledProcessError, OSError) as error:
                cells = [" | not measured: %s" % error]
            print("%-*s" % (width, name) + "".join(cells) + " | " + anchor_name)
            if key == "analysis" and len(cells) == len(settings):
                for one, title in settings:
                    loop = statistics.median([ms for o, ms in run_length_shares if o == one])
                    whole = statistics.median(times[(one, "anchor")])
                    print("%-*s   %s: the Python run-length loop alone %.2f ms, %.0f%% of the "
                          "2D anchor's time" % (width, "", title, loop, 100 * loop / whole))
            sys.stdout.flush()
    finally:
        for w in workers.values():
            w.close()
    print("1T: the anchor runs on one thread in both settings (scikit-image's co-occurrence, "
          "numpy's element-wise work, the Python run-length loop, scipy's linkage), so this "
          "ratio pits our %d threads against its one; the one-thread ratio is the fair one."
          % threads)


if __name__ == "__main__":
    main()
