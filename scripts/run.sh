#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: with arguments, tunvex-sort with those
# arguments; without, a copy sort of a small generated library into build/demo/sorted.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh >/dev/null
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
echo "== tunvex-sort --settings build/demo/tunvex.ini build/demo/incoming"
status=0
build/bin/tunvex-sort --settings "$demo/tunvex.ini" --verbose "$demo/incoming" || status=$?
echo "== build/demo/sorted"
(cd "$demo/sorted" && find . -type f | sort)
exit "$status"
