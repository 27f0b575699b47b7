#!/usr/bin/env bash
# What the user waits for with thousands of programs, under Wine, in a fresh
# prefix made for the run: 2,000 Uninstall entries (HKLM's 64-bit and 32-bit
# views and HKCU; a quarter Windows Installer products with their UserData
# and product icon; half with an icon file that exists, a tenth without a
# display icon). Then, paired in each round:
#  (a) purgeon.exe from start until its list holds every program and the
#      list-loading window is gone (bench/list_watch.cpp watches it),
#  (b) `purgeon-cli list`, (c) Wine's `uninstaller --list`, whole processes;
# with the peak memory (VmHWM) of each. Prints medians and the ratios.
#
#   bench/list-window.sh [BUILD-DIR] [ROUNDS]    (default: the build of this
#                                                 machine's mode, 5 rounds)
# Environment: BENCH_ENTRIES (2000), BENCH_KEEP_PREFIX=1 (reuse the seeded
# prefix in BUILD-DIR/bench-list), BENCH_TIMEOUT (300 s for the window).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=scripts/wine-mode.sh
. "$root/scripts/wine-mode.sh"
mode="$(wine_mode)"
build="$(cd "${1:-$root/build/$(wine_mode_preset "$mode")}" && pwd)"
rounds="${2:-5}"
entries="${BENCH_ENTRIES:-2000}"
if grep -qs 'CMAKE_CXX_SIZEOF_DATA_PTR "8"' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
  mode=64 cxx=x86_64-w64-mingw32-g++-posix
else
  mode=32 cxx=i686-w64-mingw32-g++-posix
fi
export PURGEON_WINE_MODE="$mode"
wine_mode_enter "$mode"
for program in purgeon.exe purgeon-cli.exe Hostkit.dll; do
  [ -f "$build/bin/$program" ] || { echo "list-window: no $build/bin/$program (build it first)" >&2; exit 1; }
done

work="$build/bench-list"
prefix="$work/prefix"
mkdir -p "$work"
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

"$cxx" -std=c++20 -O2 -static -municode -I "$root/src" -I "$root/tests/windows" \
  -o "$work/list_watch.exe" "$root/bench/list_watch.cpp" -lcomctl32 -lgdi32

display=""
for n in $(seq 141 190); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "list-window: no free X display" >&2; exit 1; }
xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# --- The machine ------------------------------------------------------------
seed() {
  "$root/scripts/wine-prefix.sh" "$prefix" >/dev/null
  local c="$prefix/drive_c" exe ico48 ico32
  exe="$c/windows/system32/notepad.exe"
  ico32="$work/icon32.ico" ico48="$work/icon48.ico"
  convert -size 32x32 gradient:'#3070c0-#ffffff' "$ico32"
  convert -size 48x48 gradient:'#c07030-#ffffff' "$ico48"
  python3 - "$entries" "$work/machine.reg" "$c" "$exe" "$ico32" "$ico48" <<'EOF'
import os, sys
entries, reg_path, drive_c, exe, ico32, ico48 = sys.argv[1:]
entries = int(entries)
un = r"Microsoft\Windows\CurrentVersion\Uninstall"
roots = [r"HKEY_LOCAL_MACHINE\Software", r"HKEY_LOCAL_MACHINE\Software\Wow6432Node",
         r"HKEY_CURRENT_USER\Software"]
app_paths = [f"benchtool{n}.exe" for n in range(100)]
lines = ["Windows Registry Editor Version 5.00", ""]
def key(path, values):
    lines.append(f"[{path}]")
    for name, value in values:
        if isinstance(value, int):
            lines.append(f'"{name}"=dword:{value:08x}')
        else:
            lines.append(f'"{name}"="' + value.replace("\\", "\\\\").replace('"', '\\"') + '"')
    lines.append("")
for name in app_paths:
    key(rf"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\{name}",
        [("", rf"C:\Tools\{name}")])
def link(target, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if not os.path.exists(path):
        os.link(target, path)
for n in range(entries):
    # HKLM 64-bit, HKLM 32-bit (with the Windows Installer products), HKCU,
    # then HKLM again in either view.
    root = roots[(0, 1, 2, (n // 4) % 2)[n % 4]]
    name = f"Bench Program {n:04d}"
    folder_unix = os.path.join(drive_c, "Program Files", f"Bench{n:04d}")
    folder = rf"C:\Program Files\Bench{n:04d}" + "\\"
    values = [("DisplayName", name), ("Publisher", f"Bench Vendor {n % 37}"),
              ("DisplayVersion", f"1.{n % 10}.{n}"), ("InstallLocation", folder),
              ("UninstallString", folder + "uninst.exe")]
    kind = n % 10
    if kind in (0, 1, 2, 3, 4):          # half: an icon file that exists
        if kind < 3:
            link(exe, os.path.join(folder_unix, "bench.exe"))
            values.append(("DisplayIcon", folder + "bench.exe,0"))
        else:
            link(ico32 if kind == 3 else ico48, os.path.join(folder_unix, "bench.ico"))
            values.append(("DisplayIcon", folder + "bench.ico"))
    elif kind == 5:                      # a tenth: no display icon
        os.makedirs(folder_unix, exist_ok=True)
        if n % 20 == 5:
            link(exe, os.path.join(folder_unix, app_paths[n % 100]))
    else:                                # the rest: an icon file that is gone
        values.append(("DisplayIcon", folder + "gone.exe,0"))
    if n % 4 == 1:                       # a quarter: Windows Installer products
        code = "{%08X-1111-2222-3333-%012X}" % (n, n)
        packed = "%032X" % (n * 2654435761 % (1 << 128))
        values.append(("WindowsInstaller", 1))
        key(rf"{root}\{un}\{code}", values)
        props = [v for v in values if v[0] != "WindowsInstaller"]
        props.append(("LocalPackage", rf"C:\Windows\Installer\{n:x}.msi"))
        key(r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer\UserData"
            rf"\S-1-5-18\Products\{packed}\InstallProperties", props)
        product = [("ProductName", name)]
        if kind == 5:
            product.append(("ProductIcon", rf"C:\Windows\Installer\{code}\product.ico"))
        key(rf"HKEY_LOCAL_MACHINE\Software\Classes\Installer\Products\{packed}", product)
    else:
        key(rf"{root}\{un}\BenchProgram{n:04d}", values)
open(reg_path, "w", encoding="utf-16").write("\r\n".join(lines) + "\r\n")
EOF
  # reg.exe in the 64-bit view: Wow6432Node is then the 32-bit one.
  env -u DISPLAY wine reg import "$(winepath -w "$work/machine.reg")" /reg:64 >/dev/null
  wineserver -w
}
if [ "${BENCH_KEEP_PREFIX:-}" != 1 ] || [ ! -f "$prefix/system.reg" ]; then seed; fi

# The programs where an installed Purgeon lies: a folder on drive C: (the
# icon redraw writes its temporary files beside purgeon.exe).
mkdir -p "$prefix/drive_c/Purgeon"
cp "$build/bin/purgeon.exe" "$build/bin/purgeon-cli.exe" "$build/bin/Hostkit.dll" "$prefix/drive_c/Purgeon/"
cd "$work"

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true   # the first start of a session costs more

cli='C:\Purgeon\purgeon-cli.exe'
listed="$(wine "$cli" list 2>/dev/null | tr -d '\r' | grep -c . || true)"
echo "machine: $entries entries seeded, purgeon-cli lists $listed programs; mode $mode ($build)"

# Whole process, "SECONDS PEAK-KB" (GNU time: the process is the one Wine execs into).
timed() {
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >/dev/null 2>&1 || true
  cat "$work/time.txt"
}
# The peak memory of the Linux process that runs purgeon.exe in this prefix
# (its first argument is the program; the watcher's names it later).
window_peak_kb() {
  local pid
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    {
      if tr '\0' '\n' <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$prefix" &&
        tr '\0' '\n' <"/proc/$pid/cmdline" | head -n 1 | grep -qi 'purgeon\.exe$'; then
        awk '/VmHWM/ {print $2}' "/proc/$pid/status"
        return
      fi
    } 2>/dev/null
  done
  echo 0
}
window() {
  local out="$work/watch.txt" fifo="$work/watch.fifo" line peak
  rm -f "$out" "$fifo"
  mkfifo "$fifo"
  wine "$work/list_watch.exe" 'C:\Purgeon\purgeon.exe' "$listed" "${BENCH_TIMEOUT:-300}" \
    <"$fifo" >"$out" 2>&1 &
  local watch=$!
  exec 7>"$fifo"
  until grep -qE '^(listed|timeout)' "$out" 2>/dev/null; do
    sleep 0.05
    kill -0 "$watch" 2>/dev/null || break
  done
  line="$(grep -E '^(listed|timeout)' "$out" || echo "failed 0 0")"
  peak="$(window_peak_kb)"
  echo close >&7   # the watcher closes purgeon.exe and waits until it has ended
  exec 7>&-
  wait "$watch" 2>/dev/null || true
  rm -f "$fifo"
  set -- $line
  [ "$1" = listed ] || echo "list-window: purgeon.exe listed $3 of $listed rows ($1)" >&2
  echo "$(awk -v ms="$2" 'BEGIN {printf "%.2f", ms / 1000}') $peak"
}

declare -a w_s w_m c_s c_m u_s u_m
for round in $(seq 1 "$rounds"); do
  # The order turns each round, so that no one always runs after the same.
  for which in $(case $((round % 3)) in 1) echo w c u ;; 2) echo c u w ;; 0) echo u w c ;; esac); do
    case $which in
      w) read -r s m < <(window); w_s+=("$s"); w_m+=("$m") ;;
      c) read -r s m < <(timed wine "$cli" list); c_s+=("$s"); c_m+=("$m") ;;
      u) read -r s m < <(timed wine uninstaller --list); u_s+=("$s"); u_m+=("$m") ;;
    esac
  done
  echo "round $round: window ${w_s[-1]} s, cli ${c_s[-1]} s, uninstaller ${u_s[-1]} s"
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
w=$(median "${w_s[@]}") c=$(median "${c_s[@]}") u=$(median "${u_s[@]}")
wm=$(median "${w_m[@]}") cm=$(median "${c_m[@]}") um=$(median "${u_m[@]}")
echo
echo "medians of $rounds rounds ($listed programs):"
printf '  purgeon.exe until the list is full  %6.2f s  peak %6.1f MB\n' "$w" "$(awk -v k="$wm" 'BEGIN {print k / 1024}')"
printf '  purgeon-cli list                    %6.2f s  peak %6.1f MB\n' "$c" "$(awk -v k="$cm" 'BEGIN {print k / 1024}')"
printf '  uninstaller --list (Wine)           %6.2f s  peak %6.1f MB\n' "$u" "$(awk -v k="$um" 'BEGIN {print k / 1024}')"
awk -v w="$w" -v c="$c" -v u="$u" 'BEGIN {
  printf "ratios: window / cli %.2fx (target 2x), cli / uninstaller %.2fx (target 1x)\n", w / c, c / u }'
