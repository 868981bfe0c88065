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

# The user's own case: argon streaming through a 1 m box past two closed
# bodies, a cube and a tetrahedron.
cat > "$CASE/QMXVD.DAT" <<'DAT'
0.0      XMIN
1.0      XMAX
0.0      YMIN
1.0      YMAX
0.0      ZMIN
1.0      ZMAX
4        NDIVX
4        NDIVY
4        NDIVZ
2        NELX
2        NELY
2        NELZ
1        MSP
0        MMVM
0        MNR
0        MTBP
0        MNSR
4.17E-10 SP(1,1) reference diameter
273.     SP(2,1) reference temperature
0.81     SP(3,1) viscosity index
6.63E-26 SP(4,1) mass
0        ISPR(1,1)
1.0E20   FND
300.     FTMP
500.     VFX
0.       VFY
0.       VFZ
1.0      FSP(1)
3        IB(1)
3        IB(2)
2        IB(3)
2        IB(4)
2        IB(5)
2        IB(6)
1        INIT
0        ISEP
1.0E15   FNUM
1.0E-4   TREF
1        ISTEADY
1.0      ROUT
10       NSPI
5        NSTEADY
100000   MNM
5        NMCT
5        NMTT
0        IINDEX
0        ISUBC
DAT
cat > "$CASE/QMXSD.DAT" <<'DAT'
2 NSURF
8 NPTS(1)
12 NSTRIS(1)
0 NFTRIS(1)
4 NPTS(2)
4 NSTRIS(2)
0 NFTRIS(2)
0.25 0.35 0.35
0.55 0.35 0.35
0.25 0.65 0.35
0.55 0.65 0.35
0.25 0.35 0.65
0.55 0.35 0.65
0.25 0.65 0.65
0.55 0.65 0.65
1 3 4
1 ITCODE
300. TSURF
0.0 FSPEC
0.0 FADS
0.0 FOUT
1 4 2
0 ITCODE
5 6 8
0 ITCODE
5 8 7
0 ITCODE
1 2 6
0 ITCODE
1 6 5
0 ITCODE
3 7 8
0 ITCODE
3 8 4
0 ITCODE
1 5 7
0 ITCODE
1 7 3
0 ITCODE
2 4 8
0 ITCODE
2 8 6
0 ITCODE
0.72 0.35 0.35
0.72 0.65 0.35
0.72 0.5 0.65
0.88 0.5 0.45
1 3 2
1 ITCODE
300. TSURF
0.0 FSPEC
0.0 FADS
0.0 FOUT
1 2 4
0 ITCODE
2 3 4
0 ITCODE
1 4 3
0 ITCODE
DAT

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
