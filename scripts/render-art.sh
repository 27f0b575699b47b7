#!/usr/bin/env bash
# Renders Purgeon's artwork from its drawings (res/art/draw.py) into the files
# that the build embeds: res/art/png/<name>.png (32-bit RGBA, straight alpha,
# exact sizes), res/purgeon.ico and res/artwork.rc. The results are committed,
# so the build itself never needs this script; run it after changing a drawing.
#
# Needs rsvg-convert, ImageMagick, icotool, python3 and the DejaVu fonts; when
# one is missing and we run as root, it is installed from Debian.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
res="$root/res"
png_dir="$res/art/png"

need=()
command -v rsvg-convert >/dev/null || need+=(librsvg2-bin)
command -v convert >/dev/null || need+=(imagemagick)
command -v icotool >/dev/null || need+=(icoutils)
command -v python3 >/dev/null || need+=(python3)
fc-list 2>/dev/null | grep -q 'DejaVuSans-Bold.ttf' || need+=(fonts-dejavu-core)
if ((${#need[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "render-art: missing ${need[*]}; install them or run as root" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$res/art/draw.py" "$work"

rm -rf "$png_dir"
mkdir -p "$png_dir" "$work/ico"

# PNGs without time stamps or other chunks that would change on every run.
finish_png() { convert "$1" -strip -define png:exclude-chunks=date,time,tIME PNG32:"$2"; }

check_size() {
  local got
  got="$(identify -format '%wx%h' "$1")"
  [[ $got == "$2x$3" ]] || {
    echo "render-art: $1 is $got, expected $2x$3" >&2
    exit 1
  }
}

rc="$res/artwork.rc"
{
  echo '// Purgeon'"'"'s pictures. Written by scripts/render-art.sh from res/art; do not edit.'
  echo '#include "artwork_ids.h"'
  echo
  echo 'IDI_PURGEON ICON "purgeon.ico"'
  echo
} >"$rc.tmp"

key='#A6CAF0'
while IFS=$'\t' read -r name w h kind rc_id; do
  svg="$work/$name.svg"
  raw="$work/$name.raw.png"
  rsvg-convert -w "$w" -h "$h" -o "$raw" "$svg"
  case "$kind" in
    icon)
      finish_png "$raw" "$work/ico/$name.png"
      check_size "$work/ico/$name.png" "$w" "$h"
      continue
      ;;
    keyed)
      # A shaped window: the outline is drawn without anti-aliasing, every
      # pixel outside it is exactly the key colour and none inside is.
      mask="$work/$name.mask.png"
      rsvg-convert -w "$w" -h "$h" -o "$mask" "$work/$name.mask.svg"
      convert "$raw" -background '#5C5C5C' -flatten -fill '#A6CAF1' -opaque "$key" \
        \( "$mask" -alpha extract -threshold 50% \) -alpha off -compose CopyOpacity -composite \
        -background "$key" -compose Over -flatten "$work/$name.keyed.png"
      raw="$work/$name.keyed.png"
      ;;
  esac
  finish_png "$raw" "$png_dir/$name.png"
  check_size "$png_dir/$name.png" "$w" "$h"
  printf '%s RCDATA "art/png/%s.png"\n' "$rc_id" "$name" >>"$rc.tmp"
done <"$work/manifest.tsv"
mv "$rc.tmp" "$rc"

# The icon: small sizes as 32-bit bitmaps, 256 as PNG (as Windows expects).
icotool -c -o "$res/purgeon.ico" \
  "$work"/ico/logo_{16,20,24,32,48}.png --raw="$work/ico/logo_256.png"

echo "render-art: $(find "$png_dir" -name '*.png' | wc -l) pictures, purgeon.ico, artwork.rc"
