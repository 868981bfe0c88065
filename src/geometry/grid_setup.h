#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Surface connectivity, the division/element grid, element analysis and the
// surface index lists of a new run.
void setup_grid(State& s, ui::Toolkit& ui);

}  // namespace qmxv
