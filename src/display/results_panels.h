// The result panels of the main window: the flowfield plane, the surface
// picture with its colour bar, the forces and moments panel and the history
// of the molecule number, drawn from the last output's results and the
// display selections (displays.h declares the drawing entry points).
//
// The pictures are opened by create_result_panels; a picture found closed
// (or never opened, when a caller skipped the set-up) is opened again before
// it is drawn, so drawing never fails for want of a picture.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "display/result_scales.h"
#include "ui/toolkit.h"

namespace qmxv {
struct State;
}

namespace qmxv::display {

inline constexpr const char* kFlowfieldPicture = "flowfield";
inline constexpr const char* kHistoryPicture = "history";
inline constexpr const char* kSurfaceView = "surface-results";
inline constexpr const char* kSurfaceScalePicture = "surface-scale";
inline constexpr const char* kForcesPanel = "forces";

// Opens the picture of that name (one of the names above) in its region
// unless it is already on the screen, and starts a new page of it: the
// palette set and every pixel the background colour index.
void open_result_picture(ui::Toolkit& ui, const std::string& name, const ui::Palette& palette,
                         int background);

// Opens the flowfield and history pictures and, when there are solid
// triangles, the surface view (the surfaces in their own colours until the
// first output), its colour bar and the forces panel.
void create_result_panels(State& s, ui::Toolkit& ui);

// ---- flowfield ----

// The flowfield picture [pixels] and the part of it the plane fills (row 0
// at the top; 509 x 400 keeps the plane window's ratio), the colour bar to
// the right of it.
inline constexpr int kFlowfieldWidth = 640, kFlowfieldHeight = 440;
inline constexpr double kPlaneLeft = 6, kPlaneTop = 30, kPlaneRight = 515, kPlaneBottom = 430;

// The picture window of the plane normal to `axis`: its in-plane axes h and
// v (y-z, x-z or x-y) and the region's extents in them [scaled m], 5 % of
// the larger extent added on every side, then widened symmetrically along
// one axis to the width/height ratio 1.2725.
struct PlaneWindow {
  int h = 1, v = 2;
  double x0 = 0, y0 = 0, x1 = 1, y1 = 1;
};
PlaneWindow plane_window(const State& s, int axis);

// The colour range of property IPROP over the counted cells (and the
// switch-off of ILOG, the reset of IRANGELO, the report of a cell with a
// negative collision time in DIAG.TXT).
ColourRange flowfield_colour_range(State& s);

// The colour index of every cell (entry 0 unused) under the range: 1..254,
// or the no-data colour for a cell whose sample is too small for property
// IPROP or whose collision time could not be measured.
std::vector<int> flowfield_cell_colours(const State& s, const ColourRange& range);
int flowfield_background(const State& s);  // 0 black, 255 white
int flowfield_no_data(const State& s);     // 255 on black, 1 on white

// ---- surface ----

// VARL(k) of every solid triangle (entry 0 unused): VARS with the shear
// magnitude as property 6.
std::vector<double> surface_values(const State& s, int k);

// The colour range of property IPROPS over the triangles struck more than
// four times (every triangle for the sample size); false when none counted.
bool surface_colour_range(State& s, ColourRange& range);

// The view of the surface results: the surface picture's start view, 1.2
// times larger.
ui::View3 surface_result_view();

// The 3-D scene of the solid triangles in their result colours, mirrored in
// a plane of symmetry at ZMIN.
ui::Scene3 surface_result_scene(const State& s, const std::vector<int>& colours,
                                const ui::Palette& palette);

// ---- forces and moments ----

// The numbers of the forces panel for surface IFSURF in the unit system
// IUNITS, with the reference point (XREF, YREF, ZREF) in that system's
// units (metres, feet, or fractions of the flowfield's extents along x, y, z).
struct ForceReadings {
  bool sampled = false;   // a sample time to divide by
  bool available = false; // the numbers can be shown (coefficients need AREF, LREF)
  std::array<double, 3> force{};   // [N], [lbf] or coefficients
  std::array<double, 3> moment{};  // [N.m], [lbf.ft] or coefficients
};
ForceReadings force_readings(const State& s);

// Creates the forces panel in region "forces".
void create_forces_panel(State& s, ui::Toolkit& ui);

// Writes the forces panel's unit texts for IUNITS, the surface number and
// the reference point (XREF, YREF, ZREF) into its fields: at the set-up,
// and whenever IUNITS changes (with the point converted to the new units).
void show_force_units(State& s, ui::Toolkit& ui);

// ---- molecule number history ----

// The history picture's contents in its window (x 0..100 the time span,
// y 0..100 the molecule-number span).
struct HistoryPlot {
  bool drawn = false;        // the spans are wide enough for a curve
  std::vector<double> xy;    // the polyline from the newest entry to the oldest
  double band_low = 0.0, band_high = 0.0;  // one standard deviation of NM about the middle
  long long nmin = 0, nmax = 0;
  double seconds = 0.0;      // the time span [s]
};
HistoryPlot history_plot(const State& s);

}  // namespace qmxv::display
