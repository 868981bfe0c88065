#pragma once

#include "data/list_reader.h"

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Reads QMXVD.DAT from the working directory into the gas, reaction, stream,
// boundary and run-setting parts of the state, writing the summary QMXVD.TXT.
// Throws DataError naming the file, line and item of any fault.
void read_gas_data(State& s, ui::Toolkit& ui);

// Reads QMXVD.DAT as read_gas_data does but writes no summary, giving every
// value with its item and line to `watch` (data/datum_lines.h).
void read_gas_data_watched(State& s, const ValueWatch& watch);

}  // namespace qmxv
