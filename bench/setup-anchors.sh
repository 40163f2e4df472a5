#!/usr/bin/env bash
# Set-up of bench/compare_anchors.py: the Debian Python libraries its anchors
# use, and OpenBLAS as the system's BLAS and LAPACK, so that numpy and scipy do
# not time the reference BLAS. Safe to run again; needs root or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh

# The anchors' packages in place of the build's, through the same installer.
vantu_packages=(python3-numpy python3-scipy python3-sklearn python3-skimage libopenblas0-pthread)
vantu_ensure_packages

# The alternatives pick OpenBLAS by priority once it is installed, unless
# someone fixed them by hand: select it explicitly.
arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for lib in libblas.so.3 liblapack.so.3; do
  target=/usr/lib/$arch/openblas-pthread/$lib
  if [ "$(readlink -f "/usr/lib/$arch/$lib")" != "$(readlink -f "$target")" ]; then
    echo "Selecting $target for $lib"
    vantu_as_root update-alternatives --set "$lib-$arch" "$target"
  fi
done
