#!/usr/bin/env bash
# Measures tunvex-sort on one generated library against its floors (cp -r, cp -al) on tmpfs, on
# disk and with a cold page cache, its peak memory and its peers (beets, exiftool), and prints a
# table against the goals.
#   bench/run.sh [--build-dir DIR] [--runs K] [COUNT]        every row, COUNT files (default 10000)
#   bench/run.sh [--build-dir DIR] [--runs K] --memory [COUNT]   peak memory of a dry run, a move
#                                                                sort and its undo (100000)
#   bench/run.sh [--build-dir DIR] [--runs K] --features [COUNT]  only the album extras and the
#                                                                 removal of emptied folders
# Environment: PEER_COUNT (files for the peers, default COUNT; their times are scaled to COUNT),
# PEER_RUNS (default 3), MEMORY_COUNT (files of the memory row, default 100000), BENCH_WORK
# (parent of the scratch folder; default /dev/shm when it fits), DISK_WORK (parent of the disk
# scratch folder; default bench/out). The cold rows drop the page cache and need root.
set -euo pipefail

BENCH=$(cd "$(dirname "$0")" && pwd)
REPO=$(dirname "$BENCH")
source "$BENCH/lib/measure.sh"
source "$BENCH/lib/report.sh"
source "$BENCH/lib/peers.sh"
source "$BENCH/lib/journals.sh"

BUILD=$REPO/build-bench
RUNS=5
MODE=speed
COUNT=""
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) BUILD=$(realpath "$2"); shift 2 ;;
        --runs) RUNS=$2; shift 2 ;;
        --memory) MODE=memory; shift ;;
        --features) MODE=features; shift ;;
        -h | --help) sed -n '2,10p' "$0"; exit 0 ;;
        *) COUNT=$1; shift ;;
    esac
done
if [ -z "$COUNT" ]; then
    COUNT=$([ "$MODE" = memory ] && echo 100000 || echo 10000)
fi
PEER_COUNT=${PEER_COUNT:-$COUNT}
MEMORY_COUNT=${MEMORY_COUNT:-$([ "$MODE" = memory ] && echo "$COUNT" || echo 100000)}
PEER_RUNS=${PEER_RUNS:-3}

mkdir -p "$BENCH/out"
LOG=$BENCH/out/run.log
: >"$LOG"

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$REPO" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >>"$LOG"
fi
cmake --build "$BUILD" -j2 --target tunvex-sort tunvex-make-library >>"$LOG"
SORT=$BUILD/bin/tunvex-sort
MAKE_LIBRARY=$BUILD/bin/tunvex-make-library

if [ "$MODE" = memory ]; then
    ensure_packages time
elif [ "$MODE" != features ]; then
    ensure_packages beets libimage-exiftool-perl
fi

# Input and every output at once, about 5 KB a file each; tmpfs keeps the disk out of the figures.
need_kb=$(((COUNT * 6 + PEER_COUNT * 6 + MEMORY_COUNT) * 5))
shm_free_kb=$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')
if [ -z "${BENCH_WORK:-}" ]; then
    BENCH_WORK=$([ "$shm_free_kb" -gt "$need_kb" ] && echo /dev/shm || echo "$BENCH/out")
fi
WORK=$(mktemp -d "$BENCH_WORK/tunvex-bench.XXXXXX")
DISK=$(mktemp -d "${DISK_WORK:-$BENCH/out}/tunvex-disk.XXXXXX")
trap 'rm -rf "$WORK" "$DISK"' EXIT
LIB=$WORK/library
# The undo journals of the measured runs are written, and go with the scratch folder.
export XDG_STATE_HOME=$WORK/state
INI=$WORK/bench.ini
cat >"$INI" <<INI
[TunvexOption]
BaseFolderPath=$WORK/sorted
CopyMode=0
FolderNamingMode=2
FileNamingMode=3
TagMode=1
CollisionMode=1
INI

# tunvex DESTINATION COPYMODE SOURCE [--set KEY=VALUE...]
tunvex() {
    local destination=$1 copy_mode=$2 source=$3
    shift 3
    "$SORT" --settings "$INI" --yes --set "BaseFolderPath=$destination" \
        --set "CopyMode=$copy_mode" "$@" "$source"
}

# tunvex_dry_run SOURCE [--set KEY=VALUE...]
tunvex_dry_run() {
    local source=$1
    shift
    "$SORT" --settings "$INI" --dry-run "$@" "$source"
}

# expect_files FOLDER COUNT WHAT: stops the bench when a run did not sort every file.
expect_files() {
    local found
    found=$(find "$1" -type f | wc -l)
    if [ "$found" -ne "$2" ]; then
        echo "$3 left $found files in $1, expected $2 (see $LOG)" >&2
        exit 1
    fi
}

echo "tunvex bench: $MODE, $COUNT files, $RUNS runs, scratch in $WORK" >&2
generate_us=$(elapsed_us "$MAKE_LIBRARY" "$LIB" "$COUNT")
add_row "generate library, $COUNT files" "$(seconds "$generate_us")" "-" \
    "$(awk -v n="$COUNT" -v us="$generate_us" 'BEGIN { printf "%.0f files/s", n / us * 1e6 }')" \
    "-" "-"
SORTED=$(tunvex_dry_run "$LIB" | wc -l)
echo "$SORTED of $COUNT files are audio the tool sorts; the rest must be refused" >&2

# measure_dry_run: median seconds of RUNS warm dry runs, as a row.
measure_dry_run() {
    local times=() i median_us
    for ((i = 0; i < RUNS; i++)); do
        times+=("$(elapsed_us tunvex_dry_run "$LIB")")
    done
    median_us=$(median "${times[@]}")
    local rate
    rate=$(awk -v n="$COUNT" -v us="$median_us" 'BEGIN { printf "%.0f", n / us * 1e6 }')
    add_row "dry run, warm cache, $COUNT files" "$(seconds "$median_us")" "-" \
        "$rate files/s" ">= 60000 files/s" "$(met_word at_least "$rate" 60000)"
}

# memory_row WHAT KB GOAL_MB: a peak RSS in MB and bytes a file; the goal holds at a million files.
memory_row() {
    local mb per_file met="-"
    mb=$(awk -v kb="$2" 'BEGIN { printf "%.1f", kb / 1024 }')
    per_file=$(awk -v kb="$2" -v n="$MEMORY_COUNT" 'BEGIN { printf "%.0f", kb * 1024 / n }')
    [ "$MEMORY_COUNT" -ge 1000000 ] && met=$(met_word at_least "$3" "$mb")
    add_row "peak RSS, $1, $MEMORY_COUNT files" "-" "-" "$mb MB, $per_file B a file" \
        "< $3 MB at 1M files" "$met"
}

# measure_memory: peak RSS of dry runs over a library of MEMORY_COUNT files, then of a move sort
# of it and of that run's undo.
measure_memory() {
    local peak_kb=0 i kb source=$LIB
    if [ "$MEMORY_COUNT" -ne "$COUNT" ]; then
        source=$WORK/memory-library
        "$MAKE_LIBRARY" "$source" "$MEMORY_COUNT" >>"$LOG"
    fi
    for ((i = 0; i < RUNS; i++)); do
        /usr/bin/time -f '%M' -o "$WORK/rss" "$SORT" --settings "$INI" --dry-run "$source" >/dev/null
        kb=$(tail -n 1 "$WORK/rss")
        [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
    done
    memory_row "dry run (max of $RUNS)" "$peak_kb" 200
    rm -rf "$XDG_STATE_HOME" "$WORK/memory-moved"
    /usr/bin/time -f '%M' -o "$WORK/rss" "$SORT" --settings "$INI" --yes \
        --set "BaseFolderPath=$WORK/memory-moved" --set CopyMode=1 "$source" >>"$LOG" 2>&1
    memory_row "move sort" "$(tail -n 1 "$WORK/rss")" 200
    # What the window's menu reads of that run's journal, and more: its ends only.
    local listed=() journal_mb
    for ((i = 0; i < RUNS; i++)); do
        listed+=("$(elapsed_us "$SORT" --list-runs)")
    done
    journal_mb=$(du -m "$XDG_STATE_HOME"/tunvex/*.journal | awk '{ print $1 }')
    local listed_ms
    listed_ms=$(awk -v us="$(median "${listed[@]}")" 'BEGIN { printf "%.1f", us / 1000 }')
    add_row "list the runs (the menu's look), a $journal_mb MB journal of $MEMORY_COUNT files" \
        "$(seconds "$(median "${listed[@]}")")" "-" "$listed_ms ms" "< 50 ms" \
        "$(met_word at_least 50 "$listed_ms")"
    # The undo reads its journal as a stream.
    /usr/bin/time -f '%M' -o "$WORK/rss" "$SORT" --undo >>"$LOG" 2>&1
    memory_row "undo of that move sort" "$(tail -n 1 "$WORK/rss")" 150
}

# measure_past_runs: --list-runs over a hundred synthetic past runs, the newest of LISTED_LARGEST
# files (default a million), the others of a thousand, some undone or cut short.
measure_past_runs() {
    local state=$WORK/past-runs largest=${LISTED_LARGEST:-1000000} listed=() i
    make_journals "$state/tunvex" 100 "$largest"
    for ((i = 0; i < RUNS; i++)); do
        listed+=("$(XDG_STATE_HOME=$state elapsed_us "$SORT" --list-runs)")
    done
    rm -rf "$state"
    local listed_ms
    listed_ms=$(awk -v us="$(median "${listed[@]}")" 'BEGIN { printf "%.1f", us / 1000 }')
    add_row "list 100 past runs, the largest of $largest files" \
        "$(seconds "$(median "${listed[@]}")")" "-" "$listed_ms ms" "< 50 ms" \
        "$(met_word at_least 50 "$listed_ms")"
}

COPY_US=""

# measure_copy SOURCE SCRATCH WHERE GOAL: tunvex copy sort interleaved with cp -r of the same
# input, both writing into SCRATCH; the outputs are flushed to storage, untimed, between runs.
measure_copy() {
    local source=$1 scratch=$2 where=$3 goal=$4 floor=() sorted=() i
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$scratch/cp" "$scratch/copy"
        sync
        floor+=("$(elapsed_us cp -r "$source" "$scratch/cp")")
        sync
        sorted+=("$(elapsed_us tunvex "$scratch/copy" 0 "$source")")
        expect_files "$scratch/copy" "$SORTED" "tunvex copy"
    done
    rm -rf "$scratch/cp" "$scratch/copy"
    local floor_us sorted_us ratio_value
    floor_us=$(median "${floor[@]}")
    sorted_us=$(median "${sorted[@]}")
    [ "$where" = tmpfs ] && COPY_US=$sorted_us
    ratio_value=$(ratio "$sorted_us" "$floor_us")
    add_row "copy sort vs cp -r, $where, $COUNT files" "$(seconds "$sorted_us")" \
        "$(seconds "$floor_us")" "${ratio_value}x cp -r" "<= ${goal}x cp -r" \
        "$(met_word at_least "$goal" "$ratio_value")"
}

# drop_caches: empties the page cache; fails without root.
drop_caches() {
    sync && { echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null
}

# measure_cold SOURCE: a dry run from a cold page cache interleaved with a cold cp -r of the same
# input, which reads every byte the dry run needs only the ends of.
measure_cold() {
    local source=$1 floor=() dry=() i
    if ! drop_caches; then
        add_row "cold dry run vs cold cp -r, $COUNT files" "-" "-" "not measured: needs root" \
            "<= 0.4x cp -r" "-"
        return
    fi
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$DISK/cold-cp"
        drop_caches
        floor+=("$(elapsed_us cp -r "$source" "$DISK/cold-cp")")
        drop_caches
        dry+=("$(elapsed_us tunvex_dry_run "$source")")
    done
    rm -rf "$DISK/cold-cp"
    local floor_us dry_us ratio_value
    floor_us=$(median "${floor[@]}")
    dry_us=$(median "${dry[@]}")
    ratio_value=$(ratio "$dry_us" "$floor_us")
    add_row "cold dry run vs cold cp -r, $COUNT files" "$(seconds "$dry_us")" \
        "$(seconds "$floor_us")" "${ratio_value}x cp -r" "<= 0.4x cp -r" \
        "$(met_word at_least 0.4 "$ratio_value")"
}

# measure_move: tunvex move sort interleaved with cp -al, which also makes one name per file and
# moves no data; the moved input is laid anew, untimed, before each run.
measure_move() {
    local floor=() sorted=() i
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$WORK/links" "$WORK/move-in" "$WORK/moved"
        floor+=("$(elapsed_us cp -al "$LIB" "$WORK/links")")
        cp -r "$LIB" "$WORK/move-in"
        sorted+=("$(elapsed_us tunvex "$WORK/moved" 1 "$WORK/move-in")")
        expect_files "$WORK/moved" "$SORTED" "tunvex move"
    done
    rm -rf "$WORK/links" "$WORK/move-in" "$WORK/moved"
    local floor_us move_us ratio_value
    floor_us=$(median "${floor[@]}")
    move_us=$(median "${sorted[@]}")
    ratio_value=$(ratio "$move_us" "$floor_us")
    add_row "move sort vs cp -al, $COUNT files" "$(seconds "$move_us")" "$(seconds "$floor_us")" \
        "${ratio_value}x cp -al" "<= 2x cp -al" "$(met_word at_least 2 "$ratio_value")"
}

# measure_undo: tunvex-sort --undo of a move sort (laid untimed each run), and the size of the
# journal that run kept.
measure_undo() {
    local times=() i journal_bytes
    for ((i = 0; i < RUNS; i++)); do
        rm -rf "$WORK/move-in" "$WORK/moved" "$XDG_STATE_HOME"
        cp -r "$LIB" "$WORK/move-in"
        tunvex "$WORK/moved" 1 "$WORK/move-in" >>"$LOG" 2>&1
        journal_bytes=$(cat "$XDG_STATE_HOME"/tunvex/*.journal | wc -c)
        times+=("$(elapsed_us "$SORT" --undo)")
        expect_files "$WORK/move-in" "$COUNT" "tunvex undo"
    done
    rm -rf "$WORK/move-in" "$WORK/moved"
    local per
    per=$(awk -v b="$journal_bytes" -v n="$SORTED" 'BEGIN { printf "%.0f", b / n * 10000 / 1024 }')
    add_row "undo of the move sort, $COUNT files" "$(seconds "$(median "${times[@]}")")" "-" \
        "journal $per KB/10,000 files" "-" "-"
}

# measure_feature WHAT COPYMODE EXPECTED SETTING: the sort with SETTING interleaved with the same
# sort without it, as a ratio; a move's input is laid anew, untimed, before each run.
measure_feature() {
    local what=$1 copy_mode=$2 expected=$3 setting=$4 off=() on=() i run
    for ((i = 0; i < RUNS; i++)); do
        for run in off on; do
            rm -rf "$WORK/feature-in" "$WORK/feature-out"
            local source=$LIB
            if [ "$copy_mode" = 1 ]; then
                cp -r "$LIB" "$WORK/feature-in"
                source=$WORK/feature-in
            fi
            if [ $run = off ]; then
                off+=("$(elapsed_us tunvex "$WORK/feature-out" "$copy_mode" "$source")")
                expect_files "$WORK/feature-out" "$SORTED" "tunvex $what off"
            else
                on+=("$(elapsed_us tunvex "$WORK/feature-out" "$copy_mode" "$source" \
                    --set "$setting")")
                expect_files "$WORK/feature-out" "$expected" "tunvex $what on"
            fi
        done
    done
    local left=""
    [ "$copy_mode" = 1 ] && left=", $(find "$WORK/feature-in" -type d | wc -l) folders left"
    rm -rf "$WORK/feature-in" "$WORK/feature-out"
    local off_us on_us
    off_us=$(median "${off[@]}")
    on_us=$(median "${on[@]}")
    add_row "$what, $COUNT files" "$(seconds "$on_us")" "$(seconds "$off_us")" \
        "$(ratio "$on_us" "$off_us")x$left" "-" "-"
}

# measure_features: album extras on (copy and move) and a move removing the folders it emptied,
# each against the same sort with the setting off.
measure_features() {
    local extras
    extras=$(tunvex_dry_run "$LIB" --set CarryExtraFiles=1 | wc -l)
    echo "with CarryExtraFiles=1, $((extras - SORTED)) extras travel" >&2
    measure_feature "copy, extras on/off" 0 "$extras" CarryExtraFiles=1
    measure_feature "move, extras on/off" 1 "$extras" CarryExtraFiles=1
    measure_feature "move, folder removal on/off" 1 "$SORTED" RemoveEmptiedFolders=1
}

# measure_peers: beets and exiftool interleaved, each scaled to COUNT files and set against the
# tunvex copy sort.
measure_peers() {
    local source=$LIB
    if [ "$PEER_COUNT" -ne "$COUNT" ]; then
        source=$WORK/peer-library
        "$MAKE_LIBRARY" "$source" "$PEER_COUNT" >>"$LOG"
    fi
    local beets=() exif=() i
    for ((i = 0; i < PEER_RUNS; i++)); do
        beets+=("$(elapsed_us beets_copy "$source" "$WORK/beets-out" "$WORK")")
        exif+=("$(elapsed_us exiftool_copy "$source" "$WORK/exif-out")")
    done
    echo "peers sorted: beets $(find "$WORK/beets-out" -type f | wc -l)," \
        "exiftool $(find "$WORK/exif-out" -type f | wc -l) files" >&2
    local name us scaled_us faster scale_note=""
    [ "$PEER_COUNT" -ne "$COUNT" ] && scale_note=" ($PEER_COUNT scaled)"
    for name in beets exiftool; do
        if [ "$name" = beets ]; then us=$(median "${beets[@]}"); else us=$(median "${exif[@]}"); fi
        scaled_us=$(awk -v us="$us" -v n="$COUNT" -v m="$PEER_COUNT" 'BEGIN { print us * n / m }')
        faster=$(ratio "$scaled_us" "$COPY_US")
        add_row "$name copy, $COUNT files$scale_note" "$(seconds "$scaled_us")" \
            "$(seconds "$COPY_US")" "tunvex ${faster}x faster" ">= 10x faster" \
            "$(met_word at_least "$faster" 10)"
    done
}

tunvex_dry_run "$LIB" >/dev/null
if [ "$MODE" = memory ]; then
    measure_dry_run
    measure_memory
    measure_past_runs
elif [ "$MODE" = features ]; then
    measure_features
else
    measure_dry_run
    measure_copy "$LIB" "$WORK" tmpfs 1.2
    # The same library on disk, its files written out before any run.
    cp -r "$LIB" "$DISK/library"
    sync
    measure_copy "$DISK/library" "$DISK" disk 1.0
    measure_cold "$DISK/library"
    measure_move
    measure_undo
    measure_features
    measure_memory
    measure_past_runs
    measure_peers
fi
{
    print_table
    echo "seconds: medians of $RUNS runs, peers of $PEER_RUNS; floor s: the command run" \
        "interleaved with it, or for peers the tunvex copy sort; scratch: $BENCH_WORK;" \
        "disk: $(df -P "$DISK" | awk 'NR == 2 { print $1 }')"
} | tee "$BENCH/out/results-$MODE-$COUNT.txt"
