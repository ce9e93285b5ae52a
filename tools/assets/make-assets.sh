#!/bin/sh
# Regenerates the quiz's pictures, cursors, sounds and names file under data/
# from the sources in this folder. The output is committed; the build never
# runs this script. Same tools, same bytes: run it again and git sees no change.
#
#   tools/assets/make-assets.sh            (from anywhere)
#
# Needs: ImageMagick 6 (convert), sox, ffmpeg, icoutils (icotool), awk.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
DATA=$ROOT/data

for tool in convert sox ffmpeg icotool awk; do
    command -v "$tool" >/dev/null 2>&1 || { echo "make-assets: $tool not found" >&2; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/make-assets.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
trap 'exit 1' INT TERM

# One thread each: results do not depend on thread scheduling, and the
# machine stays usable while this runs.
export MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1
export LC_ALL=C

mkdir -p "$DATA/pictures" "$DATA/sounds"
for s in 32 48 128 256; do mkdir -p "$DATA/icons/hicolor/${s}x${s}/apps"; done

# PNG output without time stamps or other metadata.
PNGCLEAN="-strip -define png:exclude-chunk=date,time,tEXt,zTXt,iTXt"

calc() { awk "BEGIN { printf \"%.3f\", $* }"; }

# Writes a 32 x 32 XPM from the character art in file $1 (X black, o white,
# anything else transparent), placing the art's top left corner at ($2,$3)
# of the picture.
art_xpm() {
    awk -v XO="$2" -v YO="$3" '
        { rows[NR - 1] = $0 }
        END {
            print "/* XPM */"
            print "static char *art[] = {"
            print "\"32 32 3 1\",", "\". c None\",", "\"X c #000000\",", "\"o c #FFFFFF\","
            for (y = 0; y < 32; y++) {
                s = ""
                for (x = 0; x < 32; x++) {
                    c = (y >= YO && y - YO < NR && x >= XO) ? substr(rows[y - YO], x - XO + 1, 1) : "."
                    if (c != "X" && c != "o") c = "."
                    s = s c
                }
                printf "\"%s\"%s\n", s, (y < 31) ? "," : ""
            }
            print "};"
        }' "$1"
}

# ---------------------------------------------------------------------------
# Names file: one country per line, CR LF line ends.
# ---------------------------------------------------------------------------
make_items() {
    printf '%s\r\n' \
        "Bangladesh" "Bhutan" "Brunei" "Burma (Myanmar)" "Cambodia" "China" \
        "India" "Indonesia" "Japan" "Kazakhstan" "Laos" "Malaysia" "Mongolia" \
        "Nepal" "North Korea" "Philippines" "Russia" "Singapore" "South Korea" \
        "Sri Lanka" "Taiwan" "Thailand" "Vietnam" > "$DATA/items.txt"
}

# ---------------------------------------------------------------------------
# Side panel: 11 x 154 strip, stretched behind white bold text. Medium blue
# body with a gentle top-to-bottom darkening, a faint light rule, and a
# darker foot over the bottom 23 rows (15 %). White on the lightest row of
# the body still has a contrast ratio above 5:1.
# ---------------------------------------------------------------------------
make_panel() {
    convert \
        -size 11x130 gradient:'#3567B4-#2A559C' \
        -size 11x1 xc:'#4A7AC2' \
        -size 11x23 gradient:'#1B3C78-#132C5C' \
        -append -depth 8 -colorspace sRGB -type TrueColor \
        -strip -interlace none -sampling-factor 1x1 -quality 95 \
        "JPEG:$DATA/pictures/panel.jpg"
}

# ---------------------------------------------------------------------------
# Drag picture: the push-pin, needle point at pixel (3, 29) of the 32 x 32
# icon. pin.awk draws it; the icon keeps 8-bit palette colour with the AND
# mask for transparency, the double-size PNG is the anti-aliased version.
# ---------------------------------------------------------------------------
make_pin() {
    awk -v MODE=pixels -v TX=3 -v TY=29 -f "$HERE/pin.awk" > "$WORK/pin.xpm"
    convert "$WORK/pin.xpm" $PNGCLEAN "PNG32:$WORK/pin32.png"
    icotool -c -b 8 -o "$DATA/pictures/pin.ico" "$WORK/pin32.png"

    awk -v MODE=vector -v TX=3 -v TY=29 -v K=32 -f "$HERE/pin.awk" > "$WORK/pin.mvg"
    convert -size 1024x1024 xc:none -draw "$(cat "$WORK/pin.mvg")" -scale 64x64 -depth 8 \
        $PNGCLEAN "PNG32:$DATA/pictures/pin@2x.png"
}

# ---------------------------------------------------------------------------
# Pointing-hand cursor: 32 x 32, black outline, white fill, hot spot on the
# tip of the index finger.
# ---------------------------------------------------------------------------
HAND_X=1 HAND_Y=1                       # where the art sits in the 32 x 32 cell
HAND_HOTX=7 HAND_HOTY=1                 # fingertip, in cursor pixels
make_hand() {
    art_xpm "$HERE/hand.txt" $HAND_X $HAND_Y > "$WORK/hand.xpm"
    convert "$WORK/hand.xpm" $PNGCLEAN "PNG32:$WORK/hand.png"
    icotool -c --cursor --hotspot-x=$HAND_HOTX --hotspot-y=$HAND_HOTY \
        -o "$DATA/HAND-M.CUR" "$WORK/hand.png"
}

# ---------------------------------------------------------------------------
# Application icon: a globe turned towards Asia on a rounded navy tile, with
# a red map pin standing on it. Drawn on a 256-unit grid, rendered at $2
# times the target size and box-filtered down. Small sizes drop the
# graticule and keep outlines at least about one pixel wide.
#   app_icon SIZE SUPERSAMPLE OUT.png
# ---------------------------------------------------------------------------
app_icon() {
    size=$1 ss=$2 out=$3
    c=$((size * ss))
    k=$(calc "$c / 256")
    gx=122 gy=140 gr=94                 # globe centre and radius
    px=150 py=126 r=33 d=72             # pin point, head radius, point-to-head-centre
    if [ "$size" -ge 128 ]; then
        grat=1 rimw=3.5 pinw=3.5
    else
        grat=0 rimw=$(calc "256 / $size") pinw=$(calc "256 / $size * 0.9")
    fi
    globe=$(awk -v CX=$gx -v CY=$gy -v R=$gr -v LON0=90 -v LAT0=26 \
        -v LAND='#63C052' -v WATER='#2F8BE0' -v GRAT=$grat -v GRATC='#FFFFFF38' -v GRATW=1.2 \
        -f "$HERE/globe.awk" "$HERE/coast.txt")
    # the pin's outline: two lines from the point tangent to the round head
    s=$(calc "$r / $d"); ca=$(calc "sqrt(1 - $s * $s)")
    tlx=$(calc "$px - $r * $ca"); trx=$(calc "$px + $r * $ca"); ty=$(calc "$py - $d + $r * $s")
    top=$((py - d - r)); hy=$((py - d)); ir=$(calc "$r * 0.42")
    drop="M $px,$py L $tlx,$ty A $r,$r 0 1,1 $trx,$ty Z"
    a="affine $k 0 0 $k 0 0"
    convert -size ${c}x${c} -define gradient:direction=south gradient:'#3A66B0-#1A2C5E' \
        \( -size ${c}x${c} xc:none -draw "$a fill white roundrectangle 10,10 246,246 50,50" \) \
        -compose copy_opacity -composite -compose over \
        -draw "$a fill none stroke #FFFFFF30 stroke-width $rimw roundrectangle 11.5,11.5 244.5,244.5 49,49" \
        -draw "$a fill #0000002A circle $gx,$((gy + 4)) $gx,$((gy + 4 + gr + 2))" \
        -draw "$a fill #2F8BE0 circle $gx,$gy $gx,$((gy + gr)) $globe" \
        \( -size ${c}x${c} \
           -define gradient:center=$(calc "($gx - 0.42 * $gr) * $k"),$(calc "($gy - 0.45 * $gr) * $k") \
           -define gradient:radii=$(calc "1.75 * $gr * $k"),$(calc "1.75 * $gr * $k") \
           radial-gradient:'rgba(255,255,255,0.38)-rgba(0,16,56,0.42)' \
           \( -size ${c}x${c} xc:none -draw "$a fill white circle $gx,$gy $gx,$((gy + gr))" \) \
           -compose dst_in -composite \) -compose over -composite \
        -draw "$a fill none stroke #0D1B3E stroke-width $rimw circle $gx,$gy $gx,$((gy + gr))" \
        -draw "$a fill #00000040 ellipse $px,$((py + 1)) 14,5 0,360" \
        -draw "$a stroke none fill #EA4335 path '$drop'" \
        -draw "$a stroke none fill #B3261E path 'M $px,$py L $trx,$ty A $r,$r 0 0,0 $px,$top Z'" \
        -draw "$a stroke #6B0F0A stroke-width $pinw stroke-linejoin round fill none path '$drop'" \
        -draw "$a stroke #6B0F0A stroke-width $(calc "$pinw * 0.8") fill #FFFFFF circle $px,$hy $px,$(calc "$hy + $ir")" \
        -scale ${size}x${size} -depth 8 $PNGCLEAN "PNG32:$out"
}

make_app_icon() {
    app_icon 256 4 "$WORK/app256.png"
    app_icon 128 4 "$WORK/app128.png"
    app_icon 48 8 "$WORK/app48.png"
    app_icon 32 8 "$WORK/app32.png"
    for s in 32 48 128 256; do
        cp "$WORK/app$s.png" "$DATA/icons/hicolor/${s}x${s}/apps/veltmora-drillix.png"
    done
    # The 32 x 32 entry has 24-bit colour and only the AND mask for
    # transparency: decide each pixel here, at half coverage. The other
    # entries keep their alpha; their mask hides only fully clear pixels.
    convert "$WORK/app32.png" -channel A -threshold 50% +channel $PNGCLEAN "PNG32:$WORK/app32m.png"
    icotool -c -t 0 -o "$DATA/pictures/app.ico" \
        -b 24 "$WORK/app32m.png" -b 32 "$WORK/app48.png" -b 32 "$WORK/app128.png" \
        -r "$WORK/app256.png"
}

# ---------------------------------------------------------------------------
# Sounds. Synthesised with sox at 44100 Hz in floating point, normalised to
# -1 dBFS, then encoded as WMA (wmav2, 128 kbit/s, stereo).
# The WMA decoder drops the first 2048 samples (one frame) of a stream, so
# each sound starts with exactly that much silence; 60 ms of silence at the
# end lets an audio server that waits for ~50 ms of buffered data start the
# stream before the sound is over.
# ---------------------------------------------------------------------------
SOXF="-R -r 44100 -c 1 -e floating-point -b 32"

# partial FREQ ATTACK SPAN LENGTH OUT  -- sine with a quick attack and a
# logarithmic fade over SPAN (about 20 dB per fifth of it), cut to LENGTH
# if longer (mixing pads shorter inputs with silence)
partial() {
    cut=$(awk "BEGIN { print ($3 > $4) ? \"trim 0 $4\" : \"\" }")
    sox $SOXF -n "$5" synth "$3" sine "$1" fade l "$2" "$3" "$(calc "$3 - $2")" $cut
}

# tone FREQ LENGTH OUT  -- a bell-like partial mix with an exponential decay
tone() {
    f=$1 len=$2 out=$3
    partial "$f" 0.004 "$(calc "$len * 2.4")" "$len" "$WORK/t1.wav"
    partial "$(calc "$f * 2")" 0.003 "$(calc "$len * 1.2")" "$len" "$WORK/t2.wav"
    partial "$(calc "$f * 3")" 0.002 "$(calc "$len * 0.8")" "$len" "$WORK/t3.wav"
    sox -m -v 0.7 "$WORK/t1.wav" -v 0.2 "$WORK/t2.wav" -v 0.07 "$WORK/t3.wav" $SOXF "$out"
}

# brass FREQ LENGTH RELEASE OUT  -- soft brassy note: filtered saw plus sine
brass() {
    f=$1 len=$2 rel=$3 out=$4
    sox $SOXF -n "$WORK/b1.wav" synth "$len" sawtooth "$f" lowpass 2400 lowpass 3200
    sox $SOXF -n "$WORK/b2.wav" synth "$len" sine "$f"
    sox -m -v 0.4 "$WORK/b1.wav" -v 0.5 "$WORK/b2.wav" $SOXF "$out" fade h 0.018 "$len" "$rel"
}

# finish IN OUT.wma  -- normalise, pad, make stereo 16-bit, encode
finish() {
    sox -D "$1" -r 44100 -c 2 -b 16 -e signed-integer "$WORK/final.wav" \
        gain -n -1 pad 2048s 0.06
    ffmpeg -nostdin -hide_banner -loglevel error -y -threads 1 -i "$WORK/final.wav" \
        -map_metadata -1 -fflags +bitexact -flags:a +bitexact \
        -c:a wmav2 -b:a 128k -ar 44100 -ac 2 "$2"
}

make_sounds() {
    # correct: rising two-note chime, B5 then E6, 0.5 s
    tone 987.77 0.5 "$WORK/c1.wav"
    tone 1318.51 0.42 "$WORK/c2.wav"
    sox "$WORK/c2.wav" $SOXF "$WORK/c2d.wav" pad 0.08
    sox -m -v 0.37 "$WORK/c1.wav" -v 0.6 "$WORK/c2d.wav" $SOXF "$WORK/correct.wav" \
        trim 0 0.5 fade t 0 0.5 0.06
    finish "$WORK/correct.wav" "$DATA/sounds/correct.wma"

    # wrong: soft low buzz sagging from about 157 to 140 Hz, 0.42 s
    sox $SOXF -n "$WORK/wrong.wav" synth 0.42 sawtooth 156-140 sawtooth mix 158-141.5 \
        lowpass 650 lowpass 900 fade h 0.012 0.42 0.14
    finish "$WORK/wrong.wav" "$DATA/sounds/wrong.wma"

    # complete: C major fanfare, C5 E5 G5 then a held chord under C6, 1.5 s
    brass 523.25 0.15 0.04 "$WORK/n1.wav"
    brass 659.26 0.15 0.04 "$WORK/n2.wav"
    brass 783.99 0.15 0.04 "$WORK/n3.wav"
    brass 1046.50 1.05 0.5 "$WORK/n4.wav"
    brass 783.99 1.05 0.5 "$WORK/n5.wav"
    brass 659.26 1.05 0.5 "$WORK/n6.wav"
    brass 523.25 1.05 0.5 "$WORK/n7.wav"
    sox "$WORK/n2.wav" $SOXF "$WORK/n2d.wav" pad 0.13
    sox "$WORK/n3.wav" $SOXF "$WORK/n3d.wav" pad 0.26
    sox -m -v 0.5 "$WORK/n4.wav" -v 0.18 "$WORK/n5.wav" -v 0.16 "$WORK/n6.wav" -v 0.16 "$WORK/n7.wav" \
        $SOXF "$WORK/chord.wav" pad 0.40
    sox -m -v 0.25 "$WORK/n1.wav" -v 0.25 "$WORK/n2d.wav" -v 0.25 "$WORK/n3d.wav" -v 0.7 "$WORK/chord.wav" \
        $SOXF "$WORK/dry.wav"
    sox "$WORK/dry.wav" $SOXF "$WORK/complete.wav" pad 0 0.05 reverb 25 50 40 fade t 0 1.5 0.25
    finish "$WORK/complete.wav" "$DATA/sounds/complete.wma"
}

make_items
make_panel
make_pin
make_hand
make_app_icon
make_sounds

echo "make-assets: data/ regenerated"
