#!/usr/bin/env bash
# The panes' copy and move against cp and mv on the file system of $TMPDIR, every figure a ratio
# to the peer tool timed in the same run (median of ROUNDS, the two alternating):
#   - 10,000 files of 4 KiB in 100 folders: our copy (every file synced before it is renamed
#     into place) vs `cp -r` followed by `sync`; then the same copy over an existing copy with
#     the journal's backup first;
#   - one large file (2 GiB, less when free space is short) vs `cp` followed by `sync`;
#   - a same-disk move of the 10,000-file folder vs `mv` (both one rename: constant time).
# Caches are warm: the sources were just written and are never dropped (that would slow down
# everyone else on the machine).
#   bench/copy_bench.sh [BUILD_DIR] [FILES] [ROUNDS]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
files="${2:-10000}"
rounds="${3:-3}"
tool="$build/bench/copy_tree"
[[ -x "$tool" ]] || { echo "missing $tool: build the bench targets first" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/quillon_copy.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"
for ((i = 0; i < files; ++i)); do
    d="$work/src/d$((i % 100))"
    [[ -d "$d" ]] || mkdir "$d"
    head -c 4096 /dev/urandom > "$d/f$i"
done
sync

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Wall time of a command, process start included (the same for both tools).
timed() { local t0 t1; t0=$(now); "$@" > /dev/null; t1=$(now); calc "$t1 - $t0"; }
cp_sync() { cp -r "$1" "$2"; sync; }
ours() { "$tool" "$@" | awk '{ print $2 }'; }

declare -a cp_t ours_t over_t big_cp_t big_ours_t mv_t move_t
for ((r = 0; r < rounds; ++r)); do
    rm -rf "$work/cp" "$work/ours"
    sync
    cp_t+=("$(timed cp_sync "$work/src" "$work/cp")")
    sync
    ours_t+=("$(ours "$work/src" "$work/ours")")
    sync
    over_t+=("$(ours "$work/src" "$work/ours" journal)")
    rm -rf "$work"/'$diffundo'*
done

# The large file: a source and one copy at a time, with a tenth to spare.
big=$((2 * 1024 * 1024 * 1024))
avail=$(df -B1 --output=avail "$work" | tail -1 | tr -d ' ')
if ((avail / 22 * 10 < big)); then
    big=$((avail / 22 * 10 / 1048576 * 1048576))
    printf 'large file scaled down to %s MiB: %s MiB free\n' $((big / 1048576)) $((avail / 1048576))
fi
head -c "$big" /dev/urandom > "$work/big"
sync
for ((r = 0; r < rounds; ++r)); do
    big_cp_t+=("$(timed cp_sync "$work/big" "$work/big.cp")")
    rm -f "$work/big.cp"
    sync
    big_ours_t+=("$(ours file "$work/big" "$work/big.ours")")
    rm -f "$work/big.ours"
    sync
done
rm -f "$work/big"

# The moves: each round moves a fresh copy of the tree into an empty folder.
for ((r = 0; r < rounds; ++r)); do
    rm -rf "$work/m1" "$work/m2" "$work/into1" "$work/into2"
    cp -r "$work/src" "$work/m1"
    cp -r "$work/src" "$work/m2"
    mkdir "$work/into1" "$work/into2"
    sync
    mv_t+=("$(timed mv "$work/m1" "$work/into1/")")
    move_t+=("$(timed "$tool" move "$work/m2" "$work/into2")")
    [[ -f "$work/into2/m2/d0/f0" ]] || { echo "the move did not arrive" >&2; exit 1; }
done

cp_m=$(printf '%s\n' "${cp_t[@]}" | median)
ours_m=$(printf '%s\n' "${ours_t[@]}" | median)
over_m=$(printf '%s\n' "${over_t[@]}" | median)
big_cp_m=$(printf '%s\n' "${big_cp_t[@]}" | median)
big_ours_m=$(printf '%s\n' "${big_ours_t[@]}" | median)
mv_m=$(printf '%s\n' "${mv_t[@]}" | median)
move_m=$(printf '%s\n' "${move_t[@]}" | median)

printf 'file system        %s, caches warm, median of %s rounds\n' \
    "$(df -T "$work" | awk 'NR==2 {print $2}')" "$rounds"
printf '%s files of 4 KiB in 100 folders\n' "$files"
printf '  cp -r + sync     %s s\n' "$cp_m"
printf '  copy             %s s  %sx  (goal at most 1.3x)\n' "$ours_m" "$(calc "$ours_m / $cp_m")"
printf '  copy over, journal %s s  %sx\n' "$over_m" "$(calc "$over_m / $cp_m")"
printf 'one file of %s MiB\n' $((big / 1048576))
printf '  cp + sync        %s s\n' "$big_cp_m"
printf '  copy             %s s  %sx  (goal at most 1.1x)\n' "$big_ours_m" \
    "$(calc "$big_ours_m / $big_cp_m")"
printf 'move of the %s-file folder on the same disk\n' "$files"
printf '  mv               %s s\n' "$mv_m"
printf '  move             %s s  %sx  (goal: constant time, one rename)\n' "$move_m" \
    "$(calc "$move_m / $mv_m")"
