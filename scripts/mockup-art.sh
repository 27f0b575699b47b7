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
  -annotate +251+461 "Publisher: Purgeon demo" -annotate +251+481 "Install Location: C:\\Program Files\\Demo Notes\\"
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
