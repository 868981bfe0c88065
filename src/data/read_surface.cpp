#include "data/read_surface.h"

#include "run/errors.h"
#include "run/state.h"

namespace qmxv {

void read_surface_data(State& s) {
  (void)s;
  throw DataError("QMXSD.DAT", 0, "", "a reader (not built yet)", "");
}

}  // namespace qmxv
