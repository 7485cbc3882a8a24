#!/usr/bin/env bash
# The printed comparison to PDF on large trees: `quillon -PrintPDF` (every row) at two sizes,
# wall time and peak memory of each (/usr/bin/time -v; the peak covers Ghostscript too), and how
# both grow from the smaller size to the larger, which for a linear run is the ratio of the rows:
#   bench/print_bench.sh [BUILD_DIR] [SMALL_FILES] [LARGE_FILES]    (default 50000 100000)
# The trees come from bench/make_trees under $TMPDIR and are reused between runs.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
sizes=("${2:-50000}" "${3:-100000}")

for tool in "$build/quillon" "$build/bench/make_trees" /usr/bin/time; do
    [[ -x "$tool" ]] || { echo "missing $tool: build quillon and the bench targets first" >&2; exit 2; }
done
for tool in pdfinfo gs; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
done

# Default settings: the user's own must not change the figures.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config"
mkdir -p "$XDG_CONFIG_HOME"

declare -A seconds peak rows pages
for files in "${sizes[@]}"; do
    data="${TMPDIR:-/tmp}/quillon_trees_$files"
    "$build/bench/make_trees" "$data" "$files" >/dev/null
    pdf="$scratch/out_$files.pdf"
    set +e
    /usr/bin/time -v -o "$scratch/time_$files" \
        "$build/quillon" -PrintPDF -Out:"$pdf" "$data/left" "$data/right" 2>"$scratch/err_$files"
    rc=$?
    set -e
    if ((rc > 1)); then
        echo "quillon -PrintPDF failed ($rc):" >&2
        cat "$scratch/err_$files" >&2
        exit 2
    fi
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$scratch/time_$files")
    seconds[$files]=$(awk -v t="$wall" 'BEGIN { n = split(t, p, ":"); s = 0;
        for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }')
    peak[$files]=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' \
        "$scratch/time_$files")
    pages[$files]=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
    # The rows: one line each in the plain-name report of every row, after its two header lines.
    rows[$files]=$(("$build/quillon" -Report:6:3:1 "$data/left" "$data/right" || true) |
        awk 'END { print NR - 2 }')
    printf '%8s files: %8s rows  %6s pages  %7.2f s  %8s MB peak  (%s)\n' "$files" \
        "${rows[$files]}" "${pages[$files]}" "${seconds[$files]}" "${peak[$files]}" \
        "$(du -h "$pdf" | cut -f1)"
done

small=${sizes[0]}
large=${sizes[1]}
awk -v r1="${rows[$small]}" -v r2="${rows[$large]}" -v t1="${seconds[$small]}" \
    -v t2="${seconds[$large]}" -v m1="${peak[$small]}" -v m2="${peak[$large]}" 'BEGIN {
    printf "rows x%.2f: time x%.2f, peak memory x%.2f\n", r2 / r1, t2 / t1, m2 / m1
    printf "per 1000 rows: %.3f s and %.2f MB (small), %.3f s and %.2f MB (large)\n",
        1000 * t1 / r1, 1000 * m1 / r1, 1000 * t2 / r2, 1000 * m2 / r2
}'
