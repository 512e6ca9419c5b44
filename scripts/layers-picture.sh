#!/usr/bin/env bash
# Draws docs/layers.svg, the layers as the build links them: each CMake target of ours and what it
# links, without the tests and the system's libraries. Needs graphviz (dot).
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/CMakeGraphVizOptions.cmake" <<'OPTIONS'
set(GRAPHVIZ_EXTERNAL_LIBS OFF)
set(GRAPHVIZ_GENERATE_PER_TARGET OFF)
set(GRAPHVIZ_GENERATE_DEPENDERS OFF)
set(GRAPHVIZ_IGNORE_TARGETS "tunvex_help_file|tunvex_fuzz|.*_test$|tunvex_test_fixtures|util")
OPTIONS
cmake -S . -B "$work" -DBUILD_TESTING=OFF >/dev/null
(cd "$work" && cmake --graphviz=layers.dot . >/dev/null)
dot -Tsvg -Grankdir=BT "$work/layers.dot" -o docs/layers.svg
echo "docs/layers.svg"
