#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Combines the flow elements into computational cells around nodes.
void form_cells(State& s, ui::Toolkit& ui);

}  // namespace qmxv
