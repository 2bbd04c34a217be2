#!/bin/sh
# The real program's first start on a 1280 x 800 X screen with a window
# manager: full screen (as the player chose it), the 800 x 600 picture
# scaled with its aspect kept between black bars, the loading screen's bar seen
# part-filled while each loading step is slowed, then the first scene.
# Usage: startup-screens.sh <game executable> <folder for the screenshots>
# Exits 77 (ctest's skip) where Xvfb, openbox or ImageMagick is missing.
set -eu
exe=$1
out=$2
. "$(dirname "$0")/../support/xvfb-session.sh"
xvfb_session 1280x800 "$exe"
mkdir -p "$out"

# A player who chose full screen last time, and whose last run ended normally.
game_settings "$SCRATCH" '"FULLSCREEN"=dword:00000001' '"NORMALEXIT"=dword:00000001'
# Each step waits 25 ms: the data's few hundred steps take seconds, and the
# bar grows across many screenshots.
game_start "$exe" "$SCRATCH" RIPPLE_TEST_LOAD_STEP_MS=25
game_wait_phase window 30

# The letterbox: 1280 x 800 holds the picture at 1066 x 800 from x = 107.
[ "$(canvas_to_screen 0 0)" = "107,0" ] || fail "unexpected letterbox $(canvas_to_screen 0 0)"
bar_left=$(canvas_to_screen 256 409)
bar_quarter=$(canvas_to_screen 330 409)
bar_right=$(canvas_to_screen 544 409)
logo=$(canvas_to_screen 571 178)
left_bar=$(canvas_to_screen -40 300)
right_bar=$(canvas_to_screen 840 300)

# Screenshots until one shows the bar begun but not finished.
seen=
i=0
while [ $i -lt 120 ]; do
    i=$((i + 1))
    screen_shot "$SCRATCH/shot.png"
    set -- $(pixels "$SCRATCH/shot.png" "$bar_left" "$bar_right" "$logo" "$left_bar" "$right_bar" \
        "$bar_quarter")
    # Begun (a quarter at least, for a telling picture) and not finished.
    if [ "$(brightest "$1")" -gt 96 ] && [ "$(brightest "$6")" -gt 96 ] &&
        [ "$(brightest "$2")" -lt 48 ]; then
        seen=1
        cp "$SCRATCH/shot.png" "$out/loading.png"
        break
    fi
    grep -q "^startup: scene " "$GAME_LOG" && fail "loading ended before the bar was seen part-filled"
    sleep 0.1
done
[ -n "$seen" ] || fail "no screenshot showed the loading bar part-filled (last: $*)"
[ "$3" != "181818" ] && [ "$(brightest "$3")" -gt 64 ] || fail "no logo on the loading screen ($3)"
[ "$4" = "000000" ] && [ "$5" = "000000" ] || fail "letterbox bars not black ($4, $5)"
echo "loading screen: bar $1 .. slot $2, logo $3, bars $4 $5"

# The first scene: the canvas covers the window once loading is done.
game_wait_phase "first frame" 120
sleep 1
screen_shot "$out/first-scene.png"
set -- $(pixels "$out/first-scene.png" "$left_bar" "$right_bar" \
    "$(canvas_to_screen 100 100)" "$(canvas_to_screen 400 300)" "$(canvas_to_screen 700 500)" \
    "$(canvas_to_screen 0 0)" "$(canvas_to_screen 799 599)")
[ "$1" = "000000" ] && [ "$2" = "000000" ] || fail "letterbox bars not black ($1, $2)"
lit=0
for c in $3 $4 $5 $6 $7; do
    [ "$(brightest "$c")" -gt 24 ] && lit=$((lit + 1))
done
[ $lit -ge 4 ] || fail "the first scene looks black ($3 $4 $5 $6 $7)"
echo "first scene: bars $1 $2, inside $3 $4 $5 $6 $7"
# The picture reaches the screen's top and bottom rows: scaled, not centred 1:1.
set -- $(pixels "$out/first-scene.png" "640,1" "640,798")
[ "$(brightest "$1")" -gt 0 ] || [ "$(brightest "$2")" -gt 0 ] || fail "picture not scaled to the full height"

game_stop || fail "the game did not end normally"
echo "screenshots: $out/loading.png $out/first-scene.png"
