# Shell helpers for running the real game on an X server of its own: Xvfb at
# a chosen screen size with openbox managing the windows, the game started with
# fresh settings, screenshots read back pixel by pixel, and the CPU a process
# has used. Source it from a POSIX shell script:
#
#   . "$(dirname "$0")/../support/xvfb-session.sh"
#   xvfb_need_tools
#   scratch=$(mktemp -d)
#   trap 'xvfb_cleanup; rm -rf "$scratch"' EXIT
#   xvfb_start 1280x800 "$scratch"
#   game_start "$exe" "$scratch" RIPPLE_TEST_LOAD_STEP_MS=20
#   game_wait_phase running 30
#   screen_shot "$out/first.png"
#   pixels "$out/first.png" 10,10 640,400      # prints "000000 4A7F92"
#   game_stop
#
# The caller's EXIT trap calls xvfb_cleanup, which stops the game and the
# server; nothing here replaces the caller's trap.

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

# A click of the left button at the canvas's point (CX, CY).
canvas_click() {
    canvas_move "$1" "$2"
    sleep 0.2
    xdotool click 1
}

# Whether two RRGGBB colours are within TOLERANCE (summed channel difference).
colour_near() {
    d=0
    for i in 1 3 5; do
        a=$((0x$(echo "$1" | cut -c$i-$((i + 1)))))
        b=$((0x$(echo "$2" | cut -c$i-$((i + 1)))))
        d=$((d + (a > b ? a - b : b - a)))
    done
    [ $d -le "${3:-30}" ]
}

# Takes screenshots into FILE until the canvas's point (CX, CY) shows a colour
# near RRGGBB, at most SECONDS; fails (leaving the last shot in FILE) after.
wait_for_colour() {
    file=$1
    at=$(canvas_to_screen "$2" "$3")
    want=$4
    limit=$(($5 * 4))
    i=0
    while :; do
        screen_shot "$file"
        got=$(pixels "$file" "$at" | tr -d ' ')
        colour_near "$got" "$want" && return 0
        i=$((i + 1))
        if [ $i -gt $limit ] || ! kill -0 "$GAME_PID" 2>/dev/null; then
            echo "the screen at $2,$3 showed $got, not $want"
            return 1
        fi
        sleep 0.25
    done
}
