#!/bin/sh
# Installs the build into a scratch DESTDIR, checks the desktop entry and starts
# the installed program headless from another folder until its first scene.
# Usage: install.sh <build folder>. Exits 77 (ctest's skip) where the game data
# has not been built or desktop-file-validate is missing.
set -eu
build=$1
[ -f "$build/ripple.bin" ] || { echo "no ripple.bin in $build: skipped"; exit 77; }
command -v desktop-file-validate >/dev/null 2>&1 || { echo "desktop-file-validate missing: skipped"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
DESTDIR="$scratch/root" cmake --install "$build" --prefix /opt/ripple >/dev/null
root="$scratch/root/opt/ripple"
for f in bin/ripple share/ripple/ripple.bin share/ripple/balancedataeasy.dat \
         share/ripple/mappoints.dat share/ripple/tracks/track1.txt \
         share/applications/ripple.desktop share/icons/hicolor/48x48/apps/ripple.png \
         share/icons/hicolor/256x256/apps/ripple.png; do
    [ -e "$root/$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop-file-validate "$root/share/applications/ripple.desktop"
mkdir -p "$scratch/elsewhere" "$scratch/home"
cd "$scratch/elsewhere"
env -u RIPPLE_DATA_DIR XDG_DATA_HOME="$scratch/home" RIPPLE_TRACE_STARTUP=1 \
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$root/bin/ripple" 2>"$scratch/err" &
game=$!
i=0
until grep -q "startup: running" "$scratch/err"; do
    i=$((i + 1))
    if [ $i -gt 300 ] || ! kill -0 $game 2>/dev/null; then
        cat "$scratch/err"; kill -9 $game 2>/dev/null || true; exit 1
    fi
    sleep 0.1
done
kill -TERM $game
wait $game
grep "startup:" "$scratch/err"
