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
# The prefix, the exit codes and the check are e2e/lib.sh's.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
e2e_name=inventory
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"

install() {
  local work="$1"
  need_wine; need makensis; need wixl
  mkdir -p "$work"
  work="$(cd "$work" && pwd)"

  for sample in machine user native64 twice hidden; do
    build_setup "$work/$sample-setup.exe" "$here/inventory/$sample.nsi"
    run_setup "$work/$sample-setup.exe"
  done

  # wixl takes source files relative to the current folder.
  printf 'Purgeon sample program\r\n' >"$work/readme.txt"
  cp /usr/share/nsis/Contrib/Graphics/Icons/box-install.ico "$work/sample.ico"
  (cd "$work" &&
    wixl -a x86 -o sample.msi -D IconFile=sample.ico -D ReadmeFile=readme.txt "$here/inventory/sample.wxs" &&
    wixl -a x86 -o component.msi -D ReadmeFile=readme.txt "$here/inventory/component.wxs")
  for package in sample component; do
    run_msi "$work/$package.msi"
  done
}

e2e_main "$@"
