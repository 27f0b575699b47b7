#!/usr/bin/env bash
# Runs a command where Wine's 32-bit loader is out of reach, as on a machine
# whose kernel runs no 32-bit code: in a mount namespace of its own, the
# 32-bit loader and libraries are hidden. Wine's 64-bit loader starts a 32-bit
# program through the 32-bit one, so without this a 32-bit setup or test
# program would still run here and the 64-bit mode would prove less than it
# says. Needs root and unshare; without them (or without wine32 installed)
# the command runs as it is.
#   scripts/wine64/without-wine32.sh COMMAND [ARGUMENTS...]
set -euo pipefail
loader=/usr/lib/wine/wine
libs=/usr/lib/i386-linux-gnu/wine
if [ ! -e "$loader" ] && [ ! -d "$libs" ]; then exec "$@"; fi
if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null; then
  echo "without-wine32: Wine's 32-bit loader stays reachable (needs root and unshare)" >&2
  exec "$@"
fi
exec unshare --mount --propagation private bash -c '
  set -e
  [ ! -e "$1" ] || mount --bind /dev/null "$1"
  [ ! -d "$2" ] || mount -t tmpfs -o ro none "$2"
  shift 2
  exec "$@"' without-wine32 "$loader" "$libs" "$@"
