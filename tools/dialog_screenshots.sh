#!/bin/sh
# Renders the comparison's four dialogs into PNG files under an X server of its own.
#   tools/dialog_screenshots.sh [BUILD_DIR] [OUT_DIR]
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

for dialog in preferences filter interval output; do
    # -a picks a free display number, so several runs can share the machine.
    xvfb-run -a -s "-screen 0 1280x1024x24" "$demo" "$dialog" --grab "$out/dialog-$dialog.png"
    echo "$out/dialog-$dialog.png"
done
