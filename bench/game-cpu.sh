#!/bin/sh
# The CPU the game and the X server use together, as a share of one core, on
# an Xvfb screen of their own (1280 x 800, openbox, the game full screen):
# the main menu standing still, then the last easy level (twelve tracks) with
# the pointer moving and the button held so the fish sprays. Each figure is
# the processes' user + system time over SECONDS (default 10) from
# /proc/<pid>/stat. Prints the start to the main menu as well.
# Usage: bench/game-cpu.sh [GAME [SECONDS]]   (GAME: build/release/ripple)
set -eu
exe=${1:-build/release/ripple}
seconds=${2:-10}
. "$(dirname "$0")/../tests/support/xvfb-session.sh"
xvfb_need_tools xdotool
scratch=$(mktemp -d)
trap 'xvfb_cleanup; rm -rf "$scratch"' EXIT
xvfb_start 1280x800 "$scratch"
hz=$(getconf CLK_TCK)
button=27848F

# Percent of one core that the game and the server used over the period.
measure() {
    before=$(($(cpu_ticks "$GAME_PID") + $(cpu_ticks "$XVFB_PID")))
    sleep "$seconds"
    after=$(($(cpu_ticks "$GAME_PID") + $(cpu_ticks "$XVFB_PID")))
    echo "$(((after - before) * 1000 / (hz * seconds)))" | sed 's/\(.\)$/.\1/; s/^\./0./'
}

game_settings "$scratch" '"FULLSCREEN"=dword:00000001' '"NORMALEXIT"=dword:00000001' \
    '"LEVELCOMPLETEDEASY"=dword:00000032' '"CURRENTLEVELPLAYINGEASY"=dword:00000032'
game_start "$exe" "$scratch"
game_wait_phase "first frame" 60
echo "start to the main menu's first frame: $(grep '^startup: first frame' "$GAME_LOG" | cut -d' ' -f4) ms"
wait_for_colour "$scratch/menu.png" 310 284 $button 60
sleep 2
echo "main menu standing still: $(measure) % of a core"
canvas_click 400 284
wait_for_colour "$scratch/dialog.png" 150 412 $button 30
canvas_click 210 412
wait_for_colour "$scratch/ready.png" 340 414 $button 60
canvas_click 400 414
sleep 1
canvas_move 400 520
xdotool mousedown 1
# The pointer sweeps the bottom while the measurement runs.
(for i in $(seq 1 $((seconds * 2))); do canvas_move $((150 + (i * 97) % 500)) 520; sleep 0.5; done) &
sweep=$!
echo "level 50 (twelve tracks) with water sprayed: $(measure) % of a core"
wait $sweep || true
xdotool mouseup 1
game_stop
