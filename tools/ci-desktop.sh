#!/bin/bash
# CI stage: the window on real displays. Runs the real-display tests of tests/desktop on
#   1. Xvfb without a window manager (xcb),
#   2. Xvfb with openbox (xcb),
#   3. Xvfb where openbox takes over a window already shown,
#   4. weston's headless backend (wayland),
# and the demo itself under openbox, ended with Escape, keeping what the person saved;
# prints "N passed, N failed" and the time each took, keeps screenshots of failures in
# <build>/desktop-shots, and exits non-zero on any failure.
#   tools/ci-desktop.sh [--build-dir DIR]      (default: build; the README build exists there)
set -u
build=build
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) build=$2; shift 2 ;;
        --build-dir=*) build=${1#*=}; shift ;;
        *) echo "usage: $0 [--build-dir DIR]" >&2; exit 2 ;;
    esac
done
start_all=$(date +%s)

packages="xvfb openbox weston qt6-wayland xdotool x11-utils imagemagick"
missing=""
for p in $packages; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
    echo "installing:$missing"
    apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends $missing >/dev/null ||
        { echo "cannot install$missing"; echo "0 passed, 1 failed"; exit 1; }
fi

test_exe="$build/tests/desktop/desktop_real_display_test"
if [ ! -x "$test_exe" ]; then
    cmake --build "$build" --target desktop_real_display_test >/dev/null ||
        { echo "cannot build $test_exe"; echo "0 passed, 1 failed"; exit 1; }
fi
shots="$build/desktop-shots"
rm -rf "$shots"; mkdir -p "$shots"
work=$(mktemp -d)
passed=0; failed=0
pids=""

cleanup() { for p in $pids; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT

# run NAME [ENV...] [-- TEST ARGS...]: runs the test with the environment given, counts
# its test functions. Qt Test's own watchdog ends a test function that hangs after 30 s and
# the whole run is cut at 90 s; a dialog nobody answers is failed by the test in 8 s.
run() {
    name=$1; shift
    envs=""
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do envs="$envs $1"; shift; done
    [ $# -gt 0 ] && shift
    t0=$(date +%s)
    # shellcheck disable=SC2086
    env $envs VORN_SHOT_DIR="$shots" VORN_DESKTOP="$name" QTEST_FUNCTION_TIMEOUT=30000 \
        timeout -k 5 90 "$test_exe" -maxwarnings 0 "$@" >"$work/$name.log" 2>&1
    status=$?
    p=$(grep -c '^PASS ' "$work/$name.log"); f=$(grep -c '^FAIL!' "$work/$name.log")
    p=$((p - 2)); [ $p -lt 0 ] && p=0   # initTestCase and cleanupTestCase
    if [ $status -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
    passed=$((passed + p)); failed=$((failed + f))
    echo "$name: $p passed, $f failed ($(( $(date +%s) - t0 )) s)"
    [ "$f" -gt 0 ] && grep -A3 '^FAIL!\|^Received signal' "$work/$name.log" | sed 's/^/    /'
    cp "$work/$name.log" "$shots/$name.log"
}

wait_for() {  # wait_for SECONDS COMMAND...
    n=$(( $1 * 10 )); shift
    while [ $n -gt 0 ]; do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; n=$((n - 1)); done
    return 1
}

start_x() {  # start_x DISPLAY
    Xvfb "$1" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb$1.log" 2>&1 &
    pids="$pids $!"
    wait_for 10 xdpyinfo -display "$1"
}

places=popupsAndBoxesSitOnTheWindowBeforeAndAfterADrag

# demo_run DISPLAY: the demo as a person uses it. It names its folder of sample scripts; a
# keymap saved there must outlive the demo, which is ended with Escape on its window, while
# the samples it made go.
demo_run() {
    t0=$(date +%s)
    demo="$build/app/vornutil-demo"
    out="$work/demo.out"
    DISPLAY=$1 QT_QPA_PLATFORM=xcb "$demo" >"$out" 2>"$work/demo.err" &
    demo_pid=$!
    folder=""
    wait_for 20 grep -q '^Sample scripts are in ' "$out" &&
        folder=$(sed -n 's/^Sample scripts are in //p' "$out")
    window=$(DISPLAY=$1 timeout 20 xdotool search --sync --onlyvisible --name '^VornUtil$' |
        head -n 1)
    result=failed
    if [ -n "$folder" ] && [ -n "$window" ] && ls "$folder"/*.vs >/dev/null 2>&1; then
        echo "saved by the person" >"$folder/my-keys.dat"
        DISPLAY=$1 xdotool windowactivate --sync "$window" key Escape
        if wait_for 15 sh -c "! kill -0 $demo_pid"; then
            if [ -f "$folder/my-keys.dat" ] && ! ls "$folder"/*.vs >/dev/null 2>&1; then
                result=passed
            else
                echo "    demo-end: after the demo ended the folder holds: $(ls -A "$folder")"
            fi
        else
            echo "    demo-end: Escape did not end the demo"
        fi
    else
        echo "    demo-end: no folder ('$folder'), window ('$window') or samples"
    fi
    kill "$demo_pid" 2>/dev/null; wait "$demo_pid" 2>/dev/null
    [ -n "$folder" ] && rm -rf "$folder"
    if [ "$result" = passed ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    echo "demo-end: $([ "$result" = passed ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed") ($(( $(date +%s) - t0 )) s)"
}

# 1. X without a window manager; the positions once more, as they depend on timing.
if start_x :91; then
    run x-plain DISPLAY=:91 QT_QPA_PLATFORM=xcb
    run x-plain-places-2 DISPLAY=:91 QT_QPA_PLATFORM=xcb -- $places
else
    echo "x-plain: Xvfb did not start"; failed=$((failed + 1))
fi

# 2. X with openbox, started and settled before the program; the positions twice more.
if start_x :92; then
    DISPLAY=:92 openbox >"$work/openbox.log" 2>&1 &
    pids="$pids $!"
    wait_for 10 sh -c 'DISPLAY=:92 xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window'
    # openbox announces itself before it is ready to manage windows, and a window mapped in
    # that moment may never be shown (seen with the first window of a fresh openbox only).
    # Users start programs long after their window manager: wait until a probe window is
    # really shown, trying a new probe when one is lost.
    wm_ready=no
    for try in 1 2 3; do
        DISPLAY=:92 xmessage -name vornprobe -timeout 15 probe >/dev/null 2>&1 &
        probe=$!
        if wait_for 5 sh -c 'DISPLAY=:92 xwininfo -name vornprobe | grep -q IsViewable'; then
            wm_ready=yes
        fi
        kill "$probe" 2>/dev/null; wait "$probe" 2>/dev/null
        [ "$wm_ready" = yes ] && break
        echo "x-openbox: probe window $try was not shown, trying again"
    done
    run x-openbox DISPLAY=:92 QT_QPA_PLATFORM=xcb
    run x-openbox-places-2 DISPLAY=:92 QT_QPA_PLATFORM=xcb -- $places
    run x-openbox-places-3 DISPLAY=:92 QT_QPA_PLATFORM=xcb -- $places
    demo_run :92
else
    echo "x-openbox: Xvfb did not start"; failed=$((failed + 1))
fi

# 3. X where openbox starts only once the window is up and takes it over.
if start_x :93; then
    run x-openbox-late DISPLAY=:93 QT_QPA_PLATFORM=xcb VORN_LATE_WM=openbox -- $places
else
    echo "x-openbox-late: Xvfb did not start"; failed=$((failed + 1))
fi

# 4. Wayland: weston's headless backend. It has no seat (no keyboard, no pointer), and
# Qt 6.4's Wayland input context dereferences the missing seat when a popup opens, so the
# input method is switched off. The file dialog tests are left out here: tests/desktop/README.md
# says what this compositor cannot show.
export XDG_RUNTIME_DIR="$work/xdg"; mkdir -p -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=vorn-ci --idle-time=0 \
    >"$work/weston.log" 2>&1 &
pids="$pids $!"
if wait_for 10 test -S "$XDG_RUNTIME_DIR/vorn-ci"; then
    run wayland-weston WAYLAND_DISPLAY=vorn-ci QT_QPA_PLATFORM=wayland DISPLAY= QT_IM_MODULE=none \
        -- windowMapsWithItsMask $places
else
    echo "wayland-weston: weston did not start"; cat "$work/weston.log"; failed=$((failed + 1))
fi

echo "desktop stage: $(( $(date +%s) - start_all )) s; failure screenshots and logs in $shots"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
