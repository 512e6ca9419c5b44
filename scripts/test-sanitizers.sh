#!/usr/bin/env bash
# The checked builds that CI runs after the suite: the tests of the core, the tag library and
# tunvex-sort under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), then the tests
# that run threads (the sort relay between a worker and the window's thread included) under
# ThreadSanitizer (build-tsan/). Each says how long it took. Usage: scripts/test-sanitizers.sh [asan|tsan]...
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
jobs=$(nproc)

# sanitized_build DIR SANITIZERS [TARGET...]: configures and builds DIR with those sanitizers.
sanitized_build() {
    local dir=$1 sanitizers=$2
    shift 2
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
        -DTUNVEX_SANITIZE="$sanitizers" >/dev/null
    cmake --build "$dir" -j"$jobs" ${1:+--target "$@"}
}

asan() {
    echo "== the tests of the core, the tag library and tunvex-sort under ASan+UBSan, built in build-asan/"
    local start=$SECONDS
    sanitized_build build-asan address,undefined core_tests
    # Short allocation stacks keep the run fast and still name the library of a leak; an
    # LD_PRELOAD test puts its library before the ASan runtime.
    export ASAN_OPTIONS=malloc_context_size=8:detect_leaks=1:verify_asan_link_order=0
    export LSAN_OPTIONS=suppressions=$PWD/scripts/leak-suppressions.txt:print_suppressions=0
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    # The window's tests are left out: built again with ASan they would take CI's time for code
    # that the core's tests already run checked, under the drop window's thin layer.
    (cd build-asan && ctest --output-on-failure -j"$jobs" -L '^(core|threads)$')
    echo "== ASan+UBSan: $((SECONDS - start)) s"
}

tsan() {
    echo "== the tests that run threads under TSan, built in build-tsan/"
    local start=$SECONDS
    sanitized_build build-tsan thread tag_read_ahead_test sort_batch_test settings_test \
        mp3infp_test tunvex_sort_test sort_relay_test
    # Qt is not built for TSan: what happens inside it is not watched, what our code does is.
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1
    (cd build-tsan && ctest --output-on-failure -j"$jobs" -L threads)
    echo "== TSan: $((SECONDS - start)) s"
}

jobs_to_run=("$@")
[ $# -eq 0 ] && jobs_to_run=(asan tsan)
for job in "${jobs_to_run[@]}"; do
    case $job in
        asan | tsan) "$job" ;;
        *) echo "usage: $0 [asan|tsan]..." >&2; exit 2 ;;
    esac
done
