#!/bin/sh
# The CPU the game and the X server use together, as a share of one core, on
# an Xvfb screen of their own (1280 x 800, openbox, the game full screen):
#  - the main menu standing still;
#  - a level on the twelve-track layout whose twelve balls all start at once
#    (a balance file of one level made for this), played by the game's own
#    bot through the X pointer, so balls roll on every track and water is
#    sprayed; with the frames the render thread skipped meanwhile. Only a
#    window in which the bot lost no ball counts.
# Each figure is the processes' user + system time over SECONDS (default 10)
# from /proc/<pid>/stat. Prints the start to the main menu as well.
# Usage: bench/game-cpu.sh [GAME [SECONDS]]   (GAME: build/release/ripple)
set -eu
exe=${1:-build/release/ripple}
seconds=${2:-10}
. "$(dirname "$0")/../tests/support/xvfb-session.sh"
xvfb_session 1280x800 "$exe" xdotool
hz=$(getconf CLK_TCK)
button=27848F

# Percent of one core that the game and the server used over the period.
measure() {
    before=$(($(cpu_ticks "$GAME_PID") + $(cpu_ticks "$XVFB_PID")))
    sleep "$seconds"
    after=$(($(cpu_ticks "$GAME_PID") + $(cpu_ticks "$XVFB_PID")))
    echo "$(((after - before) * 1000 / (hz * seconds)))" | sed 's/\(.\)$/.\1/; s/^\./0./'
}

game_settings "$SCRATCH" '"FULLSCREEN"=dword:00000001' '"NORMALEXIT"=dword:00000001'
game_start "$exe" "$SCRATCH"
game_wait_phase "first frame" 60 || exit 1
echo "start to the main menu's first frame: $(grep '^startup: first frame' "$GAME_LOG" | cut -d' ' -f4) ms"
wait_for_colour "$SCRATCH/menu.png" 310 284 $button 60
sleep 2
echo "main menu standing still: $(measure) % of a core"
game_stop

# One easy level: 112 slow balls, twelve in play from the start, the layout
# of twelve tracks, no power-ups.
# The game reads its level files from the folder of ripple.bin first, so the
# folder gets links to the others.
mkdir -p "$SCRATCH/data"
for file in "$(dirname "$exe")"/ripple.bin "$(dirname "$exe")"/*.dat "$(dirname "$exe")"/tracks; do
    ln -s "$(cd "$(dirname "$file")" && pwd)/$(basename "$file")" "$SCRATCH/data/"
done
rm "$SCRATCH/data/balancedataeasy.dat"
printf '1\n14 14 0 0 0 0 0 0  0  0 0 0 0 0 0  12  0 0  11  0\n' \
    >"$SCRATCH/data/balancedataeasy.dat"
rm -rf "$SCRATCH/home"
game_settings "$SCRATCH" '"FULLSCREEN"=dword:00000001' '"NORMALEXIT"=dword:00000001'
bot_line() {
    if [ "$1" = state ]; then
        echo "$2" >>"$SCRATCH/states"
        [ "$2" = 7 ] && echo playing >"$SCRATCH/playing"
    fi
    return 0
}
game_start "$exe" "$SCRATCH" RIPPLE_DATA_DIR="$SCRATCH/data" RIPPLE_BOT=easy \
    RIPPLE_FRAME_STATS=1
bot_drive "$SCRATCH/done" "$SCRATCH/failed" &
driver=$!
bot_wait "$SCRATCH/playing" "$SCRATCH/failed" $driver 120 || fail "the level did not start"
# A window counts only when the state stayed "playing" all through it: a life
# lost (or the level's end) would bring screens of another kind into it. The
# bot cannot always hold twelve balls, so a spoilt window is measured again
# once play resumes.
tries=0
while :; do
    tries=$((tries + 1))
    i=0
    until [ "$(tail -n 1 "$SCRATCH/states")" = 7 ]; do
        i=$((i + 1))
        [ $i -le 600 ] || fail "play did not resume"
        sleep 0.1
    done
    # The balls come in over the first seconds.
    sleep 3
    changes=$(wc -l <"$SCRATCH/states")
    set -- $(frame_stats)
    frames=$1
    skipped=$2
    cpu=$(measure)
    set -- $(frame_stats)
    [ "$(wc -l <"$SCRATCH/states")" != "$changes" ] || break
    [ $tries -lt 6 ] || fail "no window of $seconds s without a lost life in $tries tries"
done
screen_shot "$SCRATCH/level.png"
echo "twelve balls rolling, water sprayed: $cpu % of a core;" \
    "$(($2 - skipped)) of $(($1 - frames)) frames skipped (window $tries)"
[ -z "${KEEP_SHOT:-}" ] || cp "$SCRATCH/level.png" "$KEEP_SHOT"
game_stop
wait $driver 2>/dev/null || true
