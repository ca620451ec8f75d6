#!/usr/bin/env bash
# Checks the formatting first, then installs what is missing, builds Rimvista twice (the `test`
# preset: plain, warnings as errors; the `asan` preset: address and undefined behaviour
# sanitizers, without the window) and runs every test: the plain build in three locales (C,
# German with its decimal comma, Japanese), the window tests once more on a real X server under a
# window manager, the real-window smoke tests, and the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/check-format.sh
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake --preset test
cmake --build --preset test -j "$jobs"
echo "== tests in C.UTF-8"
LC_ALL=C.UTF-8 LANG=C.UTF-8 ctest --preset test -j "$jobs"
# The tests labelled "once" (the window manager's placement, installing and packaging) do not
# depend on the locale and take most of a run's time.
for locale in de_DE.UTF-8 ja_JP.UTF-8; do
  echo "== tests in $locale"
  LC_ALL=$locale LANG=$locale ctest --preset test -j "$jobs" -LE once
done

# One at a time: the tests share the display's one pointer and keyboard focus.
echo "== window tests under a window manager"
LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash scripts/with-window-manager.sh ctest --preset test -j 1 -L gui

# Leaks inside Qt's and the system libraries' own one-time allocations are not ours to fix.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
LC_ALL=C.UTF-8 ctest --preset asan -j "$jobs"
