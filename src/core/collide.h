#pragma once

namespace qmxv {
struct State;

// Binary collisions in every cell whose collision clock lags the flow time:
// no-time-counter selection (Bird 1994, sec. 11.1), variable-hard-sphere
// cross-sections with isotropic scattering, Larsen-Borgnakke rotational and
// quantum vibrational exchange, and the gas-phase chemistry of each pair.
void collide(State& s);

// The Larsen-Borgnakke ratio sampler: a fraction r in (0, 1) drawn from the
// distribution proportional to r^a (1 - r)^b by acceptance-rejection against
// its maximum.
float LBS(State& s, float a, float b);

}  // namespace qmxv
