#include "core/entry.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void enter_molecules(State& s) {
  // Stub until the molecule-entry issue adds molecules at stream boundaries.
  (void)s;
}

}  // namespace qmxv
