#!/usr/bin/env bash
# The preview's cost: `tunvex-sort --preview` beside `--dry-run` of the same generated library on
# /dev/shm (time and peak RSS, interleaved, medians of 3), then the preview window over as many
# rows on an Xvfb of its own (tunvex-bench-preview).
# Usage: bench/preview.sh [FILES]   (default 100000; the programs of build/)
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-100000}
bin="$PWD/build/bin"
cmake --build build -j2 --target tunvex-sort tunvex-make-library tunvex-bench-preview >/dev/null
work=$(mktemp -d /dev/shm/tunvex-preview-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$bin/tunvex-make-library" "$work/library" "$files" >/dev/null
printf '[TunvexOption]\nBaseFolderPath=%s\nFolderNamingMode=2\nFileNamingMode=3\nCollisionMode=1\n' \
    "$work/sorted" >"$work/bench.ini"
for run in 1 2 3; do
    for mode in --dry-run --preview; do
        /usr/bin/time -f "$mode %e %M" -a -o "$work/times" \
            "$bin/tunvex-sort" --settings "$work/bench.ini" "$mode" "$work/library" >/dev/null 2>&1
    done
done
median() { grep -- "^$1 " "$work/times" | awk -v f="$2" '{ print $f }' | sort -n | sed -n 2p; }
for mode in --dry-run --preview; do
    echo "$mode, $files files: $(median "$mode" 2) s, peak RSS $(($(median "$mode" 3) / 1024)) MB (medians of 3)"
done
xvfb-run -a -s '-screen 0 1280x1024x24' "$bin/tunvex-bench-preview" "$files" 2>/dev/null
