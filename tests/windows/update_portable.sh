#!/usr/bin/env bash
# The portable zip under Wine: unpacked into a fresh folder of the build
# tree, it holds the three programs as built and the read-me, and its
# purgeon-cli.exe lists the programs of the run's prefix (an Uninstall entry
# made here for the purpose among them).
#   update_portable.sh CMAKE ZIP BIN-DIR WORK-DIR
set -euo pipefail
cmake="$1" zip="$2" bin="$3" work="$4"
fail() { echo "update_portable: $*" >&2; exit 1; }
[ -n "${WINEPREFIX:-}" ] || fail "WINEPREFIX is not set"
[ -f "$zip" ] || fail "$zip was not built"

rm -rf "$work"
mkdir -p "$work"
(cd "$work" && "$cmake" -E tar xf "$zip")
for file in purgeon.exe Hostkit.dll purgeon-cli.exe; do
  cmp -s "$work/Purgeon/$file" "$bin/$file" || fail "$file in the zip is not the built one"
done
grep -q $'^Purgeon .* - portable package\r$' "$work/Purgeon/ReadMe.txt" ||
  fail "the read-me is missing or has no Windows line ends"
[ "$(find "$work" -type f | wc -l)" -eq 4 ] || fail "the zip holds more than the four files"

# Drive T: is the build folder (scripts/wine-prefix.sh); no Z: in the prefix.
cli="$(winepath -w "$work/Purgeon/purgeon-cli.exe")"
case "$cli" in [A-Za-z]:\\*) ;; *) fail "$work lies on no drive of the prefix" ;; esac
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\PortableProbe'
wine reg add "$key" /v DisplayName /d "Portable Probe" /f >/dev/null 2>&1
wine reg add "$key" /v DisplayVersion /d "3.1" /f >/dev/null 2>&1
code=0
out="$(wine "$cli" list)" || code=$?
wine reg delete "$key" /f >/dev/null 2>&1
rm -rf "$work"
[ "$code" -eq 0 ] || fail "purgeon-cli list ended with $code: $out"
grep -qx $'Portable Probe  3.1\r\\?' <<<"$out" || fail "the probe is not listed: $out"
echo "update_portable: purgeon-cli list from the unpacked zip:"
echo "$out"
