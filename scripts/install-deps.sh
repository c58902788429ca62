#!/bin/sh
# Installs the Debian 12 packages that building, running and testing need,
# only those that are missing, so that it costs nothing when all are there.
# Extra package names given as arguments are installed the same way (./dev
# format asks for clang-format, ./dev bench for python3-pandas).
set -e

packages="
  build-essential cmake pkg-config make
  qtbase5-dev qttools5-dev qttools5-dev-tools
  libqcustomplot-dev libhidapi-dev libqt5svg5-dev
  qtmultimedia5-dev libqt5dbus5 dbus-daemon
  fonts-wqy-microhei
  xvfb openbox libx11-dev libxtst-dev
  poppler-utils
  clang libclang-rt-dev llvm
  $*
"
missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
