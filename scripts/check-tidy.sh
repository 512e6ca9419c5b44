#!/usr/bin/env bash
# Fails when clang-tidy (the root .clang-tidy) finds something in the program's sources, read with
# the compile commands of the build in $1 (default build/). The tests are left out: their
# GoogleTest macros would need checks of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "^$PWD/(core|gui|apps|mp3infp|res|bench)/" \
    >"$build/tidy.log" 2>&1 || {
    grep -E 'warning:|error:' "$build/tidy.log" | sort -u >&2
    exit 1
}
