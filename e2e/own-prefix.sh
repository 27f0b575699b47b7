#!/usr/bin/env bash
# A fresh prefix of its own for an end-to-end suite that uninstalls what
# another suite's installer put there in a way of its own (through
# purgeon.exe's windows, unattended), so that the run's prefix keeps those
# programs for the suite's own cases.
#
#   own-prefix.sh make PREFIX SUITE WORK-DIR
#                      PREFIX made afresh (scripts/wine-prefix.sh), its server
#                      kept warm, then `e2e/SUITE.sh install WORK-DIR` in it
#   own-prefix.sh end PREFIX
#                      ends the prefix's server (and what runs in it)
#
# Exit codes as e2e/lib.sh's: 77 when a tool is missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

case "${1:-}" in
  make)
    [ $# -eq 4 ] || { echo "usage: $0 make PREFIX SUITE WORK-DIR" >&2; exit 2; }
    command -v wine >/dev/null || { echo "own-prefix: wine is not installed; skipped" >&2; exit 77; }
    echo "own-prefix: making $2" >&2  # where a run that hangs stopped
    "$here/../scripts/wine-prefix.sh" "$2" >/dev/null
    export WINEPREFIX
    WINEPREFIX="$(cd "$2" && pwd)"
    # The server and the prefix's system processes outlive this script:
    # detached from its output, or the test that runs it would never end.
    echo "own-prefix: starting its server" >&2
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
    exec bash "$here/$3.sh" install "$4"
    ;;
  end)
    [ $# -eq 2 ] || { echo "usage: $0 end PREFIX" >&2; exit 2; }
    [ -d "$2" ] || exit 0
    WINEPREFIX="$(cd "$2" && pwd)" wineserver -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 make PREFIX SUITE WORK-DIR | end PREFIX" >&2
    exit 2
    ;;
esac
