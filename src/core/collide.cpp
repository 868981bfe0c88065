#include "core/collide.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void collide(State& s) {
  // Stub until the collisions issue computes collisions in every cell.
  (void)s;
}

}  // namespace qmxv
