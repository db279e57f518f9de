#!/usr/bin/env bash
# One entry point for people and CI.
#   ./run.sh test   install what is missing, build every preset, run the whole suite
#   ./run.sh demo   the same set-up, then build the sample package and run it under Wine
# Works on a fresh Debian 12 machine as root (apt-get); exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev googletest libbenchmark-dev zlib1g-dev libdeflate-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 fonts-wine xvfb xauth xdotool imagemagick
  zip unzip p7zip-full libarchive-tools python3
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

build_all() {
  local jobs
  jobs=$(nproc)
  for preset in win32 win64 host asan fuzz; do
    echo "== configure and build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build "build/$preset" -j "$jobs"
  done
}

run_tests() {
  local status=0
  echo "== size and import gate: win32, win64"
  ctest --test-dir build/win32 --output-on-failure || status=1
  ctest --test-dir build/win64 --output-on-failure || status=1
  echo "== unit, integration, interop and end-to-end tests: host"
  ctest --test-dir build/host --output-on-failure -j 2 || status=1
  echo "== the same under AddressSanitizer and UndefinedBehaviorSanitizer"
  ctest --test-dir build/asan --output-on-failure -j 2 -E 'e2e|bench' || status=1
  if [ -f tests/fuzz/run_fuzz.sh ]; then
    echo "== fuzz targets, briefly"
    bash tests/fuzz/run_fuzz.sh build/fuzz "${PELLMOR_FUZZ_SECONDS:-30}" || status=1
  fi
  return $status
}

case "${1:-}" in
  test)
    install_packages
    build_all
    run_tests
    ;;
  demo)
    install_packages
    build_all
    bash tests/e2e/demo.sh
    ;;
  *)
    echo "usage: ./run.sh test | demo" >&2
    exit 2
    ;;
esac
