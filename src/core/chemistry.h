// Gas-phase chemistry of an accepted collision by the total-collision-energy
// model (Bird, Molecular Gas Dynamics and the Direct Simulation of Gas
// Flows, 1994, sec. 6.6): the probability of each reaction open to the pair
// follows from its Arrhenius rate k(T) = Lambda T^eta exp(-E_a/kT), so that
// a gas in equilibrium reacts at that rate.
#pragma once

namespace qmxv {
struct State;

// One accepted collision pair, as the collision routine holds it between
// its stages. The chemistry may change the species, the molecules (a
// recombination replaces the second by the third body), the relative speed
// and the mass ratios; the collision then goes on with what it finds here.
struct CollisionPair {
  int cell = 0;
  int m1 = 0, m2 = 0;          // molecule numbers
  int L = 1, M = 1;            // their species
  float cr2 = 0, cr = 0;       // squared relative speed [m^2/s^2] and relative speed [m/s]
  float vm[3] = {0, 0, 0};     // centre-of-mass velocity [m/s]
  float rm1 = 0.5f, rm2 = 0.5f;  // m_M/(m_L+m_M) and m_L/(m_L+m_M)
};

// At initialization: the constant C_k of every reaction, the number of
// molecules it leaves, the reactions open to each species pair, and the
// reaction counters TOTREA.
void prepare_reactions(State& s);

// Offers an accepted pair to the gas-phase reactions; returns true when one
// took place. Called for every accepted pair when the gas has reactions (it
// draws its decision number even for a pair without reactions). The molecule
// store may grow (a dissociation adds a molecule): array pointers taken
// before the call are stale after it.
bool react(State& s, CollisionPair& pair);

}  // namespace qmxv
