#include "core/initialize.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void set_schedule(State& s) {
  s.TIME = 0.0;
  s.TLIM = 100000.0f * s.TREF;
  s.DTOUT = s.ROUT * s.TREF;
  s.TOUT = s.DTOUT;
  s.DTSAMP = s.DTOUT * s.FAVG / static_cast<float>(s.NSPI);
  s.DTSKIP = s.DTOUT - s.DTOUT * s.FAVG;
  s.TSTEADY = static_cast<float>(s.NSTEADY) * s.DTOUT;
  s.TSAMP = s.DTSKIP + s.DTSAMP;
}

void initialize_flow(State& s, ui::Toolkit& ui) {
  (void)ui;
  set_schedule(s);
  // Stub until the initialization issue derives the gas data and the cell
  // time steps and fills the flow: the sample interval serves as the step.
  s.DTM = s.DTSAMP;
  s.NM = 0;
  s.IUNITS = s.IUNITCFG;
}

}  // namespace qmxv
