// The results of every output as VTK XML files under results/, for
// visualization tools: the flowfield on the element lattice (ImageData,
// flow_NNNN.vti), the solid triangles (PolyData, surface_NNNN.vtp), and a
// Collection file of each (flow.pvd, surface.pvd) that lists the outputs
// with their flow time, so a tool opens the whole run as one time series.
#pragma once

#include <string_view>

namespace qmxv {
struct State;

// Writes the VTK files of output NOUT (the surface files only when the case
// has solid triangles). The results/ folder exists. A file that cannot be
// written keeps its old contents; the failure goes to DIAG.TXT and the
// terminal.
void write_vtk_output(State& s);

// True for the names write_vtk_output gives (without ".part").
bool is_vtk_export_file(std::string_view name);

}  // namespace qmxv
