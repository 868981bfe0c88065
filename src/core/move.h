#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Moves every molecule whose own time lags the flow time by more than its
// cell's time step over twice that step, with the conditions of the six
// sides, removal at stream and vacuum sides and the new cell of each.
void move_molecules(State& s, ui::Toolkit& ui);

// Moves molecule n of cell c over dt [scaled s]. Returns 1 when it moved
// (c is its new cell, t_rem the time given up by the displacement limit) or
// -1 when it left the flow (n is then one less: slot n holds the molecule
// that was last).
int move_molecule(State& s, int& n, int& c, float dt, float& t_rem);

}  // namespace qmxv
