#!/usr/bin/python3
# The baseline quoted beside feature_maps_bench: a naive sliding-window
# co-occurrence contrast map with scikit-image (Debian python3-skimage),
# one graycomatrix + graycoprops per window, on the work of
# BM_ContrastMap256: 256 x 256, 15 x 15 window, step 1, 64 levels,
# displacement (1, 0), symmetric. Run by hand: /usr/bin/python3 this file.
import time

import numpy as np
from skimage.feature import graycomatrix, graycoprops

rng = np.random.default_rng(1)
side, window = 256, 15
coarse = rng.integers(0, 3000, size=(side // 8 + 2, side // 8 + 2))
image = np.repeat(np.repeat(coarse, 8, axis=0), 8, axis=1)[:side, :side]
image = image + rng.integers(0, 1096, size=(side, side))
levels = (image >> 6).astype(np.uint8)  # 12 bits to 6

start = time.perf_counter()
count = side - window + 1
contrast = np.empty((count, count))
for y in range(count):
    for x in range(count):
        m = graycomatrix(levels[y:y + window, x:x + window], [1], [0], levels=64, symmetric=True)
        contrast[y, x] = graycoprops(m, "contrast")[0, 0]
elapsed = time.perf_counter() - start
print(f"scikit-image naive contrast map 256x256, 15x15: {elapsed:.2f} s ({count * count} windows)")
