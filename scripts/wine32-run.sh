#!/usr/bin/env bash
# Runs one Windows test program on a 32-bit Windows: a win32 Wine prefix
# beside the build's 64-bit one, made on first use (scripts/test-windows.sh
# removes it before each run). Its wineserver is ended when the program ends.
#   scripts/wine32-run.sh PROGRAM.exe [arguments]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(cd "$(dirname "${1:?usage: $0 PROGRAM.exe [arguments]}")" && pwd)/$(basename "$1")"
shift
build="$(cd "$(dirname "$exe")/.." && pwd)"
export WINEPREFIX="$build/wineprefix32" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -d "$WINEPREFIX" ] || "$root/scripts/wine-prefix.sh" "$WINEPREFIX" win32 >/dev/null
trap 'wineserver -k 2>/dev/null || true' EXIT
cd "$(dirname "$exe")"
wine "$exe" "$@" </dev/null
