#!/bin/sh
# Installs what VornUtil needs to build and test on Debian 12. Runs apt-get as root,
# through sudo when started by another user. Does nothing when everything is there.
set -eu
# clang and its runtime libraries build the fuzz targets (tools/fuzz-ci.sh); the syntax
# highlighter of libkf5syntaxhighlighting-tools loads our editor syntax definition in a test.
PACKAGES="cmake ninja-build g++ clang clang-format libclang-rt-14-dev pkg-config qt6-base-dev \
qt6-base-dev-tools libgl-dev libudev-dev libgtest-dev libgmock-dev libbenchmark-dev xauth xvfb \
libkf5syntaxhighlighting-tools"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    exec sudo env DEBIAN_FRONTEND=noninteractive "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
# shellcheck disable=SC2086
apt-get install -y --no-install-recommends $missing
