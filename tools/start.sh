#!/bin/sh
# Starts the built program: tools/start.sh [--demo] [BUILD-FOLDER]
# (default folder: build in the current folder, else build beside this script's tools/)
#   --demo   the same window on two simulated keyboards, to try every action without one
# Without a display it says how to get one instead of failing with a Qt platform error.
set -eu
program=vornutil
if [ "${1:-}" = "--demo" ]; then
    program=vornutil-demo
    shift
fi
here=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "${1:-}" ]; then
    build=$1
elif [ -x "build/app/$program" ]; then
    build=build
else
    build="$here/build"
fi
exe="$build/app/$program"
if [ ! -x "$exe" ]; then
    echo "There is no $exe yet. Build first:"
    echo "    cmake -S . -B $build -G Ninja && cmake --build $build"
    exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: VornUtil is a window and needs a graphical session."
    echo "  - On a desktop, run this from a terminal inside the session."
    echo "  - On a machine without a screen, run it on a virtual one and look at it with a"
    echo "    VNC viewer or a screenshot, e.g.:  xvfb-run -a $exe"
    echo "  - To see what it looks like without any display, write pictures of it:"
    echo "        QT_QPA_PLATFORM=offscreen $build/tools/appshot/appshot shots"
    exit 1
fi
if [ "$program" = vornutil ] && ! ls /dev/hidraw* >/dev/null 2>&1; then
    echo "No HID devices here; the keyboard list will stay empty. To try the program"
    echo "without a keyboard: tools/start.sh --demo"
fi
exec "$exe"
