#include "core/move.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void move_molecules(State& s, ui::Toolkit& ui) {
  // Stub until the molecule-move issue moves molecules through the grid.
  (void)s;
  (void)ui;
}

}  // namespace qmxv
