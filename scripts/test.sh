#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: a short fuzzing run of the tag library
# (clang build of its own in build-fuzz), then the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
echo "== fuzzing the tag library: a clang build in build-fuzz/ (about a minute), then 30 s of fuzzing"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTUNVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target mp3infp_fuzz_load mp3infp_fuzz_seeds
(cd build-fuzz && ctest -R mp3infp_fuzz --output-on-failure)
scripts/build.sh -DBUILD_TESTING=ON -DTUNVEX_WERROR=ON
echo "== running every test (a few minutes; the window tests start their own X servers)"
cd build && ctest --output-on-failure -j"$(nproc)"
