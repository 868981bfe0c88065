#include "geometry/cells.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void form_cells(State& s, ui::Toolkit& ui) {
  // Stub until the cell-formation issue combines elements into cells.
  (void)s;
  (void)ui;
}

}  // namespace qmxv
