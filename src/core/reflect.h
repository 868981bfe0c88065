// Gas-surface interaction: what a molecule striking a surface triangle gives
// to the surface and how it leaves — removal at a sink, a surface reaction,
// adsorption, specular or diffuse (Maxwell) reflection at an isothermal or an
// adiabatic wall — with the surface sample sums of both halves of the event.
#pragma once

namespace qmxv {
struct State;

// Molecule n of cell c strikes triangle tri at (x, y, z) [scaled m] at its
// own time t_hit [scaled s]. The velocity and internal energies become those
// of the reflected molecule; status becomes -1 when the molecule is taken out
// of the flow (n is then one less, as for any removal) and is left unchanged
// otherwise.
void reflect_molecule(State& s, int& n, int tri, int c, int& status, float x, float y, float z,
                      double t_hit);

// The temperature [K] of the adiabatic solid triangle k as a species-L
// molecule leaves it: the energy it has received over its degree-of-freedom
// sum, T = 2E/(kD), not below its minimum -TSURF(k). The vibrational modes of
// L that are excited at T then add their degrees of freedom 2x/(exp x - 1),
// x = theta_v/T, to the sum.
float adiabatic_wall_temperature(State& s, int k, int L);

// The local axes of triangle t: velocity (u, v, w) in global axes to its
// normal and two tangential components, and back.
struct LocalVelocity {
  float un, t1, t2;
};
LocalVelocity to_local(const State& s, int t, float u, float v, float w);
void to_global(const State& s, int t, const LocalVelocity& l, float out[3]);

}  // namespace qmxv
