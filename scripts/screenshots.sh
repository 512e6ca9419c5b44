#!/usr/bin/env bash
# Takes the screenshots of docs/ from the programs of a build (build/, with its tests: the drag
# source is one of them) on an Xvfb of its own with openbox, reaching each window as a person
# does: the drop window at 1x and 2x, the version box, the settings dialog and its folder picker,
# the 詳細設定 dialog, the help viewer, the replace question of a real drag, the undo's question
# and summary, the summary box of a sort whose every file failed, at 1x and 2x, and the preview
# of a drop. The progress dialog comes
# from bench/gui_drop.sh, which needs a library large enough to show it.
# Usage: scripts/screenshots.sh [FOLDER]   (default docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath "${1:-docs}")
bin="$PWD/build/bin"
work=$(mktemp -d /tmp/tunvex-XXXXXX)  # a short home, for short paths in the pictures
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
export LANG=C.UTF-8 LC_ALL=C.UTF-8  # X tools match the Japanese titles only in UTF-8

exec 3> >(cat >"$work/.display")
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
until [ -s "$work/.display" ]; do sleep 0.05; done
export DISPLAY=":$(cat "$work/.display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
until xprop -root _NET_WORKAREA 2>/dev/null | grep -q ' = '; do sleep 0.05; done

# window PATTERN [BESIDES]: the first shown window whose title matches, other than BESIDES.
window() {
    local id
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "${2:-none}" | head -1) &&
            [ -n "$id" ] && echo "$id" && return
        sleep 0.1
    done
    echo "no window $1" >&2
    return 1
}
activate() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true; sleep 0.3; }
keys() { xdotool key --clearmodifiers "$@"; sleep 0.3; }
# shot WINDOW NAME: the window with its frame, once painted.
shot() {
    sleep 0.8
    import -frame -window "$1" "$out/$2"
    echo "$out/$2"
}

home=$work app="$work/.app"
mkdir -p "$app" "$home/Desktop" "$home/.run"
chmod 700 "$home/.run"
export XDG_RUNTIME_DIR="$home/.run"
cp "$bin/tunvex" "$bin/libmp3infp.so" "$bin/tunvex-help" "$bin/tunvex.chm" "$app/"
environment=(HOME="$home" XDG_DATA_HOME="$home/.data" XDG_STATE_HOME="$home/.state"
    QT_QPA_PLATFORM=xcb)
settings() { printf '[TunvexOption]\nBaseFolderPath=%s\nCopyMode=%s\nFolderNamingMode=2\nFileNamingMode=3\nCollisionMode=0\n' "$1" "$2" >"$app/tunvex.ini"; }
# start [VARIABLE=VALUE...]: the window, activated; its id in $main.
start() {
    env "${environment[@]}" "$@" "$app/tunvex" &
    program=$!
    main=$(window '^tunvex$')
    activate "$main"
}
end() {
    activate "$main"
    keys Escape
    wait "$program" || true
}
# library FOLDER COUNT: a generated library of COUNT files, all of them directly in FOLDER as
# 1.mp3, 2.flac, ...
library() {
    "$bin/tunvex-make-library" "$work/.library" "$2" >/dev/null
    mkdir -p "$1"
    local n=0 file
    while IFS= read -r file; do
        n=$((n + 1))
        mv "$file" "$1/$n.${file##*.}"
    done < <(find "$work/.library" -type f | sort)
    rm -rf "$work/.library"
}
# drag FOLDER: drags it from another X client onto the window.
drag() {
    "$bin/tunvex-drag-source" "$1" >/dev/null &
    local source X Y tx ty
    source=$(window '^tunvex drag source$')
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$main")"
    tx=$((X + 90)) ty=$((Y + 110))
    eval "$(xdotool getwindowgeometry --shell "$source")"
    xdotool mousemove --sync $((X + 80)) $((Y + 50)) mousedown 1
    for step in $(seq 10); do
        xdotool mousemove $((X + 80 + (tx - X - 80) * step / 10)) $((Y + 50 + (ty - Y - 50) * step / 10))
        sleep 0.06
    done
    sleep 0.5
    xdotool mouseup 1
}

settings "$home/Desktop" 0
start
sleep 1
shot "$main" drop-window.png
keys shift+F10 Down Return
shot "$(window '^tunvexのバージョン情報$')" version-box.png
keys Return
keys F10 Down Return
settingsDialog=$(window '^tunvex 設定$')
shot "$settingsDialog" settings-dialog.png
keys Tab Tab Tab space  # 参照
shot "$(window 'コピー先フォルダを選択')" folder-picker.png
keys Escape
activate "$settingsDialog"
keys Escape
activate "$main"
keys shift+F10 Up Return
shot "$(window '^tunvex 詳細設定$')" extra-settings-dialog.png
keys Escape
activate "$main"
keys F1
shot "$(window '^tunvex とは - tunvex ヘルプ$')" help-viewer.png
end

start QT_SCALE_FACTOR=2
sleep 1
shot "$main" drop-window-2x.png
end

# An album sorted by copy, then dropped again to be moved: its files are there already.
library "$home/incoming" 3
settings "$home/music" 0
env "${environment[@]}" "$bin/tunvex-sort" --settings "$app/tunvex.ini" "$home/incoming" >/dev/null
settings "$home/music" 1
start
drag "$home/incoming"
question=$(window '^tunvex$' "$main")
activate "$question"
shot "$question" replace-question.png
keys a
until [ -z "$(find "$home/incoming" -type f -print -quit)" ]; do sleep 0.2; done
sleep 1
# One sorted file changed since: the undo leaves it where it is.
echo "changed since the run" >>"$(find "$home/music" -type f | sort | head -1)"
activate "$main"
keys shift+F10 Up Up Up Return  # the last run, above その前の… and 詳細設定…
question=$(window '^tunvex$' "$main")
activate "$question"
shot "$question" undo-question.png
keys Return
summary=$question
for _ in $(seq 100); do
    summary=$(window '^tunvex$' "$main")
    [ "$summary" != "$question" ] && break
    sleep 0.1
done
activate "$summary"
shot "$summary" undo-summary.png
keys Return
end

# Twelve downloads whose base folder is a file: every one fails, the box shows a few; at 1x and
# at 2x, where it still fits the screen.
library "$home/ダウンロード" 12
echo "not a folder" >"$home/音楽"
settings "$home/音楽" 0
for scale in 1 2; do
    start QT_SCALE_FACTOR=$scale
    drag "$home/ダウンロード"
    summary=$(window '^tunvex$' "$main")
    activate "$summary"
    shot "$summary" "summary-failure$([ "$scale" = 2 ] && echo -2x).png"
    keys Return
    end
done

# An album dropped with the preview on: one track is in the music folder already, one file has
# no tags. Space leaves the selected row out.
library "$home/アルバム" 5
echo "no tags here" >"$home/アルバム/untagged.mp3"
settings "$home/音楽フォルダ" 0
env "${environment[@]}" "$bin/tunvex-sort" --settings "$app/tunvex.ini" "$(find "$home/アルバム" -name "1.*")" >/dev/null
echo "PreviewBeforeSort=1" >>"$app/tunvex.ini"
start
drag "$home/アルバム"
preview=$(window '^振り分ける前の確認')
activate "$preview"
keys Down space
shot "$preview" preview.png
keys Escape
end
