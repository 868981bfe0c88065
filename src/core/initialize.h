#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// The output and sample schedule of a new run from the data set:
// TIME = 0, TLIM = 100000 TREF, DTOUT = ROUT TREF, TOUT = DTOUT,
// DTSAMP = DTOUT FAVG / NSPI, DTSKIP = DTOUT (1 - FAVG), TSTEADY = NSTEADY DTOUT,
// TSAMP = DTSKIP + DTSAMP.
void set_schedule(State& s);

// Initialization of a new run: derived gas data, cell time steps, the
// schedule and the initial molecules.
void initialize_flow(State& s, ui::Toolkit& ui);

}  // namespace qmxv
