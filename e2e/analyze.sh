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
# The prefix, the exit codes and the check are e2e/lib.sh's.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
e2e_name=analyze
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"

# The NSIS sample, built as "Purgeon Analyze Sample" (SUFFIX empty) or as
# "Purgeon Analyze SampleTwo", each with COM identities of its own.
build_nsis() {
  local work="$1" suffix="$2" guid="$3"
  build_setup "$work/sample$suffix-setup.exe" "$here/analyze/com_sample.nsi" -DSUFFIX="$suffix" \
    -DCLSID="{${guid}1}" -DLIBID="{${guid}2}" -DIID="{${guid}3}"
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
  need_wine; need winepath; need makensis; need wixl
  mkdir -p "$work"
  work="$(cd "$work" && pwd)"

  build_nsis "$work" "" "7A3E1C50-94B2-4D6F-8E1A-2C4B6D8F0A1"
  build_nsis "$work" "Two" "7A3E1C50-94B2-4D6F-8E1A-2C4B6D8F0A2"
  for suffix in "" Two; do
    run_setup "$work/sample$suffix-setup.exe"
  done

  # wixl takes source files relative to the current folder.
  printf 'Purgeon analyze sample\r\n' >"$work/readme.txt"
  printf 'MZ Purgeon analyze sample program\r\n' >"$work/program.exe"
  (cd "$work" &&
    build_msi64 "" 0 && build_msi64 Two 1 &&
    wixl -a x86 -o msi32.msi -D ProgramFile=program.exe -D ReadmeFile=readme.txt \
      "$here/analyze/msi32.wxs")
  for package in msi64 msi64Two msi32; do
    run_msi "$work/$package.msi"
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
}

e2e_main "$@"
