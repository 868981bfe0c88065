#include "physics.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace demogen {

namespace {

// Standard atomic weights [g/mol] (IUPAC conventional values). Molecular
// masses are sums of them, so that every reaction conserves mass exactly.
constexpr double kNitrogenWeight = 14.007;
constexpr double kOxygenWeight = 15.999;
constexpr double kHeliumWeight = 4.002602;
constexpr double kArgonWeight = 39.948;

// Variable hard sphere data at T_ref = 273 K: diameters and viscosity
// indices of Bird (1994), Appendix A (Table A1), fitted to the measured
// viscosity of each gas. The atoms of dissociated air are not in that table;
// for them d = 3.0e-10 m and omega = 0.8 are the values used with the
// five-species air model in Bird (1994).
struct VhsEntry {
  const char* name;
  double weight;  // [g/mol]
  double diameter;
  double omega;
  int rotational_dof;
  double theta_v;  // 0: no vibration
  const char* source;
};

const VhsEntry kVhsTable[] = {
    {"O2", 2 * kOxygenWeight, 4.07e-10, 0.77, 2, 2256.0, "VHS: Bird (1994), Table A1"},
    {"N2", 2 * kNitrogenWeight, 4.17e-10, 0.74, 2, 3371.0, "VHS: Bird (1994), Table A1"},
    {"NO", kNitrogenWeight + kOxygenWeight, 4.20e-10, 0.79, 2, 2719.0,
     "VHS: Bird (1994), Table A1"},
    {"O", kOxygenWeight, 3.0e-10, 0.80, 0, 0.0, "VHS: air-model atoms, Bird (1994)"},
    {"N", kNitrogenWeight, 3.0e-10, 0.80, 0, 0.0, "VHS: air-model atoms, Bird (1994)"},
    {"He", kHeliumWeight, 2.33e-10, 0.66, 0, 0.0, "VHS: Bird (1994), Table A1"},
    {"Ar", kArgonWeight, 4.17e-10, 0.81, 0, 0.0, "VHS: Bird (1994), Table A1"},
};

// Rotational relaxation collision number of the diatomic molecules: about 5
// near room temperature and above (Bird 1994, chapter 6; Lordi & Mates 1970).
constexpr int kRotationalRelaxation = 5;

const VhsEntry& vhs_entry(const std::string& name) {
  for (const auto& e : kVhsTable) {
    if (name == e.name) return e;
  }
  throw std::invalid_argument("unknown species " + name);
}

}  // namespace

VibrationalMode millikan_white(const Species& s, double theta, double reduced_molar_mass) {
  const double mu = reduced_molar_mass;
  const double a = 1.16e-3 * std::sqrt(mu) * std::pow(theta, 4.0 / 3.0);
  const double b = 0.015 * std::pow(mu, 0.25);
  // tau [s] = (p_atm / p) exp(A T^(-1/3) - A B - 18.42) and the VHS collision
  // rate nu = 4 d^2 n (pi k T_ref / m)^(1/2) (T / T_ref)^(1 - omega), p = n k T:
  // tau nu = C1 T^(-omega) exp(A T^(-1/3)).
  const double rate_factor = 4.0 * s.diameter * s.diameter *
                             std::sqrt(kPi * kBoltz * s.tref / s.mass) *
                             std::pow(s.tref, s.omega - 1.0);
  VibrationalMode m;
  m.theta = theta;
  m.c1 =
      round_significant(kStandardAtmosphere * rate_factor / kBoltz * std::exp(-a * b - 18.42), 4);
  m.c2 = round_significant(a, 4);
  return m;
}

Species species(const std::string& name, bool with_vibration) {
  const VhsEntry& e = vhs_entry(name);
  Species s;
  s.name = e.name;
  s.diameter = e.diameter;
  s.tref = 273.0;
  s.omega = e.omega;
  s.mass = e.weight * kAtomicMass;
  s.rotational_dof = e.rotational_dof;
  s.rotational_relaxation = e.rotational_dof > 0 ? kRotationalRelaxation : 0;
  s.source = e.source;
  if (with_vibration && e.theta_v > 0.0) {
    // Self-collisions: the reduced molar mass of a pair of equal molecules.
    s.modes.push_back(millikan_white(s, e.theta_v, 0.5 * e.weight));
  }
  return s;
}

double formation_energy(const std::string& name) {
  // Delta_f H at 0 K [kJ/mol], NIST-JANAF Thermochemical Tables (Chase 1998).
  double kj_per_mol = 0.0;
  if (name == "O") {
    kj_per_mol = 246.790;
  } else if (name == "N") {
    kj_per_mol = 470.820;
  } else if (name == "NO") {
    kj_per_mol = 89.775;
  } else if (name == "O2" || name == "N2") {
    kj_per_mol = 0.0;
  } else {
    throw std::invalid_argument("no formation enthalpy for " + name);
  }
  // Five significant digits, the precision of the tables; the reaction
  // energies are sums of these, so they stay consistent with each other.
  return round_significant(kj_per_mol * 1.0e3 / kAvogadro, 5);
}

double dissociation_energy(const std::string& molecule) {
  if (molecule == "O2") return 2.0 * formation_energy("O") - formation_energy("O2");
  if (molecule == "N2") return 2.0 * formation_energy("N") - formation_energy("N2");
  if (molecule == "NO") {
    return formation_energy("N") + formation_energy("O") - formation_energy("NO");
  }
  throw std::invalid_argument("no dissociation energy for " + molecule);
}

std::vector<Species> five_species_air() {
  return {species("O2", true), species("N2", true), species("O", true), species("N", true),
          species("NO", true)};
}

namespace {

enum AirSpecies : int { kO2 = 1, kN2 = 2, kO = 3, kN = 4, kNO = 5 };

// Pre-exponential factors given per mole [cm^3 mol^-1 s^-1] to per molecule [m^3 s^-1].
double per_molecule(double cm3_per_mol_s) {
  return cm3_per_mol_s * 1.0e-6 / kAvogadro;
}

// A rate k = C exp(theta/T) [cm^6 s^-1] fitted by Lambda T^eta [m^6 s^-1]
// through its values at 300 K and 3000 K, the range of the measurements.
void fit_power_law(double c_cm6, double theta, double& lambda, double& eta) {
  const double t1 = 300.0, t2 = 3000.0;
  const double k1 = c_cm6 * std::exp(theta / t1) * 1.0e-12;
  const double k2 = c_cm6 * std::exp(theta / t2) * 1.0e-12;
  eta = std::log(k2 / k1) / std::log(t2 / t1);
  lambda = k1 / std::pow(t1, eta);
}

}  // namespace

namespace {

// Rate data to four significant digits.
Reaction rounded(Reaction r) {
  r.lambda = round_significant(r.lambda, 4);
  r.eta = round_significant(r.eta, 4);
  return r;
}

}  // namespace

std::vector<Reaction> air_reactions(const std::vector<Species>& air) {
  const char* names[] = {"", "O2", "N2", "O", "N", "NO"};
  auto zeta = [&](int sp) { return static_cast<double>(air[sp - 1].rotational_dof); };
  // The mean number of internal degrees of freedom of the pair: with it the
  // total-collision-energy probability uses all of the rotational energy.
  auto mean_dof = [&](int a, int b) { return 0.5 * (zeta(a) + zeta(b)); };
  // The activation energy is at least the energy the reaction absorbs, so
  // that every reacting pair has the energy to pay for it.
  auto activation = [](double theta, double re) {
    return std::max(round_significant(kBoltz * theta, 5), -re);
  };
  std::vector<Reaction> list;

  // Dissociation, Park (1990): Lambda T^eta exp(-theta/T) with the heavier
  // rate for the atoms as partners (and, for NO, for NO itself).
  struct Dissociation {
    int molecule;
    int fragment1, fragment2;
    double eta, theta;
    double molecule_rate, atom_rate;
    bool no_rule;  // NO: the faster rate also for NO, O, N; the slower for N2, O2
  };
  const Dissociation dissociations[] = {
      {kO2, kO, kO, -1.5, 59500.0, 2.0e21, 1.0e22, false},
      {kN2, kN, kN, -1.6, 113200.0, 7.0e21, 3.0e22, false},
      {kNO, kN, kO, 0.0, 75500.0, 5.0e15, 1.1e17, true},
  };
  for (const auto& d : dissociations) {
    const double energy = dissociation_energy(names[d.molecule]);
    for (int partner = 1; partner <= 5; ++partner) {
      const bool atom = partner == kO || partner == kN;
      const bool fast = d.no_rule ? (atom || partner == kNO) : atom;
      Reaction r;
      r.equation = std::string(names[d.molecule]) + " + " + names[partner] + " -> " +
                   names[d.fragment1] + " + " + names[d.fragment2] + " + " + names[partner];
      r.le = d.molecule;
      r.me = partner;
      r.kp = d.fragment1;
      r.lp = partner;
      r.mp = d.fragment2;
      r.ci = mean_dof(d.molecule, partner);
      r.re = -energy;
      r.ae = activation(d.theta, r.re);
      r.lambda = per_molecule(fast ? d.atom_rate : d.molecule_rate);
      r.eta = d.eta;
      r.source = "Park (1990)";
      list.push_back(rounded(r));
    }
  }

  // Exchange (Zeldovich) reactions. The two endothermic ones from Park
  // (1990); the two exothermic ones from the evaluation of Sander et al.
  // (2011): N + NO 2.1e-11 exp(100/T) cm^3/s, taken without its small
  // negative barrier, and N + O2 1.5e-11 exp(-3600/T) cm^3/s.
  const double d_o2 = dissociation_energy("O2");
  const double d_n2 = dissociation_energy("N2");
  const double d_no = dissociation_energy("NO");
  auto exchange = [&](const char* eq, int le, int me, int lp, int mp, double lambda, double eta,
                      double theta, double re, const char* source) {
    Reaction r;
    r.equation = eq;
    r.le = le;
    r.me = me;
    r.kp = 0;
    r.lp = lp;
    r.mp = mp;
    r.ci = mean_dof(le, me);
    r.re = re;
    r.ae = activation(theta, re);
    r.lambda = lambda;
    r.eta = eta;
    r.source = source;
    list.push_back(rounded(r));
  };
  exchange("N2 + O -> N + NO", kN2, kO, kN, kNO, per_molecule(6.4e17), -1.0, 38400.0,
           -(d_n2 - d_no), "Park (1990)");
  exchange("NO + O -> N + O2", kNO, kO, kN, kO2, per_molecule(8.4e12), 0.0, 19450.0, -(d_no - d_o2),
           "Park (1990)");
  exchange("NO + N -> O + N2", kNO, kN, kO, kN2, 2.1e-17, 0.0, 0.0, d_n2 - d_no,
           "Sander et al. (2011)");
  exchange("O2 + N -> O + NO", kO2, kN, kO, kNO, 1.5e-17, 0.0, 3600.0, d_no - d_o2,
           "Sander et al. (2011)");

  // Three-body recombination with N2 as the third body, Kossyi et al. (1992);
  // the tables of air_third_body_tables() scale it for other third bodies.
  auto recombination = [&](const char* eq, int le, int me, int product, int table, double lambda,
                           double eta, double energy) {
    Reaction r;
    r.equation = eq;
    r.le = le;
    r.me = me;
    r.kp = -1;
    r.lp = product;
    r.mp = -table;
    r.ci = mean_dof(le, me);
    r.ae = 0.0;
    r.lambda = lambda;
    r.eta = eta;
    r.re = energy;
    r.source = "Kossyi et al. (1992)";
    list.push_back(rounded(r));
  };
  double lambda = 0, eta = 0;
  fit_power_law(2.76e-34, 720.0, lambda, eta);
  recombination("O + O + M -> O2 + M", kO, kO, kO2, 1, lambda, eta, d_o2);
  fit_power_law(8.3e-34, 500.0, lambda, eta);
  recombination("N + N + M -> N2 + M", kN, kN, kN2, 2, lambda, eta, d_n2);
  recombination("N + O + M -> NO + M", kN, kO, kNO, 3, 1.76e-31 * 1.0e-12, -0.5, d_no);
  return list;
}

std::vector<std::vector<double>> air_third_body_tables() {
  // By detailed balance a recombination and the reverse dissociation have the
  // same dependence on the third body, so the efficiencies are the ratios of
  // Park's (1990) dissociation rates with each partner to that with N2.
  // Species order: O2, N2, O, N, NO.
  return {
      {1.0, 1.0, 5.0, 5.0, 1.0},                // O + O + M
      {1.0, 1.0, 30.0 / 7.0, 30.0 / 7.0, 1.0},  // N + N + M
      {1.0, 1.0, 22.0, 22.0, 22.0},             // N + O + M
  };
}

double mean_free_path(const Mixture& gas) {
  const auto& sp = gas.species;
  double lambda = 0.0;
  for (std::size_t p = 0; p < sp.size(); ++p) {
    if (gas.fractions[p] <= 0.0) continue;
    double sum = 0.0;
    for (std::size_t q = 0; q < sp.size(); ++q) {
      const double d = 0.5 * (sp[p].diameter + sp[q].diameter);
      const double tref = 0.5 * (sp[p].tref + sp[q].tref);
      const double omega = 0.5 * (sp[p].omega + sp[q].omega);
      sum += kPi * d * d * gas.number_density * gas.fractions[q] *
             std::pow(tref / gas.temperature, omega - 0.5) *
             std::sqrt(1.0 + sp[p].mass / sp[q].mass);
    }
    lambda += gas.fractions[p] / sum;
  }
  return lambda;
}

double mean_mass(const Mixture& gas) {
  double m = 0.0;
  for (std::size_t p = 0; p < gas.species.size(); ++p) m += gas.fractions[p] * gas.species[p].mass;
  return m;
}

double specific_heat_ratio(const Mixture& gas) {
  double zeta = 0.0;
  for (std::size_t p = 0; p < gas.species.size(); ++p) {
    zeta += gas.fractions[p] * gas.species[p].rotational_dof;
  }
  return (zeta + 5.0) / (zeta + 3.0);
}

double speed_of_sound(const Mixture& gas) {
  return std::sqrt(specific_heat_ratio(gas) * kBoltz * gas.temperature / mean_mass(gas));
}

double mean_speed(const Species& s, double temperature) {
  return std::sqrt(8.0 * kBoltz * temperature / (kPi * s.mass));
}

double round_significant(double v, int digits) {
  if (v == 0.0) return 0.0;
  const double scale = std::pow(10.0, digits - 1 - std::floor(std::log10(std::abs(v))));
  return std::round(v * scale) / scale;
}

double number_density_for_mean_free_path(Mixture gas, double lambda) {
  // The mean free path is inversely proportional to the number density.
  gas.number_density = 1.0;
  return mean_free_path(gas) / lambda;
}

}  // namespace demogen
