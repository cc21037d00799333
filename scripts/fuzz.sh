#!/usr/bin/env bash
# Runs every fuzz target in build-fuzz/bin for the given seconds each, from
# its seed corpus in fuzz/corpus (new inputs go to build-fuzz/corpus, never
# into the tree), and prints executions and coverage per target. Fails on
# the first crash, leak or time-out, showing the end of its output.
set -u
seconds=${1:-20}
bin=build-fuzz/bin
status=0
printf '%-16s %10s %8s %8s %8s\n' target executions "exec/s" cov features
for f in "$bin"/fuzz_*; do
    [[ -x $f && $f != *.txt ]] || continue
    name=$(basename "$f")
    seeds=fuzz/corpus/${name#fuzz_}
    work=build-fuzz/corpus/${name#fuzz_}
    mkdir -p "$work"
    log=$f-run.txt
    if ! "$f" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        "$work" "$seeds" >"$log" 2>&1; then
        echo "fuzz: $name failed"
        tail -n 40 "$log"
        status=1
        break
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    printf '%-16s %10s %8s %8s %8s\n' "$name" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}"
done
exit $status
