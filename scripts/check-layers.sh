#!/usr/bin/env bash
# Fails when an include runs back up: the files of each folder include only their own folder's and
# those of the folders below it, as its CMake target links them, and nothing in core/ includes Qt.
set -uo pipefail
cd "$(dirname "$0")/.."
# folder=the folders below it that it may include
rules=(
    "core/base="
    "core/system=core/base"
    "core/files=core/base"
    "core/transfer=core/base core/files"
    "core/tags=core/base core/system"
    "core/settings=core/base core/system"
    "core/sorting=core"
    "gui/base=core/base"
    "gui/help=core/base gui/base"
    "gui/dialogs=core gui/base"
    "gui/window=core gui/base gui/dialogs"
    "gui=core gui/base gui/dialogs gui/window"
    "apps/tunvex=core gui/base gui/dialogs gui/window gui"
    "apps/tunvex-sort=core"
    "apps/tunvex-help=core/base gui/base gui/help"
    "mp3infp="
)
failed=0
for rule in "${rules[@]}"; do
    folder=${rule%%=*}
    read -ra below <<<"${rule#*=}"
    for file in "$folder"/*.h "$folder"/*.cpp "$folder"/*.c; do
        [ -e "$file" ] || continue
        while IFS=: read -r line include; do
            path=${include#*\"}
            path=${path%%\"*}
            [[ $path != */* ]] && continue  # a header of the system or of a library
            # Its own folder's files, not those of a folder inside it: that is a layer of its own.
            ok=0
            [[ $path == "$folder"/* && ${path#"$folder"/} != */* ]] && ok=1
            for allowed in "${below[@]}"; do
                [[ $path == "$allowed"/* ]] && ok=1
            done
            if [ "$ok" -eq 0 ]; then
                echo "$file:$line: includes $path, which does not lie below $folder" >&2
                failed=1
            fi
        done < <(grep -n '^#include "' "$file")
    done
done
if grep -rn --include='*.h' --include='*.cpp' -E '^#include <(Q|qt)' core >&2; then
    echo "core/ includes Qt" >&2
    failed=1
fi
exit "$failed"
