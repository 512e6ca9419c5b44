#!/usr/bin/env bash
# Configures and builds into build/, showing the build's progress. Arguments go to the configure
# step (scripts/run.sh leaves the tests out: -DBUILD_TESTING=OFF).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
echo "== building into build/ on $(nproc) cores: about 3 minutes the first time"
cmake --build build -j"$(nproc)"
