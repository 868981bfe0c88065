#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// Allocates and zeroes the per-cell collision sums of the sample.
void allocate_sample(State& s);

// Adds one sample of all molecules to the flowfield sample; advances TSAMP by DTSAMP.
void sample_flowfield(State& s);

// Empties the sample (a new run, adapted cells, a changed molecule number).
void reset_sample(State& s);

// The output step: results, time-step adaptation, displays; advances TOUT by
// DTOUT and TSAMP by DTSKIP.
void output_step(State& s, ui::Toolkit& ui);

}  // namespace qmxv
