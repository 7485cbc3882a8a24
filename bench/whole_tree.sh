#!/usr/bin/env bash
# Whole-tree comparison against the stat floor, in one run:
#   bench/whole_tree.sh [BUILD_DIR] [FILES]
# Generates (or reuses) a pair of trees under $TMPDIR, then times `find` printing size and time
# of every entry (the least any comparison must do) and a whole-tree comparison with the default
# settings, best of 3 each on a warm cache, and prints the ratio and the memory per item.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
files="${2:-200000}"
bin="$build/bench"
data="${TMPDIR:-/tmp}/quillon_trees_$files"

for tool in make_trees whole_tree_compare; do
    if [[ ! -x "$bin/$tool" ]]; then
        echo "missing $bin/$tool: build the bench targets first" >&2
        exit 2
    fi
done

"$bin/make_trees" "$data" "$files"
left="$data/left"
right="$data/right"

now() { date +%s.%N; }
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
calc() { awk "BEGIN { print $1 }"; }

# Warm the cache once.
find "$left" "$right" -printf '%s %T@\n' > /dev/null

best_find=""
for _ in 1 2 3; do
    t0=$(now)
    find "$left" "$right" -printf '%s %T@\n' > /dev/null
    t1=$(now)
    t=$(calc "$t1 - $t0")
    if [[ -z "$best_find" ]] || less "$t" "$best_find"; then best_find=$t; fi
done

best_cmp=""
line=""
for _ in 1 2 3; do
    out=$("$bin/whole_tree_compare" "$left" "$right")
    t=$(awk '{print $4}' <<<"$out")
    if [[ -z "$best_cmp" ]] || less "$t" "$best_cmp"; then
        best_cmp=$t
        line=$out
    fi
done

items=$(awk '{print $2}' <<<"$line")
per_item=$(awk '{print $6}' <<<"$line")
printf 'files per side   %s\n' "$files"
printf 'items            %s\n' "$items"
printf 'stat floor (find) %.3f s\n' "$best_find"
printf 'comparison        %.3f s\n' "$best_cmp"
printf 'ratio             %.2fx (goal: at most 2x)\n' "$(calc "$best_cmp / $best_find")"
printf 'peak memory       %s bytes per item (goal: at most 300)\n' "$per_item"
