// Gas data of the demonstration cases: the species table (variable hard
// sphere data, rotation, vibration), the rates of the air reactions and the
// kinetic-theory figures (mean free path, Mach number) that the cases are
// designed from. Every value carries its source; docs/demos.md lists them.
#pragma once

#include <string>
#include <vector>

namespace demogen {

// Constants. The Boltzmann constant is the rounded value the simulator
// computes with, so that an activation energy written as k*theta reads back
// as theta there.
inline constexpr double kBoltz = 1.3806e-23;           // [J/K]
inline constexpr double kAvogadro = 6.02214076e23;     // [1/mol] (CODATA 2018)
inline constexpr double kAtomicMass = 1.66053907e-27;  // [kg] (CODATA 2018)
inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kStandardAtmosphere = 101325.0;  // [Pa]

struct VibrationalMode {
  double theta = 0;  // characteristic vibrational temperature [K]
  double c1 = 0;     // Z_v = (C1 / T^omega) exp(C2 T^(-1/3))
  double c2 = 0;
};

struct Species {
  std::string name;
  double diameter = 0;  // VHS reference diameter [m]
  double tref = 0;      // reference temperature of the diameter [K]
  double omega = 0;     // viscosity-temperature power law
  double mass = 0;      // [kg]
  int rotational_dof = 0;
  int rotational_relaxation = 0;  // collision number (integer in the data set)
  std::vector<VibrationalMode> modes;
  std::string source;  // where the VHS data come from
};

// The species of the cases, by name: "N2", "O2", "NO", "O", "N", "He", "Ar".
// Diatomic species get one vibrational mode when `with_vibration` is set.
Species species(const std::string& name, bool with_vibration);

// Vibrational collision-number constants from the Millikan & White (1963)
// correlation p tau = exp(A (T^(-1/3) - 0.015 mu^(1/4)) - 18.42) [atm s],
// A = 1.16e-3 mu^(1/2) theta^(4/3), turned into a collision number with the
// VHS collision rate of the same gas: Z_v = tau nu = (C1 / T^omega)
// exp(C2 T^(-1/3)) with C2 = A. `reduced_molar_mass` is mu [g/mol].
VibrationalMode millikan_white(const Species& s, double theta, double reduced_molar_mass);

// Standard enthalpies of formation at 0 K [J per molecule] (NIST-JANAF,
// Chase 1998) and the dissociation energies they give.
double formation_energy(const std::string& name);
double dissociation_energy(const std::string& molecule);

// A gas-phase reaction as the data set holds it.
struct Reaction {
  std::string equation;
  int le = 0, me = 0;          // reactant species (1-based)
  int kp = 0, lp = 0, mp = 0;  // products, coded as in the data set
  double ci = 0;               // contributing internal degrees of freedom
  double ae = 0;               // activation energy [J]
  double lambda = 0;           // pre-exponential factor [m^3/s, m^6/s for recombination]
  double eta = 0;              // temperature exponent
  double re = 0;               // energy of the reaction [J], added to the collision energy
  std::string source;
};

// The five-species air model: O2, N2, O, N, NO (species 1..5), with one
// vibrational mode for each molecule.
std::vector<Species> five_species_air();

// The air reactions in the order of the data set: 15 dissociations, 4
// exchanges, 3 recombinations (third-body tables 1..3).
std::vector<Reaction> air_reactions(const std::vector<Species>& air);
// Third-body efficiencies of the recombinations, one row per table and one
// value per species, relative to N2.
std::vector<std::vector<double>> air_third_body_tables();

// A species mixture at a given state.
struct Mixture {
  std::vector<Species> species;
  std::vector<double> fractions;  // number fractions, summing to 1
  double number_density = 0;      // [1/m^3]
  double temperature = 0;         // [K]
};

// Equilibrium mean free path of the VHS mixture:
// lambda = sum_p x_p / sum_q [pi d_pq^2 n_q (T_ref,pq/T)^(omega_pq - 1/2) (1 + m_p/m_q)^(1/2)],
// with the pair values the arithmetic means of the species values (Bird
// 1994); for a simple gas 1 / (sqrt(2) pi d^2 n (T_ref/T)^(omega - 1/2)).
double mean_free_path(const Mixture& gas);
// Mean molecular mass [kg] and ratio of specific heats with rotation fully
// excited and vibration frozen: gamma = (zeta + 5) / (zeta + 3).
double mean_mass(const Mixture& gas);
double specific_heat_ratio(const Mixture& gas);
double speed_of_sound(const Mixture& gas);
// Mean thermal speed sqrt(8 k T / (pi m)) of one species.
double mean_speed(const Species& s, double temperature);
// Number density that gives a mean free path at a temperature and composition.
double number_density_for_mean_free_path(Mixture gas, double lambda);

// Rounds to `digits` significant digits: the data files carry derived
// values to the precision they are known to, so they stay readable.
double round_significant(double v, int digits);

}  // namespace demogen
