#include "core/chemistry.h"

#include "run/state.h"

namespace qmxv {

bool react(State& s, CollisionPair& pair) {
  // Stub until the gas-phase chemistry issue: no reaction takes place.
  (void)s;
  (void)pair;
  return false;
}

}  // namespace qmxv
