#!/bin/bash
# Takes the screenshots of docs/images: the desktop program on a virtual X
# server (Xvfb) with a window manager (openbox) for the window captions,
# driven from the keyboard (xdotool), grabbed with ImageMagick's import.
#
#   tests/ui_qt/screenshots.sh [path/to/qmxv] [output folder]
#
# Needs: xvfb, openbox, xdotool, imagemagick (none of them are needed to
# build or test the program).
set -euo pipefail
QMXV=$(realpath "${1:-build/qmxv}")
OUT=$(realpath -m "${2:-docs/images}")
mkdir -p "$OUT"
CASE=$(mktemp -d)
DISPLAY_NUMBER=${DISPLAY_NUMBER:-77}
export DISPLAY=:$DISPLAY_NUMBER

# The user's own case: the argon box of examples/box, streaming past a cube.
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cp "$ROOT/examples/box/QMXVD.DAT" "$ROOT/examples/box/QMXSD.DAT" "$CASE/"

Xvfb :$DISPLAY_NUMBER -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
sleep 1
openbox >/dev/null 2>&1 &
WM=$!
sleep 1
(cd "$CASE" && exec "$QMXV" >/dev/null 2>&1) &
APP=$!
trap 'kill $APP $WM $XVFB 2>/dev/null || true; rm -rf "$CASE"' EXIT

shot() {  # window title (a pattern), file name
  local window
  window=$(xdotool search --sync --onlyvisible --name "$1" | head -1)
  sleep 0.8
  import -frame -window "$window" "$OUT/$2"
  echo "$OUT/$2"
}
shot "^Run Type$" run-type.png
xdotool key Return
sleep 0.5
shot "^Type of Information$" information-choice.png
xdotool key Return
sleep 0.5
shot "^The DSMC Method$" information-page.png
xdotool key Escape
sleep 0.5
xdotool search --sync --onlyvisible --name "^Run Type$" >/dev/null
sleep 0.5
xdotool key Up Return  # "Start a New Run from QMXVD.DAT and QMXSD.DAT"
sleep 1
shot "^POSITION" surface-preview.png
xdotool key Escape
sleep 3
shot "^DSMC Visual Program" main-window.png
