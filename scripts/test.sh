#!/usr/bin/env bash
# Builds everything and runs every test: first a plain build, then the same suite under
# AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

if [ "${LEAKMETER_SKIP_SANITIZE:-0}" != 1 ]; then
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLEAKMETER_SANITIZE=ON
    cmake --build build-asan -j"$jobs"
    (cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
fi
