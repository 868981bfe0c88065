#!/usr/bin/env bash
# The main job of `make run`: the desktop program when a display exists,
# otherwise a bounded headless run with its progress on the terminal.
set -euo pipefail
build=${1:-build}
rundir=${2:-run}
bin="$build/qmxv"
mkdir -p "$rundir"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && "$bin" --check-display >/dev/null 2>&1; then
  cd "$rundir" && exec "../$bin"
fi

echo "No display: running 40 steps of the delta wing demonstration (about a minute; files in $rundir/)."
if [ -f demos/QMXVD.DM1 ] && [ -f demos/QMXSD.DM1 ]; then
  exec "$bin" --batch --run-type 3 --steps 40 --dir "$rundir"
fi
# Until the demonstration files exist: a small box case of our own.
cp examples/box/QMXVD.DAT examples/box/QMXSD.DAT "$rundir/"
exec "$bin" --batch --run-type 7 --outputs 3 --dir "$rundir"
