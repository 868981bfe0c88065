// Pieces the three cases share: wall properties, checks of the grid against
// the surfaces, and the run settings derived from the case's time scales.
#pragma once

#include <string>

#include "data_set.h"

namespace demogen {

// Element width along axis 0 (x), 1 (y) or 2 (z) [m].
double element_width(const GasDataSet& g, int axis);

// Throws std::logic_error when the plane `coordinate` of an axis-aligned wall
// lies within a tenth of an element of an element boundary: a wall kept off
// the element lattice never lies in an element face.
void require_off_lattice(const GasDataSet& g, int axis, double coordinate, const std::string& what);

// A fully diffuse wall at temperature `tsurf`, adsorbing and outgassing nothing.
SolidProperties diffuse_wall(const GasDataSet& g, double tsurf);

// A figure for the documentation, to four significant digits.
std::string format_number(double v);

// Volume of the flow region box [m^3].
double box_volume(const GasDataSet& g);

// Fills MNM from the memory target, FNUM from the molecules that the
// expected steady-state number of real molecules (`real_molecules`) then
// gives with a tenth of the store to spare, and the sizing figures.
void size_store(Case& c, double real_molecules, double flow_fraction);

}  // namespace demogen
