#!/usr/bin/env bash
# Whole-tree comparison against the floor of its own work and against rsync, in one run:
#   bench/whole_tree.sh [BUILD_DIR] [FILES] [ROUNDS]
# Generates (or reuses) a pair of trees under $TMPDIR, warms the cache, then runs ROUNDS rounds
# (default 5), each timing in turn:
#   - tree_floor: lists and lstat()s every entry and reads the 3-byte head of every regular
#     file, one thread per tree, nothing kept (the least work the comparison does),
#   - `quillon -Report:6` with the default settings, written to /dev/null,
#   - whole_tree_compare: the same comparison in-process, without the report,
#   - `rsync -an --itemize-changes` (sizes and times, nothing copied).
# Interleaving the commands spreads the load of a shared machine over all of them. Prints the
# median of each with its ratio to the floor and to rsync, the memory per item, and the load
# average before and after.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
files="${2:-200000}"
rounds="${3:-5}"
bin="$build/bench"

need=("$bin/whole_tree_compare" "$bin/tree_floor" "$build/quillon" rsync)
source "$here/pair.sh"

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# timed CMD...: wall seconds of CMD (status 1 means "differences", not failure).
timed() {
    local t0 t1 rc
    t0=$(now)
    set +e
    "$@" >/dev/null 2>&1
    rc=$?
    set -e
    t1=$(now)
    if ((rc > 1)); then
        echo "$* failed with status $rc" >&2
        exit 2
    fi
    calc "$t1 - $t0"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
"$bin/tree_floor" "$left" "$right" >/dev/null
rsync -an "$left/" "$right/" >/dev/null

t_floor="" t_report="" t_compare="" t_rsync="" line=""
for ((round = 1; round <= rounds; ++round)); do
    t_floor+=" $(timed "$bin/tree_floor" "$left" "$right")"
    t_report+=" $(timed env TMPDIR="$scratch" "$build/quillon" -Report:6 "$left" "$right")"
    line=$("$bin/whole_tree_compare" "$left" "$right")
    t_compare+=" $(awk '{print $4}' <<<"$line")"
    t_rsync+=" $(timed rsync -an --itemize-changes "$left/" "$right/")"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

floor=$(median "$t_floor")
rsync_t=$(median "$t_rsync")
printf 'files per side     %s\n' "$files"
printf 'items              %s\n' "$(awk '{print $2}' <<<"$line")"
printf 'rounds             %s (interleaved; medians)\n' "$rounds"
printf 'load average       %s before, %s after\n' "$load_before" "$load_after"
printf '%-20s %8s %10s %10s\n' "" "seconds" "vs floor" "vs rsync"
for row in "floor (tree_floor):t_floor" "quillon -Report:6:t_report" \
    "whole_tree_compare:t_compare" "rsync -an:t_rsync"; do
    label=${row%:*}
    var=${row##*:}
    t=$(median "${!var}")
    printf '%-20s %8.3f %9.2fx %9.2fx\n' "$label" "$t" "$(calc "$t / $floor")" \
        "$(calc "$t / $rsync_t")"
done
printf 'peak memory        %s bytes per item (last whole_tree_compare)\n' "$(awk '{print $6}' <<<"$line")"
printf 'goal: the comparison at most 1.1x the floor\n'
