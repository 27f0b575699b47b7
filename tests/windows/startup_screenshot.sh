#!/usr/bin/env bash
# Starts purgeon.exe under Wine on $DISPLAY, waits (bounded) for its "Purgeon"
# window, saves the screen to $PURGEON_SHOT_DIR/purgeon-main-window.png and
# ends the process it started, by PID. Exit 77: nothing to show on here.
set -uo pipefail
exe="${1:?usage: $0 PURGEON-EXE}"
shots="${PURGEON_SHOT_DIR:-$(dirname "$exe")/screenshots}"
for tool in wine import xwininfo; do
  command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
[ -n "${DISPLAY:-}" ] || { echo "skipped: no DISPLAY"; exit 77; }
mkdir -p "$shots"
shot="$shots/purgeon-main-window.png"
rm -f "$shot"

wine "$exe" >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

for _ in $(seq 200); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Purgeon": .* 738x560+' && break
  kill -0 "$pid" 2>/dev/null || { echo "purgeon.exe ended before showing its window"; exit 1; }
  sleep 0.1
done
xwininfo -root -tree | grep '"Purgeon": .* 738x560+' || { echo "no 738x560 \"Purgeon\" window"; exit 1; }
sleep 4  # past the 1.5 s splash, and the first paint of the main window
import -window root "$shot" || exit 1
echo "screenshot: $shot"
