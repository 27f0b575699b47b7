# shellcheck shell=bash
# What the end-to-end scripts (inventory.sh, analyze.sh, uninstall.sh) share.
# A script sets e2e_name (its name, and the prefix of its messages), sources
# this file, defines install WORK-DIR and ends with `e2e_main "$@"`:
#
#   NAME.sh install WORK-DIR         build the installers into WORK-DIR and run
#                                    them silently; WORK-DIR/installed marks
#                                    an install that completed
#   NAME.sh check PURGEON-CLI WORK-DIR CASE
#                                    check one case with e2e/NAME/check_NAME.py
#
# Everything runs in the prefix named by WINEPREFIX (scripts/test-windows.sh
# makes a fresh one per run); these scripts never make, end or clear one.
# Exit codes: 77 when a tool is missing (or, for a check, the install was
# skipped for that reason), which ctest reports as skipped; 2 for a usage
# error; 1 for a failure.

: "${e2e_name:?set e2e_name before sourcing e2e/lib.sh}"
e2e_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export WINEDEBUG="${WINEDEBUG:--all}"

skip() {
  echo "$e2e_name: $*; skipped" >&2
  exit 77
}

fail() {
  echo "$e2e_name: $*" >&2
  exit 1
}

need() {
  command -v "$1" >/dev/null || skip "$1 is not installed"
}

# Wine, and the prefix of the test run (built on Windows itself, the tests skip).
need_wine() {
  need wine
  [ -n "${WINEPREFIX:-}" ] || fail "WINEPREFIX is not set"
}

# A Unix path as Windows programs in the prefix see it. The test prefixes
# have no drive Z: for the Linux root (scripts/wine-prefix.sh): only drive C:
# and the build folder (T:) are reachable, so the path must lie in one of them.
windows_path() {
  local path dos
  path="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
  dos="$(winepath -w "$path" 2>/dev/null)"
  case "$dos" in
    [A-Za-z]:\\*) echo "$dos" ;;
    *) fail "$path lies on no drive of the prefix" ;;
  esac
}

# build_setup OUT SCRIPT [MAKENSIS-OPTION...]: an NSIS installer from a
# UTF-8 script. In the 64-bit mode (PURGEON_WINE_MODE=64, set by the scripts
# that start the tests) a 64-bit setup that installs as the 32-bit one would
# (installer/amd64-test-build.nsh): Wine's 64-bit loader cannot start a
# 32-bit one.
build_setup() {
  local out="$1" script="$2" target=()
  shift 2
  if [ "${PURGEON_WINE_MODE:-32}" = 64 ]; then
    target=(-X"!include $e2e_dir/../installer/amd64-test-build.nsh")
  fi
  makensis -V2 -INPUTCHARSET UTF8 "${target[@]}" "$@" -DOUTFILE="$out" "$script"
}

# Runs an NSIS installer silently (/S). wine waits for the installer and
# passes on its exit code.
run_setup() {
  local code=0
  echo "$e2e_name: running $(basename "$1") /S" >&2  # where a run that hangs stopped
  wine "$1" /S || code=$?
  [ "$code" -eq 0 ] || fail "$(basename "$1") failed ($code)"
}

# Installs a Windows Installer package silently.
run_msi() {
  local code=0
  echo "$e2e_name: installing $(basename "$1")" >&2
  wine msiexec /i "$(windows_path "$1")" /qn || code=$?
  [ "$code" -eq 0 ] || fail "msiexec $(basename "$1") failed ($code)"
}

e2e_main() {
  case "${1:-}" in
    install)
      [ $# -eq 2 ] || { echo "usage: $0 install WORK-DIR" >&2; exit 2; }
      # A marker left by an earlier run must not vouch for this prefix.
      rm -f "$2/installed"
      install "$2"
      touch "$2/installed"
      ;;
    check)
      [ $# -eq 4 ] || { echo "usage: $0 check PURGEON-CLI WORK-DIR CASE" >&2; exit 2; }
      need_wine; need python3
      [ -e "$3/installed" ] || skip "the samples were not installed"
      # -B: importing e2e/common.py leaves no byte code in the source tree.
      exec python3 -B "$e2e_dir/$e2e_name/check_$e2e_name.py" "$2" "$4"
      ;;
    *)
      echo "usage: $0 install WORK-DIR | check PURGEON-CLI WORK-DIR CASE" >&2
      exit 2
      ;;
  esac
}
