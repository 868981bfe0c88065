#pragma once

namespace qmxv {
struct State;

// Writes the restart files of the current state (after initialization and at
// every output).
void write_restart(State& s);

// Reads the restart files into the state; throws RestartError when they are
// missing or damaged.
void read_restart(State& s);

}  // namespace qmxv
