#!/usr/bin/env bash
# Runs every test: native (plain and with ASan/UBSan) and the Windows tests
# under Wine. Installs what is missing first. Exits non-zero when any test
# or build fails; the last line sums up all test runs.
#   scripts/test.sh            everything
#   scripts/test.sh native     only the native runs
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
only="${1:-all}"

"$root/scripts/setup.sh" || { echo "setup failed" >&2; exit 1; }

jobs=$(nproc 2>/dev/null || echo 2)
failed_stages=()
passed=0
failed=0
log_dir="$root/build/test-logs"
mkdir -p "$log_dir"

# Adds a ctest run's counts ("N% tests passed, F tests failed out of T").
count() {
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -n "$line" ]; then
    local f t
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + t - f))
    failed=$((failed + f))
  fi
}

stage() {  # stage NAME COMMAND...
  local name="$1"; shift
  echo "=== $name"
  if ! "$@" 2>&1 | tee "$log_dir/$name.log"; then
    failed_stages+=("$name")
  fi
  count "$log_dir/$name.log"
}

native() {  # native PRESET
  cmake --preset "$1" >/dev/null &&
  cmake --build --preset "$1" -j "$jobs" &&
  ctest --preset "$1" -j "$jobs"
}

windows() {
  cmake --preset mingw >/dev/null &&
  cmake --build --preset mingw -j "$jobs" &&
  "$root/scripts/test-windows.sh" "$root/build/mingw"
}

stage format "$root/scripts/check-format.sh"
stage native native host
stage sanitizers native host-asan
if [ "$only" != native ]; then
  stage windows windows
fi

echo
if [ ${#failed_stages[@]} -gt 0 ]; then
  echo "FAILED: ${failed_stages[*]}"
  echo "purgeon: $passed passed, $failed failed"
  [ "$failed" -gt 0 ] || echo "(a build or a test runner failed before all tests ran)"
  exit 1
fi
echo "purgeon: $passed passed, $failed failed"
