#!/usr/bin/env bash
# Peak memory and time of the headless report on a generated pair, per item:
#   bench/report_memory.sh [BUILD_DIR] [FILES] [OTHER_QUILLON...]
# Generates (or reuses) the pair under $TMPDIR, counts its items with whole_tree_compare, then
# runs `quillon -Report:6` (and each OTHER_QUILLON, interleaved, 3 rounds) on the pair and on two
# empty folders. Prints the wall time, the peak resident memory, and (peak - empty peak) / items,
# whose goal is at most 150 bytes.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
files="${2:-200000}"
shift $(($# < 2 ? $# : 2))
programs=("$build/quillon" "$@")

need=("$build/bench/whole_tree_compare" "${programs[@]}")
source "$here/pair.sh"
mkdir -p "$scratch/empty_left" "$scratch/empty_right"
export QT_QPA_PLATFORM=offscreen

items=$("$build/bench/whole_tree_compare" "$left" "$right" | awk '{print $2}')

# Prints "seconds peak_kib" of one run.
measure() {
    /usr/bin/time -f '%e %M' -o "$scratch/time" "$@" >/dev/null 2>"$scratch/err" || true
    tail -n 1 "$scratch/time"
}

echo "files per side $files, items $items, load $(cut -d' ' -f1-3 /proc/loadavg)"
for round in 1 2 3; do
    for program in "${programs[@]}"; do
        read -r _ empty < <(measure "$program" -Report:6 "$scratch/empty_left" "$scratch/empty_right")
        read -r seconds peak < <(measure "$program" -Report:6 "$left" "$right")
        awk -v r="$round" -v p="$program" -v s="$seconds" -v k="$peak" -v e="$empty" -v n="$items" \
            'BEGIN { printf "round %d %s: %.2f s, peak %d KiB, empty run %d KiB, %.1f bytes per item\n",
                     r, p, s, k, e, (k - e) * 1024 / n }'
    done
done
echo "load $(cut -d' ' -f1-3 /proc/loadavg)"
