// Gas-phase chemistry against the Arrhenius rates it is built from: in a
// closed box at rest (a heat bath) the measured rate coefficients of a
// dissociation, two exchanges and two recombinations (one with a named third
// body, one with a third-body table) equal k(T) = Lambda T^eta exp(-E_a/kT)
// at two temperatures; reacting collisions conserve mass, momentum and
// energy with the energy of reaction; the index stays whole under both
// indexings; a gas without reactions is never changed.
#include "core/chemistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "core/collide.h"
#include "core/indexing.h"
#include "core/move.h"
#include "output/restart.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "support/files.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

constexpr double kBoltz = 1.3806e-23;

// Four monatomic species of one diameter: A (mass 2m) and the bath B, C, D
// (mass m), so every reaction below keeps the mass.
constexpr double kMass = 3.3e-26;
enum { A = 1, B = 2, C = 3, D = 4 };

struct Reaction {
  int le, me, kp, lp, mp;
  double ea, px, ct, re = 0;  // E_a [J], 1e10 Lambda, eta, energy of reaction [J]
};

// A + B -> C + B + D; C + B <-> D + B; C + D + B -> A + B; C + D + (table) -> A.
std::vector<Reaction> bath_reactions() {
  return {{A, B, C, B, D, 5.0e-20, 2.0e-8, 0.5},
          {C, B, 0, D, B, 3.0e-20, 1.0e-6, 0.0},
          {D, B, 0, C, B, 3.0e-20, 1.0e-6, 0.0},
          {C, D, -1, A, B, 0.0, 2.5e-30, 0.5},
          {C, D, -1, A, -1, 0.0, 3.0e-30, 0.25}};
}
const double kTable[4] = {0.5, 2.0, 1.0, 1.5};  // third-body efficiencies of A, B, C, D

struct Bath {
  double T = 3000, n = 1.0e21;
  double fractions[4] = {0.25, 0.35, 0.2, 0.2};
  int molecules = 40000;
  int iindex = 0;
  std::vector<Reaction> reactions = bath_reactions();
};

// A 1 m box (SCALE 10) of the bath at rest, every side a plane of symmetry,
// through the program's readers and initialization.
void make_bath(State& s, const Bath& b, const std::filesystem::path& dir) {
  std::ostringstream d;
  d.precision(9);
  auto put = [&d](auto... v) { ((d << v << "\n"), ...); };
  put(0, 1, 0, 1, 0, 1, 2, 2, 2, 1, 1, 1);
  put(4, 0, b.reactions.size(), 1, 0);
  for (int L = 1; L <= 4; ++L) put(4.0e-10, 273, 0.75, L == A ? 2 * kMass : kMass, 0);
  for (const Reaction& r : b.reactions) put(r.le, r.me, r.kp, r.lp, r.mp, 0, r.ea, r.px, r.ct, r.re);
  for (double f : kTable) put(f);
  put(b.n, b.T, 0, 0, 0);
  for (double f : b.fractions) put(f);
  put(2, 2, 2, 2, 2, 2, 1, 0);
  const double fnum = b.n / b.molecules;
  put(fnum, 1e-3, 1, 1, 10, 1, 2 * b.molecules, 2, 1, b.iindex, 0);
  support::set_up_case(s, dir, d.str(), "0\n");
}

double translational_temperature(const State& s) {
  double p[3] = {0, 0, 0}, mt = 0, e = 0;
  for (int n = 1; n <= s.NM; ++n) {
    const double m = s.SP(4, s.species(n));
    mt += m;
    for (int i = 0; i < 3; ++i) p[i] += m * s.PV(i + 1, n);
  }
  for (int n = 1; n <= s.NM; ++n)
    for (int i = 0; i < 3; ++i) {
      const double c = s.PV(i + 1, n) - p[i] / mt;
      e += s.SP(4, s.species(n)) * c * c;
    }
  return e / (3.0 * s.NM * kBoltz);
}

// Runs the bath for `steps` steps; for every reaction the events counted
// and those expected from k(T) n_L n_M (n_3 F) V dt with the composition and
// temperature of each step.
struct Measured {
  std::vector<double> events, expected;
};
Measured run_bath(State& s, const Bath& b, int steps) {
  ui::ScriptedToolkit ui;
  const int nr = static_cast<int>(b.reactions.size());
  Measured m{std::vector<double>(nr, 0.0), std::vector<double>(nr, 0.0)};
  const double volume = 1.0;  // [m^3]
  for (int step = 0; step < steps; ++step) {
    s.TIME += s.DTM;
    move_molecules(s, ui);
    if (s.IINDEX == 0) index_molecules(s);
    double n[5] = {0, 0, 0, 0, 0};
    for (int k = 1; k <= s.NM; ++k) n[s.species(k)] += s.FNUM / volume;
    const double T = translational_temperature(s);
    const double dt = s.DTM / s.SCALE;
    for (int j = 0; j < nr; ++j) {
      const Reaction& r = b.reactions[j];
      const double k = r.px * 1e-10 * std::pow(T, r.ct) * std::exp(-r.ea / (kBoltz * T));
      double rate = k * n[r.le] * n[r.me];
      if (r.kp < 0) {
        double n3 = 0;
        if (r.mp > 0) n3 = n[r.mp];
        else
          for (int L = 1; L <= 4; ++L) n3 += kTable[L - 1] * n[L];
        rate *= n3;
      }
      m.expected[j] += rate * volume * dt / s.FNUM;  // simulated molecules
    }
    collide(s);
  }
  for (int j = 0; j < nr; ++j) m.events[j] = s.TOTREA(j + 1);
  return m;
}

TEST(Chemistry, HeatBathReactsAtTheArrheniusRateAtTwoTemperatures) {
  // Rich in A and B for the dissociation and the exchanges (reactions 1-3),
  // rich in C and D for the recombinations (4, 5).
  // A recombination is preselected with probability 0.01, so it needs many
  // more collisions for the same count.
  struct Run {
    double fractions[4];
    std::size_t first, last;
    int molecules, steps;
    double least;  // events below which the run proves nothing
  };
  for (const Run& run : {Run{{0.25, 0.35, 0.2, 0.2}, 0, 2, 40000, 250, 1500},
                         Run{{0.1, 0.2, 0.35, 0.35}, 3, 4, 60000, 600, 800}})
    for (double T : {3000.0, 8000.0}) {
      support::TempDir dir("qmxv_bath");
      State s;
      Bath b;
      b.T = T;
      std::copy(run.fractions, run.fractions + 4, b.fractions);
      b.molecules = run.molecules;
      make_bath(s, b, dir.path());
      const Measured m = run_bath(s, b, run.steps);
      for (std::size_t j = run.first; j <= run.last; ++j) {
        std::printf("reaction %zu at %.0f K: %.0f events, measured/Arrhenius %.4f\n", j + 1, T,
                    m.events[j], m.events[j] / m.expected[j]);
        // Four standard deviations of the count: the run is deterministic,
        // the margin is the statistics of the choice of seed.
        ASSERT_GT(m.events[j], run.least) << "reaction " << j + 1 << " at " << T << " K";
        EXPECT_NEAR(m.events[j] / m.expected[j], 1.0, 4.0 / std::sqrt(m.events[j]))
            << "reaction " << j + 1 << " at " << T << " K: " << m.events[j] << " events, "
            << m.expected[j] << " expected";
      }
    }
}

// Every molecule's mass, momentum and energy, and the species counts.
struct Totals {
  double mass = 0, p[3] = {0, 0, 0}, energy = 0;
  int count[5] = {0, 0, 0, 0, 0};
};
Totals totals(const State& s) {
  Totals t;
  for (int n = 1; n <= s.NM; ++n) {
    const double m = s.SP(4, s.species(n));
    t.mass += m;
    t.count[s.species(n)] += 1;
    for (int i = 0; i < 3; ++i) {
      t.p[i] += m * s.PV(i + 1, n);
      t.energy += 0.5 * m * s.PV(i + 1, n) * s.PV(i + 1, n);
    }
  }
  return t;
}

TEST(Chemistry, ReactionsConserveMassMomentumAndEnergyAndKeepTheIndex) {
  for (int iindex : {0, 1}) {
    support::TempDir dir("qmxv_bath");
    State s;
    Bath b;
    b.T = 8000;
    b.molecules = 8000;
    b.iindex = iindex;
    // Energies of reaction of either sign, as real dissociation and recombination have.
    b.reactions[0].re = -4.0e-20;
    b.reactions[3].re = 3.0e-20;
    b.reactions[4].re = 3.0e-20;
    b.reactions[1].re = 1.0e-20;
    make_bath(s, b, dir.path());
    ui::ScriptedToolkit ui;
    for (int step = 0; step < 20; ++step) {
      s.TIME += s.DTM;
      move_molecules(s, ui);
      if (s.IINDEX == 0) index_molecules(s);
      const Totals before = totals(s);
      std::vector<double> events(6, 0.0);
      for (int J = 1; J <= 5; ++J) events[J] = s.TOTREA(J);
      collide(s);
      const Totals after = totals(s);
      double released = 0;
      int change[5] = {0, 0, 0, 0, 0};
      for (int J = 1; J <= 5; ++J) {
        const double e = s.TOTREA(J) - events[J];
        const Reaction& r = b.reactions[J - 1];
        released += e * r.re;
        change[r.le] -= static_cast<int>(e);
        change[r.me] -= static_cast<int>(e);
        if (r.kp > 0) change[r.kp] += static_cast<int>(e);
        if (r.kp > 0 || r.kp == 0) change[r.mp] += static_cast<int>(e);
        change[r.lp] += static_cast<int>(e);
      }
      EXPECT_NEAR(after.mass, before.mass, 1e-6 * before.mass);
      const double pscale = std::sqrt(before.mass * before.energy);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(after.p[i], before.p[i], 1e-5 * pscale);
      EXPECT_NEAR(after.energy, before.energy + released, 1e-5 * before.energy);
      for (int L = 1; L <= 4; ++L) EXPECT_EQ(after.count[L], before.count[L] + change[L]);
      if (iindex == 1) {
        EXPECT_EQ(check_index(s), 0);
        for (int n = 1; n <= s.NM; ++n) ASSERT_EQ(s.IR(s.IP(1, n)), n);
      }
      for (int n = 1; n <= s.NM; ++n) ASSERT_GT(s.IP(2, n), 0);
    }
    double all = 0;
    for (int J = 1; J <= 5; ++J) all += s.TOTREA(J);
    EXPECT_GT(all, 150) << "too few reactions to test anything";
  }
}

TEST(Chemistry, APairWithoutReactionsIsNeverChangedAndARecombinationNeedsThreeMolecules) {
  support::TempDir dir("qmxv_bath");
  State s;
  Bath b;
  b.molecules = 2000;
  make_bath(s, b, dir.path());
  // B + B has no reaction: the pair comes back as it went in.
  int m1 = 0, m2 = 0;
  for (int n = 1; n <= s.NM && !m2; ++n)
    if (s.species(n) == B) (m1 ? m2 : m1) = n;
  CollisionPair p;
  p.cell = s.IP(2, m1);
  p.m1 = m1;
  p.m2 = m2;
  p.L = p.M = B;
  p.cr2 = 1.0e8f;
  p.cr = 1.0e4f;
  const CollisionPair before = p;
  EXPECT_FALSE(react(s, p));
  EXPECT_EQ(p.L, before.L);
  EXPECT_EQ(p.cr2, before.cr2);
  EXPECT_EQ(s.species(m1), B);

  // A cell of two molecules cannot recombine whatever the energy: the table
  // reaction needs a third molecule, the named body a B besides the pair.
  s.ICELL(2, p.cell) = 2;
  int c_mol = 0, d_mol = 0;
  for (int n = 1; n <= s.NM; ++n) {
    if (s.species(n) == C && !c_mol) c_mol = n;
    if (s.species(n) == D && !d_mol) d_mol = n;
  }
  const int list = s.ICELL(1, p.cell);
  s.IP(1, list + 1) = c_mol;
  s.IP(1, list + 2) = d_mol;
  for (int trial = 0; trial < 2000; ++trial) {
    CollisionPair q;
    q.cell = p.cell;
    q.m1 = c_mol;
    q.m2 = d_mol;
    q.L = C;
    q.M = D;
    q.cr2 = 1.0e6f;
    q.cr = 1.0e3f;
    ASSERT_FALSE(react(s, q));
  }
}

TEST(Chemistry, AReactingRunContinuesExactlyFromItsRestartSet) {
  support::TempDir dir("qmxv_bath");
  State s;
  Bath b;
  b.T = 8000;
  b.molecules = 4000;
  b.iindex = 1;
  make_bath(s, b, dir.path());
  run_bath(s, b, 10);
  ASSERT_TRUE(write_restart(s));
  State t;
  t.DIR = dir.path();
  ui::ScriptedToolkit ui;
  read_restart(t, ui);
  run_bath(s, b, 10);
  run_bath(t, b, 10);
  const auto ds = restart::dump(s), dt = restart::dump(t);
  ASSERT_EQ(ds.size(), dt.size());
  for (std::size_t i = 0; i < ds.size(); ++i) EXPECT_TRUE(ds[i].bytes == dt[i].bytes) << ds[i].name;
  EXPECT_GT(s.TOTREA(1) + s.TOTREA(4) + s.TOTREA(5), 0);
}

}  // namespace
}  // namespace qmxv
