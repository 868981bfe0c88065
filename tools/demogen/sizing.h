// Memory of a run, estimated from the sizes the data set gives: the molecule
// store (MNM slots), the element grid, the cells and the program itself.
#pragma once

#include "data_set.h"

namespace demogen {

inline constexpr double kMiB = 1024.0 * 1024.0;

// Bytes of one slot of the molecule store: position (3 floats), velocity and
// rotational energy (3 or 4 floats), own time (a double), cell and species
// (1 or 2 ints, plus the index list's int), one byte per vibrational mode,
// and under continuous indexing 6 ints of the cross-reference list.
double bytes_per_molecule(const GasDataSet& g);

// Bytes per cell: the cell record, its index entries, collision time and
// sums, the per-species sample sums and the results of an output.
double bytes_per_cell(const GasDataSet& g);

// The estimated memory [MiB] of a run with `cells` cells and MNM slots.
double memory_estimate_mib(const GasDataSet& g, double cells, double mnm);

// The largest MNM whose memory estimate stays within `target_mib`.
int capacity_for_memory(const GasDataSet& g, double cells, double target_mib);

// The number of cells before any adaption: one per solid triangle and one
// per division open to the flow (`flow_fraction` of the divisions).
double initial_cells(const GasDataSet& g, long long solid_triangles, double flow_fraction);

// Rounds up to `digits` significant digits (so FNUM errs towards fewer molecules).
double round_up_significant(double v, int digits);

}  // namespace demogen
