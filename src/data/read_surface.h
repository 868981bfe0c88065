#pragma once

namespace qmxv {
struct State;

// Reads QMXSD.DAT from the working directory into the surface, point and
// triangle arrays, writing the summary QMXSD.TXT. Needs the gas data read first.
// Throws DataError naming the file, line and item of any fault.
void read_surface_data(State& s);

}  // namespace qmxv
