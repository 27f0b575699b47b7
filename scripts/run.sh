#!/usr/bin/env bash
# Builds purgeon.exe and runs it under Wine in the demo prefix (build/demo-prefix,
# made on first use and kept).
#  - DISPLAY set: the program runs on that display until its window is closed.
#  - no DISPLAY: it runs on a private Xvfb for a few seconds, the screen is
#    saved to build/purgeon-screenshot.png, and the program is ended.
# Either way the demo prefix's wineserver and our Xvfb are ended at the end.
# Where this machine runs no 32-bit code (or PURGEON_WINE_MODE=64), Wine's
# 32-bit loader cannot start the shipped 32-bit build: the 64-bit test build
# runs instead, in a demo prefix of its own (scripts/wine-mode.sh).
#   scripts/run.sh [BUILD-DIR]     (default build/mingw, the mingw preset's folder,
#                                   or build/mingw64 in the 64-bit mode)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/setup.sh"
# shellcheck source=scripts/wine-mode.sh
. "$root/scripts/wine-mode.sh"
mode="$(wine_mode)"
export PURGEON_WINE_MODE="$mode"
wine_mode_enter "$mode"
preset="$(wine_mode_preset "$mode")"
demo_prefix="$root/build/demo-prefix"
if [ "$mode" = 64 ]; then
  echo "run: the 64-bit test build under Wine's 64-bit loader ($(wine_mode_reason))"
  demo_prefix="$root/build/demo-prefix-64"
fi
build="${1:-$root/build/$preset}"

(cd "$root" && cmake --preset "$preset" -B "$build" >/dev/null)
cmake --build "$build" --target purgeon Hostkit
build="$(cd "$build" && pwd)"
exe="$build/bin/purgeon.exe"

export WINEPREFIX="$demo_prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# A new demo prefix is seeded with the sample programs of demo/, so that the
# list is filled and there is something to uninstall; a prefix that exists is
# the user's and is left as it is. The marker makes a seeding that did not
# finish start again with a new prefix.
if [ ! -f "$WINEPREFIX/system.reg" ] || [ -e "$WINEPREFIX/.seeding" ]; then
  "$root/scripts/wine-prefix.sh" "$WINEPREFIX"
  touch "$WINEPREFIX/.seeding"
  "$root/scripts/seed-demo.sh" "$WINEPREFIX"
  rm "$WINEPREFIX/.seeding"
fi

# The demo prefix has no drive for the Linux root (scripts/wine-prefix.sh);
# its drive T: is the folder that holds it. Started by its T: path,
# purgeon.exe knows its own path as Windows would write it (by a Linux path
# outside every drive it would be "unix\...", and reading its own version
# from there fails).
case "$exe" in
  "$root/build/"*) exe="$(winepath -w "$exe" 2>/dev/null || echo "$exe")" ;;
esac

xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ]; then
  echo "run: purgeon.exe on $DISPLAY; close its window to end"
  wine "$exe"
  exit 0
fi

display=""
for n in $(seq 141 190); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "run: no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY="$display"

echo "run: purgeon.exe on a private Xvfb ($display)"
wine "$exe" >/dev/null 2>&1 &
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Purgeon":' && break
  sleep 0.2
done
sleep 3
shot="$root/build/purgeon-screenshot.png"
import -window root "$shot"
echo "run: screenshot saved to $shot"
