#!/usr/bin/env bash
# Installs what is missing, builds Rimvista twice (plain, and with the address and undefined
# behaviour sanitizers) and runs every test: the plain build in three locales (C, German with its
# decimal comma, Japanese), the window tests once more on a real X server under a window
# manager, the real-window smoke tests, and the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIMVISTA_BENCH=OFF
cmake --build build/test -j "$jobs"
for locale in C.UTF-8 de_DE.UTF-8 ja_JP.UTF-8; do
  echo "== tests in $locale"
  (cd build/test && LC_ALL=$locale LANG=$locale ctest --output-on-failure -j "$jobs")
done

# One at a time: the tests share the display's one pointer and keyboard focus.
echo "== window tests under a window manager"
(cd build/test && LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash ../../scripts/with-window-manager.sh ctest --output-on-failure -j 1 -L gui)

# Leaks inside Qt's and the system libraries' own one-time allocations are not ours to fix.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIMVISTA_SANITIZE=ON -DRIMVISTA_BENCH=OFF
cmake --build build/asan -j "$jobs"
(cd build/asan && LC_ALL=C.UTF-8 ctest --output-on-failure -j "$jobs" -E 'smoke|window_manager')
