#!/bin/sh
# Builds the game's Debian package from a build folder into a scratch folder
# and checks what it holds and that it depends on exactly the runtime
# libraries the program links: nothing a tool or a server links may join them.
# Usage: package.sh <build folder>. Exits 77 (ctest's skip) without the data
# or the Debian packaging tools.
set -eu
build=$1
[ -f "$build/ripple.bin" ] || { echo "no ripple.bin in $build: skipped"; exit 77; }
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v $tool >/dev/null 2>&1 || { echo "$tool missing: skipped"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cpack -B "$scratch" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; exit 1; }
set -- "$scratch"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "expected one package, got: $*"; exit 1; }
deb=$1
[ "$(dpkg-deb -f "$deb" Package)" = ripple ] || { echo "package name: $(dpkg-deb -f "$deb" Package)"; exit 1; }

# The names only, sorted; versions are dpkg-shlibdeps' to choose.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*)//; s/ //g' | sort | tr '\n' ' ')
expected="libc6 libcurl4 libfontconfig1 libfreetype6 libgcc-s1 libjpeg62-turbo libpixman-1-0 \
libpng16-16 libsdl2-2.0-0 libsndfile1 libstdc++6 libxml2 libxmp4 "
if [ "$depends" != "$expected" ]; then
    echo "dependencies differ"
    echo "  expected: $expected"
    echo "  got:      $depends"
    exit 1
fi

dpkg-deb --contents "$deb" | awk '{ print $6 }' >"$scratch/files"
for f in ./usr/bin/ripple ./usr/share/ripple/ripple.bin ./usr/share/ripple/balancedataeasy.dat \
         ./usr/share/ripple/tracks/track1.txt ./usr/share/applications/ripple.desktop \
         ./usr/share/icons/hicolor/256x256/apps/ripple.png; do
    grep -qx "$f" "$scratch/files" || { echo "not in the package: $f"; exit 1; }
done
# The game's program is the only one it installs.
programs=$(grep '^\./usr/bin/.' "$scratch/files" | tr '\n' ' ')
[ "$programs" = "./usr/bin/ripple " ] || { echo "programs in the package: $programs"; exit 1; }
dpkg-deb -f "$deb"
