// A new case through the program's own stages: the two data files read from
// the working directory, the grid and cells formed, the flow initialized
// (what a new run does before its first time step, without the displays).
#pragma once

#include <filesystem>
#include <string>

#include "core/initialize.h"
#include "data/read_gas.h"
#include "data/read_surface.h"
#include "geometry/cells.h"
#include "geometry/grid_setup.h"
#include "run/state.h"
#include "support/files.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv::support {

// QMXVD.DAT and QMXSD.DAT are in `dir`.
inline void set_up_case(State& s, const std::filesystem::path& dir) {
  s.DIR = dir;
  ui::ScriptedToolkit ui;
  read_gas_data(s, ui);
  read_surface_data(s);
  setup_grid(s, ui);
  form_cells(s, ui);
  initialize_flow(s, ui);
}

// Writes the two data files into `dir` first.
inline void set_up_case(State& s, const std::filesystem::path& dir, const std::string& gas,
                        const std::string& surface) {
  write_file(dir / "QMXVD.DAT", gas);
  write_file(dir / "QMXSD.DAT", surface);
  set_up_case(s, dir);
}

}  // namespace qmxv::support
