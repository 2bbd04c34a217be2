#!/bin/sh
# The game played through its real window on a 1280 x 800 X screen with a
# window manager: clicks and a held button go in as X mouse events (xdotool),
# through the letterbox, and each screen is waited for by the colours of its
# own buttons. Screenshots of the main menu, the difficulty dialog, the map, a
# level in play with water sprayed are left in the folder given.
# Usage: game-screens.sh <game executable> <folder for the screenshots>
# Exits 77 (ctest's skip) where Xvfb, openbox, xdotool or ImageMagick is missing.
set -eu
exe=$1
out=$2
. "$(dirname "$0")/../support/xvfb-session.sh"
xvfb_need_tools xdotool
[ -f "$(dirname "$exe")/ripple.bin" ] || { echo "no ripple.bin beside $exe: skipped"; exit 77; }
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'xvfb_cleanup; rm -rf "$scratch"' EXIT
xvfb_start 1280x800 "$scratch"

fail() {
    echo "FAIL: $*"
    [ -n "${GAME_LOG:-}" ] && cat "$GAME_LOG"
    exit 1
}

# The body of the game's buttons, and the sand of the map's path.
button=27848F
sand=A49168
# Full screen, and the easy pond open up to its last level (twelve tracks).
game_settings "$scratch" '"FULLSCREEN"=dword:00000001' '"NORMALEXIT"=dword:00000001' \
    '"LEVELCOMPLETEDEASY"=dword:00000032' '"CURRENTLEVELPLAYINGEASY"=dword:00000032'
game_start "$exe" "$scratch"
game_wait_phase "first frame" 120

# The main menu: its Play button.
wait_for_colour "$out/main-menu.png" 310 284 $button 60 || fail "no main menu"
canvas_click 400 284
# The difficulty dialog: the easy column's Start button.
wait_for_colour "$out/dialog.png" 150 412 $button 30 || fail "no difficulty dialog"
canvas_click 210 412
# The map, then the start-of-level dialog over the level with its Go button.
wait_for_colour "$out/map.png" 340 414 $sand 30 || fail "no map"
wait_for_colour "$scratch/ready.png" 340 414 $button 60 || fail "no start-of-level dialog"
canvas_click 400 414
# Play: the fish follows the pointer and sprays while the button is held.
sleep 1
canvas_move 400 520
xdotool mousedown 1
for x in 300 200 300 400 500 600 500; do
    canvas_move $x 520
    sleep 0.4
done
screen_shot "$out/level.png"
xdotool mouseup 1
set -- $(pixels "$out/level.png" "$(canvas_to_screen 340 414)" "$(canvas_to_screen 400 300)")
if colour_near "$1" $button || colour_near "$2" 000000; then
    fail "the level is not in play ($1 $2)"
fi

game_stop || fail "the game did not end normally"
echo "screenshots in $out: main-menu dialog map level (.png)"
