#!/usr/bin/env bash
# The report run on a large pair of trees against peer tools, in one run:
#   bench/report_bench.sh [BUILD_DIR] [FILES]
# Generates (or reuses) the benchmark trees under $TMPDIR, then times, best of 3 on a warm cache:
#   - the stat floor: `find` printing size and time of every entry on both sides,
#   - `quillon -Report:6` (the whole comparison with default settings, written to /dev/null),
#     and the same without the content check of equal-size files (sizes and times only),
#   - `rsync -an --itemize-changes` (size and time, nothing copied),
#   - `diff -rq` (reads the contents of files of equal size; the generated files are sparse but
#     large, so it is cut off after $DIFF_LIMIT seconds, default 120, and shown as "> limit"),
# and prints each time and its ratio to the stat floor and to rsync.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
files="${2:-200000}"

need=("$build/quillon" find rsync diff)
source "$here/pair.sh"

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }

diff_limit="${DIFF_LIMIT:-120}"
cut_off=""

# best_of NAME CMD...: runs CMD three times (exit status 1 means "differences", not failure),
# keeps the best wall time in the variable NAME. A run stopped by `timeout` (status 124) ends
# the series and marks NAME as cut off.
best_of() {
    local name=$1
    shift
    local best="" t0 t1 t rc
    for _ in 1 2 3; do
        t0=$(now)
        set +e
        "$@" >/dev/null 2>&1
        rc=$?
        set -e
        t1=$(now)
        if ((rc == 124)); then
            cut_off="$cut_off $name"
            best=$(calc "$t1 - $t0")
            break
        fi
        if ((rc > 1)); then
            echo "$* failed with status $rc" >&2
            exit 2
        fi
        t=$(calc "$t1 - $t0")
        if [[ -z "$best" ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$t
        fi
    done
    printf -v "$name" '%s' "$best"
}

# Warm the cache once; the first of the three runs of each tool warms what it reads besides.
find "$left" "$right" -printf '%s %T@\n' >/dev/null

best_of t_find find "$left" "$right" -printf '%s %T@\n'
best_of t_quillon env TMPDIR="$scratch" "$build/quillon" -Report:6 "$left" "$right"
# The same run without the content check of equal-size files ("CRC32"=0): sizes and times only,
# the work rsync -an does. The default reads the first bytes of every equal-size pair.
sizes_only="$scratch/sizes-only"
mkdir -p "$sizes_only/marrowby"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Marrowby\\Quillon\\Settings]\n"CRC32"=dword:00000000\n' \
    >"$sizes_only/marrowby/HKEY_CURRENT_USER.reg"
best_of t_sizes env TMPDIR="$scratch" XDG_CONFIG_HOME="$sizes_only" "$build/quillon" -Report:6 \
    "$left" "$right"
best_of t_rsync rsync -an --itemize-changes "$left/" "$right/"
best_of t_diff timeout "$diff_limit" diff -rq "$left" "$right"

printf 'files per side       %s\n' "$files"
printf '%-20s %8s %10s %10s\n' "" "seconds" "vs floor" "vs rsync"
for row in "stat floor (find):t_find" "quillon -Report:6:t_quillon" \
    "  without CRC32:t_sizes" "rsync -an:t_rsync" "diff -rq:t_diff"; do
    label=${row%:*}
    var=${row##*:}
    t=${!var}
    mark=" "
    [[ " $cut_off " == *" $var "* ]] && mark=">"
    printf '%-20s %1s%8.3f %1s%8.2fx %1s%8.2fx\n' "$label" "$mark" "$t" "$mark" "$(calc "$t / $t_find")" \
        "$mark" "$(calc "$t / $t_rsync")"
done
printf 'goal: quillon faster than rsync -an and at most 2x the stat floor\n'
