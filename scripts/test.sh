#!/usr/bin/env bash
# Runs every test: native (plain and with ASan/UBSan) and the Windows tests
# under Wine. Installs what is missing first. Exits non-zero when any test
# or build fails; the last lines say which Windows build ran (the 32-bit one,
# or the 64-bit test build where this machine runs no 32-bit code or
# PURGEON_WINE_MODE=64 says so: scripts/wine-mode.sh), list every test that
# did not run with its reason, and sum up all test runs.
#   scripts/test.sh            everything
#   scripts/test.sh native     only the native runs
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
only="${1:-all}"

"$root/scripts/setup.sh" || { echo "setup failed" >&2; exit 1; }
# shellcheck source=scripts/wine-mode.sh
. "$root/scripts/wine-mode.sh"
mode="$(wine_mode)" || exit 2
preset="$(wine_mode_preset "$mode")"

jobs=$(nproc 2>/dev/null || echo 2)
failed_stages=()
passed=0
failed=0
skipped=0
skip_list=""
log_dir="$root/build/test-logs"
mkdir -p "$log_dir"

# Adds a ctest run's counts ("N% tests passed, F tests failed out of T").
# ctest counts a skipped test among the passed: it is taken off and listed,
# with the reason from the run's full log (BUILD/Testing/Temporary), when the
# stage names its build folder.
count() {  # count LOG [BUILD-DIR]
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -n "$line" ]; then
    local f t s=0
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    if [ -n "${2:-}" ] && [ -f "$2/Testing/Temporary/LastTest.log" ]; then
      local listed
      listed=$(python3 "$root/scripts/ctest-skips.py" "$2/Testing/Temporary/LastTest.log" "$1" \
               "$log_dir/skipped.count")
      s=$(cat "$log_dir/skipped.count")
      [ -z "$listed" ] || skip_list+="$listed"$'\n'
    else
      s=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$1" || true)
    fi
    passed=$((passed + t - f - s))
    failed=$((failed + f))
    skipped=$((skipped + s))
  fi
}

stage() {  # stage NAME BUILD-DIR COMMAND... (BUILD-DIR "-" when it has none)
  local name="$1" build="$2"; shift 2
  echo "=== $name"
  if ! "$@" 2>&1 | tee "$log_dir/$name.log"; then
    failed_stages+=("$name")
  fi
  [ "$build" = - ] && build=""
  count "$log_dir/$name.log" "$build"
}

native() {  # native PRESET
  cmake --preset "$1" >/dev/null &&
  cmake --build --preset "$1" -j "$jobs" &&
  ctest --preset "$1" -j "$jobs"
}

windows() {
  cmake --preset "$preset" >/dev/null &&
  cmake --build --preset "$preset" -j "$jobs" &&
  "$root/scripts/test-windows.sh" "$root/build/$preset"
}

stage format - "$root/scripts/check-format.sh"
stage native "$root/build/host" native host
stage sanitizers "$root/build/host-asan" native host-asan
if [ "$only" != native ]; then
  echo "windows: the $mode-bit build ($(wine_mode_reason))"
  stage windows "$root/build/$preset" windows
fi

echo
if [ "$only" != native ]; then
  if [ "$mode" = 64 ]; then
    echo "windows: 64-bit mode, the 64-bit test build under Wine's 64-bit loader ($(wine_mode_reason))"
  else
    echo "windows: 32-bit mode, the shipped 32-bit build ($(wine_mode_reason))"
  fi
fi
if [ -n "$skip_list" ]; then
  echo "not run ($skipped whole tests skipped; cases skipped inside passing programs marked ›):"
  printf '%s' "$skip_list"
fi
if [ ${#failed_stages[@]} -gt 0 ]; then
  echo "FAILED: ${failed_stages[*]}"
  [ "$failed" -gt 0 ] || echo "(a build or a test runner failed before all tests ran: its log is in $log_dir)"
  echo "purgeon: $passed passed, $failed failed, $skipped skipped"
  exit 1
fi
echo "purgeon: $passed passed, $failed failed, $skipped skipped"
