#include "output/restart.h"

#include <filesystem>

#include "run/errors.h"
#include "run/state.h"

namespace qmxv {

void write_restart(State& s) {
  // Stub until the restart issue writes the restart files.
  (void)s;
}

void read_restart(State& s) {
  // Stub until the restart issue reads the restart files: say what is missing.
  const auto p = s.file("QMXVP.RES");
  if (!std::filesystem::exists(p))
    throw RestartError("No restart files in " + s.DIR.string() +
                       ": QMXVP.RES not found. Start a new run (a demonstration, or run type 7 "
                       "with your own QMXVD.DAT and QMXSD.DAT) to create them.");
  throw RestartError("Reading restart files is not available in this version of QMXV; " +
                     p.string() + " was left untouched.");
}

}  // namespace qmxv
