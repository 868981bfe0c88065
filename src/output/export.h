// The results of every output under results/ in the working directory: CSV
// files for scripts and plotting tools (cells, species, surface triangles,
// forces, and the running tables of forces and outputs) and VTK XML files
// for visualization tools (the flowfield on the element lattice, the surface
// triangles, and a time series of each).
#pragma once

#include "run/farray.h"

namespace qmxv {
struct State;

// What the export needs of the sample just closed, taken before the output
// step may empty it.
struct ClosedSample {
  int nsamp = 0;
  double tsampstart = 0;  // [scaled s]
  FArray2<double> sforce;  // SFORCE of that sample
};

ClosedSample close_sample(const State& s);

// Writes results/cells_NNNN.csv, species_NNNN.csv, surface_NNNN.csv and
// forces_NNNN.csv (NNNN = NOUT) and rewrites forcehistory.csv and
// outputs.csv when EXPORT_CSV is on; writes flow_NNNN.vti and
// surface_NNNN.vtp and rewrites flow.pvd and surface.pvd when EXPORT_VTK is
// on (output/vtk_export.h). `reset` says whether the output emptied the
// sample. A file that cannot be written
// keeps its old contents; the failure goes to DIAG.TXT and the terminal.
void export_output(State& s, const ClosedSample& closed, bool reset);

// A continued run forgets what the running tables (forcehistory.csv,
// outputs.csv) and the collections (flow.pvd, surface.pvd) hold of outputs
// after its restart point: a run stopped between an output's export and its
// restart write makes that output again.
void forget_outputs_after(State& s);

// A new run starts its results afresh: removes the export files of an
// earlier run (called once its first restart set is written).
void clear_results(State& s);

}  // namespace qmxv
