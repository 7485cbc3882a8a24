#!/bin/sh
# Renders the print preview of a comparison into a PNG file, offscreen (no X server needed).
#   tools/print_preview_screenshot.sh [BUILD_DIR] [OUT_FILE] [LEFT RIGHT]
# BUILD_DIR defaults to ./build, OUT_FILE to BUILD_DIR/screenshots/print-preview.png, the folders
# to the examples pair beside this script.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
out=${2:-$build/screenshots/print-preview.png}
left=$(cd "${3:-$here/../examples/left}" && pwd)
right=$(cd "${4:-$here/../examples/right}" && pwd)
demo=$build/quillon_print_preview_demo

if [ ! -x "$demo" ]; then
    echo "no $demo: build the quillon_print_preview_demo target first" >&2
    exit 1
fi
mkdir -p "$(dirname "$out")"
# Default settings and a private temporary folder: the user's own are never touched.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
XDG_CONFIG_HOME="$scratch" TMPDIR="$scratch" QT_QPA_PLATFORM=offscreen \
    "$demo" "$left" "$right" --grab "$out"
echo "$out"
