#!/usr/bin/env bash
# Line and branch coverage of the core and the tag library by the suite: a Debug build with
# --coverage in build-cov/, every test but the static checks (format, tidy, layers), then gcovr's
# summary. Usage: scripts/coverage.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
flags=--coverage
cmake -S . -B build-cov -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DCMAKE_CXX_FLAGS=$flags \
    -DCMAKE_C_FLAGS=$flags -DCMAKE_EXE_LINKER_FLAGS=$flags -DCMAKE_SHARED_LINKER_FLAGS=$flags \
    >/dev/null
cmake --build build-cov -j"$(nproc)"
# Counts of an earlier run would add up with this one's.
find build-cov -name '*.gcda' -delete
(cd build-cov && ctest -j"$(nproc)" -E '^(format|tidy|layers)$' "$@") || true
gcovr -r . build-cov --filter 'core/' --filter 'mp3infp/' --gcov-ignore-parse-errors \
    --exclude-unreachable-branches --exclude-throw-branches --print-summary -o /dev/null | tail -3
