#!/usr/bin/env bash
# The PDF binder on many small documents, in one run:
#   bench/pdf_bench.sh [BUILD_DIR] [DOCUMENTS] [FOLDERS]
# Makes DOCUMENTS small text files (default 500) spread over FOLDERS folders (default 20), runs
#   quillon -PDF -Out:<pdf> <folder>... with the bookmark tree on (GenerateTOC = 1)
# under /usr/bin/time -v, and prints the wall time, the peak memory of quillon itself and of the
# largest child (the converter or Ghostscript), the page count and the number of bookmarks, and
# the share of the run spent in the assembly (ours) against the conversions and Ghostscript
# (theirs), as the run's log reports them.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
documents="${2:-500}"
folders="${3:-20}"

for tool in "$build/quillon" "$build/quillon-pdfconv"; do
    [[ -x "$tool" ]] || { echo "missing $tool: build quillon first" >&2; exit 2; }
done
for tool in /usr/bin/time gs pdfinfo qpdf; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" TMPDIR="$scratch/tmp"
mkdir -p "$XDG_CONFIG_HOME/marrowby" "$TMPDIR"
cat > "$XDG_CONFIG_HOME/marrowby/HKEY_CURRENT_USER.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Marrowby\Quillon\Settings]
"LogEnabled"=dword:00000001

[HKEY_CURRENT_USER\Software\Marrowby\Quillon\PDFRendition]
"GenerateTOC"=dword:00000001
REG

sources=()
for ((f = 1; f <= folders; ++f)); do
    folder="$scratch/docs/folder$(printf %02d "$f")"
    mkdir -p "$folder"
    sources+=("$folder")
done
for ((d = 1; d <= documents; ++d)); do
    f=$(( (d - 1) % folders + 1 ))
    {
        echo "Document $d in folder $f"
        for ((l = 1; l <= 20; ++l)); do echo "line $l of a small text document number $d"; done
    } > "$scratch/docs/folder$(printf %02d "$f")/doc$(printf %04d "$d").txt"
done

pdf="$scratch/book.pdf"
status=0
/usr/bin/time -v -o "$scratch/time.txt" "$build/quillon" -PDF "-Out:$pdf" "${sources[@]}" \
    2> "$scratch/stderr.txt" || status=$?
if [[ $status -ne 0 ]]; then
    echo "the run ended with status $status; the first lines it wrote:" >&2
    head -5 "$scratch/stderr.txt" >&2
    [[ $status -eq 1 ]] || exit 2
fi

wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0;
        for (i = 1; i <= n; ++i) s = s * 60 + p[i]; print s }' "$scratch/time.txt")
peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$scratch/time.txt")
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
bookmarks=$(qpdf --json --json-key=outlines "$pdf" | grep -c '"title"')
line=$(grep -h "RenderPdf:: " "$TMPDIR"/quillon_log*/*PDF* | tail -1)
assembly=$(sed -E 's/.*assembly ([0-9.]+) s.*/\1/' <<< "$line")
conversions=$(sed -E 's/.*conversions ([0-9.]+) s.*/\1/' <<< "$line")
ghostscript=$(sed -E 's/.*Ghostscript ([0-9.]+) s.*/\1/' <<< "$line")

echo "documents:            $documents in $folders folders"
echo "pages / bookmarks:    $pages / $bookmarks"
echo "wall time:            ${wall} s"
echo "peak memory:          $((peak / 1024)) MB (largest of quillon and its children)"
awk -v a="$assembly" -v c="$conversions" -v g="$ghostscript" -v w="$wall" 'BEGIN {
    printf "assembly (ours):      %.3f s  %5.1f %% of the run\n", a, 100 * a / w
    printf "conversions:          %.3f s  %5.1f %%\n", c, 100 * c / w
    printf "final Ghostscript:    %.3f s  %5.1f %%\n", g, 100 * g / w
}'
