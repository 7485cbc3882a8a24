#!/usr/bin/env bash
# The panes' delete of one folder against `rm -rf` on the file system of $TMPDIR, for folders of
# 1,000, 10,000 and 100,000 files of 1 KiB in 100 sub-folders (median of ROUNDS each):
#   - with the journal on, the folder goes to its backup name in one rename: constant time;
#   - with the journal off, the tree is emptied and removed, walked through O_NOFOLLOW handles.
# Our figure is the delete call alone; rm's includes its process start (as for cp in copy_bench).
#   bench/delete_bench.sh [BUILD_DIR] [ROUNDS] [SIZES...]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
rounds="${2:-3}"
shift $(($# > 2 ? 2 : $#))
sizes=("$@")
((${#sizes[@]})) || sizes=(1000 10000 100000)
tool="$build/bench/delete_tree"
[[ -x "$tool" ]] || { echo "missing $tool: build the bench targets first" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/quillon_delete.XXXXXX")"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.4f\", $1 }"; }
ratio() { awk "BEGIN { printf \"%.3g\", $1 / $2 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
timed() { local t0 t1; t0=$(now); "$@" > /dev/null; t1=$(now); calc "$t1 - $t0"; }
ours() { "$tool" "$@" | awk '{ print $2 }'; }

printf 'file system %s, caches warm, median of %s rounds\n' \
    "$(df -T "$work" | awk 'NR==2 {print $2}')" "$rounds"
printf '%8s %10s %12s %8s %16s %10s\n' files 'rm -rf s' 'ours off s' ratio 'ours journal s' ratio
for files in "${sizes[@]}"; do
    declare -a rm_t=() off_t=() on_t=()
    for ((r = 0; r < rounds; ++r)); do
        for who in rm off on; do
            mkdir -p "$work/$who"
            "$tool" make "$work/$who/tree" "$files"
        done
        # Each delete starts with the file system's journal committed, in turns first.
        sync
        if ((r % 2)); then
            off_t+=("$(ours "$work/off/tree")")
            sync
        fi
        rm_t+=("$(timed rm -rf "$work/rm/tree")")
        sync
        if ((r % 2 == 0)); then
            off_t+=("$(ours "$work/off/tree")")
            sync
        fi
        on_t+=("$(ours "$work/on/tree" journal)")
        [[ ! -e "$work/rm/tree" && ! -e "$work/off/tree" && ! -e "$work/on/tree" ]] ||
            { echo "a tree was not deleted" >&2; exit 1; }
        ls "$work/on" | grep -q '^\$diffundo' || { echo "no backup left by the journal" >&2; exit 1; }
        rm -rf "$work/rm" "$work/off" "$work/on"
    done
    rm_m=$(printf '%s\n' "${rm_t[@]}" | median)
    off_m=$(printf '%s\n' "${off_t[@]}" | median)
    on_m=$(printf '%s\n' "${on_t[@]}" | median)
    printf '%8s %10s %12s %7sx %16s %9sx\n' "$files" "$rm_m" "$off_m" "$(ratio "$off_m" "$rm_m")" \
        "$on_m" "$(ratio "$on_m" "$rm_m")"
done
