#!/usr/bin/env bash
# Runs a command on the current X display with openbox managing its windows, as on a desktop,
# so windows get frames, placement and focus from a real window manager.
set -euo pipefail
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
  sleep 0.1
done
sleep 2  # openbox announces itself before it has finished starting
QT_QPA_PLATFORM=xcb "$@"
