#!/bin/sh
# Runs the real-window tests on an X server of their own: Xvfb with openbox as
# the window manager (desktop full screen needs one to report sizes right).
# Usage: real-window.sh <ripple_tests binary>
# Exits 77 (ctest's skip) where a tool it needs is missing.
set -eu
tests_binary=$1
for tool in xvfb-run Xvfb openbox xprop xdpyinfo import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool missing (scripts/install-deps installs it): real-window test skipped"
        exit 77
    fi
done
exec timeout -k 10 80 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    # Give the window manager a moment to own the screen.
    for i in 1 2 3 4 5 6 7 8 9 10; do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
        sleep 0.2
    done
    # ...and a moment more for it to manage new windows.
    sleep 1
    status=0
    env -u SDL_VIDEODRIVER RIPPLE_REAL_WINDOW=1 SDL_RENDER_DRIVER=software \
        "$0" --gtest_filter="RealWindowTest.*" || status=$?
    kill $wm 2>/dev/null || true
    exit $status
' "$tests_binary"
