#include "geometry/adapt.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void adapt_cells(State& s, ui::Toolkit& ui) {
  // Stub until the cell-adaption issue re-forms cells from the sampled density.
  (void)s;
  (void)ui;
}

}  // namespace qmxv
