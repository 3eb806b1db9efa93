#!/bin/sh
# Starts the built program from the build folder given (default: build). Without a
# display it says how to get one instead of failing with a Qt platform error.
set -eu
build=${1:-build}
exe="$build/app/vornutil"
if [ ! -x "$exe" ]; then
    echo "Everything that exists so far is built in '$build'; the window is not part of this"
    echo "build yet, so there is nothing to start. Run the tests with the README's second command."
    exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. On a desktop, start $exe from a graphical session;"
    echo "on a headless machine try: xvfb-run -a $exe"
    exit 1
fi
exec "$exe"
