#include "core/indexing.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void index_molecules(State& s) {
  // Stub until the indexing issue lists the molecules per cell.
  (void)s;
}

}  // namespace qmxv

namespace qmxv {
void check_index(State& s) {
  // Stub until the indexing issue verifies the continuous index.
  (void)s;
}
}  // namespace qmxv
