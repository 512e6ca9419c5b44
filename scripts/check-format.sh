#!/usr/bin/env bash
# Fails when a source file is not as clang-format (the root .clang-format) writes it.
set -euo pipefail
cd "$(dirname "$0")/.."
find core gui apps mp3infp tests bench res \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
    -print0 | xargs -0 clang-format --dry-run --Werror
