#!/bin/sh
# Draws the installer's pictures into res/png and res/gif, each at 100 %
# (res/png/ID.png) and again at 150 % and 200 % (res/png/150/ID.png,
# res/png/200/ID.png): the same drawing with its coordinates, line widths and
# font sizes scaled, never a resized bitmap, so that a window at 150-200 %
# gets edges as sharp as at 100 %. The outputs are committed, so a build never
# runs this; run it again after changing a look.
# Needs ImageMagick 6 (Debian's imagemagick), the WenQuanYi Micro Hei font,
# optipng and zopflipng (Debian's zopfli).
set -eu
cd "$(dirname "$0")/.."
IM=/usr/bin/convert
FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# Same input, same bytes: no time stamps, no comments.
STRIP="-strip -define png:exclude-chunks=date,time,tIME"
out24() { $IM "$1" $STRIP -type TrueColor -define png:color-type=2 "PNG24:$2"; }
out32() { $IM "$1" $STRIP -define png:color-type=6 "PNG32:$2"; }
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

RED=#af0900

# ---- Scaling the drawing ----------------------------------------------------
# K is the scale in percent. ImageMagick puts pixel centres on whole numbers,
# so pixel i covers [i - 0.5, i + 0.5] and the picture's outer edge is at -0.5.
# At 100 % every helper gives its argument back as it is, so the commands (and
# the bytes they write) are the ones drawn before there were other scales.
K=100
# A size in pixels, rounded half up as the program rounds its 96-DPI sizes.
sz() { if [ $K = 100 ]; then echo "$1"; else echo $(( ($1 * K + 50) / 100 )); fi; }
# The first pixel of a filled rectangle (or an offset): its left edge scaled.
px() { sz "$1"; }
# The last pixel of a filled rectangle: its right edge scaled, minus one.
pe() { if [ $K = 100 ]; then echo "$1"; else echo $(( (($1 + 1) * K + 50) / 100 - 1 )); fi; }
# A point of a line, circle or polygon, scaled about the picture's outer edge.
pg() { if [ $K = 100 ]; then echo "$1"; else awk -v v="$1" -v k=$K 'BEGIN { printf "%g", (v + 0.5) * k / 100 - 0.5 }'; fi; }
# A length: a line width, a radius, a font size.
pw() { if [ $K = 100 ]; then echo "$1"; else awk -v v="$1" -v k=$K 'BEGIN { printf "%g", v * k / 100 }'; fi; }
# Helpers for the common shapes: "x0,y0 x1,y1" of a filled rectangle, of a
# stroked outline or line, and "r,r" of a corner.
rect() { echo "$(px $1),$(px $2) $(pe $3),$(pe $4)"; }
line() { echo "$(pg $1),$(pg $2) $(pg $3),$(pg $4)"; }
corner() { echo "$(pw $1),$(pw $1)"; }
points() { # x,y pairs of a polygon or polyline
    r=""
    for xy in "$@"; do r="$r $(pg "${xy%,*}"),$(pg "${xy#*,}")"; done
    echo "${r# }"
}

draw_pictures() {
# ---- Backgrounds (24-bit, no alpha) -----------------------------------------
# 203: the white page: a faint cool gradient under a thin red top rule.
$IM -size "$(sz 416)x$(sz 250)" gradient:'#ffffff'-'#f2f3f6' \
    -fill "$RED" -draw "rectangle $(rect 0 0 415 2)" \
    -fill '#fbe9e7' -draw "rectangle $(rect 0 3 415 3)" "$TMP/203.png"
out24 "$TMP/203.png" "$P/203.png"

# 205: the same page with a dark band for the folder line and the free space.
$IM "$TMP/203.png" \( -size "$(sz 416)x$(sz 52)" gradient:'#3a3f4b'-'#272b34' -alpha set \) -geometry "+0+$(px 198)" -composite \
    -fill '#4b5262' -draw "rectangle $(rect 0 198 415 198)" "$TMP/205.png"
out24 "$TMP/205.png" "$P/205.png"

# 209: the finish page: white with faint diagonal shapes.
$IM -size "$(sz 416)x$(sz 250)" gradient:'#ffffff'-'#f6f6f8' \
    -fill '#af090010' -draw "polygon $(points 250,0 416,0 416,120 330,250 210,250)" \
    -fill '#af09000a' -draw "polygon $(points 300,0 416,0 416,60 360,250 320,250)" \
    -fill '#3a3f4b08' -draw "polygon $(points 0,150 120,250 0,250)" \
    -fill '#3a3f4b0c' -draw "polygon $(points 0,90 60,250 0,250)" \
    -fill "$RED" -draw "rectangle $(rect 0 0 415 2)" "$TMP/209.png"
out24 "$TMP/209.png" "$P/209.png"

# 204: the message box: white, a thin coloured rule under the title, a grey
# band along the bottom for the two buttons.
$IM -size "$(sz 416)x$(sz 200)" xc:'#ffffff' \
    -fill "$RED" -draw "rectangle $(rect 0 0 415 2)" \
    -fill '#e8c9c6' -draw "rectangle $(rect 20 46 395 46)" \
    \( -size "$(sz 416)x$(sz 50)" gradient:'#f3f4f6'-'#e9eaee' -alpha set \) -geometry "+0+$(px 150)" -composite \
    -fill '#dcdde2' -draw "rectangle $(rect 0 150 415 150)" "$TMP/204.png"
out24 "$TMP/204.png" "$P/204.png"

# ---- Rounded action buttons 130 x 38 with alpha -----------------------------
button() { # id w h top bottom border radius
    w=$(sz $2); h=$(sz $3)
    $IM -size "${w}x${h}" gradient:"$4"-"$5" -alpha set \
        \( -size "${w}x${h}" xc:none -fill white -draw "roundrectangle 0,0 $((w-1)),$((h-1)) $(corner $7)" \) \
        -compose DstIn -composite -compose Over \
        -fill none -stroke "$6" -strokewidth "$(pw 1)" -draw "roundrectangle $(line 0.5 0.5 $(($2-1)).5 $(($3-1)).5) $(corner $7)" \
        -stroke '#ffffff40' -draw "line $(line $7 1 $(($2-$7-1)) 1)" "$TMP/$1.png"
    out32 "$TMP/$1.png" "$P/$1.png"
}
button 138 130 38 '#dc3b2e' '#b40f06' '#a10800' 6   # normal and focus
button 140 130 38 '#ef5244' '#c71d12' '#b10d03' 6   # hover: brighter
button 137 130 38 '#a90b02' '#8c0600' '#740500' 6   # pressed: darker
button 139 130 38 '#d5d6da' '#bfc1c6' '#b0b2b8' 6   # disabled: grey

# Message-box buttons 64 x 26: light with dark caption; red when pressed.
button 208 64 26 '#ffffff' '#eceef1' '#c3c6cc' 4   # normal, focus, disabled
button 207 64 26 '#ffffff' '#f7f0ef' '#d76a60' 4   # hover: red rim
button 206 64 26 '#cf2a1e' '#a90b02' '#8c0600' 4   # pressed: red, white caption

# ---- Title glyphs 32 x 32: minimise bar and close cross ---------------------
glyph_min() { # id colour
    $IM -size "$(sz 32)x$(sz 32)" xc:none -fill "$2" -draw "roundrectangle $(rect 11 16 21 17) $(corner 1)" "$TMP/$1.png"
    out32 "$TMP/$1.png" "$P/$1.png"
}
glyph_close() {
    $IM -size "$(sz 32)x$(sz 32)" xc:none -stroke "$2" -strokewidth "$(pw 1.6)" -draw 'stroke-linecap round' \
        -draw "line $(line 11.5 11.5 20.5 20.5)" -draw "line $(line 20.5 11.5 11.5 20.5)" "$TMP/$1.png"
    out32 "$TMP/$1.png" "$P/$1.png"
}
glyph_min 176 '#9a9ea8'; glyph_min 175 '#3a3f4b'; glyph_min 174 "$RED"
glyph_close 173 '#9a9ea8'; glyph_close 172 '#3a3f4b'; glyph_close 171 "$RED"
glyph_close 190 '#c9ccd2'

# ---- Check box 14 x 10: a 10 x 10 box, the text follows at x = 14 -----------
checkbox() { # id border fill tick
    $IM -size "$(sz 14)x$(sz 10)" xc:none -fill "$3" -stroke "$2" -strokewidth "$(pw 1)" \
        -draw "roundrectangle $(line 0.5 0.5 9.5 9.5) $(corner 2)" "$TMP/$1.png"
    if [ -n "$4" ]; then
        $IM "$TMP/$1.png" -fill none -stroke "$4" -strokewidth "$(pw 1.5)" -draw 'stroke-linecap round' -draw 'stroke-linejoin round' \
            -draw "polyline $(points 2.5,5 4.3,7 7.8,2.8)" "$TMP/$1.png"
    fi
    out32 "$TMP/$1.png" "$P/$1.png"
}
checkbox 144 '#a4a8b0' '#ffffff' ''
checkbox 145 "$RED" '#ffffff' ''
checkbox 146 "$RED" '#f6dcd9' ''
checkbox 147 '#d2d4d8' '#f0f1f3' ''
checkbox 148 '#a4a8b0' '#ffffff' "$RED"
checkbox 149 "$RED" '#ffffff' "$RED"
checkbox 150 "$RED" '#f6dcd9' '#8c0600'
checkbox 151 '#d2d4d8' '#f0f1f3' '#b8bbc1'

# ---- Progress strips 1 x 6, exact colours, no alpha -------------------------
out24 "xc:rgb(211,211,211)[$(sz 1)x$(sz 6)!]" "$P/1200.png"
out24 "xc:rgb(175,9,0)[$(sz 1)x$(sz 6)!]" "$P/1201.png"

# ---- Separator line 416 x 1 --------------------------------------------------
out24 "xc:#e3e4e8[$(sz 416)x$(sz 1)!]" "$P/211.png"

# ---- Text links with alpha (image-only buttons) -----------------------------
link() { # id w h text colour size underline
    $IM -size "$(sz $2)x$(sz $3)" xc:none -font "$FONT" -pointsize "$(pw $6)" -fill "$5" -gravity west \
        -annotate +0+0 "$4" "$TMP/$1.png"
    if [ "$7" = 1 ]; then
        $IM "$TMP/$1.png" -fill "$5" -draw "rectangle $(rect 0 $(($3-1)) $(($2-1)) $(($3-1)))" "$TMP/$1.png"
    fi
    out32 "$TMP/$1.png" "$P/$1.png"
}
link 1203 66 14 '自定义安装' '#6b707b' 12 0
link 1204 66 14 '自定义安装' '#3a3f4b' 12 1
link 1205 66 14 '自定义安装' "$RED" 12 1
link 1206 66 14 '返回默认安装' '#6b707b' 11 0
link 1207 66 14 '返回默认安装' '#3a3f4b' 11 1
link 1208 66 14 '返回默认安装' "$RED" 11 1
link 1209 46 14 '许可协议' "$RED" 11 0

# Browse 34 x 16 on the dark band: an outlined pill with a light caption.
browse() { # id fill border text
    $IM -size "$(sz 34)x$(sz 16)" xc:none -fill "$2" -stroke "$3" -strokewidth "$(pw 1)" \
        -draw "roundrectangle $(line 0.5 0.5 33.5 15.5) $(corner 3)" \
        -stroke none -font "$FONT" -pointsize "$(pw 11)" -fill "$4" -gravity center -annotate +0+0 '浏览' "$TMP/$1.png"
    out32 "$TMP/$1.png" "$P/$1.png"
}
browse 1217 '#ffffff14' '#8a909c' '#e6e8ec'
browse 1218 '#ffffff30' '#c7cbd2' '#ffffff'
browse 1219 "$RED" '#d2392d' '#ffffff'

# ---- Message icon 36 x 36: a red disc with an exclamation mark --------------
# A soft red halo first, then the masked disc on top of it.
$IM -size "$(sz 36)x$(sz 36)" xc:none -fill '#af090030' -draw "circle $(line 18 19 18 1.5)" \
    \( -size "$(sz 36)x$(sz 36)" radial-gradient:'#e0463a'-'#a90b02' -alpha set \( -size "$(sz 36)x$(sz 36)" xc:none -fill white -draw "circle $(line 18 18 18 2)" \) \
       -compose DstIn -composite \) -compose Over -composite \
    -fill white -draw "roundrectangle $(rect 16 9 20 21) $(corner 2)" -draw "circle $(line 18 26 18 23.8)" "$TMP/165.png"
out32 "$TMP/165.png" "$P/165.png"

# ---- Product picture 200 x 150: a notebook with a pen, on transparency ------
$IM -size "$(sz 200)x$(sz 150)" xc:none \
    -fill '#3a3f4b14' -draw "roundrectangle $(rect 44 18 164 144) $(corner 10)" \
    -fill '#3a3f4b10' -draw "roundrectangle $(rect 42 16 162 140) $(corner 10)" \
    \( -size "$(sz 112)x$(sz 120)" gradient:'#ffffff'-'#f1f2f5' -alpha set \( -size "$(sz 112)x$(sz 120)" xc:none -fill white -draw "roundrectangle $(rect 0 0 111 119) $(corner 9)" \) \
       -compose DstIn -composite \) -geometry "+$(px 40)+$(px 12)" -compose Over -composite \
    -fill none -stroke '#d9dbe0' -strokewidth "$(pw 1)" -draw "roundrectangle $(line 40.5 12.5 151.5 131.5) $(corner 9)" \
    \( -size "$(sz 112)x$(sz 24)" gradient:'#d83a2d'-'#af0900' -alpha set \( -size "$(sz 112)x$(sz 24)" xc:none -fill white -draw "roundrectangle $(rect 0 0 111 30) $(corner 9)" \) \
       -compose DstIn -composite \) -geometry "+$(px 40)+$(px 12)" -compose Over -composite \
    -stroke none -fill '#ffffff' -draw "circle $(line 56 24 56 20)" -draw "circle $(line 70 24 70 20)" -draw "circle $(line 84 24 84 20)" \
    -fill '#3a3f4b' -draw "roundrectangle $(rect 54 48 118 52) $(corner 2)" \
    -fill '#c5c8cf' -draw "roundrectangle $(rect 54 62 136 65) $(corner 1)" -draw "roundrectangle $(rect 54 74 130 77) $(corner 1)" \
                   -draw "roundrectangle $(rect 54 86 138 89) $(corner 1)" -draw "roundrectangle $(rect 54 98 112 101) $(corner 1)" \
    -fill '#f3c6c1' -draw "roundrectangle $(rect 54 110 100 113) $(corner 1)" \
    -fill '#af0900' -draw "polygon $(points 142,118 170,64 178,68 150,122 140,126)" \
    -fill '#3a3f4b' -draw "polygon $(points 170,64 174,56 182,60 178,68)" \
    -fill '#f1d9b5' -draw "polygon $(points 142,118 150,122 140,126)" \
    -fill '#3a3f4b' -draw "polygon $(points 141,123.5 143.5,124.8 140,126)" \
    -font "$FONT" -pointsize "$(pw 13)" -fill '#3a3f4b' -draw "text $(pg 62),$(pg 147) 'Vellomar'" "$TMP/1214.png"
out32 "$TMP/1214.png" "$P/1214.png"

# ---- Busy spinner: GIF 24 x 24, 8 frames of 90 ms ---------------------------
frames=""
i=0
while [ $i -lt 8 ]; do
    draw=""
    k=0
    while [ $k -lt 8 ]; do
        # Dot k of 8 around the centre; the lead dot is dark red, the trail fades.
        set -- $(awk -v k=$k 'BEGIN { a = k * 3.14159265 / 4; printf "%.2f %.2f", 12 + 8 * sin(a), 12 - 8 * cos(a) }')
        age=$(( (i - k + 8) % 8 ))
        case $age in 0) c='#af0900';; 1) c='#c8453a';; 2) c='#dc8078';; 3) c='#e9aaa4';; *) c='#e4e5e9';; esac
        x=$(pg "$1"); y=$(pg "$2")
        r=$(awk -v x="$x" -v d="$(pw 2.2)" 'BEGIN { printf "%.2f", x + d }')
        draw="$draw -fill '$c' -draw \"circle $x,$y $r,$y\""
        k=$((k + 1))
    done
    # Opaque on the page's white: the static never erases, so a transparent
    # frame would leave the previous frame's dots behind.
    eval "$IM -size $(sz 24)x$(sz 24) xc:'#f7f8fa' $draw -alpha off \"$TMP/f$i.png\""
    frames="$frames $TMP/f$i.png"
    i=$((i + 1))
done
$IM -delay 9 -dispose None -loop 0 $frames -strip "GIF:$G/1220.gif"
}

for K in 100 150 200; do
    if [ $K = 100 ]; then P=res/png G=res/gif; else P=res/png/$K G=res/gif/$K; fi
    mkdir -p "$P" "$G"
    draw_pictures
done
# The same pixels in fewer bytes: every byte here is downloaded with the
# installer. -nc -nb keep each picture's colour type and depth.
optipng -quiet -o7 -nc -nb -strip all res/png/*.png res/png/150/*.png res/png/200/*.png
# The larger drawings also go through zopflipng, which may choose a palette
# where the colours allow (11 KB less over both scales, the pixels the same);
# the 100 % files stay as they were first committed.
for f in res/png/150/*.png res/png/200/*.png; do
    zopflipng -m -y "$f" "$TMP/z.png" >/dev/null
    if [ "$(stat -c %s "$TMP/z.png")" -lt "$(stat -c %s "$f")" ]; then mv "$TMP/z.png" "$f"; fi
done
echo "pictures written to res/png and res/gif, each at 100, 150 and 200 %"
