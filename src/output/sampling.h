#pragma once

#include "run/farray.h"

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Allocates the sample sums, the result arrays and the history for the
// current cells, species and triangles, empty; the history starts at entry
// 2 and the output counter at 0. Initialization calls it for a new run.
void allocate_sample(State& s);

// Sets the display selections of a new sample: flowfield temperature in the
// plane normal to z at division 1, element 1; surface number flux; linear
// scales, black backgrounds, no range steps, surface 1 in the forces panel.
void default_display_selections(State& s);

// Adds one sample of all molecules to the cell sums (and refreshes the
// forces panel when there are surface triangles); advances TSAMP by DTSAMP
// and writes the (TIME, NM) pair into the history ring.
void sample_flowfield(State& s, ui::Toolkit& ui);

// Empties the sample (a new run, adapted cells, a changed molecule number).
void reset_sample(State& s);

// The flowfield results VAR and VARSP from the closed sample, with the
// per-cell flag ICSAMPLE of an adequate sample (25 molecules and one per
// sample); CSEPMFP is the mean of VAR(15).
void flowfield_results(State& s);

// The surface results VARS of every solid triangle from the closed sample.
void surface_results(State& s);

// Adapts the cell time steps and DTM to the sampled flow; returns the old DTM.
float adapt_time_steps(State& s);

// What an output did, for the run loop's message and progress line.
struct OutputReport {
  bool number_change_reset = false;  // the steady-flow check emptied the sample before drawing
  bool reset = false;                // the sample was emptied (either reset)
  int nsamp = 0;                     // samples in the sample the results came from
};

// The output step: results, time-step adaptation, the schedule, the reset
// policy, the displays and the export; advances TOUT by DTOUT and TSAMP by
// DTSKIP.
OutputReport output_step(State& s, ui::Toolkit& ui);

}  // namespace qmxv
