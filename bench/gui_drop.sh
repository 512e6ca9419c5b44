#!/usr/bin/env bash
# The window's own figures: a real drag of a generated library onto tunvex on Xvfb + openbox.
# Prints the time from the drop (mouse released) to the first file placed, the time until every
# file is placed, and the window's peak memory (VmHWM) while sorting. Screenshot of the progress
# dialog to build/screenshots/progress-dialog.png.
# Usage: bench/gui_drop.sh [FILES]   (default 10000; run from a build with scripts/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-10000}
bin="$PWD/build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/tunvex-gui-bench-XXXXXX")
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

exec 3> >(cat >"$work/display")
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
until [ -s "$work/display" ]; do sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
until xprop -root _NET_WORKAREA 2>/dev/null | grep -q ' = '; do sleep 0.05; done

"$bin/tunvex-make-library" "$work/incoming" "$files" >/dev/null
mkdir -p "$work/app" "$work/run" "$work/home/Desktop"
cp "$bin/tunvex" "$bin/libmp3infp.so" "$work/app/"
printf '[TunvexOption]\nBaseFolderPath=%s\nCopyMode=0\nFolderNamingMode=2\nFileNamingMode=3\nCollisionMode=1\n' \
    "$work/sorted" >"$work/app/tunvex.ini"
HOME="$work/home" XDG_RUNTIME_DIR="$work/run" "$work/app/tunvex" &
app=$!
pids+=($app)
until window=$(xdotool search --onlyvisible --name '^tunvex$' 2>/dev/null | head -1) && [ -n "$window" ]; do
    sleep 0.05
done
"$bin/tunvex-drag-source" "$work/incoming" >/dev/null &
pids+=($!)
until source=$(xdotool search --onlyvisible --name '^tunvex drag source$' 2>/dev/null | head -1) && [ -n "$source" ]; do
    sleep 0.05
done
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
tx=$((X + 90)) ty=$((Y + 110))
eval "$(xdotool getwindowgeometry --shell "$source")"
xdotool mousemove --sync $((X + 80)) $((Y + 50)) mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((X + 80 + (tx - X - 80) * step / 10)) $((Y + 50 + (ty - Y - 50) * step / 10))
    sleep 0.06
done
sleep 0.3
xdotool mouseup 1
dropped=$(date +%s.%N)
until [ -n "$(find "$work/sorted" -type f -print -quit 2>/dev/null)" ]; do :; done
first=$(date +%s.%N)
shot=0
still=0
while true; do
    if [ $shot -eq 0 ] && progress=$(xdotool search --onlyvisible --name '^tunvex$' | grep -v "^$window$" | head -1) && [ -n "$progress" ]; then
        sleep 0.3
        mkdir -p build/screenshots
        import -frame -window "$progress" build/screenshots/progress-dialog.png 2>/dev/null || true
        shot=1
    fi
    placed=$(find "$work/sorted" -type f | wc -l)
    if [ "$placed" -eq "${last:-0}" ] && [ "$placed" -gt 0 ]; then
        still=$((still + 1))
        [ $still -ge 5 ] && break
    else
        still=0
        done_at=$(date +%s.%N)
    fi
    last=$placed
    sleep 0.2
done
peak=$(awk '/VmHWM/ {print $2}' "/proc/$app/status")
echo "files dropped: $(find "$work/incoming" -type f | wc -l), placed: $(find "$work/sorted" -type f | wc -l)"
printf 'drop to first file placed: %.0f ms\n' "$(echo "($first - $dropped) * 1000" | bc)"
printf 'drop to all placed (within 0.2 s): %.1f s\n' "$(echo "$done_at - $dropped" | bc)"
echo "window peak memory (VmHWM): $((peak / 1024)) MB"
