// The geometry pictures: planes through the grid, shown before a run is paid
// for, so that a user can see where the program put the flow and the cells
// and stop it when round-off has marked a body's inside as flow.
//
// Both pictures are windows of their own beside a plane dialog in the main
// window's side region: the plane is normal to x, y or z and passes through
// the centre of one element of one division along that axis. The run resumes
// when the picture's window is closed; the cell picture is then saved as
// DSCELLS.BMP. Without a display the pictures are drawn once by the CPU
// rasteriser and closed at once, so a batch run writes the same bitmap.
#pragma once

#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace qmxv {
struct State;
struct PicturePlane;

inline constexpr const char* kDivisionPicture = "divisions";
inline constexpr const char* kCellPicture = "cells";
inline constexpr const char* kPlanePanel = "geometry-plane";
// Picture size [pixels]: the 1.2725 width-to-height ratio of the drawing
// window, to a thousandth.
inline constexpr int kPlanePictureWidth = 764;
inline constexpr int kPlanePictureHeight = 600;

// Colour indices of the geometry palette.
inline constexpr int kColourOutside = 0;      // white: no flow in the element
inline constexpr int kColourCut = 1;          // black: a triangle enters the element
inline constexpr int kColourMargin = 2;       // grey: around the flow region
inline constexpr int kColourSurfaceFlow = 3;  // flow elements of a division with surfaces
inline constexpr int kFirstLevelColour = 4;   // levels 1, 2, ... cycle through 12 colours
inline constexpr int kLevelColours = 12;
inline constexpr int kFirstCellColour = 16;  // cell colours 16..205
inline constexpr int kCellColours = 190;

// White, black, grey, the level colours, and at 16..205 cell colours spread
// around the colour wheel in golden-ratio steps with varied saturation and
// brightness, so that two cells rarely look alike.
const ui::Palette& geometry_palette();

// The division/element picture ("Flowfield Divisions and Elements in
// Specified Planes") with its side panel and "Stop Program" button, which
// throws StopRequest, as does a close request at the poll that follows the
// picture. For a data set with surfaces, after the grid set-up.
void show_division_picture(State& s, ui::Toolkit& ui);

// The cell picture ("Flowfield Cells (Some elements are partly inside the
// surface)"): every cell gets a colour drawn from RF in cell order, flow
// elements take their cell's colour, elements without flow are white.
// Writes DSCELLS.BMP when the window closes.
void show_cell_picture(State& s, ui::Toolkit& ui);

// ---- pieces of the pictures ----

// The drawing window of a plane normal to `axis`: the in-plane extents of
// the region (h horizontal, v vertical: y-z for an x-plane, x-z for a
// y-plane, x-y for a z-plane) plus 5 % on every side, widened along one of
// them to a width-to-height ratio of 1.2725, centred.
struct PlaneView {
  int h = 1, v = 2;  // in-plane axes (1 x, 2 y, 3 z)
  double x0 = 0, y0 = 0, x1 = 1, y1 = 1;
};
PlaneView plane_view(const State& s, int axis);

// Where the plane lies along its axis [scaled m]: the centre of its element.
double plane_coordinate(const State& s, const PicturePlane& plane);

// ICOL: one colour per cell (index c for cell c; entry 0 unused),
// trunc(190 RF + 16), drawn in cell order.
std::vector<int> cell_colours(State& s);

// The colour of an element in the division/element picture: black when a
// triangle enters it, white when it holds no flow (inside a body, or in a
// division the flow cannot reach), otherwise the colour of its division's
// level (divisions without surfaces) or the surface-division colour.
int division_element_colour(const State& s, int idx, int idy, int idz, int iex, int iey, int iez);

// Draws the plane into `picture` (window, palette and every element).
void draw_division_plane(const State& s, const PicturePlane& plane, ui::Toolkit& ui,
                         const std::string& picture);
void draw_cell_plane(const State& s, const std::vector<int>& icol, const PicturePlane& plane,
                     ui::Toolkit& ui, const std::string& picture);

}  // namespace qmxv
