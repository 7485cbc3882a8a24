#!/usr/bin/env bash
# Folder copy against cp: 10,000 files of 4 KiB copied by the panes' copy (every file synced and
# renamed into place) and by `cp -r` followed by `sync`, on the file system of $TMPDIR; then the
# same copy over an existing copy with the journal's backup first. Prints the ratios.
#   bench/copy_bench.sh [BUILD_DIR] [FILES]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
files="${2:-10000}"
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

t0=$(now); cp -r "$work/src" "$work/cp"; sync; t1=$(now)
cp_time=$(calc "$t1 - $t0")
sync
ours=$("$tool" "$work/src" "$work/ours" | awk '{print $2}')
sync
over=$("$tool" "$work/src" "$work/ours" journal | awk '{print $2}')

printf 'file system       %s\n' "$(df -T "$work" | awk 'NR==2 {print $2}')"
printf 'files             %s of 4 KiB\n' "$files"
printf 'cp -r + sync      %s s\n' "$cp_time"
printf 'copy              %s s  (%sx; goal at most 1.3x)\n' "$ours" "$(calc "$ours / $cp_time")"
printf 'copy over, journal %s s  (%sx)\n' "$over" "$(calc "$over / $cp_time")"
