// The computational cells: the part of the simulation state that cell
// formation fills (and cell adaption rebuilds).
#pragma once

#include "run/farray.h"

namespace qmxv {

// Filled by cell formation (NCELLS, CELL, ICELL, ICHECK, node sorting arrays).
struct CellData {};

}  // namespace qmxv
