#!/bin/sh
# PID 1 of the kernel-test guest (busybox sh). Virtual keyboards made by vornkbd through
# /dev/uhid, driven by vornctl through hidraw. Check lines ("ok   - ..." or "FAIL - ...")
# and observations ("obs: ...") go to ttyS1, which the host reads from a file; the kernel
# console is ttyS0. The last line is "@@ exit=STATUS".
export PATH=/bin
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp
cd /tmp || exit 1
# Keymap downloads keep a backup of the keyboard's keymap in the user's state folder.
export XDG_STATE_HOME=/tmp/state
exec >/dev/ttyS1 2>&1

up() { cut -d' ' -f1 /proc/uptime; }
since() { awk "BEGIN {printf \"%.2f\", $(up) - $1}"; }
rc=0
pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; rc=1; }
# check DESCRIPTION COMMAND...: one check line, from the command's exit status
check() {
	what=$1
	shift
	if "$@"; then pass "$what"; else fail "$what"; fi
}

# ctl NAME ARGS...: vornctl ARGS in /tmp; standard output and error in /tmp/NAME.out and
# /tmp/NAME.err, exit status in $status. $AS may hold a command that runs it as another user.
ctl() {
	name=$1
	shift
	t=$(up)
	if [ -n "$AS" ]; then
		su -s /bin/sh nobody -c "vornctl $*" >"/tmp/$name.out" 2>"/tmp/$name.err"
	else
		vornctl "$@" >"/tmp/$name.out" 2>"/tmp/$name.err"
	fi
	status=$?
	echo "obs: ${AS:+(as nobody) }vornctl $* -> exit $status in $(since "$t")s"
	sed 's/^/  out| /' "/tmp/$name.out"
	sed 's/^/  err| /' "/tmp/$name.err"
}
# said NAME TEXT: the run's standard error has TEXT as a whole line
said() { grep -qxF "$2" "/tmp/$1.err"; }
exited() { [ "$status" = "$1" ]; }

nodes() { ls /sys/class/hidraw 2>/dev/null | wc -l; }
# wait_nodes N: until there are N hidraw nodes, at most 10 s
wait_nodes() {
	n=0
	while [ "$(nodes)" -ne "$1" ]; do
		[ $n -ge 100 ] && return 1
		usleep 100000
		n=$((n + 1))
	done
}
# start_kbd NAME ARGS...: vornkbd ARGS in the background, its log in /tmp/NAME.log, its pid
# in $kbd; returns once its hidraw node is there.
start_kbd() {
	name=$1
	shift
	want=$(($(nodes) + 1))
	t=$(up)
	vornkbd "$@" 2>"/tmp/$name.log" &
	kbd=$!
	if wait_nodes $want; then
		echo "obs: vornkbd $* -> hidraw node in $(since "$t")s"
	else
		fail "vornkbd $*: no hidraw node within 10 s"
		sed 's/^/  log| /' "/tmp/$name.log"
	fi
}
# stop_kbd PID NAME: SIGTERM, then vornkbd's exit status
stop_kbd() {
	kill -TERM "$1"
	wait "$1"
	s=$?
	sed 's/^/  log| /' "/tmp/$2.log" | grep -v ' SET \| GET \|GET with no reply' | head -n 5
	return $s
}
size_of() { wc -c <"$1" | tr -d ' '; }

echo "@@ init uptime=$(up) kernel=$(uname -r)"
for m in $(cat /lib/modules/order); do
	insmod "/lib/modules/$m.ko" || fail "insmod $m"
done
[ -c /dev/uhid ] || fail "/dev/uhid missing after loading uhid"

# ---- keyboards: two supported models, then three devices discovery must pass over ----
start_kbd kbd0 --model "Orvane Pro" --keymap /data/orvane.dat --dump /tmp/kbd0 --verbose
k0=$kbd
start_kbd kbd1 --model Brellow --report-length 20 --block-size 64 --blocks 2 --dump /tmp/kbd1
k1=$kbd
start_kbd usage --model "Orvane Pro" --usage 0x0006
k2=$kbd
start_kbd product --model "Orvane Pro" --product 0x9999
k3=$kbd
start_kbd vendor --model Brellow --vendor 0x1209 --product 0x0001
k4=$kbd
for n in /sys/class/hidraw/hidraw0 /sys/class/hidraw/hidraw1; do
	echo "obs: $n -> $(readlink -f "$n")"
	grep -E '^(DRIVER|HID_ID|HID_NAME)=' "$n/device/uevent" | sed 's/^/obs:   /'
done
echo "obs: hidraw0 report descriptor: $(od -An -tx1 -v /sys/class/hidraw/hidraw0/device/report_descriptor | tr -s ' \n' ' ')"
echo "@@ keyboards uptime=$(up)"

# ---- listing ----
ctl list list
printf '0\tOrvane Pro\t0f39:1085\treport length 9\t/dev/hidraw0\n1\tBrellow\t0f39:108a\treport length 20\t/dev/hidraw1\n' >/tmp/want-list
check "list: exit 0" exited 0
check "list: the Orvane Pro and the Brellow with ids, report length and path, in hidraw order" \
	cmp -s /tmp/want-list /tmp/list.out

ctl all list --all
check "list --all: exit 0" exited 0
head -n 2 /tmp/all.out >/tmp/all.head
check "list --all: the keyboards as list shows them" cmp -s /tmp/want-list /tmp/all.head
check "list --all: hidraw2 not taken for its usage" \
	grep -qxF -e "$(printf -- '-\t/dev/hidraw2\t0f39:1085\tnot taken: usage 0x0006, a keyboard has 0x0080')" /tmp/all.out
check "list --all: hidraw3 not taken as an unknown product" \
	grep -qxF -e "$(printf -- '-\t/dev/hidraw3\t0f39:9999\tnot taken: unknown product')" /tmp/all.out
check "list --all: hidraw4 not taken for its vendor" \
	grep -qxF -e "$(printf -- '-\t/dev/hidraw4\t1209:0001\tnot taken: other vendor')" /tmp/all.out
check "list --all: nothing else" [ "$(wc -l </tmp/all.out)" -eq 5 ]

# A user the device nodes do not belong to (devtmpfs makes them root's, mode 0600).
echo "obs: $(ls -l /dev/hidraw0)"
AS=nobody
ctl user list --all
check "list --all as nobody: exit 0" exited 0
check "list --all as nobody: the keyboard listed, but the open refused for permission" \
	grep -qxF -e "$(printf -- '-\t/dev/hidraw0\t0f39:1085\tlisted, but cannot be opened (open /dev/hidraw0: Permission denied)')" /tmp/user.out
check "list --all as nobody: the udev rule hint" grep -q 'install the udev rule 60-vornutil.rules' /tmp/user.err
ctl userup keymap-upload /tmp/nobody.dat --keyboard 0
check "keymap-upload as nobody: exit 1" exited 1
check "keymap-upload as nobody: \"Fail to init.\" first" [ "$(head -n 1 /tmp/userup.err)" = "Fail to init." ]
check "keymap-upload as nobody: the reason and the udev rule hint" \
	sh -c "grep -q 'Permission denied' /tmp/userup.err && grep -q 'install the udev rule' /tmp/userup.err"
AS=

# ---- keymap upload, download of a changed file, upload again ----
ctl up1 keymap-upload /tmp/up1.dat --keyboard 0
check "keymap-upload: exit 0" exited 0
check "keymap-upload: \"Upload successfully.\"" said up1 "Upload successfully."
check "keymap-upload: the file equals the keymap vornkbd started with (header included)" \
	cmp /data/orvane.dat /tmp/up1.dat

ctl down keymap-download /data/changed.dat --keyboard 0
check "keymap-download of the changed file: exit 0" exited 0
check "keymap-download: \"Download successfully.\"" said down "Download successfully."

ctl up2 keymap-upload /tmp/up2.dat --keyboard 0
check "keymap-upload again: exit 0" exited 0
check "keymap-upload again: the keyboard now holds the changed file" cmp /data/changed.dat /tmp/up2.dat

ctl other keymap-download /data/changed.dat --keyboard 1
check "keymap-download of an Orvane Pro file into the Brellow: exit 1" exited 1
check "keymap-download into the Brellow: refused as another model's file" \
	said other "The selected file is not for the selected model."

ctl brellow keymap-upload /tmp/brellow.dat --keyboard 1
check "keymap-upload from the Brellow (report length 20): exit 0" exited 0
check "keymap-upload from the Brellow: 85 + 64 x 2 bytes" [ "$(size_of /tmp/brellow.dat)" = 213 ]

ctl pick keymap-upload /tmp/pick.dat
check "keymap-upload with two keyboards and no --keyboard: \"Please select a model first.\", exit 1" \
	sh -c '[ '"$status"' = 1 ] && grep -qxF "Please select a model first." /tmp/pick.err'

# ---- script download into slot FN+3 ----
ctl noscript script-download /data/slot3.vs --slot 3 --keyboard 1
check "script-download into the Brellow: \"Not supported for this model.\", exit 1" \
	sh -c '[ '"$status"' = 1 ] && grep -qxF "Not supported for this model." /tmp/noscript.err'

ctl script script-download /data/slot3.vs --slot 3 --keyboard 0
lines=$(($(wc -l </data/expected.o) + 1))
check "script-download: exit 0" exited 0
check "script-download: \"Download the scrip file successfully.\"" \
	said script "Download the scrip file successfully."
check "script-download: progress as plain lines, ending at $lines/$lines" said script "progress $lines/$lines"
check "script-download: temp.o deleted afterwards" [ ! -e /tmp/temp.o ]

# ---- removal ----
t=$(up)
check "vornkbd (Orvane Pro) ends with status 0 on SIGTERM" stop_kbd "$k0" kbd0
check "removal: the hidraw node goes" wait_nodes 4
echo "obs: removal took $(since "$t")s"
check "the Orvane Pro's keymap equals the changed file" cmp /data/changed.dat /tmp/kbd0/keymap.dat
check "the Orvane Pro's keymap is no longer the one it started with" \
	sh -c '! cmp -s /data/orvane.dat /tmp/kbd0/keymap.dat'
check "slot FN+3: erased once, begun once, one WriteScript per instruction in sequence" \
	grep -qxF "FN+3 erased 1 begun 1 written $((lines - 1)) in sequence" /tmp/kbd0/slots.txt
tr -d '\r' </data/expected.o >/tmp/expected.txt
check "slot FN+3 holds temp.o's instructions, in order" cmp /tmp/expected.txt /tmp/kbd0/slot3.txt
check "no other slot was touched" \
	[ "$(grep -c 'erased 0 begun 0 written 0' /tmp/kbd0/slots.txt)" = 9 ]
grep -m 4 -E ' (SET|GET ->) ' /tmp/kbd0.log | sed 's/^/obs: kbd0| /'
grep 'removed after' /tmp/kbd0.log | sed 's/^/obs: kbd0| /'
idle=$(sed -n 's/.*(\([0-9]*\) GET with no reply ready).*/\1/p' /tmp/kbd0.log | awk '{s += $1} END {print s + 0}')
echo "obs: kbd0 answered $idle GET requests before a reply was ready"
# The first command over the kernel is the first upload's GetProperty (EA 02 2C C4).
check "the kernel hands vornkbd a SET whole: report ID first, R = 9 bytes" \
	[ "$(grep -m 1 ' SET ' /tmp/kbd0.log)" = "vornkbd: SET 01 EA 02 2C C4 00 00 00 00" ]

ctl after list
check "list after the removal: only the Brellow, now index 0" \
	[ "$(cat /tmp/after.out)" = "$(printf '0\tBrellow\t0f39:108a\treport length 20\t/dev/hidraw1')" ]

for k in $k2 $k3 $k4; do kill -TERM "$k"; done
for k in $k2 $k3 $k4; do wait "$k"; done
check "vornkbd (Brellow) ends with status 0 on SIGTERM" stop_kbd "$k1" kbd1
check "the Brellow's keymap equals what was uploaded from it" cmp /tmp/brellow.dat /tmp/kbd1/keymap.dat
check "every hidraw node gone" wait_nodes 0
ctl none keymap-upload /tmp/none.dat
check "keymap-upload with no keyboard: \"Please plug a VORN keyboard first.\", exit 1" \
	sh -c '[ '"$status"' = 1 ] && grep -qxF "Please plug a VORN keyboard first." /tmp/none.err'

# ---- udev: Debian's systemd-udevd with the installed rule ----
# wait_for FILE PATTERN: until FILE has a line matching PATTERN, at most 10 s
wait_for() {
	n=0
	until grep -q -e "$2" "$1" 2>/dev/null; do
		[ $n -ge 100 ] && return 1
		usleep 100000
		n=$((n + 1))
	done
}
# node_of VENDOR:PRODUCT (upper-case hex as in HID_ID): the /dev path of that device's node
node_of() {
	for n in /sys/class/hidraw/*; do
		grep -q "^HID_ID=0003:0000$1:0000$2\$" "$n/device/uevent" && echo "/dev/${n##*/}" && return
	done
}
has_uaccess() { grep -qE '^(G: uaccess|E: (CURRENT_)?TAGS=.*:uaccess:)' "$1"; }
mount -t tmpfs tmpfs /run
t=$(up)
/lib/systemd/systemd-udevd --daemon 2>/tmp/udevd.err
check "systemd-udevd starts (its control socket appears)" wait_for /proc/net/unix /run/udev/control
echo "obs: systemd-udevd up in $(since "$t")s; rules: $(ls /usr/lib/udev/rules.d | tr '\n' ' ')"
sed 's/^/  udevd| /' /tmp/udevd.err | head -n 5

start_kbd ukbd --model "Orvane Pro"
uk=$kbd
start_kbd uother --model Brellow --vendor 0x1209 --product 0x0001
uo=$kbd
udevadm settle --timeout=10
kn=$(node_of 0F39 1085)
on=$(node_of 1209 0001)
udevadm info "$kn" >/tmp/info-kbd 2>&1
udevadm info "$on" >/tmp/info-other 2>&1
sed 's/^/  info kbd| /' /tmp/info-kbd | grep -i 'tag\|^  info kbd| [NP]:'
sed 's/^/  info other| /' /tmp/info-other | grep -i 'tag\|^  info other| [NP]:'
check "udevadm info: the Orvane Pro's node $kn is tagged uaccess" has_uaccess /tmp/info-kbd
check "udevadm info: the other vendor's node $on is not" sh -c '! grep -q uaccess /tmp/info-other'

ctl doctor doctor
check "doctor with udev and the rule: exit 0" exited 0
check "doctor: udev running, the rule found where the package puts it" \
	sh -c 'grep -qx "udev:          running" /tmp/doctor.out && grep -qx "udev rule:     installed: /usr/lib/udev/rules.d/60-vornutil.rules" /tmp/doctor.out'
check "doctor: the keyboard's node tagged uaccess, the other not a supported keyboard" \
	sh -c "grep -q '^  $kn	0f39:1085	.*supported (Orvane Pro), tagged uaccess	this user may open it' /tmp/doctor.out && grep -q '^  $on	1209:0001	.*not a supported keyboard' /tmp/doctor.out"
AS=nobody
ctl udoctor doctor
AS=
check "doctor as nobody (no seat session here): exit 1, the seat session named" \
	sh -c '[ '"$status"' = 1 ] && grep -q "no active seat session for this user" /tmp/udoctor.out'
kill -TERM "$uk" "$uo"
wait "$uk"
wait "$uo"
wait_nodes 0

# vornctl watch hears the keyboard through the udev monitor, which only a running udev feeds.
vornctl watch >/tmp/watch.out 2>/tmp/watch.err &
w=$!
wait_for /tmp/watch.out '^keyboards: 0$'
t=$(up)
start_kbd wkbd --model "Orvane Pro"
wk=$kbd
check "watch: the arrival, then the list with the Orvane Pro" \
	wait_for /tmp/watch.out "$(printf '^0\tOrvane Pro\t0f39:1085\t')"
echo "obs: watch heard the arrival within $(since "$t")s"
t=$(up)
stop_kbd "$wk" wkbd >/dev/null
check "watch: the removal, then an empty list" wait_for /tmp/watch.out '^removal: a device$'
wait_for /tmp/watch.out '^keyboards: 0$'
echo "obs: watch heard the removal within $(since "$t")s"
kill -INT "$w"
wait "$w"
ws=$?
sed 's/^/  watch| /' /tmp/watch.out
sed 's/^/  watch err| /' /tmp/watch.err
check "watch ends with status 0 on SIGINT" [ "$ws" = 0 ]
check "watch: arrival, list of one, removal, list of none, in that order" \
	sh -c "grep -v '^0	' /tmp/watch.out | tr '\n' '|' | grep -q 'keyboards: 0|.*arrival: a HID interface|keyboards: 1|.*removal: a device|keyboards: 0|'"

# ---- a download that the keyboard refuses at block 2 ends with the earlier keymap ----
start_kbd refuse --model "Orvane Pro" --keymap /data/orvane.dat --refuse-block 2 --dump /tmp/refuse
k5=$kbd
ctl refused keymap-download /data/changed.dat --keyboard 0
check "keymap-download refused at block 2: exit 1, the download's message first, the keymap written back" \
	sh -c '[ '"$status"' = 1 ] &&
		[ "$(head -n 1 /tmp/refused.err)" = "Fail to download the selected file to the keyboard." ] &&
		grep -q "earlier keymap was written back" /tmp/refused.err'
check "vornkbd (refusing block 2) ends with status 0 on SIGTERM" stop_kbd "$k5" refuse
check "the keyboard refusing block 2 holds its earlier keymap (--dump)" cmp /data/orvane.dat /tmp/refuse/keymap.dat

echo "obs: modules: $(cut -d' ' -f1 /proc/modules | tr '\n' ' ')"
echo "@@ exit=$rc uptime=$(up)"
poweroff -f
