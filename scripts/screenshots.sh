#!/usr/bin/env bash
# Takes the windows' screenshots for a person to look at: runs the in-process
# window tests under Wine (a fresh prefix with the demo programs installed,
# a private Xvfb), which save what the screen shows at each step, and turns
# them into PNGs in build/screenshots:
#   main-window-details   the filled program list with a selected program
#   search-with-hits      a search that finds one program
#   search-without-hits   a search that finds nothing
#   about                 the About window over the dimmed main window
#   list-loading          the list-loading window
#   splash                the splash window
#   step2, step3          an analysed program's Steps 2 and 3 (through purgeon.exe)
#   step3-custom          Step 3 of a custom uninstall
#   uninstall-process-done  the uninstall-process window after the run
#   wizard, analysing, uninstall-process-step2   the workflow's windows
# Where this machine runs no 32-bit code (or PURGEON_WINE_MODE=64), the
# 64-bit test build's windows are shown (scripts/wine-mode.sh).
#   scripts/screenshots.sh [--readme]   (--readme: also docs/screenshot.png)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# shellcheck source=scripts/wine-mode.sh
. "$root/scripts/wine-mode.sh"
preset="$(wine_mode_preset "$(wine_mode)")"
build="$root/build/$preset"
(cd "$root" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$(nproc)" \
  --target main_window_test purgeon_exe_e2e_test workflow_windows_test purgeon >/dev/null)
rm -f "$build/screenshots/"*.bmp
"$root/scripts/test-windows.sh" "$build" -R 'main_window|purgeon_exe|workflow_windows'
out="$root/build/screenshots"
mkdir -p "$out"
for shot in "$build/screenshots/"*.bmp; do
  png="$out/$(basename "${shot%.bmp}").png"
  convert "$shot" "$png"
  echo "screenshot: $png"
done
if [ "${1:-}" = --readme ]; then
  cp "$out/main-window-details.png" "$root/docs/screenshot.png"
  echo "screenshot: $root/docs/screenshot.png"
fi
