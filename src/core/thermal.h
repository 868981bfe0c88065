// Draws from the equilibrium distributions of a gas at temperature T: the
// thermal velocity, the rotational energy and the vibrational level of a new
// molecule (initialization, entry, diffuse reflection). Each function fixes
// the order of its random draws, which is part of a run's result.
#pragma once

#include <cmath>
#include <cstdint>

#include "run/constants.h"
#include "run/state.h"

namespace qmxv {

struct ThermalPair {
  float u, v;
};

// Two independent normal deviates of variance 1/2 (Box-Muller): A = sqrt(-ln RF)
// is drawn first, then theta = 2 pi RF; u = A sin(theta), v = A cos(theta).
inline ThermalPair thermal_pair(State& s) {
  const float a = std::sqrt(-std::log(s.RF()));
  const float theta = PI2 * s.RF();
  return {a * std::sin(theta), a * std::cos(theta)};
}

// One thermal velocity component in units of the most probable speed, from a
// fresh pair of random numbers.
inline float thermal_component(State& s) { return thermal_pair(s).u; }

// Rotational energy [J] of a molecule of species L in equilibrium at T: the
// gamma distribution of (ISPR/2) degrees of freedom (Bird 1994, eq. 11.23).
// Two degrees of freedom give the exponential -ln(RF) kT directly; more are
// sampled by acceptance-rejection against the maximum of (e/a)^a exp(a - e),
// a = ISPR/2 - 1, over e = 0..10.
inline float rotational_energy(State& s, int L, float T) {
  const int dof = s.ISPR(1, L);
  if (dof == 2) return -std::log(s.RF()) * BOLTZ * T;
  const float a = 0.5f * static_cast<float>(dof) - 1.0f;
  for (;;) {
    const float e = 10.0f * s.RF();
    const float p = std::pow(e / a, a) * std::exp(a - e);
    if (p > s.RF()) return e * BOLTZ * T;
  }
}

// Vibrational level of a harmonic mode with characteristic temperature theta
// in equilibrium at T: int(-ln(RF) T/theta) is exactly Boltzmann distributed,
// P(i) = exp(-i theta/T)(1 - exp(-theta/T)); capped at 127.
inline std::int8_t vibrational_level(State& s, float theta, float T) {
  const float x = -std::log(s.RF()) * T / theta;
  return static_cast<std::int8_t>(x < 127.0f ? static_cast<int>(x) : 127);
}

// Internal energies of new molecule n of species L at temperature T:
// rotational energy (when PV has a fourth row), then one level per mode.
inline void set_internal_energies(State& s, int n, int L, float T) {
  if (s.NMOLC == 4) s.PV(4, n) = s.ISPR(1, L) > 0 ? rotational_energy(s, L, T) : 0.0f;
  if (s.MMVM > 0) {
    for (int K = 1; K <= s.MMVM; ++K)
      s.IPVIB(K, n) = K <= s.ISPV(L) ? vibrational_level(s, s.THETAV(K, L), T) : 0;
  }
}

}  // namespace qmxv
