#!/bin/sh
# tools/start.sh finds the program to start: the build folder named on its command line, else
# build/ in the current folder, else build/ beside the script's own tools/ folder, from
# wherever it is run. The programs here are stand-ins that say which one was started.
#   start_test.sh START-SCRIPT
set -u
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

check() {  # NAME EXPECTED-STATUS EXPECTED-TEXT ACTUAL-STATUS ACTUAL-OUTPUT
    if [ "$4" = "$2" ] && printf '%s\n' "$5" | grep -qF -- "$3"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL: %s: wanted status %s and "%s", got status %s:\n%s\n' "$1" "$2" "$3" "$4" "$5"
    fi
}

stand_in() {  # FOLDER: a build folder with both programs standing in
    mkdir -p "$1/app"
    for program in vornutil vornutil-demo; do
        printf '#!/bin/sh\necho "started %s"\n' "$1/app/$program" >"$1/app/$program"
        chmod +x "$1/app/$program"
    done
}

mkdir -p "$work/tree/tools" "$work/elsewhere" "$work/other"
cp "$script" "$work/tree/tools/start.sh"
stand_in "$work/tree/build"

run() {  # FOLDER ARGS...: runs the copied script from FOLDER on a display
    folder=$1
    shift
    (cd "$folder" && DISPLAY=:99 sh "$work/tree/tools/start.sh" "$@" 2>&1)
}

out=$(run "$work/elsewhere" --demo); status=$?
check "run from another folder finds build/ beside tools/" 0 \
    "started $work/tree/build/app/vornutil-demo" "$status" "$out"

out=$(run "$work/elsewhere"); status=$?
check "the program itself, from another folder" 0 "started $work/tree/build/app/vornutil" \
    "$status" "$out"

stand_in "$work/other/build"
out=$(run "$work/other" --demo); status=$?
check "build/ in the current folder comes first" 0 "started $work/other/build/app/vornutil-demo" "$status" \
    "$out"

stand_in "$work/other/out"
out=$(run "$work/other" --demo out); status=$?
check "a folder named on the command line" 0 "started $work/other/out/app/vornutil-demo" "$status" "$out"

out=$(run "$work/elsewhere" --demo nothing-here); status=$?
check "a folder without the program says how to build" 1 \
    "There is no nothing-here/app/vornutil-demo yet" \
    "$status" "$out"

out=$(cd "$work/elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY sh "$work/tree/tools/start.sh" --demo 2>&1)
status=$?
check "no display says how to get one" 1 "No display found" "$status" "$out"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
