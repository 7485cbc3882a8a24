#!/bin/sh
# Opens the main window on the example pair under an X server of its own, expands a folder,
# selects the first different file and saves a PNG.
#   tools/window_screenshot.sh [BUILD_DIR] [OUT.png]
# BUILD_DIR defaults to ./build, OUT.png to BUILD_DIR/screenshots/window.png. The settings of the
# run live in a scratch folder, so the user's own window placement and folder list stay untouched.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
out=${2:-$build/screenshots/window.png}
tool=$build/quillon_window_tool

if [ ! -x "$tool" ]; then
    echo "no $tool: build the quillon_window_tool target first" >&2
    exit 1
fi
mkdir -p "$(dirname "$out")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/tmp"
XDG_CONFIG_HOME=$scratch/config TMPDIR=$scratch/tmp \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$tool" --grab "$out" "$here/examples/left" "$here/examples/right"
