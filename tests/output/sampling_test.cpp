// The sample and the output step: cell results from molecules of known
// velocities and energies against the kinetic definitions of density,
// temperatures, Mach number and collision time; an equilibrium box; the
// time-step adaptation; the schedule and its resets; the history ring.
#include "output/sampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "core/collide.h"
#include "core/indexing.h"
#include "core/molecules.h"
#include "core/move.h"
#include "geometry/cell_state.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
constexpr double kB = 1.3806e-23;
constexpr double kAr = 6.63e-26, kN2 = 4.65e-26;

struct Molecule {
  int cell, species;
  double u, v, w, erot = 0;
  int level = 0;  // vibrational level of nitrogen
};

// Argon (1) and nitrogen (2: two rotational degrees of freedom, one
// vibrational mode of 3371 K) in three cells of 1e-3 m^3 (the third inside
// a body), FNUM 1e12, unit scale.
State two_species_cells(const std::vector<Molecule>& mols, int samples) {
  State s;
  s.MSP = 2;
  s.MMVM = 1;
  s.SP.allocate(4, 2);
  s.SP(4, 1) = static_cast<float>(kAr);
  s.SP(4, 2) = static_cast<float>(kN2);
  s.ISPR.allocate(2, 2);
  s.ISPR(1, 2) = 2;
  s.ISPV.allocate(2);
  s.ISPV(2) = 1;
  s.THETAV.allocate(1, 2);
  s.THETAV(1, 2) = 3371.0f;
  s.FSP.allocate(2);
  s.FSP(1) = 0.5f;
  s.FSP(2) = 0.5f;
  s.FND = 1e20f;
  s.FTMP = 300.0f;
  s.FDEN = static_cast<float>(1e20 * 0.5 * (kAr + kN2));
  s.VFX = 500.0f;
  s.VSTRM = 500.0f;
  s.SCALE = 1.0f;
  s.FNUM = 1e12f;
  s.NCELLS = 3;
  s.CELL.allocate(kCellFields, 3);
  s.CELL(1, 1) = s.CELL(1, 2) = 1e-3f;
  s.CELL(1, 3) = 0.0f;
  s.NIPR = 3;
  s.NMOLC = 4;
  allocate_molecules(s, static_cast<int>(mols.size()) + 1);
  allocate_sample(s);
  s.NM = static_cast<int>(mols.size());
  for (int n = 1; n <= s.NM; ++n) {
    const Molecule& m = mols[n - 1];
    s.IP(2, n) = m.cell;
    s.IP(3, n) = m.species;
    s.PV(1, n) = static_cast<float>(m.u);
    s.PV(2, n) = static_cast<float>(m.v);
    s.PV(3, n) = static_cast<float>(m.w);
    s.PV(4, n) = static_cast<float>(m.erot);
    s.IPVIB(1, n) = static_cast<std::int8_t>(m.level);
  }
  reset_sample(s);
  ui::ScriptedToolkit ui;
  for (int i = 0; i < samples; ++i) sample_flowfield(s, ui);
  return s;
}

// 30 argon and 30 nitrogen molecules a sample in cell 1, streaming at
// (200, -50, 0) with thermal velocities of +-a on each axis in turn;
// nitrogen with rotational energies alternating 2e-21 and 6e-21 J and a
// third of the molecules in vibrational level 1. Cell 2 holds 25 a sample.
std::vector<Molecule> mixture(double a) {
  std::vector<Molecule> m;
  for (int species = 1; species <= 2; ++species)
    for (int i = 0; i < 30; ++i) {
      const double sign = i % 2 ? 1 : -1;
      Molecule x{1, species, 200, -50, 0};
      (i % 3 == 0 ? x.u : i % 3 == 1 ? x.v : x.w) += sign * a * std::sqrt(3.0);
      if (species == 2) {
        x.erot = i % 2 ? 2e-21 : 6e-21;
        x.level = i % 3 == 0 ? 1 : 0;
      }
      m.push_back(x);
    }
  for (int i = 0; i < 25; ++i) m.push_back(Molecule{2, 1, 10.0 * i, 0, 0});
  return m;
}

TEST(CellResults, MixtureCellMatchesTheKineticDefinitions) {
  const std::vector<Molecule> mols = mixture(400.0);
  State s = two_species_cells(mols, 2);
  s.TIME = 2e-3;
  s.TSAMPSTART = 0;
  s.CCOLL(1) = 30;
  s.CSEP(1) = 0.06;
  s.CCOLL(2) = 2;
  flowfield_results(s);

  // Direct definitions over the molecules of cell 1.
  double N = 0, M = 0, px = 0, py = 0, pz = 0, N2 = 0, erot = 0, evib = 0, ssq = 0;
  for (const Molecule& m : mols) {
    if (m.cell != 1) continue;
    const double mass = m.species == 1 ? kAr : kN2;
    N += 1;
    M += mass;
    px += mass * m.u;
    py += mass * m.v;
    pz += mass * m.w;
    ssq += m.u * m.u + m.v * m.v + m.w * m.w;
    if (m.species == 2) {
      N2 += 1;
      erot += m.erot;
      evib += m.level * kB * 3371.0;
    }
  }
  const double U[3] = {px / M, py / M, pz / M};
  double thermal = 0;
  for (const Molecule& m : mols) {
    if (m.cell != 1) continue;
    const double mass = m.species == 1 ? kAr : kN2;
    const double d[3] = {m.u - U[0], m.v - U[1], m.w - U[2]};
    thermal += mass * (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  }
  const double Ttr = thermal / (3 * kB * N);
  const double Trot = erot / (kB * N2);  // two degrees of freedom
  const double Tvib = 3371.0 / std::log(1.0 + kB * 3371.0 * N2 / evib);
  const double x = 3371.0 / Tvib, zv = 2 * x / std::expm1(x) * N2 / N, zr = 2 * N2 / N;
  // The cell's vibrational temperature is the number-weighted mean over all
  // species, the atoms counting zero, and enters the overall temperature so.
  const double Tv_cell = Tvib * N2 / N;
  const double T = (3 * Ttr + zr * Trot + zv * Tv_cell) / (3 + zr + zv);
  const double n = 1e12 * N / 1e-3;  // per sample: N counts one sample of the two
  const double speed = std::hypot(U[0], U[1]);

  auto near = [](double got, double want, const char* what) {
    EXPECT_NEAR(got, want, 2e-5 * std::fabs(want) + 1e-30) << what;
  };
  near(s.VAR(1, 1), 2 * N, "sample size");
  near(s.VAR(2, 1), n, "number density");
  near(s.VAR(3, 1), n * M / N, "density");
  near(s.VAR(4, 1), U[0], "u");
  near(s.VAR(5, 1), U[1], "v");
  near(s.VAR(7, 1), Ttr, "translational temperature");
  near(s.VAR(8, 1), Trot, "rotational temperature");
  near(s.VAR(9, 1), Tv_cell, "vibrational temperature");
  near(s.VAR(10, 1), T, "overall temperature");
  near(s.VAR(11, 1), speed / std::sqrt((3 + zr + zv + 2) / (3 + zr + zv) * kB * T * N / M), "Mach");
  near(s.VAR(12, 1), N, "molecules per cell");
  // Each collision takes two molecules: t N / (2 C).
  near(s.VAR(13, 1), 2e-3 * N / (2 * 30), "mean collision time");
  near(s.VAR(14, 1), 0.92132 * std::sqrt(ssq / N - speed * speed) * s.VAR(13, 1), "mfp");
  near(s.VAR(15, 1), 0.06 / 30 / s.VAR(14, 1), "separation / mfp");
  near(s.VAR(16, 1), speed, "speed");
  // The pressure takes the temperature before vibration.
  near(s.VAR(17, 1), n * kB * (3 * Ttr + zr * Trot) / (3 + zr), "pressure");
  near(s.VAR(18, 1), 0.5, "argon fraction");
  // Per species: argon's thermal spread is its own (about its own mean).
  near(s.VARSP(1, 1, 1), 60, "argon sample");
  near(s.VARSP(6, 1, 1), kAr * 400.0 * 400.0 / kB, "argon temperature");
  near(s.VARSP(7, 1, 2), Trot, "nitrogen rotational temperature");
  near(s.VARSP(8, 1, 2), Tvib, "nitrogen vibrational temperature");
  EXPECT_NEAR(s.VARSP(9, 1, 1), 0.0f, 1e-3) << "argon drifts with the mixture";
  EXPECT_EQ(s.ICSAMPLE(1), 1);

  // 50 molecules in cell 2 (25 in each of two samples): nothing shown, and
  // too thin a sample for a time step.
  for (int k = 1; k <= 19; ++k) EXPECT_EQ(s.VAR(k, 2), 0.0f) << k;
  EXPECT_EQ(s.ICSAMPLE(2), 1);  // 50 >= 25 and >= NSAMP
  // The body cell shows the stream.
  EXPECT_EQ(s.VAR(2, 3), 1e20f);
  EXPECT_EQ(s.VAR(4, 3), 500.0f);
  EXPECT_EQ(s.VAR(13, 3), -1.0f);
  EXPECT_FLOAT_EQ(s.VAR(17, 3), static_cast<float>(1e20 * kB * 300));
}

TEST(CellResults, FiftyOneMoleculesShowValuesAndFewCollisionsNoCollisionTime) {
  std::vector<Molecule> mols = mixture(400.0);
  mols.push_back(Molecule{2, 1, 0, 0, 0});  // cell 2: 26 a sample, 52 in two
  State s = two_species_cells(mols, 2);
  s.TIME = 1e-3;
  s.CCOLL(2) = 2;
  flowfield_results(s);
  EXPECT_EQ(s.VAR(1, 2), 52.0f);
  EXPECT_GT(s.VAR(2, 2), 0.0f);
  EXPECT_EQ(s.VAR(13, 2), 1.0e10f);
  EXPECT_EQ(s.VAR(15, 2), 0.0f);
  // Argon alone: no rotation, and the overall temperature is the translational one.
  EXPECT_EQ(s.VAR(8, 2), 0.0f);
  EXPECT_FLOAT_EQ(s.VAR(10, 2), s.VAR(7, 2));
}

TEST(CellResults, VibrationalSumBelowOneQuantumGivesTheCellTemperature) {
  std::vector<Molecule> mols;
  for (int i = 0; i < 60; ++i) mols.push_back(Molecule{1, 2, i % 2 ? 300.0 : -300.0, 0, 0, 4e-21});
  State s = two_species_cells(mols, 1);
  s.TIME = 1e-3;
  flowfield_results(s);
  // No molecule excited: the mode has neither temperature nor degrees of
  // freedom, and the species' vibrational temperature is the cell's.
  const double T = (3 * s.VAR(7, 1) + 2 * s.VAR(8, 1)) / 5;
  EXPECT_FLOAT_EQ(s.VAR(10, 1), static_cast<float>(T));
  EXPECT_FLOAT_EQ(s.VARSP(8, 1, 2), static_cast<float>(T));
}

// The closed argon box of examples/ at 300 K and rest, sampled every step
// for 100 steps: in every cell the density and temperature of the gas
// within a few standard deviations of the sample's scatter, and no drift.
TEST(CellResults, EquilibriumBoxShowsTheGasAtRest) {
  support::TempDir dir("qmxv_sample_box");
  const fs::path ex = fs::path(QMXV_SOURCE_DIR) / "examples" / "argon-box";
  fs::copy_file(ex / "QMXVD.DAT", dir.path() / "QMXVD.DAT");
  fs::copy_file(ex / "QMXSD.DAT", dir.path() / "QMXSD.DAT");
  State s;
  support::set_up_case(s, dir.path());
  ui::ScriptedToolkit ui;
  reset_sample(s);
  const int steps = 100;
  for (int i = 0; i < steps; ++i) {
    s.TIME += s.DTM;
    move_molecules(s, ui);
    if (s.IINDEX == 0) index_molecules(s);
    collide(s);
    sample_flowfield(s, ui);
  }
  flowfield_results(s);
  double n_mean = 0, t_mean = 0, u_mean = 0;
  int cells = 0, wide = 0, fast = 0;
  for (int c = 1; c <= s.NCELLS; ++c) {
    if (s.CELL(1, c) <= 0) continue;
    ++cells;
    n_mean += s.VAR(2, c);
    t_mean += s.VAR(7, c);
    // Samples are correlated from step to step; allow the scatter of the
    // molecules per cell alone, five-fold.
    const double per = s.VAR(12, c);
    if (std::fabs(s.VAR(2, c) / s.FND - 1) > 5 / std::sqrt(per)) ++wide;
    // The mean velocity of `per` molecules scatters by c_rms/sqrt(per).
    if (s.VAR(16, c) > 4 * std::sqrt(3 * kB * 300 / kAr) / std::sqrt(per)) ++fast;
    u_mean += s.VAR(4, c);
  }
  EXPECT_LE(fast, cells / 50);
  EXPECT_LT(std::fabs(u_mean / cells), 5.0) << "a drift of the whole gas [m/s]";
  n_mean /= cells;
  t_mean /= cells;
  EXPECT_NEAR(n_mean / s.FND, 1.0, 0.002);  // the molecules are conserved
  EXPECT_NEAR(t_mean / 300.0, 1.0, 0.01);
  EXPECT_LE(wide, cells / 50);
}

// Adaptation on a two-cell state: the decay of the collision maxima, the
// least of the collision, transit and thermal terms, the clamp of a cell
// not counted, and no change at all while no cell has counted.
TEST(TimeStepAdaptation, TakesTheLeastTermAndClampsEveryCell) {
  State s = two_species_cells(mixture(400.0), 2);
  s.NMCT = 4;
  s.NMTT = 2;
  for (int c = 1; c <= 3; ++c) {
    s.CELL(14, c) = 10.0f;
    s.CELL(13, c) = 1.0f;
    s.CELL(5, c) = 0.0f;
    s.CELL(6, c) = 0.1f;
    s.CELL(7, c) = 0.0f;
    s.CELL(8, c) = 0.2f;
    s.CELL(9, c) = 0.0f;
    s.CELL(10, c) = 0.4f;
  }
  s.DTM = 0.5f;
  s.ICSAMPLE.fill(0);
  s.VAR.fill(0.0f);
  EXPECT_EQ(adapt_time_steps(s), 0.5f);
  EXPECT_EQ(s.DTM, 0.5f) << "no counted cell: the step stays";
  EXPECT_EQ(s.CELL(13, 2), 1.0f) << "no limits before a cell has counted";
  EXPECT_FLOAT_EQ(s.CELL(14, 1), 8.0f);

  s.ICSAMPLE(1) = 1;
  s.VAR(13, 1) = 1e-3f;   // collision term 1e-3 / 8
  s.VAR(4, 1) = 1000.0f;  // transit across 0.1 m: 1e-4 / 4
  s.VAR(10, 1) = 300.0f;  // thermal: the speed of argon at 300 K
  adapt_time_steps(s);
  const double thermal = 0.1 / std::sqrt(2 * kB * 300 / kAr) / 4;
  const double want = std::min({1e-3 / 8, 0.1 / 1000 / 4, thermal});
  EXPECT_NEAR(s.CELL(13, 1), want, 1e-6 * want);
  EXPECT_NEAR(s.DTMEAN, want, 1e-6 * want);
  EXPECT_NEAR(s.DTM, want / 5, 1e-6 * want);
  // Cells not counted are pulled into [DTMEAN/10, 10 DTMEAN].
  EXPECT_NEAR(s.CELL(13, 2), 10 * want, 1e-5 * want);
  EXPECT_FLOAT_EQ(s.CELL(14, 1), 6.4f);
}

// The output schedule over a hand-made state: a steady flow is reset at
// every output before TSTEADY and accumulates after it, unless the molecule
// number moves by more than 8 sqrt(NM); an unsteady flow resets each time.
TEST(OutputStep, ResetPolicyAndTheMoleculeNumberCheck) {
  State s = two_species_cells(mixture(400.0), 1);
  s.DTOUT = 1.0f;
  s.TOUT = 1.0f;
  s.DTSKIP = 0.0f;
  s.TSTEADY = 2.0f;
  s.ISTEADY = 1;
  s.EXPORT_CSV = s.EXPORT_VTK = false;
  s.NMCT = s.NMTT = 2;
  ui::ScriptedToolkit ui;
  auto output_at = [&](double t, int nm_start) {
    s.TIME = t;
    s.NMSAMPSTART = nm_start;
    s.NSAMP = 1;
    return output_step(s, ui);
  };
  OutputReport r = output_at(1.5, s.NM);
  EXPECT_TRUE(r.reset) << "steady, before TSTEADY";
  EXPECT_EQ(s.NOUT, 1);
  EXPECT_EQ(s.TOUT, 2.0f);
  r = output_at(2.5, s.NM);
  EXPECT_FALSE(r.reset) << "steady, after TSTEADY: the sample grows";
  EXPECT_EQ(s.NSAMP, 1);

  // NM = 10000: a change of 800 keeps the sample, 801 resets it before drawing.
  s.NM = 10000;
  r = output_at(3.5, 10800);
  EXPECT_FALSE(r.reset);
  r = output_at(4.5, 10801);
  EXPECT_TRUE(r.number_change_reset);
  EXPECT_EQ(s.NSAMP, 0);
  EXPECT_TRUE(s.DIAG.contains("Sample reset due to excessive molecule number change"));

  s.ISTEADY = 0;
  r = output_at(5.5, 20000);
  EXPECT_FALSE(r.number_change_reset) << "no check for an unsteady flow";
  EXPECT_TRUE(r.reset);
  EXPECT_TRUE(s.DIAG.contains("DTM changes from"));
}

TEST(Sampling, HistoryRingAndSpeciesOfMarkedMolecules) {
  std::vector<Molecule> mols = {{1, 1, 100, 0, 0}, {1, 2, 0, 0, 0}};
  State s = two_species_cells(mols, 0);
  s.IP(3, 2) = -2;  // a molecule marked by the chemistry counts as its species
  ui::ScriptedToolkit ui;
  EXPECT_EQ(s.IHIST, 2);
  for (int i = 1; i <= 201; ++i) {
    s.TIME = i;
    sample_flowfield(s, ui);
  }
  EXPECT_EQ(s.CSAMP(1, 1, 2), 201.0);
  // Entries 2..200 then 1, 2: the 201st sample overwrote entry 2.
  EXPECT_EQ(s.IHIST, 3);
  EXPECT_EQ(s.HISTNM(1, 1), 200.0f);
  EXPECT_EQ(s.HISTNM(1, 2), 201.0f);
  EXPECT_EQ(s.HISTNM(2, 2), 2.0f);
}

}  // namespace
}  // namespace qmxv
