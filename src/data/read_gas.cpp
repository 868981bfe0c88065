#include "data/read_gas.h"

#include "run/errors.h"
#include "run/state.h"

namespace qmxv {

void read_gas_data(State& s, ui::Toolkit& ui) {
  (void)ui;
  (void)s;
  throw DataError("QMXVD.DAT", 0, "", "a reader (not built yet)", "");
}

}  // namespace qmxv
