#!/usr/bin/env bash
# The bulk rename against a plain C loop of rename() calls, on the file system of $TMPDIR:
#   - simulating 10,000 names on each page (goal: 50 ms or less);
#   - applying page 1 (prefix) to FILES files without and with the journal, against rename_loop
#     (goal: twice its time or less). Both time their loop alone; median of ROUNDS.
#   bench/rename_bench.sh [BUILD_DIR] [ROUNDS] [FILES]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
rounds="${2:-5}"
files="${3:-10000}"
tool="$build/bench/rename_bench"
loop="$build/bench/rename_loop"
for t in "$tool" "$loop"; do
    [[ -x "$t" ]] || { echo "missing $t: build the bench targets first" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/quillon_rename.XXXXXX")"
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }

echo "simulated result of 10,000 names, median of 9 runs"
"$tool" simulate 10000

printf '\nfile system %s, %s files, median of %s rounds\n' \
    "$(df -T "$work" | awk 'NR==2 {print $2}')" "$files" "$rounds"
declare -a c_t=() off_t=() on_t=()
for ((r = 0; r < rounds; ++r)); do
    for who in c off on; do
        "$tool" make "$work/$who" "$files"
    done
    sync
    c_t+=("$("$loop" "$work/c" | awk '{ print $2 }')")
    off_t+=("$("$tool" apply "$work/off" | awk '{ print $2 }')")
    on_t+=("$("$tool" apply "$work/on" journal | awk '{ print $2 }')")
    [[ -z "$(find "$work" -type f ! -name 'P_*')" ]] || { echo "a file was not renamed" >&2; exit 1; }
    rm -rf "$work/c" "$work/off" "$work/on"
done
c=$(printf '%s\n' "${c_t[@]}" | median)
off=$(printf '%s\n' "${off_t[@]}" | median)
on=$(printf '%s\n' "${on_t[@]}" | median)
printf '%14s %10s %8s\n' '' seconds ratio
printf '%14s %10s %8s\n' 'C rename()' "$c" 1.00
printf '%14s %10s %8s\n' 'pass' "$off" "$(ratio "$off" "$c")"
printf '%14s %10s %8s\n' 'pass, journal' "$on" "$(ratio "$on" "$c")"
