#include "geometry/grid_setup.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void setup_grid(State& s, ui::Toolkit& ui) {
  // Stub until the geometry issue builds the division/element grid.
  (void)s;
  (void)ui;
}

}  // namespace qmxv
