#!/bin/bash
# CI stage: the Windows build, cross-compiled with mingw-w64 and tested under wine.
#   1. installs mingw-w64, wine and the GoogleTest sources (apt-get, as root) if missing;
#   2. makes a new wine prefix with no display and starts one persistent wineserver, which
#      is stopped again on exit;
#   3. cross-builds what ctest runs (target vorn_test_programs: the Qt-free tests, the fake
#      hid.dll / setupapi.dll, vornctl.exe, vornc.exe) in build-win/;
#   4. runs ctest under wine: the Qt-free unit tests, the Windows backend tests, the version
#      resource and language id under LC_ALL, vornctl.exe end to end on fake keyboards; a
#      failed test is run once more, and a test that passed only then is named;
#   5. compares vornc.exe with the Linux vornc (exit status, messages, temp.o byte for byte)
#      on every script of fuzz/corpus/compiler and the sample scripts, both layouts.
# Prints "N passed, N failed", the time of each step and the CPU time; exits non-zero on
# any failure. Everything it writes stays in the two build folders (the native build/ of
# the other stages is not touched).
#
#   tools/ci-wine.sh [--build-dir DIR] [--native-dir DIR] [--work DIR]
#   JOBS=N             parallel compile jobs (default 2)
#   VORN_CCACHE=1      compile through ccache (off by default: CI has no ccache)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build-win
NATIVE=$ROOT/build-wine-native
WORK=
while [ $# -gt 0 ]; do
	case $1 in
	--build-dir) BUILD=$2 ;;
	--native-dir) NATIVE=$2 ;;
	--work) WORK=$2 ;;
	*) echo "ci-wine: unknown argument $1" >&2; exit 2 ;;
	esac
	shift 2
done
WORK=${WORK:-$BUILD/ci-wine}
JOBS=${JOBS:-2}
START=$(date +%s)
step_start=$START
passed=0
failed=0
step() {
	now=$(date +%s)
	echo "ci-wine: $1 ($((now - step_start)) s)"
	step_start=$now
}
die() {
	echo "ci-wine: $*" >&2
	echo "ci-wine: $passed passed, $((failed + 1)) failed"
	exit 1
}

# ---- 1. packages ----
need=""
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need="$need g++-mingw-w64-x86-64-posix"
command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || need="$need wine64"
command -v wine >/dev/null || need="$need wine"
[ -f /usr/src/googletest/CMakeLists.txt ] || need="$need googletest"
command -v ninja >/dev/null || need="$need ninja-build"
command -v cmake >/dev/null || need="$need cmake"
if [ -n "$need" ]; then
	[ "$(id -u)" = 0 ] || die "missing packages:$need (run as root to install them)"
	apt-get -o DPkg::Lock::Timeout=300 update -qq >/dev/null || die "apt-get update failed"
	# shellcheck disable=SC2086
	DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -qq \
		--no-install-recommends $need >/dev/null || die "apt-get install$need failed"
fi
step "packages ready${need:+ (installed$need)}"

# ---- 2. wine prefix and a persistent wineserver ----
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
# A new prefix every run: nothing left from an earlier run or another wine version counts.
# A wineserver still serving an old prefix at this path is stopped first.
[ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
rm -rf "$WINEPREFIX" "$WORK/cmp" && mkdir -p "$WORK" || die "cannot make $WORK"
trap 'wineserver -k 2>/dev/null' EXIT
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >"$WORK/wineboot.log" 2>&1 ||
	{ tail -n 20 "$WORK/wineboot.log"; die "wineboot failed"; }
wineserver -w
# No display here: the null graphics driver lets windows (message-only ones) be made.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 ||
	die "wine reg add failed"
wineserver -w
wineserver -p || die "wineserver -p failed"
# The first program started on the server also starts wine's services (services.exe,
# winedevice.exe, ...), which inherit its standard output and error and stay as long as the
# server. Started here with no pipe, they cannot hold open the pipe a test listing is read
# through (ctest would wait for its end until the discovery timeout).
wine cmd /c exit </dev/null >/dev/null 2>&1 || die "wine cannot start a program"
step "wine prefix ready ($(wine --version 2>/dev/null))"

# ---- 3. cross build ----
# The launcher is always set, empty unless asked for, so that a build folder configured
# with ccache once does not keep calling it.
launcher=
[ "${VORN_CCACHE:-0}" = 1 ] && launcher=ccache
CCACHE=(-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher -DCMAKE_C_COMPILER_LAUNCHER=$launcher)
# Without debug information and at -O1: the stage runs tests, nobody debugs these files,
# and the cross build is nearly all of the stage's time.
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
	-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
	-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -DNDEBUG" \
	-DVORN_BUILD_GUI=OFF -DVORN_BUILD_BENCH=OFF "${CCACHE[@]}" >"$WORK/configure-win.log" 2>&1 ||
	{ tail -n 30 "$WORK/configure-win.log"; die "cross configure failed"; }
nice cmake --build "$BUILD" -j"$JOBS" --target vorn_test_programs >"$WORK/build-win.log" 2>&1 ||
	{ grep -A5 '^FAILED' "$WORK/build-win.log" | head -n 60; die "cross build failed"; }
step "cross build"

# ---- 4. ctest under wine ----
# A failed test runs once more: wine now and then fails to start a program (a test that
# fails in a few hundredths of a second with no output at all). Such a test counts as
# passed, but is named below with its first run, so that it stays visible.
(cd "$BUILD" && ctest -j"$JOBS" --timeout 300 --output-on-failure --repeat until-pass:2) \
	>"$WORK/ctest.log" 2>&1
ctest_status=$?
# ctest prints the result of a second run without the "i/n" count in front.
retried=$(sed -n 's/^ \{1,\}Test \{1,\}#[0-9]\{1,\}: \([^ ]\{1,\}\) .* Passed .*/\1/p' "$WORK/ctest.log")
summary=$(grep -E '^[0-9]+% tests passed' "$WORK/ctest.log")
total=$(echo "$summary" | sed -n 's/.* out of \([0-9]*\)$/\1/p')
bad=$(echo "$summary" | sed -n 's/.*, \([0-9]*\) tests failed.*/\1/p')
if [ -z "$total" ]; then
	tail -n 40 "$WORK/ctest.log"
	failed=$((failed + 1))
	echo "FAIL - ctest under wine did not run"
else
	passed=$((passed + total - bad))
	failed=$((failed + bad))
	[ "$ctest_status" = 0 ] || sed -n '/The following tests FAILED/,$p' "$WORK/ctest.log"
	grep -E '^ok   - |^FAIL - ' "$BUILD/Testing/Temporary/LastTest.log" 2>/dev/null | grep -c '^ok' |
		sed 's/^/ci-wine: vornctl end-to-end checks passed: /'
	echo "ci-wine: ctest under wine: $summary"
	if [ -n "$retried" ]; then
		echo "ci-wine: passed only on the retry: $(echo "$retried" | wc -l) test(s); their first runs:"
		for name in $retried; do
			grep -F -- " $name " "$WORK/ctest.log" | grep -E '^[0-9]+/[0-9]+ Test +#' |
				sed 's/^/ci-wine:   RETRIED /'
		done
	else
		echo "ci-wine: passed only on the retry: none"
	fi
	grep -E '^[a-z_]+ += ' "$WORK/ctest.log" | sed 's/^/ci-wine:   label /'
fi
step "ctest under wine"

# ---- 5. vornc.exe against the Linux vornc ----
cmake -S "$ROOT" -B "$NATIVE" -G Ninja -DVORN_BUILD_GUI=OFF -DVORN_BUILD_TESTS=OFF \
	-DVORN_BUILD_BENCH=OFF "${CCACHE[@]}" >"$WORK/configure-native.log" 2>&1 ||
	{ tail -n 30 "$WORK/configure-native.log"; die "native configure failed"; }
nice cmake --build "$NATIVE" -j"$JOBS" --target vornc >"$WORK/build-native.log" 2>&1 ||
	{ grep -A5 '^FAILED' "$WORK/build-native.log" | head -n 60; die "native build of vornc failed"; }
LINUX_VORNC=$NATIVE/cli/vornc/vornc
WIN_VORNC=$BUILD/cli/vornc/vornc.exe
compared=0
differ=0
for script in "$ROOT"/fuzz/corpus/compiler/*.vs "$ROOT"/tests/kernel/*.vs \
	$(find "$ROOT/tests/script/data" -name '*.vs' | sort); do
	for layout in 1 2; do
		rm -rf "$WORK/cmp" && mkdir -p "$WORK/cmp/linux" "$WORK/cmp/win"
		cp "$script" "$WORK/cmp/script.vs"
		(cd "$WORK/cmp/linux" && "$LINUX_VORNC" --layout $layout ../script.vs >out 2>err)
		linux_status=$?
		(cd "$WORK/cmp/win" && wine "$WIN_VORNC" --layout $layout ../script.vs >out.crlf 2>err.crlf)
		win_status=$?
		# The Windows console ends lines with CR LF; the texts themselves must be the same.
		tr -d '\r' <"$WORK/cmp/win/out.crlf" >"$WORK/cmp/win/out"
		tr -d '\r' <"$WORK/cmp/win/err.crlf" >"$WORK/cmp/win/err"
		same=yes
		[ "$linux_status" = "$win_status" ] || same="exit $linux_status vs $win_status"
		cmp -s "$WORK/cmp/linux/out" "$WORK/cmp/win/out" || same="standard output differs"
		cmp -s "$WORK/cmp/linux/err" "$WORK/cmp/win/err" || same="standard error differs"
		if [ -e "$WORK/cmp/linux/temp.o" ] || [ -e "$WORK/cmp/win/temp.o" ]; then
			cmp -s "$WORK/cmp/linux/temp.o" "$WORK/cmp/win/temp.o" || same="temp.o differs"
		fi
		compared=$((compared + 1))
		if [ "$same" != yes ]; then
			differ=$((differ + 1))
			echo "FAIL - vornc.exe --layout $layout ${script#"$ROOT"/}: $same"
		fi
	done
done
passed=$((passed + compared - differ))
failed=$((failed + differ))
echo "ci-wine: vornc.exe vs Linux vornc: $compared runs, $((compared - differ)) identical"
step "vornc comparison"

echo "ci-wine: total $(($(date +%s) - START)) s"
# CPU time of the script and of everything it ran (compilers, wine): user and system.
times >"$WORK/times"
sed -n '2s/^/ci-wine: CPU time of the programs it ran (user, system) /p' "$WORK/times"
echo "ci-wine: $passed passed, $failed failed"
[ "$failed" = 0 ]
