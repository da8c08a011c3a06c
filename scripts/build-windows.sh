#!/usr/bin/env bash
# Cross-builds leakmeter for 64-bit Windows on Debian 12 and packs it:
#   dist/leakmeter-VERSION-win64.zip    the program folder (leakmeter.exe, leakmeter.com, DLLs,
#                                       Qt plugins and translations, licences)
#   dist/leakmeter-VERSION-setup.exe    its installer (NSIS, per user, no administrator rights)
# First builds the Windows kit (Qt, OpenSSL, libmosquitto from Debian's source packages) if it
# is not cached yet: about 36 minutes on two cores, once (scripts/windows/build-kit.sh).
# Installs what it needs first (`scripts/install-deps.sh --windows`).
# Options: --no-package (the program and tests only, in build-win64/).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
package=1
[ "${1:-}" = --no-package ] && package=0

scripts/install-deps.sh --windows
kit=$(scripts/windows/build-kit.sh)
build=$repo/build-win64
export PKG_CONFIG_LIBDIR=$kit/lib/pkgconfig PKG_CONFIG_PATH=

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" -DLEAKMETER_WINKIT="$kit" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DLEAKMETER_BENCH=OFF
cmake --build "$build" -j"${LEAKMETER_JOBS:-$(nproc)}"
[ $package = 1 ] || exit 0

version=$(sed -n 's/^project(leakmeter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$build/stage/leakmeter-$version
scripts/windows/stage.sh "$build" "$kit" "$stage"

mkdir -p dist
zip=dist/leakmeter-$version-win64.zip
rm -f "$zip"
(cd "$(dirname "$stage")" && zip -qr -X "$repo/$zip" "$(basename "$stage")")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$repo/dist/leakmeter-$version-setup.exe" \
    scripts/windows/installer.nsi
ls -l "$zip" "dist/leakmeter-$version-setup.exe"
