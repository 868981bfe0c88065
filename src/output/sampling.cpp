#include "output/sampling.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void allocate_sample(State& s) {
  s.CCOLL.allocate(s.NCELLS);
  s.CSEP.allocate(s.NCELLS);
  if (s.CSPCOLL.extent(1) != s.MSP) s.CSPCOLL.allocate(s.MSP, s.MSP);
}

void sample_flowfield(State& s) {
  // Stub until the sampling issue adds the molecules to the cell sums; the
  // schedule advances as it will then.
  s.NSAMP += 1;
  s.TSAMP += s.DTSAMP;
}

void reset_sample(State& s) {
  s.NSAMP = 0;
  s.TSAMPSTART = static_cast<float>(s.TIME);
  s.NMSAMPSTART = s.NM;
  s.SSAMP.fill(0.0);
  s.SFORCE.fill(0.0);
  s.STEMP.fill(0.0);
  s.SREAC.fill(0.0);
}

void output_step(State& s, ui::Toolkit& ui) {
  (void)ui;
  // Stub until the sampling issue computes the results; the schedule
  // advances as it will then.
  s.TOUT += s.DTOUT;
  s.TSAMP += s.DTSKIP;
}

}  // namespace qmxv
