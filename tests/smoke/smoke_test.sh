#!/usr/bin/env bash
# Starts the real program on a virtual X display, waits for its window, takes a screenshot and
# checks the title and that the window shows drawn controls with Japanese text in a real font.
# Usage: smoke_test.sh RIMVISTA_BINARY ARTIFACT_DIR
set -euo pipefail
binary=$1
artifacts=$2
mkdir -p "$artifacts"

if [ -z "${RIMVISTA_SMOKE_INNER:-}" ]; then
  export RIMVISTA_SMOKE_INNER=1
  exec xvfb-run -n 120 -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

if ! fc-list :lang=ja family | grep -q .; then
  echo "FAIL: no font with Japanese glyphs is installed"; exit 1
fi

"$binary" --settings "$work/rimvista.ini" > "$artifacts/smoke-program.log" 2>&1 &
pid=$!

win=""
for _ in $(seq 1 600); do
  win=$(xdotool search --name '^Rimvista   \[Ver\.' 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
if [ -z "$win" ]; then
  echo "FAIL: the window did not appear"
  kill -0 "$pid" 2>/dev/null && echo "(the program is still running)" || echo "(the program ended)"
  cat "$artifacts/smoke-program.log"
  xdotool search --name . getwindowname %@ 2>/dev/null | head -n 5 || true
  exit 1
fi

title=$(xdotool getwindowname "$win")
expected="Rimvista   [Ver.1.1.0]"
if [ "$title" != "$expected" ]; then
  echo "FAIL: title is '$title', expected '$expected'"; exit 1
fi

shot="$artifacts/smoke-window.png"
# A busy machine may take a while to paint the window; look again until it shows its controls.
# Anti-aliased Japanese captions, buttons and frames give many shades; a blank or box-only
# window gives a handful.
colours=0
for _ in $(seq 1 30); do
  sleep 0.5
  import -window "$win" "$shot"
  colours=$(convert "$shot" -format %k info:)
  [ "$colours" -ge 20 ] && break
done
size=$(identify -format '%w %h' "$shot")
echo "screenshot $shot: $size, $colours colours"
if [ "$colours" -lt 20 ]; then
  echo "FAIL: the window looks blank"; exit 1
fi

# Pressing 終了 ends the program and writes the settings. The button sits 240 twips into the
# panel, whose left edge is 2045 twips short of the window's right edge (15 twips per pixel).
read -r width _ < <(identify -format '%w %h\n' "$shot")
for _ in 1 2 3; do
  xdotool mousemove --window "$win" $(( (width * 15 - 2045 + 240 + 700) / 15 )) \
    $(( (100 + 4800 + 150) / 15 )) click 1 2>/dev/null || true
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null || break
done
if ! grep -q '^\[Position\]' "$work/rimvista.ini"; then
  echo "FAIL: closing the window did not write the settings"; exit 1
fi
echo "1 passed, 0 failed"
