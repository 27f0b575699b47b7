#!/usr/bin/env bash
# Runs the Windows tests of a MinGW build under Wine, in a fresh 64-bit prefix
# made for this run, with a private Xvfb display for the tests that open
# windows. Everything started here is ended here, by PID or by prefix.
# The 64-bit test build (preset mingw64) runs in the 64-bit mode
# (scripts/wine-mode.sh): Wine's 64-bit loader, with the 32-bit one out of
# reach as on a machine that runs no 32-bit code.
#   scripts/test-windows.sh [BUILD-DIR] [extra ctest arguments]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/mingw}" && pwd)"   # Wine needs an absolute WINEPREFIX
shift || true

# shellcheck source=scripts/wine-mode.sh
. "$root/scripts/wine-mode.sh"
# The build's pointer size says which: 8 is the 64-bit test build.
if grep -qs 'CMAKE_CXX_SIZEOF_DATA_PTR "8"' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
  export PURGEON_WINE_MODE=64
else
  export PURGEON_WINE_MODE=32
fi
wine_mode_enter "$PURGEON_WINE_MODE"
if [ "$PURGEON_WINE_MODE" = 64 ] && [ -z "${PURGEON_WITHOUT_WINE32:-}" ]; then
  export PURGEON_WITHOUT_WINE32=1
  exec "$root/scripts/wine64/without-wine32.sh" "$0" "$build" "$@"
fi

export WINEPREFIX="$build/wineprefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null
rm -rf "$build/wineprefix32"   # the 32-bit Windows of scripts/wine32-run.sh, made afresh

display=""
for n in $(seq 91 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "test-windows: no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
  wineserver -k 2>/dev/null || true
  WINEPREFIX="$build/wineprefix32" wineserver -k 2>/dev/null || true
  # The prefixes of the suites that have one of their own (e2e/own-prefix.sh).
  for own in "$build"/wineprefix-*/; do
    [ -d "$own" ] && WINEPREFIX="${own%/}" wineserver -k 2>/dev/null || true
  done
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY="$display"
export PURGEON_SHOT_DIR="$build/screenshots"
mkdir -p "$PURGEON_SHOT_DIR"

wineserver -p   # keep the server warm between test programs
# Start the prefix's system processes now, detached from our output: started
# by the first test they would inherit ctest's pipe and, living on with the
# persistent server, keep that test from ever finishing.
wine wineboot </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure "$@"
