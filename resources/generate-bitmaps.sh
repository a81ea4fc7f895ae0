#!/usr/bin/env bash
# Draws the editor's thirteen bitmaps with ImageMagick and the DejaVu fonts (Debian packages
# imagemagick and fonts-dejavu-core) as 24-bit uncompressed BMP files: at 1x into bitmaps/, the
# same drawing at twice the density into bitmaps/2x/ (shapes through an affine transform, texts
# at twice their size and place, so everything is drawn sharp rather than stretched), and
# 1.5x into bitmaps/1.5x/, filtered down from the 2x set. The results are committed; a build does
# not run this. Usage: resources/generate-bitmaps.sh
set -euo pipefail
cd "$(dirname "$0")/bitmaps"
# The version the pictures show is the project's (the top CMakeLists.txt).
version=$(sed -n 's/^project(QuellmarV3 VERSION \([0-9.]*\).*/\1/p' ../../CMakeLists.txt)
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }
mkdir -p 2x 1.5x

sans=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
serif=/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf

# The palette.
ground='#22262D'    # window background
panel='#2E333C'     # boxes and buttons
edge='#434A56'      # box outlines
label='#C9D1DC'     # labels
heading='#8FA3BA'   # section titles
dim='#5C6570'       # unlit symbols and texts
blue='#1D92FF'      # lit inputs, readouts
amber='#FFB000'     # lit bypass
cross='#E0403A'     # no channel left

# save ARGS...: draws ARGS into $folder$out at density $k; at 1 the arguments go to convert
# unchanged. Above 1, shapes go through an affine transform; texts ignore that transform (and
# reset it), so their size and place are multiplied here and the transform is set again.
save() {
  local args=() w h x y
  while (($#)); do
    if (( k == 1 )); then
      args+=("$1")
      shift
      continue
    fi
    case $1 in
      -size)
        IFS=x read -r w h <<<"$2"
        args+=(-size "$(( w * k ))x$(( h * k ))")
        shift 2 ;;
      xc:*)
        args+=("$1" -affine "$k,0,0,$k,0,0")
        shift ;;
      -pointsize)
        args+=(-pointsize "$(awk -v p="$2" -v k="$k" 'BEGIN { print p * k }')")
        shift 2 ;;
      -annotate)
        IFS=+ read -r _ x y <<<"$2"
        args+=(-annotate "+$(( x * k ))+$(( y * k ))" "$3" -affine "$k,0,0,$k,0,0")
        shift 3 ;;
      *)
        args+=("$1")
        shift ;;
    esac
  done
  convert "${args[@]}" -alpha off -type TrueColor -define bmp:format=bmp3 "BMP3:$folder$out"
}

drawAll() {

# 128: the background with every label.
out=128.bmp save -size 317x260 "xc:$ground" \
  -fill "$panel" -stroke "$edge" \
  -draw 'roundrectangle 6,6 160,44 5,5' \
  -draw 'roundrectangle 166,37 220,91 4,4' \
  -draw 'roundrectangle 6,96 153,140 4,4' \
  -draw 'roundrectangle 160,96 310,140 4,4' \
  -draw 'roundrectangle 6,143 310,209 4,4' \
  -draw 'roundrectangle 6,212 310,252 4,4' \
  -stroke none \
  -font "$bold" -pointsize 15 -fill "$label" -annotate +14+26 'QuellmarV3' \
  -font "$sans" -pointsize 9 -fill "$heading" -annotate +14+38 'ducking without routing' \
  -fill "$blue" -draw 'circle 242,30 248,30' \
  -font "$bold" -pointsize 10 -fill "$ground" -annotate +239+34 '?' \
  -font "$sans" -pointsize 10 -fill "$label" -annotate +100+60 'sends on' -annotate +100+73 'channel' \
  -fill "$heading" -pointsize 9 -annotate +246+90 'bypass' \
  -annotate +12+107 'input: the channels used' \
  -annotate +166+107 'duck / key: inverts the effect' \
  -fill "$label" -pointsize 10 \
  -annotate +10+157 'attack (ms)' \
  -annotate +10+179 'release (ms)' \
  -annotate +10+201 'threshold (dB)' \
  -fill "$heading" -pointsize 9 -annotate +20+221 'effect strength' \
  -fill "$dim" -pointsize 8 -annotate +242+221 "version $version"

# 129: slider track; 130: its handle, a small double-arrow button without any pure white.
out=129.bmp save -size 160x17 "xc:$panel" \
  -fill '#15181D' -stroke "$edge" -draw 'roundrectangle 0,3 159,13 4,4' \
  -stroke '#2C3440' -draw 'line 6,8 153,8'
out=130.bmp save -size 18x14 "xc:$panel" \
  -fill '#B8C4D2' -stroke '#7D8A99' -draw 'roundrectangle 0,0 17,13 3,3' \
  -stroke none -fill '#2A2F37' -draw 'polygon 3,7 7,3 7,11' -draw 'polygon 14,7 10,3 10,11'

# 131: the help and about panel.
out=131.bmp save -size 317x260 "xc:$ground" \
  -fill "$panel" -stroke "$edge" -draw 'roundrectangle 6,6 310,253 6,6' -stroke none \
  -font "$bold" -pointsize 13 -fill "$label" -annotate +16+28 'QuellmarV3: help' \
  -font "$sans" -pointsize 9.5 -fill "$label" \
  -annotate +16+48 'Four channels, α β χ δ, carry the keys. Every new' \
  -annotate +16+61 'instance is linked to one of them automatically and' \
  -annotate +16+74 'sends its input there; the symbol at the top shows which.' \
  -annotate +16+92 'Another instance selects channels as its input and' \
  -annotate +16+105 'hears their sum as its key.' \
  -annotate +16+123 'duck / key inverts the effect: ducking lowers the audio' \
  -annotate +16+136 'while the key is loud, keying lets it through only then.' \
  -annotate +16+154 'attack 0 to 2000 ms, release 0 to 1000 ms,' \
  -annotate +16+167 'threshold 0 to -96 dB.' \
  -annotate +16+185 'bypass: the instance still sends, but does not duck.' \
  -annotate +16+203 'At least two and at most four instances take part;' \
  -annotate +16+216 'a red cross shows when no channel is left.' \
  -fill "$heading" -annotate +16+240 "Quellmar V3, version $version. Click anywhere to close."

# 132 and 133: the meter lit (blue turning red towards the right) and unlit, same segments.
meter() {
  local lit=$1 args=()
  for ((x = 1; x < 275; x += 5)); do
    if [ "$lit" = 1 ]; then
      local t=$(( x * 255 / 274 ))
      args+=(-fill "rgb($(( 29 + (255 - 29) * t / 255 )),$(( 146 - 120 * t / 255 )),$(( 255 - 207 * t / 255 )))")
    else
      args+=(-fill '#1E2A38')
    fi
    args+=(-draw "rectangle $x,3 $(( x + 3 )),15")
  done
  save -size 275x19 "xc:#15181D" "${args[@]}"
}
out=132.bmp meter 1
out=133.bmp meter 0

# Toggles: two states stacked, off on top and lit below.
# toggleText WIDTH OUT TEXT-OFF-COLOR BOX-ON TEXT-ON-COLOR TEXT FONT SIZE
toggle() {
  local width=$1 text=$2 font=$3 size=$4 onBox=$5 onText=$6
  out=$7 save -size "${width}x48" "xc:$ground" \
    -fill "$panel" -stroke "$edge" -draw "roundrectangle 1,1 $(( width - 2 )),22 3,3" \
    -fill "$onBox" -stroke "$onText" -draw "roundrectangle 1,25 $(( width - 2 )),46 3,3" -stroke none \
    -font "$font" -pointsize "$size" -gravity north \
    -fill "$dim" -annotate +0+$(( (24 - size) / 2 - 1 )) "$text" \
    -fill "$onText" -annotate +0+$(( 24 + (24 - size) / 2 - 1 )) "$text"
}
toggle 62 'bypass' "$bold" 11 '#3A2E10' "$amber" 201.bmp
toggle 31 'α' "$serif" 15 '#0E3A66' "$blue" 203.bmp
toggle 31 'β' "$serif" 15 '#0E3A66' "$blue" 204.bmp
toggle 30 'χ' "$serif" 15 '#0E3A66' "$blue" 205.bmp
toggle 30 'δ' "$serif" 15 '#0E3A66' "$blue" 206.bmp

# 202: ducking / keying, keying lit on top (value 0), ducking lit below (value 1).
out=202.bmp save -size 126x48 "xc:$ground" \
  -fill "$panel" -stroke "$edge" -draw 'roundrectangle 1,1 124,22 3,3' -draw 'roundrectangle 1,25 124,46 3,3' \
  -fill '#0E3A66' -stroke "$blue" -draw 'roundrectangle 63,2 123,21 3,3' -draw 'roundrectangle 2,26 62,45 3,3' \
  -stroke none -font "$bold" -pointsize 10 \
  -fill "$dim" -annotate +9+16 'ducking' -fill "$blue" -annotate +74+16 'keying' \
  -fill "$blue" -annotate +9+40 'ducking' -fill "$dim" -annotate +74+40 'keying'

# 207: the slot symbols, 42 x 46 each: α β χ δ, then six red crosses.
strip=()
for i in 0 1 2 3 4 5 6 7 8 9; do
  top=$(( i * 46 ))
  strip+=(-fill "$panel" -stroke "$edge" -draw "roundrectangle 1,$(( top + 1 )) 40,$(( top + 44 )) 4,4" -stroke none)
done
letters=('α' 'β' 'χ' 'δ')
for i in 0 1 2 3; do
  strip+=(-font "$serif" -pointsize 30 -fill "$blue" -gravity north -annotate "+0+$(( i * 46 + 2 ))" "${letters[$i]}")
done
for i in 4 5 6 7 8 9; do
  top=$(( i * 46 ))
  strip+=(-stroke "$cross" -strokewidth 5 -draw "line 11,$(( top + 12 )) 30,$(( top + 33 ))"
          -draw "line 30,$(( top + 12 )) 11,$(( top + 33 ))" -strokewidth 1 -stroke none)
done
out=207.bmp save -size 42x460 "xc:$ground" "${strip[@]}"

}

k=1 folder='' drawAll
k=2 folder='2x/' drawAll
# 1.5x: three quarters of the 2x pictures, Lanczos-filtered, each size rounded as the editor rounds it.
for f in 128 129 130 131 132 133 201 202 203 204 205 206 207; do
  read -r w h <<<"$(identify -format '%w %h' "$f.bmp")"
  convert "2x/$f.bmp" -filter Lanczos -resize "$(( (w * 3 + 1) / 2 ))x$(( (h * 3 + 1) / 2 ))!" \
    -alpha off -type TrueColor -define bmp:format=bmp3 "BMP3:1.5x/$f.bmp"
done

for f in 128 129 130 131 132 133 201 202 203 204 205 206 207; do
  identify -format "%f %wx%h %[bit-depth]-bit %[type]\n" "$f.bmp" "2x/$f.bmp" "1.5x/$f.bmp"
done
