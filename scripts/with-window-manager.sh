#!/usr/bin/env bash
# Runs a command on the current X display with openbox managing its windows, as on a desktop,
# so windows get frames, placement and focus from a real window manager.
set -euo pipefail
log=$(mktemp)
wm=""
trap 'kill $wm 2>/dev/null || true; rm -f "$log"' EXIT

# True once openbox has announced itself on the display.
announced() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; }

start_wm() {
  openbox --sm-disable >"$log" 2>&1 &
  wm=$!
  for _ in $(seq 1 300); do
    announced && return 0
    kill -0 "$wm" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

if ! start_wm; then
  # A loaded virtual display now and then refuses a new client; that alone earns one more try.
  if grep -qi "open the display\|connect to display" "$log"; then
    echo "with-window-manager: the display refused openbox; starting it once more" >&2
    kill "$wm" 2>/dev/null || true
    start_wm || { cat "$log" >&2; echo "with-window-manager: openbox did not start" >&2; exit 1; }
  else
    cat "$log" >&2
    echo "with-window-manager: openbox did not start" >&2
    exit 1
  fi
fi
sleep 2  # openbox announces itself before it has finished starting
# A manager that dies under the tests would turn every later test into a slow timeout.
QT_QPA_PLATFORM=xcb "$@" || status=$?
if ! kill -0 "$wm" 2>/dev/null; then
  cat "$log" >&2
  echo "with-window-manager: openbox ended while the tests ran" >&2
fi
exit "${status:-0}"
