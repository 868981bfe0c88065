#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Surface connectivity, the division/element grid, element analysis and the
// surface index lists of a new run: from the region, the grid counts and the
// surface triangles to JDIV, IELCELL, IELVOL, ISDIV, ISTOT, the triangle
// geometry and connectivity, and the total flow volume, under the progress
// window "Setting Divisions and Elements - Please Wait". Connectivity faults
// throw GeometryError; a close request during the set-up throws StopRequest.
void setup_grid(State& s, ui::Toolkit& ui);

// The grid metrics alone (widths, counts, EMIN, EDIAG, EVOL) from the region
// and the grid counts; the first step of setup_grid.
void set_grid_metrics(State& s);

}  // namespace qmxv
