// The physics of the demonstration data: the Mach and Knudsen numbers the
// cases promise follow from the files' species data and gas states; the
// atmosphere reproduces the standard's tables; the air reactions conserve
// mass and energy; the molecule store is sized as documented.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "atmosphere.h"
#include "demo_support.h"
#include "sizing.h"

namespace qmxv {
namespace {

using demo_test::loaded_case;

constexpr double kBoltz = 1.3806e-23;
constexpr double kPi = 3.14159265358979323846;

// A gas state from the file: number density, temperature, speed, fractions.
struct GasState {
  double n, t, speed;
  std::vector<double> x;
};

GasState stream_of(const State& s) {
  GasState g{s.FND, s.FTMP, std::hypot(s.VFX, s.VFY, s.VFZ), {}};
  for (int L = 1; L <= s.MSP; ++L) g.x.push_back(s.FSP(L));
  return g;
}

GasState entry_gas_of(const State& s) {
  GasState g{s.ENTV(5, 1), s.ENTV(4, 1), std::hypot(s.ENTV(1, 1), s.ENTV(2, 1), s.ENTV(3, 1)), {}};
  for (int L = 1; L <= s.MSP; ++L) g.x.push_back(s.ENTFSP(L, 1));
  return g;
}

// VHS mean free path from the species data of the file (Bird 1994): for
// species p, 1 / sum_q pi d_pq^2 n_q (Tref_pq/T)^(omega_pq - 1/2) (1 + m_p/m_q)^(1/2)
// with the pair values the means of the species values, weighted by x_p;
// for a simple gas 1 / (sqrt(2) pi d^2 n (Tref/T)^(omega - 1/2)).
double mean_free_path(const State& s, const GasState& g) {
  double lambda = 0.0;
  for (int p = 1; p <= s.MSP; ++p) {
    if (g.x[p - 1] <= 0.0) continue;
    double sum = 0.0;
    for (int q = 1; q <= s.MSP; ++q) {
      const double d = 0.5 * (s.SP(1, p) + s.SP(1, q));
      const double tref = 0.5 * (s.SP(2, p) + s.SP(2, q));
      const double omega = 0.5 * (s.SP(3, p) + s.SP(3, q));
      sum += kPi * d * d * g.n * g.x[q - 1] * std::pow(tref / g.t, omega - 0.5) *
             std::sqrt(1.0 + s.SP(4, p) / s.SP(4, q));
    }
    lambda += g.x[p - 1] / sum;
  }
  return lambda;
}

// Speed of sound with rotation excited and vibration frozen.
double speed_of_sound(const State& s, const GasState& g) {
  double zeta = 0.0, mass = 0.0;
  for (int L = 1; L <= s.MSP; ++L) {
    zeta += g.x[L - 1] * s.ISPR(1, L);
    mass += g.x[L - 1] * s.SP(4, L);
  }
  const double gamma = (zeta + 5.0) / (zeta + 3.0);
  return std::sqrt(gamma * kBoltz * g.t / mass);
}

// The reference length of each case's Knudsen number, measured on its
// surface [m]: the wing's root chord, the chamber's height (its top above the
// lower wall at y = 0), the orbiter's length.
double reference_length(const State& s, int n) {
  double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
  for (int p = 1; p <= s.NPT; ++p) {
    const double v[3] = {s.XPT(p), s.YPT(p), s.ZPT(p)};
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], v[a]);
      hi[a] = std::max(hi[a], v[a]);
    }
  }
  return (n == 2 ? hi[1] : hi[0] - lo[0]) / s.SCALE;
}

class DemoPhysics : public ::testing::TestWithParam<int> {};

// The stated figures are round numbers (Mach 25 for 25.3, Kn 0.008 for
// 0.0080); 5 % covers that rounding and nothing else.
TEST_P(DemoPhysics, MachAndKnudsenNumbersFollowFromTheFiles) {
  const int n = GetParam();
  const auto& lc = loaded_case(n);
  const State& s = lc.state;
  const demogen::Figures& f = lc.design.figures;
  const GasState stream = stream_of(s);
  const double length = reference_length(s, n);
  EXPECT_NEAR(length, f.knudsen_length, 1e-6 * f.knudsen_length);
  const double kn = mean_free_path(s, stream) / length;
  EXPECT_NEAR(kn, f.knudsen, 0.05 * f.knudsen) << f.knudsen_basis;
  const GasState moving = f.mach_of_entry ? entry_gas_of(s) : stream;
  const double mach = moving.speed / speed_of_sound(s, moving);
  EXPECT_NEAR(mach, f.mach, 0.05 * f.mach);
}

// The store holds the expected molecules with a tenth to spare, the
// stream-filled cases start within it (the initial fill covers at most the
// whole region), and the memory estimate is the notes' figure.
TEST_P(DemoPhysics, MoleculeStoreIsSizedForTheStatedMemory) {
  const auto& lc = loaded_case(GetParam());
  const State& s = lc.state;
  const demogen::Figures& f = lc.design.figures;
  EXPECT_NEAR(f.memory_estimate_mib, f.memory_target_mib, 0.01 * f.memory_target_mib);
  EXPECT_GE(s.MNM, 1.05 * f.expected_molecules);
  EXPECT_LE(s.MNM, 1.2 * f.expected_molecules);
  if (s.INIT == 1) {
    const double box =
        (s.XMAX - s.XMIN) * (s.YMAX - s.YMIN) * (s.ZMAX - s.ZMIN) / std::pow(s.SCALE, 3.0);
    EXPECT_LT(s.FND * box / s.FNUM, s.MNM);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DemoPhysics, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "DM" + std::to_string(info.param); });

// Tabulated values of the U.S. Standard Atmosphere 1976 (NOAA-S/T 76-1562):
// five significant digits, so 0.02 % plus the integration's own error.
TEST(DemoAtmosphere, ReproducesTheStandardTables) {
  struct Row {
    double z, t, p, rho;
  };
  for (const Row& r :
       {Row{100.0, 195.08, 3.2011e-2, 5.604e-7}, Row{110.0, 240.00, 7.1042e-3, 9.708e-8},
        Row{120.0, 360.00, 2.5382e-3, 2.222e-8}}) {
    const demogen::AtmosphereState a = demogen::standard_atmosphere(r.z);
    EXPECT_NEAR(a.temperature, r.t, 0.01) << r.z;
    EXPECT_NEAR(a.pressure, r.p, 3e-4 * r.p) << r.z;
    EXPECT_NEAR(a.density, r.rho, 1e-3 * r.rho) << r.z;
  }
}

// A reaction's products, in mass: a dissociation's three, an exchange's two,
// a recombination's one (its third body is unchanged and left out).
double product_mass(const State& s, int J) {
  if (s.KP(J) > 0) return s.SP(4, s.KP(J)) + s.SP(4, s.LP(J)) + s.SP(4, s.MP(J));
  if (s.KP(J) < 0) return s.SP(4, s.LP(J));
  return s.SP(4, s.LP(J)) + s.SP(4, s.MP(J));
}

TEST(DemoReactions, ConserveMass) {
  const State& s = loaded_case(3).state;
  ASSERT_GT(s.MNR, 0);
  for (int J = 1; J <= s.MNR; ++J) {
    const double reactants = s.SP(4, s.LE(J)) + s.SP(4, s.ME(J));
    EXPECT_NEAR(product_mass(s, J), reactants, 1e-6 * reactants) << "reaction " << J;
  }
}

// Energies of formation per species, solved from the three dissociations
// (O2 and N2 at zero); every reaction's energy must then be the difference
// of its reactants' and products' energies of formation, and its activation
// energy must cover what it absorbs.
TEST(DemoReactions, EnergiesComeFromOneSetOfFormationEnergies) {
  const State& s = loaded_case(3).state;
  std::vector<double> h(static_cast<std::size_t>(s.MSP) + 1, 0.0);
  std::vector<bool> known(h.size(), false);
  // O2 (1) and N2 (2) are the reference states.
  known[1] = known[2] = true;
  for (int J = 1; J <= s.MNR; ++J) {
    // A dissociation of O2 or N2 gives its atom; then that of NO gives NO.
    if (s.KP(J) > 0 && known[s.LE(J)] && s.KP(J) == s.MP(J) && !known[s.KP(J)]) {
      h[s.KP(J)] = (h[s.LE(J)] - s.RE(J)) / 2.0;
      known[s.KP(J)] = true;
    }
  }
  for (int J = 1; J <= s.MNR; ++J) {
    if (s.KP(J) > 0 && !known[s.LE(J)] && known[s.KP(J)] && known[s.MP(J)]) {
      h[s.LE(J)] = h[s.KP(J)] + h[s.MP(J)] + s.RE(J);
      known[s.LE(J)] = true;
    }
  }
  for (int L = 1; L <= s.MSP; ++L) ASSERT_TRUE(known[L]) << "species " << L;
  for (int J = 1; J <= s.MNR; ++J) {
    double before = h[s.LE(J)] + h[s.ME(J)], after;
    if (s.KP(J) > 0) {
      after = h[s.KP(J)] + h[s.LP(J)] + h[s.MP(J)];
    } else if (s.KP(J) < 0) {
      after = h[s.LP(J)];
    } else {
      after = h[s.LP(J)] + h[s.MP(J)];
    }
    // RE is added to the collision energy: the energy the reaction releases.
    // Single precision in the file: 1e-7 of the largest energy.
    EXPECT_NEAR(s.RE(J), before - after, 1e-6 * std::abs(h[4])) << "reaction " << J;
    EXPECT_GE(s.AE(J), -s.RE(J)) << "reaction " << J;
  }
  // The formation energies are those of the thermochemical tables: O 2.558 eV,
  // N 4.880 eV, NO 0.930 eV (NIST-JANAF, 0 K), to 0.1 %.
  const double ev = 1.602176634e-19;
  EXPECT_NEAR(h[3] / ev, 2.558, 0.003);
  EXPECT_NEAR(h[4] / ev, 4.880, 0.005);
  EXPECT_NEAR(h[5] / ev, 0.930, 0.001);
}

// Surface reactions take atoms out and give molecules back: on average, for
// each incident species, the mass that leaves equals the mass that arrived.
TEST(DemoReactions, CatalyticWallConservesMassOnAverage) {
  const State& s = loaded_case(3).state;
  ASSERT_GT(s.MNSR, 0);
  for (int L = 1; L <= s.MSP; ++L) {
    double in = 0.0, out = 0.0;
    for (int J = 1; J <= s.MNSR; ++J) {
      if (s.ISRI(1, J) != L) continue;
      in += s.PSR(J, 1) * s.SP(4, L);
      for (int k = 1; k <= 6; ++k) {
        if (s.ISRR(k, J) > 0) out += s.PSR(J, 1) * s.SP(4, s.ISRR(k, J));
      }
    }
    EXPECT_NEAR(out, in, 1e-6 * s.SP(4, L)) << "species " << L;
  }
}

}  // namespace
}  // namespace qmxv
