#!/bin/bash
# VornUtil against the real Linux HID stack. Boots a stock Debian kernel under qemu with
# a busybox initramfs that holds vornkbd (virtual keyboards through /dev/uhid) and
# vornctl (the program's procedures on the hidraw backend), and runs guest-init.sh in
# it: listing, keymap upload and download, a script download into slot FN+3, removal; then
# Debian's systemd-udevd with the rule the package installs (res/60-vornutil.rules): the
# uaccess tag on a keyboard's hidraw node and not on another vendor's, vornctl doctor, and
# vornctl watch hearing a keyboard arrive and go through the udev monitor.
#
# usage: tests/kernel/run.sh [--build-dir DIR] [--accel auto|kvm|tcg]
#   --build-dir DIR  take vornctl, vornkbd and vornc from this configured build folder
#                    (they are brought up to date there); default: a build of its own
#                    in build-kernel/build
#   --accel          auto (default): KVM when it can boot a stock kernel, else TCG
# env: VORN_KERNEL_WORK   work folder (default build-kernel/ in the source tree)
#      VORN_KERNEL_CACHE  where the kernel package is kept (default $VORN_KERNEL_WORK/cache)
#      VORN_KERNEL_PKG    Debian kernel package (default: what linux-image-amd64 depends on)
#      VORN_QEMU_TIMEOUT  seconds for the whole guest run (default 240)
#
# Needs Debian 12 (amd64); installs what it lacks with apt-get when run as root. Prints
# each check and ends with "N passed, N failed"; exits non-zero on any failure. When
# qemu cannot be had or cannot run, it says why and exits 0.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SRC=$(cd "$HERE/../.." && pwd)
WORK=${VORN_KERNEL_WORK:-$SRC/build-kernel}
CACHE=${VORN_KERNEL_CACHE:-$WORK/cache}
QEMU_TIMEOUT=${VORN_QEMU_TIMEOUT:-240}
KVM_BOOT_TIMEOUT=15
BUILD=
ACCEL=auto
while [ $# -gt 0 ]; do
	case $1 in
	--build-dir) [ $# -ge 2 ] || { echo "--build-dir needs a folder" >&2; exit 2; }; BUILD=$(cd "$2" && pwd); shift ;;
	--accel) [ $# -ge 2 ] || { echo "--accel needs auto, kvm or tcg" >&2; exit 2; }; ACCEL=$2; shift ;;
	*) sed -n '2,19p' "$0" >&2; exit 2 ;;
	esac
	shift
done
case $ACCEL in auto | kvm | tcg) ;; *) echo "bad --accel $ACCEL" >&2; exit 2 ;; esac

T0=$(date +%s%N)
elapsed() { awk "BEGIN {printf \"%.1f\", ($(date +%s%N) - $1) / 1e9}"; }
log() { printf '[kernel %6ss] %s\n' "$(elapsed "$T0")" "$*" >&2; }
die() { log "ERROR: $*"; echo "0 passed, 1 failed"; exit 1; }
skip() { log "SKIP: $*"; echo "kernel tests skipped: $*"; echo "0 passed, 0 failed"; exit 0; }
mkdir -p "$WORK" "$CACHE"
APT_LOG=$WORK/apt.log

# Readers below take the whole of their input: with pipefail, one that stops early would
# fail its pipeline with SIGPIPE at random.

# ---- 1. host packages ----------------------------------------------------
# qemu and the initramfs tools; the build tools too, for a machine that has not built yet.
PKGS="qemu-system-x86 busybox-static cpio cmake ninja-build g++ pkg-config libudev-dev"
missing=
for p in $PKGS; do
	[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing="$missing $p"
done
APT_UPDATED=0
apt_update() {
	[ $APT_UPDATED = 1 ] && return 0
	apt-get update >>"$APT_LOG" 2>&1 || return 1
	APT_UPDATED=1
}
if [ -n "$missing" ]; then
	[ "$(id -u)" = 0 ] || skip "missing packages:$missing (run as root to install them)"
	log "installing:$missing (log: $APT_LOG)"
	apt_update || skip "apt-get update failed (see $APT_LOG)"
	# shellcheck disable=SC2086
	DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing >>"$APT_LOG" 2>&1 ||
		skip "apt-get install$missing failed (see $APT_LOG)"
fi
command -v qemu-system-x86_64 >/dev/null || skip "no qemu-system-x86_64"

# ---- 2. guest kernel: the .deb is downloaded, only vmlinuz and drivers/hid unpacked ----
KPKG=${VORN_KERNEL_PKG:-}
if [ -z "$KPKG" ]; then
	KPKG=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ && !n++ {print $2}')
	if [ -z "$KPKG" ]; then
		apt_update || true
		KPKG=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ && !n++ {print $2}')
	fi
fi
[ -n "$KPKG" ] || skip "cannot tell which kernel package linux-image-amd64 depends on"
KROOT=$CACHE/$KPKG
if [ ! -e "$KROOT/.done" ]; then
	log "downloading $KPKG"
	rm -rf "$KROOT" "$CACHE/deb"
	mkdir -p "$KROOT" "$CACHE/deb"
	(cd "$CACHE/deb" && apt-get download "$KPKG" >>"$APT_LOG" 2>&1) ||
		{ apt_update && (cd "$CACHE/deb" && apt-get download "$KPKG" >>"$APT_LOG" 2>&1); } ||
		skip "apt-get download $KPKG failed (see $APT_LOG)"
	DEB=$(ls "$CACHE"/deb/*.deb)
	dpkg-deb --fsys-tarfile "$DEB" | tar -x -C "$KROOT" --wildcards \
		'./boot/vmlinuz-*' './lib/modules/*/modules.builtin' './lib/modules/*/kernel/drivers/hid/*'
	mv "$DEB" "$KROOT/"
	rm -rf "$CACHE/deb"
	touch "$KROOT/.done"
fi
VMLINUZ=$(ls "$KROOT"/boot/vmlinuz-*)
KVER=${VMLINUZ##*/vmlinuz-}
MODDIR=$KROOT/lib/modules/$KVER

# ---- 2b. udev for the guest: udevadm (systemd-udevd is a link to it) from Debian's package
UPKG=$CACHE/udev
if [ ! -e "$UPKG/.done" ]; then
	log "downloading udev"
	rm -rf "$UPKG" "$CACHE/udeb"
	mkdir -p "$UPKG" "$CACHE/udeb"
	(cd "$CACHE/udeb" && apt-get download udev >>"$APT_LOG" 2>&1) ||
		{ apt_update && (cd "$CACHE/udeb" && apt-get download udev >>"$APT_LOG" 2>&1); } ||
		skip "apt-get download udev failed (see $APT_LOG)"
	dpkg-deb --fsys-tarfile "$CACHE"/udeb/udev_*.deb | tar -x -C "$UPKG" ./bin/udevadm
	rm -rf "$CACHE/udeb"
	touch "$UPKG/.done"
fi
UDEVADM=$UPKG/bin/udevadm
if ldd "$UDEVADM" | grep -q 'not found'; then
	skip "udevadm needs libraries this machine lacks: $(ldd "$UDEVADM" | grep 'not found' | tr -s ' \n' ' ')"
fi

# ---- 3. kernel modules: hid, uhid, hid-generic and their dependencies --------
find_mod() { # file of module $1 ('-' and '_' are the same in module names)
	local pat=${1//[-_]/[-_]}
	find "$MODDIR/kernel" \( -name "$pat.ko" -o -name "$pat.ko.xz" -o -name "$pat.ko.zst" \) -print -quit
}
builtin_mod() { grep -q "/${1//[-_]/[-_]}\.ko" "$MODDIR/modules.builtin"; }
unpack_mod() {
	case $1 in
	*.xz) xz -dc "$1" ;;
	*.zst) zstd -dcq "$1" ;;
	*) cat "$1" ;;
	esac
}
ORDER=()
add_mod() {
	local m=$1 f deps d
	for d in "${ORDER[@]}"; do [ "${d//_/-}" = "${m//_/-}" ] && return 0; done
	builtin_mod "$m" && return 0
	f=$(find_mod "$m")
	if [ -z "$f" ]; then # not under drivers/hid: unpack the whole module tree once
		log "module $m is outside drivers/hid, unpacking all modules"
		dpkg-deb --fsys-tarfile "$KROOT"/*.deb | tar -x -C "$KROOT" './lib/modules'
		f=$(find_mod "$m")
		[ -n "$f" ] || die "module $m is neither built in nor in $KPKG"
	fi
	deps=$(unpack_mod "$f" | tr '\0' '\n' | sed -n 's/^depends=//p' | tr ',' ' ')
	for d in $deps; do add_mod "$d"; done
	ORDER+=("$m")
}
for m in hid uhid hid-generic; do add_mod "$m"; done
log "kernel $KVER, modules: ${ORDER[*]:-all built in}"

# ---- 4. our programs -----------------------------------------------------
TB=$(date +%s%N)
if [ -z "$BUILD" ]; then
	BUILD=$WORK/build
	if [ ! -e "$BUILD/build.ninja" ]; then
		cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BUILD_GUI=OFF \
			-DVORN_BUILD_BENCH=OFF -DVORN_BUILD_TESTS=OFF >"$WORK/cmake.log" 2>&1 ||
			{ tail -n 30 "$WORK/cmake.log" >&2; die "cmake configure failed"; }
	fi
fi
cmake --build "$BUILD" -j2 --target vornctl vornkbd vornc >"$WORK/build.log" 2>&1 ||
	{ tail -n 30 "$WORK/build.log" >&2; die "build of vornctl, vornkbd and vornc failed"; }
log "programs built in $BUILD ($(elapsed "$TB")s)"
VORNCTL=$BUILD/cli/vornctl/vornctl
VORNKBD=$BUILD/cli/vornkbd/vornkbd
VORNC=$BUILD/cli/vornc/vornc

# ---- 5. the guest's files --------------------------------------------------
R=$WORK/root
DATA=$R/data
rm -rf "$R"
mkdir -p "$R"/{bin,dev,proc,sys,tmp,etc,lib/modules} "$DATA"
cp /bin/busybox "$R/bin/"
ln -s busybox "$R/bin/sh" # the rest of the applets are linked by the guest itself
for m in "${ORDER[@]}"; do
	unpack_mod "$(find_mod "$m")" >"$R/lib/modules/${m//_/-}.ko"
	echo "${m//_/-}" >>"$R/lib/modules/order"
done
touch "$R/lib/modules/order"
cp "$VORNCTL" "$VORNKBD" "$UDEVADM" "$R/bin/"
mkdir -p "$R/lib/systemd" "$R/usr/lib/udev/rules.d" "$R/run"
ln -s /bin/udevadm "$R/lib/systemd/systemd-udevd"
# The rule as the package installs it.
cp "$SRC/res/60-vornutil.rules" "$R/usr/lib/udev/rules.d/"
for lib in $(for p in "$VORNCTL" "$VORNKBD" "$UDEVADM"; do ldd "$p"; done | grep -o '/[^ ]*' | sort -u); do
	mkdir -p "$R$(dirname "$lib")"
	cp -L "$lib" "$R$lib"
done
# busybox is static, but its user lookup (su) still loads glibc's files module at run time.
NSS=$(ldconfig -p | awk '/libnss_files.so.2 .*x86-64/ && !n++ {print $NF}')
if [ -n "$NSS" ]; then
	mkdir -p "$R$(dirname "$NSS")"
	cp -L "$NSS" "$R$NSS"
fi
printf 'root:x:0:0::/:/bin/sh\nnobody:x:65534:65534::/:/bin/sh\n' >"$R/etc/passwd"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$R/etc/group"
cp "$HERE/guest-init.sh" "$R/init"
chmod +x "$R/init"

# Keymap files: a header as the format lays it down, then random blocks. changed.dat is
# orvane.dat with its second block replaced.
le32() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $((($1 >> 8) & 255)))\\000\\000"; }
keymap_file() { # FILE VENDOR PRODUCT S N
	{
		printf '\000\000VORN\000\000'
		le32 "$2"; le32 "$3"; le32 "$4"
		printf "\\$(printf %03o "$5")"
		head -c 64 /dev/zero
		head -c $(($4 * $5)) /dev/urandom
	} >"$1"
}
keymap_file "$DATA/orvane.dat" 0x0F39 0x1085 128 3
cp "$DATA/orvane.dat" "$DATA/changed.dat"
dd if=/dev/urandom of="$DATA/changed.dat" bs=1 seek=$((85 + 128)) count=128 conv=notrunc status=none
cmp -s "$DATA/orvane.dat" "$DATA/changed.dat" && die "changed.dat came out equal to orvane.dat"

# The script and what the compiler makes of it, to compare the slot with.
cp "$HERE/slot3.vs" "$DATA/"
COMPILE=$WORK/compile
rm -rf "$COMPILE" && mkdir -p "$COMPILE"
(cd "$COMPILE" && "$VORNC" --model "Orvane Pro" "$DATA/slot3.vs" >vornc.out 2>vornc.err) ||
	die "vornc refused slot3.vs: $(cat "$COMPILE/vornc.err")"
cp "$COMPILE/temp.o" "$DATA/expected.o"

(cd "$R" && find . | cpio -o -H newc --quiet | gzip -1) >"$WORK/initrd.gz"
log "initramfs $(($(stat -c %s "$WORK/initrd.gz") / 1024)) KiB"

# ---- 6. boot ---------------------------------------------------------------
APPEND="console=ttyS0 quiet panic=-1"
RESULT=$WORK/result.log
CONSOLE=$WORK/console.log
QPID=
QSTATUS=0
trap '[ -n "$QPID" ] && kill "$QPID" 2>/dev/null; true' EXIT

boot() { # boot ACCEL [BOOT_TIMEOUT]: 0 when the guest reported its exit status
	local accel=$1 boot_timeout=${2:-0} t
	rm -f "$RESULT" "$CONSOLE"
	t=$(date +%s%N)
	timeout "$QEMU_TIMEOUT" qemu-system-x86_64 -accel "$accel" -m 512 -smp 1 \
		-nodefaults -no-user-config -display none -monitor none -no-reboot \
		-kernel "$VMLINUZ" -initrd "$WORK/initrd.gz" -append "$APPEND" \
		-serial "file:$CONSOLE" -serial "file:$RESULT" 2>"$WORK/qemu.err" &
	QPID=$!
	if [ "$boot_timeout" -gt 0 ]; then
		for _ in $(seq $((boot_timeout * 10))); do
			grep -q '^@@ init' "$RESULT" 2>/dev/null && break
			kill -0 $QPID 2>/dev/null || break
			sleep 0.1
		done
		if ! grep -q '^@@ init' "$RESULT" 2>/dev/null; then
			kill $QPID 2>/dev/null || true
			wait $QPID 2>/dev/null || true
			QPID=
			log "$accel: guest did not reach init in ${boot_timeout}s"
			return 1
		fi
	fi
	QSTATUS=0
	wait $QPID || QSTATUS=$?
	QPID=
	log "$accel: qemu ran $(elapsed "$t")s (start to power-off), status $QSTATUS"
	grep -q '^@@ exit=' "$RESULT" 2>/dev/null
}

kvm_ok() { # a /dev/kvm that can run an unmodified guest kernel
	[ -r /dev/kvm ] && [ -w /dev/kvm ] || { log "no usable /dev/kvm"; return 1; }
	if [ -d /sys/module/kvm_pvm ]; then
		log "/dev/kvm is PVM (kvm_pvm), which cannot boot a stock kernel"
		return 1
	fi
}

ok=1
case $ACCEL in
tcg) boot tcg || ok=0 ;;
kvm) boot kvm $KVM_BOOT_TIMEOUT || ok=0 ;;
auto)
	if kvm_ok && boot kvm $KVM_BOOT_TIMEOUT; then :; else
		log "using TCG"
		boot tcg || ok=0
	fi
	;;
esac

# qemu that failed by itself (no accelerator, no memory) means a machine that cannot run
# these tests; a guest that started and did not finish, or the time-out (124), a failure.
if [ $ok = 0 ] && [ ! -s "$RESULT" ] && [ "$QSTATUS" != 0 ] && [ "$QSTATUS" != 124 ]; then
	skip "qemu did not run: $(head -c 300 "$WORK/qemu.err" | tr '\n' ' ')"
fi

# ---- 7. results --------------------------------------------------------------
[ -s "$RESULT" ] && tr -d '\r' <"$RESULT"
if [ $ok = 0 ]; then
	log "guest gave no exit status; qemu: $(head -c 300 "$WORK/qemu.err" | tr '\n' ' ')"
	[ -s "$CONSOLE" ] && tail -n 20 "$CONSOLE" >&2
fi
passed=$(grep -c '^ok ' "$RESULT" 2>/dev/null || true)
failed=$(grep -c '^FAIL' "$RESULT" 2>/dev/null || true)
passed=${passed:-0} failed=${failed:-0}
[ $ok = 1 ] || failed=$((failed + 1))
grep -q '^@@ exit=0' "$RESULT" 2>/dev/null || [ "$failed" -gt 0 ] || failed=1
log "total $(elapsed "$T0")s; guest log $RESULT, kernel console $CONSOLE"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
