#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the desktop program need,
# only those that are missing. Non-interactive; run as root (or through sudo).
set -euo pipefail

# zlib1g-dev: zlib's CRC-32 checks every restart file and its deflate compresses the
# VTK results files.
# python3-vtk9: VTK's readers for /usr/bin/python3 (not for a python3 of one's own
# on PATH), with which a unit test reads the .vti/.vtp/.pvd results back; that
# test is skipped without it. It brings Qt 5 libraries, so QMXV_NO_QT leaves it out.
want=(g++ cmake make pkg-config zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev
      qt6-base-dev libqt6opengl6-dev libgl-dev xvfb xauth python3-vtk9)
[ "${QMXV_NO_QT:-0}" = 1 ] && want=(g++ cmake make pkg-config zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev)

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
