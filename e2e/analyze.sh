#!/usr/bin/env bash
# End to end under Wine: real installers (NSIS, and Windows Installer
# packages for x64 and for x86) leave real traces of real programs, and
# `purgeon-cli analyze` must find each program's traces and nothing else,
# not even those of a second program whose folder name begins alike.
#
#   analyze.sh install WORK-DIR      build the installers into WORK-DIR, run
#                                    them silently, and put a folder link into
#                                    one install folder
#   analyze.sh check PURGEON-CLI WORK-DIR CASE
#                                    check one case (e2e/analyze/check_analyze.py
#                                    lists them)
#
# Everything runs in the prefix named by WINEPREFIX (scripts/test-windows.sh
# makes a fresh one per run); this script never makes, ends or clears one.
# Exit code 77: a tool is missing (or, for a check, the install was skipped
# for that reason), and ctest reports the test as skipped.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
[ -n "${WINEPREFIX:-}" ] || { echo "analyze: WINEPREFIX is not set" >&2; exit 1; }
export WINEDEBUG="${WINEDEBUG:--all}"

need() {
  command -v "$1" >/dev/null || { echo "analyze: $1 is not installed; skipped" >&2; exit 77; }
}

# A Unix path as Windows programs in the prefix see it (drive Z: is /).
windows_path() {
  local path
  path="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
  echo "Z:${path//\//\\}"
}

# The NSIS sample, built as "Purgeon Analyze Sample" (SUFFIX empty) or as
# "Purgeon Analyze SampleTwo", each with COM identities of its own.
build_nsis() {
  local work="$1" suffix="$2" guid="$3"
  makensis -V2 -INPUTCHARSET UTF8 -DOUTFILE="$work/sample$suffix-setup.exe" -DSUFFIX="$suffix" \
    -DCLSID="{${guid}1}" -DLIBID="{${guid}2}" -DIID="{${guid}3}" "$here/analyze/com_sample.nsi"
}

# The x64 package, as "Purgeon Analyze Sample MSI64" or "...MSI64Two"; `n`
# tells the codes apart.
build_msi64() {
  local suffix="$1" n="$2"
  wixl -a x64 -o "msi64$suffix.msi" -D Suffix="$suffix" \
    -D ProductCode="{6C0E5A31-2B7D-4E19-A4F8-3D5B7C9E1F${n}1}" \
    -D UpgradeCode="{6C0E5A31-2B7D-4E19-A4F8-3D5B7C9E1F${n}2}" \
    -D ProgramComponent="{6C0E5A31-2B7D-4E19-A4F8-3D5B7C9E1F${n}3}" \
    -D ReadmeComponent="{6C0E5A31-2B7D-4E19-A4F8-3D5B7C9E1F${n}4}" \
    -D Clsid="{6C0E5A31-2B7D-4E19-A4F8-3D5B7C9E1F${n}5}" \
    -D ProgramFile=program.exe -D ReadmeFile=readme.txt "$here/analyze/msi64.wxs"
}

install() {
  local work="$1"
  need wine; need winepath; need makensis; need wixl
  mkdir -p "$work"
  work="$(cd "$work" && pwd)"

  build_nsis "$work" "" "7A3E1C50-94B2-4D6F-8E1A-2C4B6D8F0A1"
  build_nsis "$work" "Two" "7A3E1C50-94B2-4D6F-8E1A-2C4B6D8F0A2"
  for suffix in "" Two; do
    # /S: silent. wine waits for the installer and passes on its exit code.
    wine "$work/sample$suffix-setup.exe" /S ||
      { echo "analyze: sample$suffix-setup.exe failed ($?)" >&2; exit 1; }
  done

  # wixl takes source files relative to the current folder.
  printf 'Purgeon analyze sample\r\n' >"$work/readme.txt"
  printf 'MZ Purgeon analyze sample program\r\n' >"$work/program.exe"
  (cd "$work" &&
    build_msi64 "" 0 && build_msi64 Two 1 &&
    wixl -a x86 -o msi32.msi -D ProgramFile=program.exe -D ReadmeFile=readme.txt \
      "$here/analyze/msi32.wxs")
  for package in msi64 msi64Two msi32; do
    wine msiexec /i "$(windows_path "$work/$package.msi")" /qn ||
      { echo "analyze: msiexec $package.msi failed ($?)" >&2; exit 1; }
  done

  # A folder outside every install folder, and a link to it inside one.
  # Wine 8 makes neither junctions nor symbolic links, but shows a Unix
  # symbolic link to a folder as a reparse-point folder.
  local outside link
  outside="$(winepath -u 'C:\Purgeon Analyze Outside' 2>/dev/null)"
  link="$(winepath -u 'C:\Program Files (x86)\Purgeon Analyze Sample\Linked' 2>/dev/null)"
  mkdir -p "$outside/inner"
  printf 'not the program'"'"'s\r\n' >"$outside/keep.txt"
  printf 'not the program'"'"'s\r\n' >"$outside/inner/keep2.txt"
  ln -sfn "$outside" "$link"
  touch "$work/installed"
}

case "${1:-}" in
  install)
    [ $# -eq 2 ] || { echo "usage: $0 install WORK-DIR" >&2; exit 2; }
    install "$2"
    ;;
  check)
    [ $# -eq 4 ] || { echo "usage: $0 check PURGEON-CLI WORK-DIR CASE" >&2; exit 2; }
    need wine; need python3
    [ -e "$3/installed" ] || { echo "analyze: the samples were not installed; skipped" >&2; exit 77; }
    exec python3 "$here/analyze/check_analyze.py" "$2" "$4"
    ;;
  *)
    echo "usage: $0 install WORK-DIR | check PURGEON-CLI WORK-DIR CASE" >&2
    exit 2
    ;;
esac
