#!/usr/bin/env bash
# Seeds a Wine prefix with the demo's sample programs (demo/programs.txt), so
# that Purgeon has a filled list and something to uninstall:
#  1. cuts the prefix off from the Linux files (no z: drive; real folders for
#     the user's Desktop, Documents, ... instead of links into the Linux home),
#     since Purgeon deletes things in it;
#  2. builds each program (MinGW, with an icon drawn here by ImageMagick) and
#     its real installer (makensis or wixl) into build/demo-installers; the
#     build is reused while demo/ and this script are unchanged;
#  3. installs them silently, each to its end (NSIS /S, msiexec /i /qn), then
#     runs each program once with /quiet, so that what it saves when it runs
#     (settings, a file in its folder, a Run entry) is there too, as on a
#     machine where it was used.
# On a prefix seeded before, the same versions install over themselves.
#   scripts/seed-demo.sh PREFIX
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
[ -f "$1/system.reg" ] || { echo "seed-demo: $1 is not a Wine prefix" >&2; exit 2; }
WINEPREFIX="$(cd "$1" && pwd)"
export WINEPREFIX WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The installers run silently: no window is wanted on the user's display.
unset DISPLAY

# build_setup (makensis), run_setup (NSIS /S), need and fail.
e2e_name=seed-demo
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$root/e2e/lib.sh"
# The sample programs and their setups are 32-bit, or 64-bit ones in the
# 64-bit mode (PURGEON_WINE_MODE=64), where Wine's 32-bit loader cannot start.
if [ "${PURGEON_WINE_MODE:-32}" = 64 ]; then
  arch=x86_64
  out="$root/build/demo-installers-64"
else
  arch=i686
  out="$root/build/demo-installers"
fi
need $arch-w64-mingw32-gcc-posix; need $arch-w64-mingw32-windres; need convert
need makensis; need wixl; need wine

started=$SECONDS

# --- 1. the prefix ------------------------------------------------------------

# A no-op on a prefix that scripts/wine-prefix.sh has cut off already.
detach_prefix() {
  rm -f "$WINEPREFIX/dosdevices/z:" "$WINEPREFIX/dosdevices/z::"
  local profile name
  for profile in "$WINEPREFIX"/drive_c/users/*/; do
    for name in Desktop Documents Downloads Music Pictures Videos; do
      if [ -L "$profile$name" ]; then
        rm "$profile$name"
        mkdir "$profile$name"
      fi
    done
  done
}

# --- 2. the build -------------------------------------------------------------

programs() { grep -v -e '^#' -e '^[[:space:]]*$' "$root/demo/programs.txt"; }

sources_hash() {
  (cd "$root" && find demo scripts/seed-demo.sh e2e/lib.sh installer/amd64-test-build.nsh -type f -print0 | sort -z | xargs -0 sha256sum) |
    sha256sum | cut -d' ' -f1
}

# make_icon OUT.ico LETTER COLOUR: a rounded square of COLOUR with a white
# LETTER, at 48, 32 and 16 pixels.
make_icon() {
  # The letter's font by its file: ImageMagick's own default (Helvetica)
  # needs Ghostscript's fonts, and asking it for its font list through a
  # pipe that grep -q closes early fails now and then under pipefail.
  local font=()
  local dejavu=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
  [ -f "$dejavu" ] && font=(-font "$dejavu")
  convert -size 256x256 xc:none \
    -fill "$3" -draw 'roundrectangle 10,10 245,245 52,52' \
    -fill '#ffffff30' -draw 'roundrectangle 10,10 245,128 52,52' \
    "${font[@]}" -pointsize 168 -fill white -gravity center -annotate +0+8 "$2" \
    -define icon:auto-resize=48,32,16 "$1"
}

# c_text TEXT: TEXT as the inside of a C string literal.
c_text() {
  local text="${1//\\/\\\\}"
  printf '%s' "${text//\"/\\\"}"
}

# build_program ID INSTALLER NAME PUBLISHER VERSION LETTER COLOUR EXECUTABLE KEEPS AT-LOGON
build_program() {
  local id="$1" installer="$2" name="$3" publisher="$4" version="$5" letter="$6" colour="$7"
  local exe="$8" keeps="$9" at_logon="${10}"
  local dir="$out/$id"
  mkdir -p "$dir"
  make_icon "$dir/icon.ico" "$letter" "$colour"
  printf '%s %s\r\n%s\r\n\r\nA sample program of the Purgeon demo.\r\n' \
    "$name" "$version" "$publisher" >"$dir/readme.txt"
  {
    echo "// Made by scripts/seed-demo.sh from demo/programs.txt."
    echo "#define DEMO_NAME L\"$(c_text "$name")\""
    echo "#define DEMO_NAME_TEXT \"$(c_text "$name")\""
    echo "#define DEMO_PUBLISHER L\"$(c_text "$publisher")\""
    echo "#define DEMO_PUBLISHER_TEXT \"$(c_text "$publisher")\""
    echo "#define DEMO_VERSION L\"$version\""
    echo "#define DEMO_VERSION_TEXT \"$version\""
    echo "#define DEMO_VERSION_NUMBERS $(echo "$version.0.0.0" | cut -d. -f1-4 | tr . ,)"
    if [ "$exe" = - ]; then echo "#define DEMO_FILE_TYPE VFT_DLL"; else echo "#define DEMO_FILE_TYPE VFT_APP"; fi
    if [ "$keeps" != - ]; then
      echo "#define DEMO_KEEPS L\"$(c_text "${keeps//\//\\}")\""
      printf '#define DEMO_KEEPS_TEXT "Written by %s when it ran.\\r\\n"\n' "$(c_text "$name")"
    fi
    [ "$at_logon" != yes ] || echo "#define DEMO_AT_LOGON 1"
  } >"$dir/program.h"

  (cd "$dir" && $arch-w64-mingw32-windres -I . "$root/demo/app/demo_app.rc" -O coff -o resources.o)
  local cc=($arch-w64-mingw32-gcc-posix -Os -s -static -Wall -Werror -I "$dir")
  if [ "$exe" = - ]; then
    "${cc[@]}" -shared "$root/demo/app/sample_runtime.c" "$dir/resources.o" -o "$dir/$id.dll"
  else
    "${cc[@]}" -municode -mwindows "$root/demo/app/demo_app.c" "$dir/resources.o" \
      -o "$dir/$exe" -lshell32
  fi

  case "$installer" in
    nsis)
      build_setup "$out/$id-setup.exe" "$root/demo/installers/$id.nsi" -DNAME="$name" \
        -DPUBLISHER="$publisher" -DVERSION="$version" -DFILES="$dir"
      ;;
    msi-x86 | msi-x64)
      # wixl takes source files relative to the current folder.
      (cd "$dir" && wixl -a "${installer#msi-}" -o "$out/$id.msi" -D Name="$name" \
        -D Publisher="$publisher" -D Version="$version" -D Exe="$exe" \
        "$root/demo/installers/$id.wxs")
      ;;
    *) fail "demo/programs.txt: $id: unknown installer $installer" ;;
  esac
}

build_all() {
  local hash
  hash="$(sources_hash)"
  if [ -f "$out/sources.sha256" ] && [ "$(cat "$out/sources.sha256")" = "$hash" ]; then
    echo "seed-demo: installers in $out are up to date"
    return
  fi
  rm -rf "$out"
  mkdir -p "$out"
  local fields
  while IFS= read -r line; do
    IFS='|' read -r -a fields <<<"$line"
    [ ${#fields[@]} -eq 10 ] || fail "demo/programs.txt: not 10 fields: $line"
    build_program "${fields[@]}"
  done < <(programs)
  echo "$hash" >"$out/sources.sha256"
  echo "seed-demo: installers built into $out"
}

# --- 3. the installs ------------------------------------------------------------

# The installers run from inside the prefix (C:\windows\temp), which sees no
# Linux folder any more.
install_all() {
  local stage="$WINEPREFIX/drive_c/windows/temp/purgeon-demo"
  rm -rf "$stage"
  mkdir -p "$stage"
  cp "$out"/*-setup.exe "$out"/*.msi "$stage/"
  # Wine starts a program in the current folder when the prefix can see it.
  cd "$stage"
  local id installer name exe code program
  while IFS='|' read -r id installer name _ _ _ _ exe _ _; do
    echo "seed-demo: installing $name"
    if [ "$installer" = nsis ]; then
      run_setup "$stage/$id-setup.exe"
    else
      # Not run_msi of e2e/lib.sh: it names the package by its Z: path.
      code=0
      wine msiexec /i "C:\\windows\\temp\\purgeon-demo\\$id.msi" /qn || code=$?
      [ "$code" -eq 0 ] || fail "msiexec $id.msi failed ($code)"
    fi
    [ "$exe" != - ] || continue
    program="$(find "$WINEPREFIX/drive_c" -path "*/$name/$exe" -type f -print -quit)"
    [ -n "$program" ] || fail "$name: $exe is not installed"
    wine "$program" /quiet
  done < <(programs)
  cd "$root"
  rm -rf "$stage"
}

detach_prefix
build_all
install_all
# Until the server ends nothing of it is on disk; a test run keeps its server
# warm for the tests that follow (wineserver -p), so it says so and is not
# waited for.
[ -n "${SEED_DEMO_SERVER_STAYS:-}" ] || wineserver -w
echo "seed-demo: $(programs | wc -l) sample programs installed in $WINEPREFIX ($((SECONDS - started)) s)"
