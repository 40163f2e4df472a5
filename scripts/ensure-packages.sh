# Sourced by run.sh and test.sh: installs the Debian packages the build and
# the tests need when they are missing, and the locales the locale tests run
# under: German (a decimal comma) and Turkish (a decimal comma, and dotted and
# dotless i, so "I" is not the capital of "i"). Safe to run again; needs root
# or sudo.

vantu_packages=(
  g++ cmake ninja-build
  qt6-base-dev qt6-qpa-plugins libgl1-mesa-dev libqt6opengl6-dev
  xvfb xauth libgl1-mesa-dri openbox x11-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  locales dcmtk clang-format git
  libuemf-dev emf2svg libwmf-bin
  clang libclang-rt-14-dev
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
  local name
  for name in de_DE tr_TR; do
    if ! locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8\$"; then
      echo "Generating the $name.UTF-8 locale"
      vantu_as_root localedef -i "$name" -f UTF-8 "$name.UTF-8"
    fi
  done
}
