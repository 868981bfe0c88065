// Initialization against kinetic theory: the species-pair constants, the
// stream's collision time and mean free path, the entry flux of a stream
// face, and the initial molecules (their number, their split at a separation
// boundary and their velocity distribution).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "core/initialize.h"
#include "data/data_files.h"
#include "run/errors.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

using test::GasFile;
using test::tagged;

constexpr double kB = 1.3806e-23;
constexpr double kPi = 3.14159265358979;

// Reads the gas file (no surfaces), forms the grid and cells and initializes.
void initialize(State& s, const test::TempDir& dir, const GasFile& gas) {
  support::set_up_case(s, dir.path(), gas.text(), tagged("0", "NSURF"));
}

// Nitrogen (rotating, Z = 5) with argon (monatomic), 70/30.
GasFile nitrogen_argon() {
  GasFile g;
  g.counts = test::counts(2, 0, 0, 0, 0);
  g.species = test::species(1, "4.17E-10", "0.74", "4.65E-26", 2, 5) +
              test::species(2, "4.17E-10", "0.81", "6.63E-26");
  g.fractions = {"0.7", "0.3"};
  return g;
}

struct Gas {
  double d, omega, m;
};

// VHS collision rate of species L in the stream (Bird 1994, eq. 4.76):
// nu_LM = 2 sqrt(pi) d_LM^2 n_M (T/Tref)^(1-omega_LM) sqrt(2 k Tref / m_r).
double vhs_rate(const std::vector<Gas>& g, const std::vector<double>& x, int L, double n,
                double T) {
  const double Tref = 273;
  double nu = 0;
  for (std::size_t M = 0; M < g.size(); ++M) {
    const double d = 0.5 * (g[L].d + g[M].d), w = 0.5 * (g[L].omega + g[M].omega);
    const double mr = g[L].m * g[M].m / (g[L].m + g[M].m);
    nu += 2 * std::sqrt(kPi) * d * d * n * x[M] * std::pow(T / Tref, 1 - w) *
          std::sqrt(2 * kB * Tref / mr);
  }
  return nu;
}

// The pair table, the stream collision time 1/sum(x_L nu_L) and the mean
// free path sum(x_L cbar_L / nu_L) for one gas and for a mixture.
TEST(InitializeStream, PairTableCollisionTimeAndMeanFreePathFollowVhs) {
  struct Case {
    const char* name;
    GasFile gas;
    std::vector<Gas> species;
    std::vector<double> x;
  };
  const Case cases[] = {
      {"argon", GasFile{}, {{4.17e-10, 0.81, 6.63e-26}}, {1.0}},
      {"nitrogen-argon",
       nitrogen_argon(),
       {{4.17e-10, 0.74, 4.65e-26}, {4.17e-10, 0.81, 6.63e-26}},
       {0.7, 0.3}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    test::TempDir dir;
    State s;
    initialize(s, dir, k.gas);
    const int nsp = static_cast<int>(k.species.size());
    const double n = 1.0e20, T = 300;
    double nu = 0, mfp = 0;
    for (int L = 0; L < nsp; ++L) {
      const Gas& a = k.species[L];
      for (int M = 0; M < nsp; ++M) {
        const Gas& b = k.species[M];
        EXPECT_NEAR(s.SPM(1, L + 1, M + 1) / (a.m * b.m / (a.m + b.m)), 1.0, 1e-6);
        EXPECT_NEAR(s.SPM(2, L + 1, M + 1) / (kPi * std::pow(0.5 * (a.d + b.d), 2)), 1.0, 1e-6);
        EXPECT_FLOAT_EQ(s.SPM(3, L + 1, M + 1), 0.5 * (a.omega + b.omega));
        // 1/Gamma(2.5 - omega) to the accuracy of the polynomial fit
        // (Abramowitz & Stegun 6.1.35: 5e-5).
        EXPECT_NEAR(s.SPM(6, L + 1, M + 1) * std::tgamma(2.5 - 0.5 * (a.omega + b.omega)), 1.0,
                    1e-4);
      }
      const double nuL = vhs_rate(k.species, k.x, L, n, T);
      nu += k.x[L] * nuL;
      mfp += k.x[L] * (2 / std::sqrt(kPi)) * std::sqrt(2 * kB * T / a.m) / nuL;
      EXPECT_NEAR(s.VMP(L + 1), std::sqrt(2 * kB * T / a.m), 1e-3);
    }
    EXPECT_NEAR(s.CTSTR * nu, 1.0, 1e-5);
    EXPECT_NEAR(s.FMFP / mfp, 1.0, 1e-5);
    EXPECT_TRUE(s.DIAG.contains("Approximate collision time in the stream is"));
    EXPECT_TRUE(s.DIAG.contains("Approximate mean free path in the stream is"));
  }
  // Rotational exchange probability 2/(Z_L + Z_M) for the nitrogen pair.
  test::TempDir dir;
  State s;
  initialize(s, dir, nitrogen_argon());
  EXPECT_FLOAT_EQ(s.SPM(7, 1, 1), 0.2f);
}

// Hard spheres (omega = 1/2) have the textbook mean free path
// 1/(sqrt(2) pi d^2 n) at any temperature, and the time step is the
// smallest of the transit, mean-free-path and collision-time limits.
TEST(InitializeStream, HardSphereMeanFreePathAndTheTimeStepLimits) {
  GasFile g;
  g.species = test::species(1, "4.17E-10", "0.5", "6.63E-26");
  g.stream_state = tagged("1.0E22", "FND") + tagged("1000.", "FTMP") + tagged("100.", "VFX") +
                   tagged("0.", "VFY") + tagged("0.", "VFZ");
  g.run = test::set_value(g.run, "FNUM", "1.0E18");
  test::TempDir dir;
  State s;
  initialize(s, dir, g);
  const double lambda = 1 / (std::sqrt(2.0) * kPi * 4.17e-10 * 4.17e-10 * 1e22);
  EXPECT_NEAR(s.FMFP / lambda, 1.0, 1e-5);
  // Dense gas: 0.05 lambda SCALE / VMP wins over the transit rule
  // 0.04 dx / VMP (the stream is slower than VMP); for one gas it is always
  // below the collision-time limit 0.1 SCALE / nu, since lambda nu = cbar.
  const double vmp = std::sqrt(2 * kB * 1000 / 6.63e-26);
  const double transit = 0.04 * s.DDX / vmp, by_mfp = 0.05 * lambda * s.SCALE / vmp;
  const double by_time = 0.1 * s.SCALE * s.CTSTR;
  EXPECT_LT(by_mfp, transit);
  EXPECT_NEAR(s.DTM / std::min({transit, by_mfp, by_time}), 1.0, 1e-5);
  for (int c = 1; c <= s.NCELLS; ++c) ASSERT_FLOAT_EQ(s.CELL(13, c), 0.5f * s.DTM);
}

// A stream face lets in n (c_mp / (2 sqrt(pi))) [exp(-s^2) + sqrt(pi) s
// (1 + erf s)] molecules per unit area and time (Bird 1994, eq. 4.22), with
// s the speed ratio into the flow; row 6 locates the maximum of
// u exp(-(u - s)^2).
TEST(InitializeStream, StreamFaceFluxIsTheMaxwellianInflux) {
  for (const char* vfx : {"500.", "-300.", "4000."}) {
    SCOPED_TRACE(vfx);
    GasFile g;
    g.stream_state = tagged("1.0E20", "FND") + tagged("300.", "FTMP") + tagged(vfx, "VFX") +
                     tagged("0.", "VFY") + tagged("0.", "VFZ");
    g.boundaries = tagged("3", "IB(1)") + tagged("3", "IB(2)") + tagged("3", "IB(3)") +
                   tagged("2", "IB(4)") + tagged("2", "IB(5)") + tagged("2", "IB(6)");
    test::TempDir dir;
    State s;
    initialize(s, dir, g);
    const double vmp = std::sqrt(2 * kB * 300 / 6.63e-26), u = std::stod(vfx);
    const double area_x = s.DDY * s.DDZ / (s.SCALE * s.SCALE);
    const double area_y = s.DDX * s.DDZ / (s.SCALE * s.SCALE);
    auto influx = [&](double sr) {
      if (sr >= 9.9) return sr;  // the hypersonic limit the program uses
      return (std::exp(-sr * sr) + std::sqrt(kPi) * sr * (1 + std::erf(sr))) / (2 * std::sqrt(kPi));
    };
    const struct {
      int face;
      double s, area;
    } faces[] = {{1, u / vmp, area_x}, {2, -u / vmp, area_x}, {3, 0.0, area_y}};
    for (const auto& f : faces) {
      SCOPED_TRACE(f.face);
      const double expected = 1e20 * vmp * f.area * influx(f.s) / (s.FNUM * s.SCALE);
      if (f.s <= -9.9) EXPECT_EQ(s.EFACE(2, 1, f.face, 1), 0.0f);  // no entry against the stream
      else EXPECT_NEAR(s.EFACE(2, 1, f.face, 1) / expected, 1.0, 2e-5);
      EXPECT_NEAR(s.EFACE(5, 1, f.face, 1), f.s, 1e-5);
      const double umax = 0.5 * (f.s + std::sqrt(f.s * f.s + 2));
      EXPECT_NEAR(s.EFACE(6, 1, f.face, 1), 2 * umax, 1e-5);
      EXPECT_NEAR(s.EFACE(7, 1, f.face, 1), (umax - f.s) * (umax - f.s), 1e-5);
      EXPECT_EQ(s.EFACE(3, 1, f.face, 1), 0.0f);
    }
    // Faces that are not stream boundaries let nothing in.
    for (int face = 4; face <= 6; ++face) EXPECT_EQ(s.EFACE(2, 1, face, 1), 0.0f);
  }
}

// Temperature from the thermal velocities about the mean.
struct Moments {
  double count = 0, u = 0, uu = 0, vv = 0, ww = 0;
  void add(float a, float b, float c) {
    count += 1;
    u += a;
    uu += double(a) * a;
    vv += double(b) * b;
    ww += double(c) * c;
  }
  double mean_u() const { return u / count; }
  double temperature(double m) const {
    const double mu = mean_u();
    return m * (uu / count - mu * mu + vv / count + ww / count) / (3 * kB);
  }
};

// The initial molecules: one running remainder over cells and species makes
// the total the sum of the expected numbers and every cell's share within
// one of its own; the velocities are Maxwellian about the stream velocity.
TEST(InitializeMolecules, FillCountIsTheExpectedSumAndTheGasIsTheStream) {
  test::TempDir dir;
  State s;
  GasFile g = nitrogen_argon();
  initialize(s, dir, g);
  const double sc3 = double(s.SCALE) * s.SCALE * s.SCALE;
  double expected = 0;
  for (int c = 1; c <= s.NCELLS; ++c) {
    double cell[2] = {0, 0};
    for (int L = 1; L <= 2; ++L) cell[L - 1] = 1e20 * s.CELL(kCellVolume, c) * s.FSP(L) / (sc3 * s.FNUM);
    int have[2] = {0, 0};
    for (int n = 1; n <= s.NM; ++n)
      if (s.IP(2, n) == c) ++have[s.IP(3, n) - 1];
    for (int L = 0; L < 2; ++L) ASSERT_LT(std::abs(have[L] - cell[L]), 1.0) << "cell " << c;
    expected += cell[0] + cell[1];
  }
  EXPECT_LE(std::abs(s.NM - expected), 1.0);
  EXPECT_NEAR(expected, 1e20 * 0.25 / 1e15, 1e-6 * expected);
  Moments m[2];
  double erot = 0;
  for (int n = 1; n <= s.NM; ++n) {
    m[s.IP(3, n) - 1].add(s.PV(1, n), s.PV(2, n), s.PV(3, n));
    if (s.IP(3, n) == 1) {
      erot += s.PV(4, n);
    } else {
      EXPECT_EQ(s.PV(4, n), 0.0f);
    }
  }
  // About 17,500 nitrogen and 7,500 argon molecules: the mean velocity
  // scatters by sqrt(kT/m)/sqrt(N) (about 2.2 and 2.2 m/s) and the
  // temperature by sqrt(2/(3N)) (0.6 % and 0.9 %); four deviations allowed.
  const double mass[2] = {4.65e-26, 6.63e-26};
  for (int L = 0; L < 2; ++L) {
    const double sd_u = std::sqrt(kB * 300 / mass[L] / m[L].count);
    EXPECT_NEAR(m[L].mean_u(), 500.0, 4 * sd_u) << "species " << L + 1;
    EXPECT_NEAR(m[L].temperature(mass[L]) / 300.0, 1.0, 4 * std::sqrt(2 / (3 * m[L].count)));
  }
  // Two rotational degrees: mean energy kT, relative scatter 1/sqrt(N).
  EXPECT_NEAR(erot / m[0].count / (kB * 300), 1.0, 4 / std::sqrt(m[0].count));
  EXPECT_NEAR(m[0].count / s.NM, 0.7, 0.01);
}

// A separation boundary: the first pass fills x < XSEP with the stream, the
// second x >= XSEP with the secondary stream, each at its own density,
// velocity, temperature and composition; a cell across XSEP is shared.
TEST(InitializeMolecules, SeparationBoundarySplitsTheTwoStreams) {
  GasFile g = nitrogen_argon();
  g.initial = tagged("1", "INIT") + tagged("1", "ISEP") + tagged("0.37", "XSEP") +
              tagged("3.0E20", "FND2") + tagged("600.", "FTMP2") + tagged("-300.", "VFX2") +
              tagged("0.", "VFY2") + tagged("0.", "VFZ2") + tagged("0.2", "FSP2(1)") +
              tagged("0.8", "FSP2(2)");
  test::TempDir dir;
  State s;
  initialize(s, dir, g);
  int first = 0;  // molecules of the first pass come first
  while (first < s.NM && s.PP(1, first + 1) < s.XSEP) ++first;
  for (int n = first + 1; n <= s.NM; ++n) ASSERT_GE(s.PP(1, n), s.XSEP) << "molecule " << n;
  const double area = 0.5 * 0.5, v1 = 0.37 * area, v2 = 0.63 * area;
  const double n1 = 1e20 * v1 / 1e15, n2 = 3e20 * v2 / 1e15;
  // The cells across XSEP are thinned at random: binomial scatter there,
  // well under sqrt(N) overall; four sqrt(N) allowed.
  EXPECT_NEAR(first, n1, 4 * std::sqrt(n1));
  EXPECT_NEAR(s.NM - first, n2, 4 * std::sqrt(n2));
  Moments a, b;
  int argon_b = 0;
  for (int n = 1; n <= s.NM; ++n) {
    if (s.IP(3, n) != 2) continue;
    (n <= first ? a : b).add(s.PV(1, n), s.PV(2, n), s.PV(3, n));
  }
  for (int n = first + 1; n <= s.NM; ++n) argon_b += s.IP(3, n) == 2;
  EXPECT_NEAR(double(argon_b) / (s.NM - first), 0.8, 4 * std::sqrt(0.16 / (s.NM - first)));
  const double m = 6.63e-26;
  EXPECT_NEAR(a.mean_u(), 500.0, 4 * std::sqrt(kB * 300 / m / a.count));
  EXPECT_NEAR(b.mean_u(), -300.0, 4 * std::sqrt(kB * 600 / m / b.count));
  EXPECT_NEAR(a.temperature(m) / 300, 1.0, 4 * std::sqrt(2 / (3 * a.count)));
  EXPECT_NEAR(b.temperature(m) / 600, 1.0, 4 * std::sqrt(2 / (3 * b.count)));
  // The secondary stream's faces have their own entry records.
  EXPECT_NEAR(s.EFACE(4, 2, 1, 2), std::sqrt(2 * kB * 600 / m), 1e-2);
}

// A vacuum start places nothing but still builds the entry tables; one
// species keeps two IP rows and a monatomic gas three PV rows.
TEST(InitializeMolecules, VacuumStartAndTheArrayShapes) {
  GasFile g;
  g.initial = tagged("2", "INIT") + tagged("0", "ISEP");
  test::TempDir dir;
  State s;
  initialize(s, dir, g);
  EXPECT_EQ(s.NM, 0);
  for (int c = 1; c <= s.NCELLS; ++c) ASSERT_EQ(s.ICELL(2, c), 0);
  EXPECT_GT(s.EFACE(2, 1, 1, 1), 0.0f);
  EXPECT_EQ(s.NIPR, 2);
  EXPECT_EQ(s.NMOLC, 3);
  EXPECT_EQ(s.TIME, 0.0);
  EXPECT_TRUE(s.DIAG.contains("The flow simulation will now start from zero time."));
}

// About 25,000 molecules fill the stream: with room for 1000 the refusal
// points at the line of MNM in QMXVD.DAT.
TEST(InitializeMolecules, MoreThanMNMInitialMoleculesAreRefusedAtTheLineOfMNM) {
  GasFile g;
  g.run = test::set_value(g.run, "MNM", "1000");
  test::TempDir dir;
  State s;
  try {
    initialize(s, dir, g);
    FAIL() << "the initial state was placed in " << s.MNM << " slots";
  } catch (const UserError& e) {
    const int line = test::line_of(g.text(), "MNM");
    EXPECT_EQ(e.exit_status(), kExitBadData);
    EXPECT_EQ(
        std::string(e.what()).rfind("QMXVD.DAT line " + std::to_string(line) +
                                        ": The initial number of molecules exceeds MNM = 1000",
                                    0),
        0u)
        << e.what();
  }
  EXPECT_TRUE(s.DIAG.contains("Either increase MNM or FNUM in the data"));
}

}  // namespace
}  // namespace qmxv
