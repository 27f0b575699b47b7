#!/usr/bin/env bash
# End to end under Wine: undo sets that cannot be turned against the machine.
# Each case makes a small program of its own on drive C:, removes it with
# `purgeon-cli uninstall --folder ... --yes` into an undo set, and checks the
# machine (e2e/undo/check_undo.py lists the cases).
#
#   undo.sh install WORK-DIR                 nothing to build: marks the run
#   undo.sh check PURGEON-CLI WORK-DIR CASE  one case
#
# The prefix, the exit codes and the check are e2e/lib.sh's.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
e2e_name=undo
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"

install() {
  need_wine
  mkdir -p "$1"
}

e2e_main "$@"
