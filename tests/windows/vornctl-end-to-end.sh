#!/bin/bash
# vornctl.exe end to end under wine on fake keyboards (the fake hid.dll runs the simulated
# keyboard's engine and keeps each keyboard's keymap and slots in a folder), with the
# expectations of the Linux end-to-end run (tests/kernel/guest-init.sh): list, keymap
# upload, keymap download of a changed file and upload again, script download into FN+3.
# Prints "ok   - ..." / "FAIL - ..." lines and exits non-zero on any failure.
#
#   vornctl-end-to-end.sh --wine WINE --vornctl EXE --vornc EXE --hid DLL --setupapi DLL
#                         --script FILE.vs --work DIR
set -u
while [ $# -gt 0 ]; do
	case $1 in
	--wine) WINE=$2 ;;
	--vornctl) VORNCTL=$2 ;;
	--vornc) VORNC=$2 ;;
	--hid) HID=$2 ;;
	--setupapi) SETUPAPI=$2 ;;
	--script) SCRIPT=$2 ;;
	--work) WORK=$2 ;;
	*) echo "unknown argument $1" >&2; exit 2 ;;
	esac
	shift 2
done
export WINEDEBUG=-all WINEDLLOVERRIDES=hid,setupapi=n
rm -rf "$WORK" && mkdir -p "$WORK/bin" "$WORK/fakehid" "$WORK/kbd0" "$WORK/kbd1" "$WORK/run" || exit 1
cp "$VORNCTL" "$VORNC" "$HID" "$SETUPAPI" "$WORK/bin/" || exit 1
win() { winepath -w "$1" 2>/dev/null; }
FAKE=$(win "$WORK/fakehid")
export FAKEHID_DIR=$FAKE

# Two supported models, then three devices discovery must pass over (as on Linux).
line() { printf 'VORNFAKEHID vid=%s pid=%s usage=%s page=FF00 feature=%s name=%s%s\n' "$@"; }
line 0F39 1085 0080 9 kbd0 " state=$(win "$WORK/kbd0")" >"$WORK/fakehid/0-kbd0.hid"
line 0F39 108A 0080 20 kbd1 " state=$(win "$WORK/kbd1")" >"$WORK/fakehid/1-kbd1.hid"
line 0F39 1085 0006 9 usage "" >"$WORK/fakehid/2-usage.hid"
line 0F39 9999 0080 9 product "" >"$WORK/fakehid/3-product.hid"
line 1209 0001 0080 9 vendor "" >"$WORK/fakehid/4-vendor.hid"

passed=0
failed=0
check() {
	what=$1
	shift
	if "$@"; then
		echo "ok   - $what"
		passed=$((passed + 1))
	else
		echo "FAIL - $what"
		failed=$((failed + 1))
		sed 's/^/  out| /' "$WORK/run/$name.out" 2>/dev/null | head -n 20
		sed 's/^/  err| /' "$WORK/run/$name.err" 2>/dev/null | head -n 20
	fi
}
# ctl NAME ARGS...: vornctl.exe ARGS in $WORK/run; the console's CRLF line ends become LF.
ctl() {
	name=$1
	shift
	(cd "$WORK/run" && "$WINE" "$WORK/bin/$(basename "$VORNCTL")" "$@" >"$name.crlf" 2>"$name.errcrlf")
	status=$?
	tr -d '\r' <"$WORK/run/$name.crlf" >"$WORK/run/$name.out"
	tr -d '\r' <"$WORK/run/$name.errcrlf" >"$WORK/run/$name.err"
}
said() { grep -qxF "$2" "$WORK/run/$1.err"; }
exited() { [ "$status" = "$1" ]; }
size_of() { wc -c <"$1" | tr -d ' '; }

P0="$FAKE\\0-kbd0.hid"
P1="$FAKE\\1-kbd1.hid"
ctl list list
printf '0\tOrvane Pro\t0f39:1085\treport length 9\t%s\n1\tBrellow\t0f39:108a\treport length 20\t%s\n' "$P0" "$P1" >"$WORK/want-list"
check "list: exit 0" exited 0
check "list: the Orvane Pro and the Brellow with ids, report length and path, in interface order" \
	cmp -s "$WORK/want-list" "$WORK/run/list.out"
ctl all list --all
check "list --all: the keyboards as list shows them" sh -c "head -n 2 '$WORK/run/all.out' | cmp -s '$WORK/want-list' -"
check "list --all: the usage 0x0006 interface not taken" \
	grep -qxF -e "$(printf -- '-\t%s\\2-usage.hid\t0f39:1085\tnot taken: usage 0x0006, a keyboard has 0x0080' "$FAKE")" "$WORK/run/all.out"
check "list --all: the unknown product not taken" \
	grep -qxF -e "$(printf -- '-\t%s\\3-product.hid\t0f39:9999\tnot taken: unknown product' "$FAKE")" "$WORK/run/all.out"
check "list --all: the other vendor not taken" \
	grep -qxF -e "$(printf -- '-\t%s\\4-vendor.hid\t1209:0001\tnot taken: other vendor' "$FAKE")" "$WORK/run/all.out"
check "list --all: nothing else" [ "$(wc -l <"$WORK/run/all.out")" -eq 5 ]

ctl up1 keymap-upload up1.dat --keyboard 0
check "keymap-upload: exit 0" exited 0
check "keymap-upload: \"Upload successfully.\"" said up1 "Upload successfully."
check "keymap-upload: 85 + 128 x 4 bytes" [ "$(size_of "$WORK/run/up1.dat")" = 597 ]

# The same header, other blocks.
{ head -c 85 "$WORK/run/up1.dat"; for i in $(seq 1 512); do printf "\\$(printf %03o $((i * 37 % 256)))"; done; } >"$WORK/run/changed.dat"
ctl down keymap-download changed.dat --keyboard 0
check "keymap-download of the changed file: exit 0" exited 0
check "keymap-download: \"Download successfully.\"" said down "Download successfully."
ctl up2 keymap-upload up2.dat --keyboard 0
check "keymap-upload again: exit 0" exited 0
check "keymap-upload again: the keyboard now holds the changed file" cmp "$WORK/run/changed.dat" "$WORK/run/up2.dat"

ctl other keymap-download changed.dat --keyboard 1
check "keymap-download of an Orvane Pro file into the Brellow: exit 1" exited 1
check "keymap-download into the Brellow: refused as another model's file" \
	said other "The selected file is not for the selected model."
ctl brellow keymap-upload brellow.dat --keyboard 1
check "keymap-upload from the Brellow (report length 20): exit 0" exited 0
ctl pick keymap-upload pick.dat
check "keymap-upload with two keyboards and no --keyboard: \"Please select a model first.\", exit 1" \
	sh -c "[ $status = 1 ] && grep -qxF 'Please select a model first.' '$WORK/run/pick.err'"

cp "$SCRIPT" "$WORK/run/slot3.vs"
ctl noscript script-download slot3.vs --slot 3 --keyboard 1
check "script-download into the Brellow: \"Not supported for this model.\", exit 1" \
	sh -c "[ $status = 1 ] && grep -qxF 'Not supported for this model.' '$WORK/run/noscript.err'"
# The instructions vornc.exe compiles for the same script and layout.
(cd "$WORK/run" && mkdir -p c && cd c && "$WINE" "$WORK/bin/$(basename "$VORNC")" --layout 1 ../slot3.vs >/dev/null 2>&1)
tr -d '\r' <"$WORK/run/c/temp.o" >"$WORK/expected.txt" 2>/dev/null
lines=$(($(wc -l <"$WORK/expected.txt") + 1))
ctl script script-download slot3.vs --slot 3 --keyboard 0
check "script-download: exit 0" exited 0
check "script-download: \"Download the scrip file successfully.\"" said script "Download the scrip file successfully."
check "script-download: progress as plain lines, ending at $lines/$lines" said script "progress $lines/$lines"
check "script-download: temp.o deleted afterwards" [ ! -e "$WORK/run/temp.o" ]
check "slot FN+3: erased once, begun once, one WriteScript per instruction in sequence" \
	grep -qxF "FN+3 erased 1 begun 1 written $((lines - 1)) in sequence" "$WORK/kbd0/slots.txt"
check "slot FN+3 holds temp.o's instructions, in order" cmp "$WORK/expected.txt" "$WORK/kbd0/slot3.txt"
check "no other slot was touched" [ "$(grep -c 'erased 0 begun 0 written 0' "$WORK/kbd0/slots.txt")" = 9 ]

echo "vornctl end to end under wine: $passed passed, $failed failed"
[ "$failed" = 0 ]
