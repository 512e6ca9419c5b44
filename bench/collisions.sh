#!/usr/bin/env bash
# Times a rename-on-collision sort of COUNT untagged MP3 files (default 10,001) that all name
# UnknownArtist/UnknownAlbum/00.UnknownTitle.mp3: the cost of numbering " (2)" ... " (N)".
#   bench/collisions.sh [--build-dir DIR] [COUNT]
# Scratch goes to /dev/shm (BENCH_WORK=DIR for another file system); not part of ctest.
set -euo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$REPO/build
COUNT=10001
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) BUILD=$(realpath "$2"); shift 2 ;;
        -h | --help) sed -n '2,5p' "$0"; exit 0 ;;
        *) COUNT=$1; shift ;;
    esac
done
WORK=$(mktemp -d "${BENCH_WORK:-/dev/shm}/tunvex-collisions-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# Valid MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz, 417 bytes each) and no tag at all.
python3 - "$WORK/in" "$COUNT" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder)
frames = (b"\xff\xfb\x90\x64" + bytes(413)) * 8
for i in range(count):
    with open(os.path.join(folder, f"{i}.mp3"), "wb") as f:
        f.write(frames)
PY

start=$(date +%s.%N)
status=0
"$BUILD/bin/tunvex-sort" --settings "$WORK/none.ini" --set BaseFolderPath="$WORK/out" \
    --set FolderNamingMode=2 --set FileNamingMode=3 --set CollisionMode=1 \
    "$WORK/in" >/dev/null 2>"$WORK/err" || status=$?
end=$(date +%s.%N)
placed=$(find "$WORK/out" -type f | wc -l)
echo "$COUNT colliding files: $(echo "$end - $start" | bc) s, $placed placed, exit $status"
tail -n 1 "$WORK/err"
