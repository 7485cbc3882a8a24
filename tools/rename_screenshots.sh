#!/bin/sh
# Renders the six pages of the rename wizard into PNG files, without a display.
#   tools/rename_screenshots.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR defaults to ./build, OUT_DIR to BUILD_DIR/screenshots.
set -eu

build=${1:-build}
out=${2:-$build/screenshots}
demo=$build/quillon_dialog_demo

if [ ! -x "$demo" ]; then
    echo "no $demo: build the quillon_dialog_demo target first" >&2
    exit 1
fi
mkdir -p "$out"

for page in 1 2 3 4 5 6; do
    QT_QPA_PLATFORM=offscreen "$demo" "rename$page" --grab "$out/rename-page$page.png"
    echo "$out/rename-page$page.png"
done
