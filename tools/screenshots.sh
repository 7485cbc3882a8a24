#!/bin/sh
# Renders the stand-alone widgets into PNG files under an X server of its own.
#   tools/screenshots.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR defaults to ./build, OUT_DIR to BUILD_DIR/screenshots.
set -eu

build=${1:-build}
out=${2:-$build/screenshots}
demo=$build/quillon_ui_demo

if [ ! -x "$demo" ]; then
    echo "no $demo: build the quillon_ui_demo target first" >&2
    exit 1
fi
mkdir -p "$out"

shot() {
    name=$1
    shift
    # -a picks a free display number, so several runs can share the machine.
    xvfb-run -a -s "-screen 0 1280x1024x24" "$demo" "$@" --grab "$out/$name.png"
    echo "$out/$name.png"
}

# Yes / Yes to all / No / No to all / Cancel with the question icon and check box.
shot messagebox messagebox
shot messagebox-stop messagebox --flags 0x01000012 \
    --text "The file \"report.txt\" could not be copied: permission denied."
shot messagebox-info-help messagebox --flags 0x4040 --text "The comparison is up to date."
shot messagebox-countdown messagebox --flags 0x01000131 --countdown 9 \
    --text "Launch the selected application with ENTER?"
shot messagebox-long messagebox --flags 0x30 --text "The folder /home/user/projects/quillon/build-output/reports/archive/2024 cannot be removed because another program still has files open in it. Close the other program and try again."
shot progress progress --total 4 --position 1
shot progress-large progress --total 6442450944 --position 3221225472 \
    --text "Copying disk.img (50% done)"
