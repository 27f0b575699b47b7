#!/usr/bin/env bash
# Puts the rendered artwork together the way the windows show it, for looking
# at: a mock-up of the main window with the Step 1 page, the secondary windows
# at their places, and contact sheets of every picture and button state.
#   scripts/mockup-art.sh [OUT_DIR]      (default: /tmp/purgeon-art)
# Texts that the windows draw themselves are stood in for with DejaVu Sans.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
png="$root/res/art/png"
out="${1:-/tmp/purgeon-art}"
mkdir -p "$out"
font=DejaVu-Sans
bold=DejaVu-Sans-Bold

frame() { convert "$png/$1.png" -crop "$2x$3+$(($4 * $2))+0" +repage "$5"; }

# --- main window, Step 1 page with a filled list and a selection -----------
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
frame status_animation 16 16 2 "$tmp/anim.png"

args=(-size 738x560 xc:white
  "$png/title.png" -geometry +0+0 -composite
  "$png/btn_min_normal.png" -geometry +674+3 -composite
  "$png/btn_close_hover.png" -geometry +705+3 -composite
  "$png/menu_bar.png" -geometry +0+32 -composite
  "$png/btn_support_normal.png" -geometry +7+32 -composite
  "$png/btn_help_hover.png" -geometry +75+32 -composite
  "$png/btn_upgrade_normal.png" -geometry +143+32 -composite
  "$png/step1_back.png" -geometry +0+100 -composite
  "$png/step1_picture.png" -geometry +8+105 -composite
  "$png/btn_refresh_normal.png" -geometry +12+306 -composite
  "$png/btn_run_normal.png" -geometry +30+384 -composite
  -fill white -draw "rectangle 184,99 736,497"
  -fill 'rgb(120,165,194)' -draw "rectangle 184,99 736,126"
  -fill 'rgb(98,140,168)' -draw "line 184,126 736,126"
  "$tmp/anim.png" -geometry +192+105 -composite
  -font "$bold" -pointsize 10 -fill white -draw "text 214,117 'Please enter the software keywords, such as Visual Studio...'"
)
icons=(icon_generic icon_suite_red icon_generic icon_suite_dark icon_generic icon_generic icon_generic icon_generic)
names=("7-Zip 23.01" "Security Suite" "Demo Notes" "Shield Pro" "Media Player" "Sample Tool" "Photo Viewer" "Zip Helper")
for i in "${!icons[@]}"; do
  x=$((200 + (i % 6) * 86))
  y=$((140 + (i / 6) * 80))
  if ((i == 2)); then args+=(-fill 'rgb(204,232,255)' -draw "rectangle $((x - 6)),$((y - 4)) $((x + 70)),$((y + 58))"); fi
  args+=("$png/${icons[$i]}.png" -geometry "+$((x + 16))+$y" -composite
    -font "$font" -pointsize 8.5 -fill black -gravity NorthWest -annotate "+$((x - 2))+$((y + 38))" "${names[$i]}")
done
args+=(
  -fill white -draw "rectangle 184,389 736,497" -fill 'rgb(214,214,214)' -draw "line 184,389 736,389"
  "$png/icon_generic.png" -geometry +202+401 -composite
  -font "$bold" -pointsize 10 -fill 'rgb(83,83,83)' -annotate +247+404 "Demo Notes"
  -font "$font" -pointsize 8.5 -fill 'rgb(61,61,61)' -annotate +251+441 "Version: 1.0.0"
  -annotate +251+461 "Publisher: Purgeon demo" -annotate +251+481 "Install Location: C:\\\\Program Files\\\\Demo Notes\\\\"
  "$png/search_frame.png" -geometry +230+510 -composite
  "$png/btn_search_normal.png" -geometry +203+510 -composite
  -font "$font" -pointsize 10 -fill 'rgb(111,114,63)' -annotate +233+514 "Search..."
  "$png/btn_custom_normal.png" -geometry +553+514 -composite
  "$png/status_bar.png" -geometry +0+542 -composite
  -font "$font" -pointsize 8.5 -fill white -gravity NorthEast -annotate +76+544 "Version: 0.1.0.0 "
)
convert "${args[@]}" "$out/main.png"

# --- list-loading window ----------------------------------------------------
frame loading_animation 48 48 3 "$tmp/load.png"
convert -size 463x123 xc:'rgb(112,112,112)' -fill 'rgb(217,235,249)' -draw "rectangle 3,3 459,119" \
  "$tmp/load.png" -geometry +15+36 -composite -font "$font" -pointsize 10 -fill 'rgb(63,63,63)' \
  -annotate +77+41 "Program is analyzing and loading the information of installed" \
  -annotate +77+57 "program, please wait patiently......" "$out/loading.png"

# --- About over the dimmed main window -------------------------------------
convert "$out/main.png" \( -size 738x560 xc:black -alpha set -channel A -evaluate set 73.7% +channel \) -composite \
  \( "$png/about.png" "$png/btn_about_close_normal.png" -geometry +605+7 -composite \
  -font DejaVu-Sans-Bold -pointsize 10 -fill 'rgb(242,68,0)' -annotate +136+326 "https://purgeon.example" \) \
  -geometry +48+5 -composite "$out/about-over-main.png"

# --- Step 2 and Step 3 pages in the frame ------------------------------------
if [[ -f "$png/step2_back.png" ]]; then
  for step in 2 3; do
    btn=btn_complete_uninstall
    ((step == 3)) && btn=btn_delete
    convert "$out/main.png" "$png/step${step}_back.png" -geometry +0+100 -composite \
      "$png/step${step}_picture.png" -geometry +8+105 -composite \
      "$png/btn_back_normal.png" -geometry +12+306 -composite \
      "$png/${btn}_normal.png" -geometry +30+384 -composite \
      -fill white -draw "rectangle 184,99 736,497" \
      -font "$bold" -pointsize 11 -fill 'rgb(42,56,70)' -annotate +200+112 "Uninstall Program: Demo Notes" \
      -font "$font" -pointsize 9 -fill black -annotate +200+140 "C:\\\\Program Files\\\\Demo Notes\\\\notes.exe" \
      -annotate +200+158 "C:\\\\Program Files\\\\Demo Notes\\\\" \
      -annotate +196+516 "2 files/folders found        5 registry entries found" \
      "$out/step$step.png"
  done

  # Shaped windows over the dimmed main window, the key colour cut out.
  cut() { convert "$1" -fuzz 0 -transparent '#A6CAF0' "$2"; }
  frame analyzing_animation 80 80 4 "$tmp/an.png"
  frame step_marker 16 16 3 "$tmp/mk.png"
  convert "$png/wizard_back.png" "$png/btn_wizard_close_normal.png" -geometry +607+8 -composite \
    "$png/btn_select_dir_normal.png" -geometry +512+140 -composite \
    "$png/btn_scan_normal.png" -geometry +241+337 -composite \
    -font "$font" -pointsize 9 -fill 'rgb(42,56,70)' \
    -annotate +36+62 "if the program you want to uninstall is not listed on the interface, please specify the program install" \
    -annotate +36+78 "directory below. Purgeon will thoroughly scan and remove the program with the information you specify." \
    -annotate +36+94 "Please specify the install directory and then click Scan button." \
    -annotate +64+148 "D:\\\\Tools\\\\Old Program\\\\" \
    -annotate +36+186 "In case you can't locate the install directory, please submit your uninstall request to our technical" \
    -annotate +36+202 "support team and we will send you the custom fix and guides to help you remove the program completely." \
    -fill 'rgb(35,110,190)' -annotate +36+246 "https://purgeon.example/support.html" "$tmp/wiz.png"
  cut "$tmp/wiz.png" "$tmp/wiz-cut.png"
  convert "$png/analyzing_back.png" "$png/icon_generic.png" -geometry +24+55 -composite \
    "$tmp/an.png" -geometry +24+124 -composite \
    -font "$bold" -pointsize 10 -fill 'rgb(42,56,70)' -annotate +72+52 "Collecting and analyzing Demo Notes software's" \
    -annotate +72+68 "install information" \
    -font "$bold" -pointsize 12 -fill 'rgb(242,68,0)' -annotate +124+140 "12" -fill 'rgb(82,82,82)' -annotate +150+140 "files/folders found" \
    -fill 'rgb(242,68,0)' -annotate +124+170 "7" -fill 'rgb(82,82,82)' -annotate +150+170 "registry entries found" "$tmp/ana.png"
  cut "$tmp/ana.png" "$tmp/ana-cut.png"
  convert "$png/uninstall_back.png" "$png/btn_step_tip1_disabled.png" -geometry +58+92 -composite \
    "$png/btn_step_tip2_normal.png" -geometry +58+180 -composite "$tmp/mk.png" -geometry +33+191 -composite \
    "$png/btn_scan_leftovers_normal.png" -geometry +226+324 -composite \
    -font "$bold" -pointsize 10 -fill 'rgb(42,56,70)' \
    -annotate +116+92 "Locate and launch the original uninstall program. Please choose to restart later if" \
    -annotate +116+108 "it asks to reboost your computer, or launch Purgeon again after startup." \
    -annotate +116+180 "The original uninstall process is complete. Please click Scan Leftovers button to" \
    -annotate +116+196 "thoroughly search the program's leftover files, folders and registry entries." "$tmp/unin.png"
  cut "$tmp/unin.png" "$tmp/unin-cut.png"
  dim=(\( -size 738x560 xc:black -alpha set -channel A -evaluate set 73.7% +channel \) -composite)
  convert "$out/main.png" "${dim[@]}" "$tmp/wiz-cut.png" -geometry +47+71 -composite "$out/wizard.png"
  convert "$out/main.png" "${dim[@]}" "$tmp/ana-cut.png" -geometry +138+168 -composite "$out/analyzing.png"
  convert "$out/step2.png" "${dim[@]}" "$tmp/unin-cut.png" -geometry +47+71 -composite "$out/uninstall.png"
  frame updating_animation 48 48 2 "$tmp/up.png"
  convert -size 546x117 xc:'#5C5C5C' -fill '#D9EBF9' -draw "rectangle 3,3 542,113" \
    "$tmp/up.png" -geometry +31+32 -composite -font "$bold" -pointsize 12 -fill '#565656' \
    -annotate +110+44 "Updating......" "$out/updating.png"
fi

# --- contact sheets ----------------------------------------------------------
montage -background '#d8d8d8' -fill black -font "$font" -pointsize 9 -label '%t\n%wx%h' \
  $(ls "$png"/*.png | grep -v '_\(hover\|pressed\|disabled\)\.png$') \
  -tile 6x -geometry '+8+8' "$out/sheet-all.png"
# One row per button: its name, then normal, hover, pressed, disabled.
rows=()
for b in $(ls "$png"/*_normal.png | sed 's/_normal\.png$//'); do
  n="$(basename "$b")"
  convert -background '#d8d8d8' -bordercolor '#d8d8d8' \
    \( -font "$font" -pointsize 10 label:"$n" -gravity West -extent 170x \) \
    "$b"_{normal,hover,pressed,disabled}.png -border 5 -gravity center +append "$tmp/row-$n.png"
  rows+=("$tmp/row-$n.png")
done
convert -background '#d8d8d8' "${rows[@]}" -gravity West -append "$out/sheet-buttons.png"
echo "mockup-art: $out"
