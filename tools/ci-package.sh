#!/usr/bin/env bash
# CI stage for the Debian package: builds it from a configured build folder (with the
# window), checks it with lintian, installs it with apt-get on this machine, runs the
# installed programs from their installed paths, removes it and checks that nothing of it
# is left. Prints each check, "N passed, N failed" and the time of each step; exits
# non-zero on any failure. Run as root (it installs and removes a package).
#
#   tools/ci-package.sh [BUILD-DIR]      (default: build)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
BUILD=${1:-build}
PKG=vornutil

T0=$(date +%s%N)
STEP_T=$T0
STEP_NAME=
passed=0
failed=0
since() { awk "BEGIN {printf \"%.1f\", ($(date +%s%N) - $1) / 1e9}"; }
step() { # the time of the step before, then the name of the next
	[ -n "$STEP_NAME" ] && echo "   ($STEP_NAME: $(since "$STEP_T") s)"
	STEP_NAME=$*
	STEP_T=$(date +%s%N)
	[ "$*" = "done" ] || echo "== $*"
}
pass() { passed=$((passed + 1)); echo "PASS $*"; }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
check() { # check NAME COMMAND...
	local name=$1
	shift
	if "$@" >"$WORK/check.out" 2>&1; then pass "$name"; else
		fail "$name"
		sed 's/^/     /' "$WORK/check.out" | tail -n 15
	fi
}
finish() {
	echo "package stage: $(since "$T0") s"
	echo "$passed passed, $failed failed"
	[ "$failed" = 0 ]
	exit $?
}
die() { fail "$*"; finish; }

[ "$(id -u)" = 0 ] || { echo "ci-package.sh installs a package: run it as root" >&2; exit 2; }
[ -f "$BUILD/CMakeCache.txt" ] || { echo "$BUILD is not a configured build folder" >&2; exit 2; }
grep -q '^VORN_BUILD_GUI:BOOL=ON' "$BUILD/CMakeCache.txt" || die "the package needs the window: configure $BUILD with -DVORN_BUILD_GUI=ON"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# ---- tools -------------------------------------------------------------------------------
step "tools"
need=
for p in dpkg-dev lintian appstream desktop-file-utils; do
	[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || need="$need $p"
done
if [ -n "$need" ]; then
	apt-get -o DPkg::Lock::Timeout=300 update -qq >/dev/null
	DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -qq \
		--no-install-recommends $need >/dev/null || die "cannot install$need"
fi

# ---- build and package -------------------------------------------------------------------
step "build"
cmake --build "$BUILD" -j2 --target vornutil vornutil-demo vornctl vornc vornkbd \
	vorn_packaging_files >"$WORK/build.log" 2>&1 || { tail -n 30 "$WORK/build.log"; die "build"; }
step "cpack"
rm -f "$BUILD"/${PKG}_*.deb
(cd "$BUILD" && cpack -G DEB) >"$WORK/cpack.log" 2>&1 || { tail -n 30 "$WORK/cpack.log"; die "cpack -G DEB"; }
DEB=$(ls "$BUILD"/${PKG}_*.deb 2>/dev/null | head -n 1)
[ -n "$DEB" ] || die "cpack made no package"
DEB=$(cd "$(dirname "$DEB")" && pwd)/$(basename "$DEB")
VERSION=$(dpkg-deb -f "$DEB" Version)
pass "package $(basename "$DEB")"
echo "     Depends: $(dpkg-deb -f "$DEB" Depends)"
echo "     Recommends: $(dpkg-deb -f "$DEB" Recommends)"
dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print "     " $6}'

step "lintian"
lintian --allow-root "$DEB" >"$WORK/lintian.out" 2>&1
sed 's/^/     /' "$WORK/lintian.out"
check "lintian: no errors" sh -c "! grep -q '^E:' '$WORK/lintian.out'"

# ---- install -----------------------------------------------------------------------------
step "install"
before_installed=0
dpkg-query -W -f='${Status}' $PKG 2>/dev/null | grep -q "install ok installed" && before_installed=1
# A copy from `cmake --install` into /usr/local would shadow the package on PATH; the checks
# below run the installed paths under /usr, and say when such a copy is there.
[ -e /usr/local/bin/vornctl ] && echo "     note: /usr/local/bin/vornctl from an earlier cmake --install is present (not used)"
install_deb() {
	DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y \
		--no-install-recommends "$DEB" >"$WORK/install.log" 2>&1
}
if ! install_deb; then
	apt-get -o DPkg::Lock::Timeout=300 update -qq >/dev/null 2>&1
	install_deb || { tail -n 30 "$WORK/install.log"; die "apt-get install $DEB"; }
fi
pass "apt-get install ./$(basename "$DEB")"
check "the install script runs again quietly" \
	sh -c "out=\$(sh /var/lib/dpkg/info/$PKG.postinst configure 2>&1) && [ -z \"\$out\" ]"
dpkg -L $PKG | while read -r f; do [ -f "$f" ] && echo "$f"; done | sort >"$WORK/files"
check "every file of the package is installed" sh -c "[ -s '$WORK/files' ] && while read -r f; do [ -f \"\$f\" ] || exit 1; done < '$WORK/files'"

# ---- run from the installed paths -------------------------------------------------------
step "run"
for p in vornctl vornc vornkbd vornutil vornutil-demo; do
	check "$p --version" sh -c "[ \"\$(/usr/bin/$p --version)\" = '$p $VERSION' ]"
done
/usr/bin/vornctl doctor >"$WORK/doctor.out" 2>&1
doctor=$?
sed 's/^/     /' "$WORK/doctor.out"
check "vornctl doctor exits 0 (no keyboard here counts as usable)" test "$doctor" = 0
check "vornctl doctor finds the installed rule" \
	grep -q "installed: /usr/lib/udev/rules.d/60-vornutil.rules$" "$WORK/doctor.out"
check "vornctl udev-rule is the installed rule" \
	sh -c "/usr/bin/vornctl udev-rule | cmp - /usr/lib/udev/rules.d/60-vornutil.rules"
examples=$(ls /usr/share/doc/$PKG/examples/*.vs 2>/dev/null | head -n 1)
if [ -z "$examples" ]; then
	# No examples in this package yet: a script of our own.
	examples=$WORK/greeting.vs
	printf '%s\n' "' Types a greeting" "start:" '  print "hello<ent>", 1' "end" >"$examples"
	echo "     no installed example; compiling $examples"
fi
mkdir -p "$WORK/vornc"
check "vornc $(basename "$examples")" sh -c "cd '$WORK/vornc' && /usr/bin/vornc '$examples' >/dev/null && [ -s temp.o ]"
for p in vornutil-demo vornutil; do
	# Still running after two seconds (timeout's 124) is the window up and waiting.
	QT_QPA_PLATFORM=offscreen timeout 2 /usr/bin/$p >"$WORK/$p.out" 2>&1
	status=$?
	check "$p runs offscreen (status $status)" test "$status" = 124
done
check "desktop-file-validate (installed entry)" \
	sh -c "out=\$(desktop-file-validate /usr/share/applications/io.github.vornutil.VornUtil.desktop 2>&1); echo \"\$out\"; [ -z \"\$out\" ]"
check "appstreamcli validate --no-net (installed metadata)" \
	appstreamcli validate --no-net /usr/share/metainfo/io.github.vornutil.VornUtil.metainfo.xml
check "a modalias per model in the installed metadata" \
	sh -c "[ \$(grep -c '<modalias>usb:v' /usr/share/metainfo/io.github.vornutil.VornUtil.metainfo.xml) = \$(grep -c 'ATTRS{idVendor}' /usr/lib/udev/rules.d/60-vornutil.rules) ]"
check "man pages vornctl vornc vornkbd" \
	sh -c 'for p in vornctl vornc vornkbd; do gzip -dc /usr/share/man/man1/$p.1.gz | grep -q "^.SH EXIT STATUS" || exit 1; done'

# ---- remove ------------------------------------------------------------------------------
step "remove"
if DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 purge -y $PKG >"$WORK/remove.log" 2>&1; then
	pass "apt-get purge $PKG"
else
	tail -n 20 "$WORK/remove.log"
	fail "apt-get purge $PKG"
fi
check "dpkg no longer knows the package" sh -c "! dpkg-query -W -f='\${Status}' $PKG 2>/dev/null | grep -q installed"
check "no file of the package is left" sh -c "while read -r f; do [ ! -e \"\$f\" ] || { echo \"left: \$f\"; exit 1; }; done < '$WORK/files'"
check "no folder of its own is left" sh -c "[ ! -e /usr/share/doc/$PKG ]"
[ $before_installed = 1 ] && echo "     note: $PKG was installed before this stage; it is removed now"
step "done"
finish
