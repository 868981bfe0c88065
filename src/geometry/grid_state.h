// The division/element grid, surface index lists and cells: the part of the
// simulation state that the geometry set-up fills.
#pragma once

#include "run/farray.h"

namespace qmxv {

// Filled by the geometry issue (divisions, elements, JDIV, IELCELL, IELVOL,
// ISDIV, ISTOT, INDIV, INDSURF, KSURFEL, cells).
struct GridData {};

}  // namespace qmxv
