#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: with arguments, tunvex-sort with those
# arguments; without, a small generated library in build/demo/incoming, then with a display the
# tunvex window (a copy in build/demo/app with settings that sort into build/demo/sorted), and
# without one a copy sort of that library by tunvex-sort.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
# The tests are left out unless build/ has them already (scripts/test.sh builds them).
testing=OFF
grep -q '^BUILD_TESTING:BOOL=ON' build/CMakeCache.txt 2>/dev/null && testing=ON
scripts/build.sh -DBUILD_TESTING=$testing
if [ $# -gt 0 ]; then
    exec build/bin/tunvex-sort "$@"
fi
demo="$PWD/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
build/bin/tunvex-make-library "$demo/incoming" 30
cat >"$demo/tunvex.ini" <<INI
[TunvexOption]
BaseFolderPath=$demo/sorted
CopyMode=0
FolderNamingMode=2
FileNamingMode=3
TagMode=1
CollisionMode=1
INI
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    mkdir -p "$demo/app"
    for file in tunvex tunvex-help libmp3infp.so tunvex.chm; do
        [ -e "build/bin/$file" ] && cp "build/bin/$file" "$demo/app/"
    done
    cp "$demo/tunvex.ini" "$demo/app/tunvex.ini"
    echo "== tunvex: drop build/demo/incoming (or any music) on its window;"
    echo "   the files are copied into build/demo/sorted/Artist/Album/"
    exec "$demo/app/tunvex"
fi
echo "== no display: the headless demo. With a display, scripts/run.sh starts the tunvex window."
echo "== tunvex-sort --settings build/demo/tunvex.ini build/demo/incoming"
status=0
build/bin/tunvex-sort --settings "$demo/tunvex.ini" --verbose "$demo/incoming" || status=$?
echo "== build/demo/sorted"
(cd "$demo/sorted" && find . -type f | sort)
exit "$status"
