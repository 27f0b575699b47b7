#!/usr/bin/env bash
# Installs everything Purgeon needs on Debian 12 and, when given a folder,
# creates a fresh 64-bit Wine prefix there. Idempotent: when every package is
# present it only checks and returns within a second or two. What it installs
# for Wine follows the machine (scripts/wine-mode.sh): the 32-bit MinGW and
# wine32 where 32-bit code runs, the 64-bit MinGW where it does not.
#
#   scripts/setup.sh                 install packages only
#   scripts/setup.sh --prefix DIR    also (re)create a fresh Wine prefix in DIR
set -euo pipefail

prefix=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    *) echo "usage: $0 [--prefix DIR]" >&2; exit 2 ;;
  esac
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# shellcheck source=scripts/wine-mode.sh
. "$(dirname "$0")/wine-mode.sh"
mode="$(wine_mode)"

packages=(
  cmake ninja-build g++ googletest libbenchmark-dev clang-format
  wine wine64
  xvfb x11-utils imagemagick nsis wixl msitools python3
  fonts-liberation fonts-dejavu-core
)
if [ "$mode" = 32 ]; then
  # The shipped 32-bit programs, and Wine's 32-bit loader to run them.
  packages+=(g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
             wine32:i386)
else
  # The 64-bit test build; Wine's 64-bit loader alone (a wine32 could not start).
  packages+=(g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64
             mingw-w64-x86-64-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ -n "$prefix" ]; then
  wine_mode_enter "$mode"
  "$(dirname "$0")/wine-prefix.sh" "$prefix"
fi
