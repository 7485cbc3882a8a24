#!/usr/bin/env bash
# The export of the differing files on the large generated pair, against what it does in two
# steps with other tools:
#   bench/copydiff_bench.sh [BUILD_DIR] [FILES] [ROUNDS]
# Generates (or reuses) the benchmark trees under $TMPDIR, then times, median of ROUNDS on a
# warm cache:
#   - `quillon -CopyDiff:0 -Out:D LEFT RIGHT` into a fresh folder (our copies are synced files,
#     renamed into place),
#   - the read: `quillon -Report:0` of the same pair (written to /dev/null),
#   - the copy: `cp --parents` of the same files (the list is what the export wrote) into a fresh
#     folder, then `sync`, and without the sync;
# and prints the export against read + copy (goal: at most 1.2x), both ways.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
files="${2:-200000}"
rounds="${3:-3}"

need=("$build/quillon")
source "$here/pair.sh"
# The program's own temporaries go to the private folder too.
export TMPDIR="$scratch"

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Wall time of a command whose status may be 0 or 1 (1: differences or skipped entries).
timed() {
    local t0 t1 rc
    t0=$(now)
    set +e
    "$@" >/dev/null 2>"$scratch/err"
    rc=$?
    set -e
    t1=$(now)
    if ((rc > 1)); then
        echo "$* failed with status $rc: $(head -3 "$scratch/err")" >&2
        exit 2
    fi
    calc "$t1 - $t0"
}
cp_list() {
    (cd "$left" && xargs -0 cp --parents --no-dereference --preserve=mode,timestamps -t "$1" \
        <"$scratch/list")
}
cp_list_sync() { cp_list "$1"; sync; }

# Warm the cache, and take the list of the exported files for cp.
find "$left" "$right" -printf '%s %T@\n' >/dev/null
"$build/quillon" -CopyDiff:0 -Out:"$scratch/first" "$left" "$right" >/dev/null 2>&1 || true
(cd "$scratch/first" && find . \( -type f -o -type l \) -printf '%P\0') >"$scratch/list"
count=$(tr -cd '\0' <"$scratch/list" | wc -c)
bytes=$(du -sb --apparent-size "$scratch/first" | cut -f1)
disk=$(du -s -B1 "$scratch/first" | cut -f1)
rm -rf "$scratch/first"

declare -a export_t report_t cp_t cps_t
for ((r = 0; r < rounds; ++r)); do
    sync
    export_t+=("$(timed "$build/quillon" -CopyDiff:0 -Out:"$scratch/e$r" "$left" "$right")")
    report_t+=("$(timed "$build/quillon" -Report:0 -Out:/dev/null "$left" "$right")")
    mkdir "$scratch/c$r" "$scratch/s$r"
    cp_t+=("$(timed cp_list "$scratch/c$r")")
    sync
    cps_t+=("$(timed cp_list_sync "$scratch/s$r")")
    rm -rf "$scratch/e$r" "$scratch/c$r" "$scratch/s$r"
done

e=$(printf '%s\n' "${export_t[@]}" | median)
rep=$(printf '%s\n' "${report_t[@]}" | median)
c=$(printf '%s\n' "${cp_t[@]}" | median)
cs=$(printf '%s\n' "${cps_t[@]}" | median)
printf 'files per side %s; exported %s files, %s bytes (%s on disk)\n' "$files" "$count" "$bytes" "$disk"
printf '%-36s %8s\n' "" "seconds"
printf '%-36s %8.3f\n' "quillon -CopyDiff:0" "$e"
printf '%-36s %8.3f\n' "quillon -Report:0 (the read)" "$rep"
printf '%-36s %8.3f\n' "cp --parents (the copy)" "$c"
printf '%-36s %8.3f\n' "cp --parents + sync" "$cs"
printf 'export / (report + cp)         %6.2fx\n' "$(calc "$e / ($rep + $c)")"
printf 'export / (report + cp + sync)  %6.2fx\n' "$(calc "$e / ($rep + $cs)")"
printf 'goal: at most 1.2x\n'
