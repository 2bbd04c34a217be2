#!/bin/sh
# The game's own bot plays it through the real window on a 1280 x 800 X screen
# with a window manager. Started with RIPPLE_BOT=easy,1, the game writes each
# pointer action its bot decides on, and bot_drive performs it with xdotool
# through the letterbox, so every input reaches the game as an X mouse event.
# The bot wins the first level, then lets the balls through until the game is
# over. The first time the bot reports a state, its screen is waited for by
# its colours and kept: main-menu, dialog (difficulty), map, level (in play,
# water sprayed) and game-over (.png) in the folder given.
# Usage: game-screens.sh <game executable> <folder for the screenshots>
# Exits 77 (ctest's skip) where Xvfb, openbox, xdotool or ImageMagick is missing.
set -eu
exe=$1
out=$2
. "$(dirname "$0")/../support/xvfb-session.sh"
xvfb_session 1280x800 "$exe" xdotool
mkdir -p "$out"
rm -f "$out"/*.png

# The body of the game's buttons, and the sand of the map's path.
button=27848F
sand=A49168
# Moves the bot makes in play before the level's picture is taken: by then
# balls roll and water has been sprayed at them.
moves_before_shot=2

state=0
seen=
moves=-1
# Called by bot_drive after each of the bot's lines: keeps each screen the
# first time it comes.
bot_line() {
    case $1 in
    state) state=$2 ;;
    click)
        # The map shows for a moment after the difficulty is chosen.
        # On a loaded machine the screenshot may come too late for it; the
        # run goes on without it.
        if [ "$state" = 2 ] && first map; then
            wait_for_colour "$out/map.png" 340 414 $sand 10 || rm -f "$out/map.png"
        fi
        return 0
        ;;
    move)
        [ $moves -ge 0 ] || return 0
        moves=$((moves + 1))
        [ $moves -ge $moves_before_shot ] || return 0
        moves=-1
        screen_shot "$out/level.png"
        return
        ;;
    *) return 0 ;;
    esac
    first "state $2" || return 0
    case $2 in
    1) wait_for_colour "$out/main-menu.png" 310 284 $button 60 ;;
    2) wait_for_colour "$out/dialog.png" 150 412 $button 30 ;;
    7) moves=0 ;;
    # Out of lives, with the name prompt of a first high score (the
    # table starts empty) over it: its Submit button.
    12) wait_for_colour "$out/game-over.png" 345 353 $button 60 ;;
    esac
}

# True the first time it is asked about NAME.
first() {
    case "|$seen|" in *"|$*|"*) return 1 ;; esac
    seen="$seen|$*"
}

game_settings "$SCRATCH" '"FULLSCREEN"=dword:00000001' '"NORMALEXIT"=dword:00000001'
game_start "$exe" "$SCRATCH" RIPPLE_BOT=easy,1
bot_drive "$SCRATCH/done" "$SCRATCH/failed" &
driver=$!
# The run takes about two minutes on an idle machine.
bot_wait "$SCRATCH/done" "$SCRATCH/failed" $driver 600 || {
    [ -s "$SCRATCH/failed" ] && fail "$(cat "$SCRATCH/failed")"
    fail "the bot was not done"
}
set -- $(cat "$SCRATCH/done")
echo "the bot: $*"
# "game over levels N lives N score N"
[ "$1 $2" = "game over" ] || fail "the bot's game did not end in game over: $*"
[ "$4" -ge 1 ] || fail "the bot won no level: $*"
[ -f "$out/game-over.png" ] || fail "no picture of the game over"
[ -f "$out/level.png" ] || fail "no picture of the level in play"
set -- $(pixels "$out/level.png" "$(canvas_to_screen 340 414)" "$(canvas_to_screen 400 300)")
if colour_near "$1" $button || colour_near "$2" 000000; then
    fail "the level was not in play ($1 $2)"
fi

game_stop || fail "the game did not end normally"
wait $driver 2>/dev/null || true
echo "screenshots in $out: main-menu dialog map level game-over (.png)"
