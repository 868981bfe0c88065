// The run driver: start-up, the run-type choice, the preparation of a new or
// continued run, and the time-step loop.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "ui/toolkit.h"

namespace qmxv {
struct State;

// Where a run without a display stops by itself. A desktop run has none and
// goes on until the main window is closed.
struct RunLimits {
  std::optional<int> outputs;          // after this many output steps (with their restart files)
  std::optional<long long> steps;      // after this many passes; 0: after cell formation
  std::optional<double> until_seconds; // once the flow time has reached this [s, unscaled]
};

struct RunResult {
  int status = 0;       // the program's exit status (errors.h)
  std::string message;  // what went wrong, when status is not 0
};

// Runs the program in the working directory s.DIR. `progress`, when given,
// receives one line per output (flow time, molecules, collisions, moves per
// second) and a closing line.
RunResult run_program(State& s, ui::Toolkit& ui, const RunLimits& limits = {},
                      std::ostream* progress = nullptr);

// The loop's pieces, for tests.
void start_up(State& s, ui::Toolkit& ui);
void prepare_new_run(State& s, ui::Toolkit& ui, const RunLimits& limits, bool& stop_after_cells);
void time_step_loop(State& s, ui::Toolkit& ui, const RunLimits& limits, std::ostream* progress);

}  // namespace qmxv
