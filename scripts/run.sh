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

echo "No display: running 100 time steps of the delta wing demonstration, about 3 million molecules"
echo "(some 45 seconds on two cores; DIAG.TXT and the grid and cell files go to $rundir/)."
exec "$bin" --batch --run-type 3 --steps 100 --dir "$rundir"
