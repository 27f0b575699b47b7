#!/usr/bin/env bash
# End to end under Wine: programs installed by real installers (NSIS, with
# its real uninstaller, and Windows Installer) are uninstalled with
# `purgeon-cli uninstall --program ... --yes`, a folder's program with
# `purgeon-cli uninstall --folder ... --yes`, and the machine is checked
# afterwards: the program and its traces are gone, including what its own
# uninstaller left behind, and a sibling of the same publisher whose names
# begin alike is untouched.
#
#   uninstall.sh install WORK-DIR          build the installers into WORK-DIR,
#                                          run them silently and leave what the
#                                          programs would create at run time
#   uninstall.sh check PURGEON-CLI WORK-DIR CASE
#                                          uninstall one sample and check the
#                                          machine (e2e/uninstall/check_uninstall.py
#                                          lists the cases)
#
# The prefix, the exit codes and the check are e2e/lib.sh's.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
e2e_name=uninstall
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"

# Name, product code, upgrade code and the two component codes of the two
# Windows Installer packages, separated by "|".
msi_codes() {
  case "$1" in
    sample) echo "Purgeon Uninstall Sample MSI|{2F7A9C14-6B3E-4D58-8A1F-C0E2D4B6F813}|{A41C7E2B-9D05-4F63-B8A2-1E3C5D7F9B02}|{7B2D4F61-3A8C-4E19-9C57-D1E3F5A7B924}|{C8E1A3F5-0B27-4D4C-8E69-2A4C6E8F0B31}" ;;
    sibling) echo "Purgeon Uninstall Sample MSI Extra|{E3B5D7F9-1A2C-4E6B-8D0F-3A5C7E9B1D24}|{B52D8F3C-0E16-4A74-C9B3-2F4D6E8A0C13}|{8C3E5A72-4B9D-4F2A-AD68-E2F4A6B8CA35}|{D9F2B4A6-1C38-4E5D-9F7A-3B5D7F9A1C42}" ;;
  esac
}

install() {
  local work="$1"
  need_wine; need makensis; need wixl
  mkdir -p "$work"
  work="$(cd "$work" && pwd)"

  for script in program folder; do
    for variant in sample sibling; do
      local flag=() out="$work/$script-$variant-setup.exe"
      [ "$variant" = sibling ] && flag=(-DSIBLING)
      build_setup "$out" "$here/uninstall/$script.nsi" "${flag[@]}"
      run_setup "$out"
    done
  done

  # wixl takes source files relative to the current folder.
  printf 'MZ sample program\r\n' >"$work/sample.exe"
  printf 'Purgeon uninstall sample\r\n' >"$work/readme.txt"
  for variant in sample sibling; do
    local product code upgrade program_component run_component
    IFS='|' read -r product code upgrade program_component run_component < <(msi_codes "$variant")
    (cd "$work" && wixl -a x86 -o "msi-$variant.msi" -D Product="$product" -D ProductCode="$code" \
      -D UpgradeCode="$upgrade" -D ProgramComponent="$program_component" \
      -D RunComponent="$run_component" -D ProgramFile=sample.exe -D ReadmeFile=readme.txt \
      "$here/uninstall/program.wxs")
    run_msi "$work/msi-$variant.msi"
    # What the program itself leaves once it has run, which its package
    # knows nothing of: a settings file in its folder, and the compatibility
    # setting Windows keeps for its executable.
    local folder="C:\\Program Files (x86)\\$product"
    printf '[user]\r\nname=sample\r\n' >"$WINEPREFIX/drive_c/Program Files (x86)/$product/user.cfg"
    wine reg add 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers' \
      /v "$folder\\sample.exe" /d '~ RUNASADMIN' /f >/dev/null
  done
}

e2e_main "$@"
