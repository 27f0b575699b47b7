#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what the committed
# .clang-format makes of it, and names each such file.
#   scripts/check-format.sh          check
#   scripts/check-format.sh --fix    rewrite the files in place
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mapfile -t files < <(git ls-files -co --exclude-standard '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=0
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "not formatted: $f (scripts/check-format.sh --fix)"
    bad=$((bad + 1))
  fi
done
echo "format: ${#files[@]} files checked, $bad not formatted"
[ "$bad" -eq 0 ]
