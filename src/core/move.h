#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Moves every molecule over its cell time step, with surface interaction
// and removal at stream and vacuum boundaries.
void move_molecules(State& s, ui::Toolkit& ui);

}  // namespace qmxv
