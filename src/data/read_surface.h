#pragma once

#include "data/list_reader.h"

namespace qmxv {
struct State;

// Reads QMXSD.DAT from the working directory into the surface, point and
// triangle arrays, writing the summary QMXSD.TXT. Needs the gas data read first.
// Throws DataError naming the file, line and item of any fault.
void read_surface_data(State& s);

// Reads QMXSD.DAT as read_surface_data does (the gas data already in `s`) but
// writes no summary, giving every value with its item and line to `watch`
// (data/datum_lines.h).
void read_surface_data_watched(State& s, const ValueWatch& watch);

}  // namespace qmxv
