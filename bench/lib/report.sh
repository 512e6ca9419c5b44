# The results table of bench/run.sh; sourced, not run.

ROWS=()

# add_row MEASUREMENT SECONDS FLOOR RESULT GOAL MET
add_row() {
    local row
    printf -v row '%-44s | %9s | %9s | %-26s | %-22s | %s' "$@"
    ROWS+=("$row")
}

# met_word CONDITION...: "met" when the command succeeds.
met_word() {
    if "$@"; then echo "met"; else echo "NOT MET"; fi
}

print_table() {
    echo
    printf '%-44s | %9s | %9s | %-26s | %-22s | %s\n' \
        "measurement" "seconds" "floor s" "result" "goal" "met"
    printf '%.0s-' {1..130}
    echo
    printf '%s\n' "${ROWS[@]}"
}
