#!/usr/bin/env bash
# Creates a fresh Wine prefix in the given folder (any old one there is
# removed first): 64-bit unless told win32. Our 32-bit programs run in a
# 64-bit prefix as WOW64 processes, as on 64-bit Windows; a win32 prefix is a
# 32-bit Windows.
#   scripts/wine-prefix.sh PREFIX-DIR [win64|win32]
set -euo pipefail
dir="${1:?usage: $0 PREFIX-DIR [win64|win32]}"
arch="${2:-win64}"
case "$arch" in win64|win32) ;; *) echo "usage: $0 PREFIX-DIR [win64|win32]" >&2; exit 2 ;; esac
mkdir -p "$(dirname "$dir")"
dir="$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")"

export WINEPREFIX="$dir" WINEARCH="$arch" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [ -d "$dir" ]; then
  wineserver -k 2>/dev/null || true
  rm -rf "$dir"
fi
# No display while the prefix is made: wineboot would otherwise open windows.
env -u DISPLAY wineboot -i >/dev/null 2>&1
# Without a window manager (Xvfb) a managed window stalls 2 s when hidden.
env -u DISPLAY wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
echo "wine prefix: $dir"
