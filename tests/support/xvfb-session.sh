# Shell helpers for running the real game on an X server of its own: Xvfb at
# a chosen screen size with openbox managing the windows, the game started with
# fresh settings, screenshots read back pixel by pixel, and the CPU a process
# has used. Source it from a POSIX shell script:
#
#   . "$(dirname "$0")/../support/xvfb-session.sh"
#   xvfb_session 1280x800 "$exe"      # skips without the tools; sets SCRATCH
#   game_start "$exe" "$SCRATCH" RIPPLE_TEST_LOAD_STEP_MS=20
#   game_wait_phase running 30 || fail "the game did not run"
#   screen_shot "$out/first.png"
#   pixels "$out/first.png" 10,10 640,400      # prints "000000 4A7F92"
#   game_stop
#
# xvfb_session sets the EXIT trap that stops the game and the server and
# removes SCRATCH. A script that wants a trap of its own uses xvfb_need_tools,
# xvfb_start and xvfb_cleanup instead; nothing else here touches the trap.

# Exits 77 (ctest's skip) when a tool is missing; extra tools can be named.
xvfb_need_tools() {
    for tool in Xvfb openbox xprop import convert "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "$tool missing (scripts/install-deps installs it): skipped"
            exit 77
        fi
    done
}

# Starts Xvfb on a free display at SIZE (WxH, 24 bits) and openbox on it, and
# exports DISPLAY. Logs go into FOLDER.
xvfb_start() {
    XVFB_SIZE=$1
    XVFB_DIR=$2
    mkdir -p "$XVFB_DIR"
    # The server writes the display number it picked once it accepts clients.
    rm -f "$XVFB_DIR/display"
    Xvfb -displayfd 3 -screen 0 "${XVFB_SIZE}x24" -nolisten tcp \
        3>"$XVFB_DIR/display" 2>"$XVFB_DIR/xvfb.log" &
    XVFB_PID=$!
    i=0
    until [ -s "$XVFB_DIR/display" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start:"
            cat "$XVFB_DIR/xvfb.log"
            return 1
        fi
        sleep 0.1
    done
    DISPLAY=":$(head -n 1 "$XVFB_DIR/display")"
    export DISPLAY
    openbox >"$XVFB_DIR/openbox.log" 2>&1 &
    WM_PID=$!
    i=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do
        i=$((i + 1))
        if [ $i -gt 100 ]; then
            echo "openbox did not take the screen:"
            cat "$XVFB_DIR/openbox.log"
            return 1
        fi
        sleep 0.1
    done
    # The window manager announces itself a moment before it manages windows.
    sleep 0.5
}

# The usual start of a test script: exits 77 (ctest's skip) without the tools
# (extra ones named after EXE) or without the data file beside EXE; makes
# SCRATCH, a folder removed at exit together with the game and the server;
# starts the server at SIZE with its logs in SCRATCH.
xvfb_session() {
    size=$1
    game=$2
    shift 2
    xvfb_need_tools "$@"
    if [ ! -f "$(dirname "$game")/ripple.bin" ]; then
        echo "no ripple.bin beside $game: skipped"
        exit 77
    fi
    SCRATCH=$(mktemp -d)
    trap 'xvfb_cleanup; rm -rf "$SCRATCH"' EXIT
    xvfb_start "$size" "$SCRATCH"
}

# Ends the script as failed with a reason, and the game's log when it ran.
fail() {
    echo "FAIL: $*"
    [ -n "${GAME_LOG:-}" ] && [ -f "$GAME_LOG" ] && cat "$GAME_LOG"
    exit 1
}

xvfb_stop() {
    game_stop
    [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null && wait "$WM_PID" 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    WM_PID=
    XVFB_PID=
    return 0
}

xvfb_cleanup() {
    xvfb_stop
    if [ -n "${GAME_PID:-}" ]; then
        kill -9 "$GAME_PID" 2>/dev/null || true
    fi
}

# Starts the game EXE with a settings folder of its own under FOLDER (a first
# run unless FOLDER/home holds settings already), the start-up trace on and
# silent sound, plus any NAME=VALUE given. Sets GAME_PID and GAME_LOG.
game_start() {
    exe=$1
    dir=$2
    shift 2
    mkdir -p "$dir/home"
    GAME_LOG="$dir/game.log"
    env -u SDL_VIDEODRIVER XDG_DATA_HOME="$dir/home" RIPPLE_TRACE_STARTUP=1 \
        SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software "$@" "$exe" >"$GAME_LOG" 2>&1 &
    GAME_PID=$!
}

# Writes the settings the next game_start in FOLDER reads, one "NAME"=value
# line each (the settings file's syntax), e.g. '"FULLSCREEN"=dword:00000001'.
game_settings() {
    dir=$1
    shift
    mkdir -p "$dir/home/Lumora/Ripple"
    {
        echo "[Ripple]"
        for line in "$@"; do
            echo "$line"
        done
    } >"$dir/home/Lumora/Ripple/settings.reg"
}

# Waits until the game has traced PHASE ("running", "first frame", ...), at
# most SECONDS; fails with the game's log when it ends first or too late.
game_wait_phase() {
    phase=$1
    limit=$(($2 * 10))
    i=0
    until grep -q "^startup: $phase " "$GAME_LOG"; do
        i=$((i + 1))
        if [ $i -gt $limit ] || ! kill -0 "$GAME_PID" 2>/dev/null; then
            echo "the game did not reach \"$phase\":"
            cat "$GAME_LOG"
            return 1
        fi
        sleep 0.1
    done
}

# Closes the game as logging out would (SIGTERM) and waits for it; prints its
# exit status when not 0.
game_stop() {
    [ -n "${GAME_PID:-}" ] || return 0
    kill -TERM "$GAME_PID" 2>/dev/null || true
    status=0
    wait "$GAME_PID" || status=$?
    GAME_PID=
    [ $status -eq 0 ] || echo "the game ended with status $status"
    return $status
}

# The whole screen as a PNG file.
screen_shot() {
    import -silent -window root "$1"
}

# The colours of FILE at each x,y given, as RRGGBB, on one line.
pixels() {
    file=$1
    shift
    format=
    for p in "$@"; do
        format="$format%[hex:p{$p}] "
    done
    convert "$file" -format "$format" info: | sed 's/\([0-9A-Fa-f]\{6\}\)[0-9A-Fa-f]*/\1/g'
}

# The brightest channel of an RRGGBB colour, 0-255.
brightest() {
    r=$((0x$(echo "$1" | cut -c1-2)))
    g=$((0x$(echo "$1" | cut -c3-4)))
    b=$((0x$(echo "$1" | cut -c5-6)))
    m=$r
    [ $g -gt $m ] && m=$g
    [ $b -gt $m ] && m=$b
    echo $m
}

# Where the window layer puts the canvas's point (CX, CY) of a CW x CH canvas
# shown full screen: scaled by whichever side limits, centred, integer maths
# as the window layer does it. Prints "sx,sy" for the Xvfb screen.
canvas_to_screen() {
    cx=$1
    cy=$2
    cw=${3:-800}
    ch=${4:-600}
    sw=${XVFB_SIZE%x*}
    sh=${XVFB_SIZE#*x}
    if [ $((sw * ch)) -le $((sh * cw)) ]; then
        bw=$sw
        bh=$((sw * ch / cw))
        bx=0
        by=$(((sh - bh) / 2))
    else
        bh=$sh
        bw=$((sh * cw / ch))
        bx=$(((sw - bw) / 2))
        by=0
    fi
    echo "$((bx + cx * bw / cw)),$((by + cy * bh / ch))"
}

# The CPU time (user + system) PID has used so far, in clock ticks.
cpu_ticks() {
    # Fields 14 and 15 of /proc/<pid>/stat, counted after the command's ")".
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

# Moves the pointer to the canvas's point (CX, CY) through the X server, as a
# player's mouse would.
canvas_move() {
    set -- $(canvas_to_screen "$1" "$2" | tr , ' ')
    xdotool mousemove "$1" "$2"
}

# A click of the left button at the canvas's point (CX, CY), once the pointer
# has stayed there for a moment: a button takes a press only after the
# pointer is over it, and the game may warp the pointer to its sprayer's line
# when a level starts, which would carry the click away.
canvas_click() {
    set -- $(canvas_to_screen "$1" "$2" | tr , ' ')
    for attempt in 1 2 3 4 5 6 7 8; do
        xdotool mousemove "$1" "$2"
        sleep 0.25
        [ "$(xdotool getmouselocation | cut -d' ' -f1,2)" = "x:$1 y:$2" ] && break
    done
    xdotool click 1
}

# Whether two RRGGBB colours are within TOLERANCE (summed channel difference).
colour_near() {
    d=0
    for i in 1 3 5; do
        ca=$((0x$(echo "$1" | cut -c$i-$((i + 1)))))
        cb=$((0x$(echo "$2" | cut -c$i-$((i + 1)))))
        d=$((d + (ca > cb ? ca - cb : cb - ca)))
    done
    [ $d -le "${3:-30}" ]
}

# Takes screenshots into FILE until the canvas's point (CX, CY) shows a colour
# near RRGGBB, at most SECONDS; fails (leaving the last shot in FILE) after.
wait_for_colour() {
    file=$1
    at=$(canvas_to_screen "$2" "$3")
    want=$4
    # By the clock: on a loaded machine one screenshot can take seconds.
    until_time=$(($(date +%s) + $5))
    while :; do
        screen_shot "$file"
        got=$(pixels "$file" "$at" | tr -d ' ')
        colour_near "$got" "$want" && return 0
        if [ "$(date +%s)" -gt $until_time ] || ! kill -0 "$GAME_PID" 2>/dev/null; then
            echo "the screen at $2,$3 showed $got, not $want"
            return 1
        fi
        sleep 0.25
    done
}

# Follows the game's own bot (a game started with RIPPLE_BOT) through the
# lines it writes to the game's log, making each pointer action real through
# the X server: "move X Y", "click X Y", "press" and "release" in canvas
# coordinates. After each line, bot_line VERB A B is called when the script
# defines it; a non-zero answer stops the drive, the reason going to FAILED.
# Ends when the bot writes "done ..." (the rest of the line goes to DONE) or
# the game ends. Run it in the background and wait with bot_wait.
bot_drive() {
    done_file=$1
    failed_file=$2
    tail -n +1 -f --pid="$GAME_PID" "$GAME_LOG" | while read -r tag verb a b rest; do
        [ "$tag" = "bot:" ] || continue
        case $verb in
        move) canvas_move "$a" "$b" ;;
        press) xdotool mousedown 1 ;;
        release) xdotool mouseup 1 ;;
        click) canvas_click "$a" "$b" ;;
        done)
            echo "$a $b $rest" >"$done_file"
            break
            ;;
        esac
        if command -v bot_line >/dev/null 2>&1 && ! bot_line "$verb" "$a" "$b"; then
            echo "stopped after the bot's \"$verb $a $b\"" >"$failed_file"
            break
        fi
    done
}

# Waits, at most SECONDS, until FILE exists and is not empty; fails when
# FAILED does first, or the game or the drive (process DRIVER) ends.
bot_wait() {
    file=$1
    failed=$2
    driver=$3
    limit=$(($4 * 4))
    i=0
    until [ -s "$file" ]; do
        i=$((i + 1))
        [ $i -le $limit ] && [ ! -s "$failed" ] || return 1
        kill -0 "$GAME_PID" 2>/dev/null || return 1
        kill -0 "$driver" 2>/dev/null || { [ -s "$file" ] && return 0; return 1; }
        sleep 0.25
    done
}

# The totals of the game's last frame statistics line (RIPPLE_FRAME_STATS):
# "frame skipped presented pixels still".
frame_stats() {
    grep '^frames: ' "$GAME_LOG" | tail -n 1 | awk '{ print $2, $4, $6, $8, $10 }'
}
