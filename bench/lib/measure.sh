# Timing helpers for bench/run.sh; sourced, not run.

# elapsed_us CMD...: runs CMD with its output to the log and prints its wall time in microseconds.
elapsed_us() {
    local start end
    start=$(date +%s%N)
    "$@" </dev/null >>"$LOG" 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

# median VALUE...
median() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 }
        END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# seconds MICROSECONDS
seconds() {
    awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'
}

# ratio A B: A / B to two decimals.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

# at_least VALUE LIMIT: succeeds when VALUE >= LIMIT.
at_least() {
    awk -v v="$1" -v l="$2" 'BEGIN { exit !(v >= l) }'
}
