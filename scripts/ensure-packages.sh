# Sourced by run.sh and test.sh: installs the Debian packages the build and
# the tests need when they are missing, and the decimal-comma locale the
# locale tests run under. Safe to run again; needs root or sudo.

vantu_packages=(
  g++ cmake ninja-build
  qt6-base-dev qt6-qpa-plugins libgl1-mesa-dev libqt6opengl6-dev
  xvfb xauth libgl1-mesa-dri openbox x11-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  locales dcmtk clang-format git
  libuemf-dev emf2svg libwmf-bin
)

vantu_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

vantu_ensure_packages() {
  local missing=()
  for p in "${vantu_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    vantu_as_root apt-get update -qq
    vantu_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

vantu_ensure_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "Generating the de_DE.UTF-8 locale"
    vantu_as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
  fi
}
