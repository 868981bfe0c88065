#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Reads QMXVD.DAT from the working directory into the gas, reaction, stream,
// boundary and run-setting parts of the state, writing the summary QMXVD.TXT.
// Throws DataError naming the file, line and item of any fault.
void read_gas_data(State& s, ui::Toolkit& ui);

}  // namespace qmxv
