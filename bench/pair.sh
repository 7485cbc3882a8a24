# Sourced by the benchmarks on the generated pair of trees. Before sourcing, set `build` (the
# build folder), `files` (per side) and `need` (the executables to check); afterwards `left` and
# `right` name the pair (generated under $TMPDIR on first use, reused after) and `scratch` is a
# private folder, removed on exit, that holds the settings and data folders the runs use: no run
# reads or writes the user's own.

for tool in "$build/bench/make_trees" "${need[@]}"; do
    if [[ ! -x "$tool" ]] && ! command -v "$tool" >/dev/null; then
        echo "missing $tool: build quillon and the bench targets first" >&2
        exit 2
    fi
done

data="${TMPDIR:-/tmp}/quillon_trees_$files"
"$build/bench/make_trees" "$data" "$files" >/dev/null
left="$data/left"
right="$data/right"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/quillon_bench.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/data"
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
