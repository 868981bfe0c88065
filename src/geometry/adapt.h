#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Re-forms the cells from the sampled density (run type 2).
void adapt_cells(State& s, ui::Toolkit& ui);

}  // namespace qmxv
