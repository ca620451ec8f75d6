#!/usr/bin/env bash
# Installs what is missing, builds Rimvista twice (plain, and with the address and undefined
# behaviour sanitizers) and runs every test in both builds, the real-window smoke test included.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIMVISTA_BENCH=OFF
cmake --build build/test -j "$jobs"
(cd build/test && ctest --output-on-failure -j "$jobs")

# Leaks inside Qt's and the system libraries' own one-time allocations are not ours to fix.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIMVISTA_SANITIZE=ON -DRIMVISTA_BENCH=OFF
cmake --build build/asan -j "$jobs"
(cd build/asan && ctest --output-on-failure -j "$jobs" -E smoke)
