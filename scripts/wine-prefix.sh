#!/usr/bin/env bash
# Creates a fresh Wine prefix in the given folder (any old one there is
# removed first): 64-bit unless told win32. Our 32-bit programs run in a
# 64-bit prefix as WOW64 processes, as on 64-bit Windows; a win32 prefix is a
# 32-bit Windows.
#   scripts/wine-prefix.sh PREFIX-DIR [win64|win32]
#
# The prefix is made so that a fault of the program under test cannot reach
# outside the test (measured with Wine 8.0 on Debian 12, as root):
#  - a fresh prefix maps drive Z: to the Linux root "/": a deletion that
#    escapes drive C: (a "\\?\C:\" walk that follows a link, a path
#    written "Z:\") would delete the machine's files. Z: is dropped here.
#  - it links the user's Desktop, Documents, Downloads, Music, Pictures and
#    Videos (drive_c/users/USER/...) to the Linux home (all six to /root
#    itself when the home has no such folders): deleting "the user's
#    Desktop" would delete the home. The links are replaced by real folders.
#  - without Z: a program outside every drive cannot be started ("wine
#    /path/x.exe" fails with "File not found"), so drive T: maps the folder
#    that holds the prefix (the build folder, where the test programs and
#    their work folders lie); a fault can reach that folder and drive C:,
#    nothing else. T:\host-tools holds links to the few Linux programs the
#    Windows tests run (ln, rm), so they need no view of /bin.
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
# Its words are kept: when Wine cannot start (a 32-bit loader on a kernel that
# runs no 32-bit code: "Exec format error"), they say why.
boot_log="$(mktemp)"
trap 'rm -f "$boot_log"' EXIT
boot=0
env -u DISPLAY wineboot -i >"$boot_log" 2>&1 || boot=$?
# Without a window manager (Xvfb) a managed window stalls 2 s when hidden.
env -u DISPLAY wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$boot_log" 2>&1 || boot=$?
wineserver -w
if [ "$boot" -ne 0 ] || [ ! -f "$dir/system.reg" ]; then
  echo "wine-prefix: Wine could not make the prefix $dir (exit code $boot); Wine said:" >&2
  grep -v '^[[:space:]]*$' "$boot_log" | tail -n 15 | sed 's/^/  /' >&2
  exit 1
fi

# Nothing outside the test: no Z:, no user folder that is a link to the
# Linux home, the build folder as T:.
build="$(dirname "$dir")"
rm -f "$dir/dosdevices/z:" "$dir/dosdevices/z::"
ln -sfn "$build" "$dir/dosdevices/t:"
mkdir -p "$build/host-tools"
for tool in ln rm; do ln -sfn "$(command -v "$tool")" "$build/host-tools/$tool"; done
for link in "$dir"/drive_c/users/*/*; do
  if [ -L "$link" ]; then
    rm -f "$link"
    mkdir -p "$link"
  fi
done
# Checked, not assumed: a prefix that still reaches out is no test prefix.
if [ -e "$dir/dosdevices/z:" ] || [ -n "$(find "$dir/drive_c/users" -maxdepth 2 -type l)" ]; then
  echo "wine-prefix: $dir still reaches outside itself" >&2
  exit 1
fi
echo "wine prefix: $dir"
