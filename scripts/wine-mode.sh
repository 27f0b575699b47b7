# shellcheck shell=bash
# Which Windows build this machine's Wine tests and runs, sourced by the
# scripts that start Wine:
#  - 32: the shipped 32-bit programs, through Wine's 32-bit loader (a WOW64
#    process in a 64-bit prefix, as on 64-bit Windows).
#  - 64: where the kernel runs no 32-bit x86 code ("Exec format error"), Wine's
#    32-bit loader cannot start; the 64-bit test build (preset mingw64) runs
#    there under Wine's 64-bit loader, its adapters showing it the machine a
#    32-bit process sees.
# PURGEON_WINE_MODE=32 or 64 chooses; unset, a tiny 32-bit program is tried.
#
#   wine_mode               prints 32 or 64 (and why, on stderr with -v)
#   wine_mode_reason        one line: why this mode
#   wine_mode_enter MODE    in 64: Wine's 64-bit loader first on the PATH
#   wine_mode_preset MODE   the CMake preset of the Windows build

wine_mode_scripts="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# True when the kernel starts a 32-bit x86 program: a 96-byte static i386
# ELF that only calls exit(42).
runs_32bit_code() {
  local probe status=0
  probe="$(mktemp)"
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

wine_mode() {
  case "${PURGEON_WINE_MODE:-}" in
    32|64) echo "$PURGEON_WINE_MODE" ;;
    "") if runs_32bit_code; then echo 32; else echo 64; fi ;;
    *) echo "PURGEON_WINE_MODE must be 32 or 64, not '$PURGEON_WINE_MODE'" >&2; return 2 ;;
  esac
}

wine_mode_reason() {
  case "${PURGEON_WINE_MODE:-}" in
    32|64) echo "PURGEON_WINE_MODE=$PURGEON_WINE_MODE" ;;
    *) if runs_32bit_code; then echo "this machine runs 32-bit code"
       else echo "this machine's kernel runs no 32-bit code (Exec format error)"; fi ;;
  esac
}

wine_mode_preset() {
  if [ "$1" = 64 ]; then echo mingw64; else echo mingw; fi
}

wine_mode_enter() {
  if [ "$1" = 64 ]; then
    case ":$PATH:" in
      *":$wine_mode_scripts/wine64:"*) ;;
      *) export PATH="$wine_mode_scripts/wine64:$PATH" ;;
    esac
  fi
}
