#!/usr/bin/env bash
# End to end under Wine: real installers (NSIS and Windows Installer) register
# real programs, and `purgeon-cli list --json` must list them as the registry
# holds them, the way Windows' own list does.
#
#   inventory.sh install WORK-DIR          build the installers into WORK-DIR and
#                                          run them silently
#   inventory.sh check PURGEON-CLI WORK-DIR CASE
#                                          check one case (e2e/inventory/check_inventory.py
#                                          lists them) against purgeon-cli's list
#
# Everything runs in the prefix named by WINEPREFIX (scripts/test-windows.sh
# makes a fresh one per run); this script never makes, ends or clears one.
# Exit code 77: a tool is missing (or, for a check, the install was skipped
# for that reason), and ctest reports the test as skipped.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export WINEDEBUG="${WINEDEBUG:--all}"

need() {
  command -v "$1" >/dev/null || { echo "inventory: $1 is not installed; skipped" >&2; exit 77; }
}

# Wine, and the prefix of the test run (built on Windows itself, the tests skip).
need_wine() {
  need wine
  [ -n "${WINEPREFIX:-}" ] || { echo "inventory: WINEPREFIX is not set" >&2; exit 1; }
}

# A Unix path as Windows programs in the prefix see it (drive Z: is /).
windows_path() {
  local path
  path="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
  echo "Z:${path//\//\\}"
}

install() {
  local work="$1"
  rm -f "$work/installed"
  need_wine; need makensis; need wixl
  mkdir -p "$work"
  work="$(cd "$work" && pwd)"

  for sample in machine user native64 twice hidden; do
    makensis -V2 -INPUTCHARSET UTF8 -DOUTFILE="$work/$sample-setup.exe" "$here/inventory/$sample.nsi"
    # /S: silent. wine waits for the installer and passes on its exit code.
    wine "$work/$sample-setup.exe" /S || { echo "inventory: $sample-setup.exe failed ($?)" >&2; exit 1; }
  done

  # wixl takes source files relative to the current folder.
  printf 'Purgeon sample program\r\n' >"$work/readme.txt"
  cp /usr/share/nsis/Contrib/Graphics/Icons/box-install.ico "$work/sample.ico"
  (cd "$work" &&
    wixl -a x86 -o sample.msi -D IconFile=sample.ico -D ReadmeFile=readme.txt "$here/inventory/sample.wxs" &&
    wixl -a x86 -o component.msi -D ReadmeFile=readme.txt "$here/inventory/component.wxs")
  for package in sample component; do
    wine msiexec /i "$(windows_path "$work/$package.msi")" /qn ||
      { echo "inventory: msiexec $package.msi failed ($?)" >&2; exit 1; }
  done
  touch "$work/installed"
}

case "${1:-}" in
  install)
    [ $# -eq 2 ] || { echo "usage: $0 install WORK-DIR" >&2; exit 2; }
    install "$2"
    ;;
  check)
    [ $# -eq 4 ] || { echo "usage: $0 check PURGEON-CLI WORK-DIR CASE" >&2; exit 2; }
    need_wine; need python3
    [ -e "$3/installed" ] || { echo "inventory: the samples were not installed; skipped" >&2; exit 77; }
    exec python3 "$here/inventory/check_inventory.py" "$2" "$4"
    ;;
  *)
    echo "usage: $0 install WORK-DIR | check PURGEON-CLI WORK-DIR CASE" >&2
    exit 2
    ;;
esac
