#!/usr/bin/env bash
# One step from a fresh Debian 12 machine: install the missing Debian
# packages, configure, build, then run the program or the tests.
#
#   scripts/setup.sh run    build and open the bundled sample survey
#                           (the window with a display, its summary without)
#   scripts/setup.sh test   build with sanitizers and run every test
#   scripts/setup.sh build  build only (release)
#   scripts/setup.sh package  build (release) and make the Debian package
#                           build/release/trevalon_VERSION_ARCH.deb
set -euo pipefail

mode="${1:-run}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

build_packages=(cmake ninja-build g++ pkg-config qtbase5-dev libqt5sql5-sqlite libqt5svg5-dev
                libproj-dev proj-data sqlite3)
test_packages=(proj-bin python3-segyio segyio-bin locales man-db)
package_packages=(dpkg-dev file)

packages=("${build_packages[@]}")
[ "$mode" = test ] && packages+=("${test_packages[@]}")
[ "$mode" = package ] && packages+=("${package_packages[@]}")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs="$(nproc 2>/dev/null || echo 2)"

case "$mode" in
run|build|package)
    cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DTREVALON_TESTS=OFF -DTREVALON_BENCH=OFF >/dev/null
    cmake --build "$root/build/release" -j "$jobs"
    [ "$mode" = build ] && exit 0
    if [ "$mode" = package ]; then
        cd "$root/build/release" && exec cpack -G DEB
    fi
    bin="$root/build/release/bin"
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec "$bin/trevalon" "$bin/sample-line.sgy"
    else
        exec "$bin/trevalon" "$bin/sample-line.sgy" info
    fi
    ;;
test)
    # The text tests also run under a locale with a decimal comma.
    if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
        sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
        $sudo locale-gen >/dev/null
    fi
    cmake -S "$root" -B "$root/build/test" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
          -DTREVALON_SANITIZE=ON -DTREVALON_BENCH=OFF >/dev/null
    cmake --build "$root/build/test" -j "$jobs"
    cd "$root/build/test"
    ctest --output-on-failure -j "$jobs"
    ;;
*)
    echo "usage: $0 run|test|build|package" >&2
    exit 2
    ;;
esac
