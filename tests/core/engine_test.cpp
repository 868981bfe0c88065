// The molecule store and its index under random use, and one molecule's
// move against the side conditions, the displacement limit and the nudge.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "core/indexing.h"
#include "core/molecules.h"
#include "core/move.h"
#include "geometry/locate.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "support/files.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;

// A store of two species with rotation and two vibrational modes over
// `ncells` cells, as initialization leaves it before placing molecules.
void bare_store(State& s, int ncells, int mnm, int iindex, const fs::path& dir) {
  s.DIR = dir;
  s.MSP = 2;
  s.MMVM = 2;
  s.ISPR.allocate(2, 2);
  s.ISPR(1, 1) = 2;
  s.IINDEX = iindex;
  s.NCELLS = ncells;
  s.CELL.allocate(kCellFields, ncells);
  s.ICELL.allocate(3, ncells);
  allocate_molecules(s, mnm);
  rebuild_index(s);
}

void expect_index_sound(State& s) {
  if (s.IINDEX == 1) {
    for (int n = 1; n <= s.NM; ++n) ASSERT_EQ(s.IR(s.IP(1, n)), n) << "molecule " << n;
    EXPECT_EQ(check_index(s), 0);
  } else {
    index_molecules(s);
    int total = 0;
    for (int c = 1; c <= s.NCELLS; ++c) {
      for (int k = 1; k <= s.ICELL(2, c); ++k)
        ASSERT_EQ(s.IP(2, s.IP(1, s.ICELL(1, c) + k)), c);
      total += s.ICELL(2, c);
    }
    EXPECT_EQ(total, s.NM);
  }
}

// Add, remove, duplicate and grow at random from a vacuum start, with fewer
// molecule places than cells: the store stays dense and the index exact.
TEST(MoleculeStore, RandomUseKeepsTheStoreDenseAndTheIndexExact) {
  for (int iindex : {0, 1}) {
    support::TempDir dir;
    State s;
    bare_store(s, 40, 25, iindex, dir.path());
    std::mt19937 gen(7);
    int extends = 0;
    for (int step = 0; step < 3000; ++step) {
      const int op = static_cast<int>(gen() % 10);
      if (op < 5 || s.NM < 2) {
        const int before = s.MNM;
        const int n = add_molecule(s);
        extends += s.MNM != before;
        const int c = 1 + static_cast<int>(gen() % 40);
        s.IP(2, n) = c;
        s.IP(3, n) = 1 + static_cast<int>(gen() % 2);
        s.PTIM(n) = 1e-3 * n + 1e-12 * step;
        if (iindex == 1) add_to_cell(s, c, n);
      } else if (op < 8) {
        int n = 1 + static_cast<int>(gen() % s.NM);
        const int last = s.NM;
        const double moved = s.PTIM(last);
        remove_molecule(s, n, std::abs(s.IP(2, n + 0)));
        ASSERT_EQ(s.NM, last - 1);
        if (n + 1 <= s.NM) {
          ASSERT_EQ(s.PTIM(n + 1), moved);  // the last fills the hole
        }
      } else {
        const int n = 1 + static_cast<int>(gen() % s.NM);
        const int m = duplicate_molecule(s, n, s.IP(2, n));
        ASSERT_EQ(s.PTIM(m), s.PTIM(n));
      }
      if (step % 100 == 0) expect_index_sound(s);
    }
    expect_index_sound(s);
    EXPECT_GT(extends, 3);
    EXPECT_FALSE(fs::exists(dir.path() / "EXTMOLS.SCR"));
    EXPECT_FALSE(fs::exists(dir.path() / "EXTMOLI.SCR"));
    EXPECT_TRUE(s.DIAG.contains("( if the additional memory is available !! )"));
  }
}

// Extend carries every slot through the scratch files bit for bit.
TEST(MoleculeStore, ExtendKeepsEveryMoleculeBitForBit) {
  support::TempDir dir;
  State s;
  bare_store(s, 3, 100, 1, dir.path());
  std::mt19937 gen(3);
  for (int n = 1; n <= 100; ++n) {
    add_molecule(s);
    for (int i = 1; i <= 3; ++i) s.PP(i, n) = std::ldexp(static_cast<float>(gen()), -20);
    for (int i = 1; i <= 4; ++i) s.PV(i, n) = static_cast<float>(gen()) * 1e-3f;
    s.PTIM(n) = static_cast<double>(gen()) / 3.0;
    s.IP(2, n) = 1 + n % 3;
    s.IP(3, n) = 1 + n % 2;
    for (int k = 1; k <= 2; ++k) s.IPVIB(k, n) = static_cast<std::int8_t>(gen() % 128);
    add_to_cell(s, s.IP(2, n), n);
  }
  const MoleculeData copy = s;
  extend_molecules(s, 1.1f);
  EXPECT_EQ(s.MNM, 110);
  EXPECT_EQ(s.NIR, 660);
  for (int n = 1; n <= 100; ++n) {
    EXPECT_EQ(std::memcmp(&s.PP(1, n), &copy.PP(1, n), 3 * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(&s.PV(1, n), &copy.PV(1, n), 4 * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(&s.PTIM(n), &copy.PTIM(n), sizeof(double)), 0);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(s.IP(i, n), copy.IP(i, n));
    for (int k = 1; k <= 2; ++k) EXPECT_EQ(s.IPVIB(k, n), copy.IPVIB(k, n));
  }
  for (int k = 1; k <= 600; ++k) EXPECT_EQ(s.IR(k), copy.IR(k));
  EXPECT_FALSE(fs::exists(dir.path() / "EXTMOLS.SCR"));
  EXPECT_TRUE(s.DIAG.contains("Start read back from temporary disk storage"));
}

// The closed argon box of examples/ (20,000 molecules at 300 K, all sides
// planes of symmetry) through the real readers, grid, cells and
// initialization.
void argon_box(State& s, const fs::path& dir) {
  const fs::path ex = fs::path(QMXV_SOURCE_DIR) / "examples" / "argon-box";
  fs::copy_file(ex / "QMXVD.DAT", dir / "QMXVD.DAT");
  fs::copy_file(ex / "QMXSD.DAT", dir / "QMXSD.DAT");
  support::set_up_case(s, dir);
}


struct MoveCase {
  const char* name;
  int side, code;          // the side whose code is set, and the code
  float x, y, z, u, v, w;  // start [scaled m] and velocity [m/s]
  float vwall;
  bool removed;
  float ex, ey, ez, eu, ev, ew;  // expected end point and velocity (when kept)
};

// One molecule moved over 1e-3 scaled s in the 10 x 10 x 10 scaled argon
// box (divisions 1 wide), against each side condition.
TEST(MoveOneMolecule, SideConditionsActAsTheirCodesSay) {
  const float e = 1.0e-5f;
  const MoveCase cases[] = {
      {"symmetry at min x", 1, 2, 0.05f, 5, 5, -100, 0, 0, 0, false, e, 5, 5, 100, 0, 0},
      {"symmetry at max x", 2, 2, 9.95f, 5, 5, 100, 0, 0, 0, false, 10 - e, 5, 5, -100, 0, 0},
      {"symmetry at min y", 3, 2, 5, 0.05f, 5, 0, -100, 0, 0, false, 5, e, 5, 0, 100, 0},
      {"symmetry at max y", 4, 2, 5, 9.95f, 5, 0, 100, 0, 0, false, 5, 10 - e, 5, 0, -100, 0},
      {"symmetry at min z", 5, 2, 5, 5, 0.05f, 0, 0, -100, 0, false, 5, 5, e, 0, 0, 100},
      {"symmetry at max z", 6, 2, 5, 5, 9.95f, 0, 0, 100, 0, false, 5, 5, 10 - e, 0, 0, -100},
      {"periodic min x", 1, 5, 0.05f, 5, 5, -100, 0, 0, 0, false, 10 - e, 5, 5, -100, 0, 0},
      {"periodic max x", 2, 5, 9.95f, 5, 5, 100, 0, 0, 0, false, e, 5, 5, 100, 0, 0},
      {"stream at min x", 1, 3, 0.05f, 5, 5, -100, 0, 0, 0, true, 0, 0, 0, 0, 0, 0},
      {"vacuum at max y", 4, 4, 5, 9.95f, 5, 0, 100, 0, 0, true, 0, 0, 0, 0, 0, 0},
      {"stream at max z", 6, 3, 5, 5, 9.95f, 0, 0, 100, 0, true, 0, 0, 0, 0, 0, 0},
      // Wall moving at 50 m/s from x = 0 over the step: met at x = 0.0333
      // after two thirds of it, then u' = 2 Vw - u = 200 for the last third.
      {"moving wall", 1, 7, 0.1f, 5, 5, -100, 0, 0, 50, false, 0.1f, 5, 5, 200, 0, 0},
      {"interior", 1, 2, 5, 5, 5, 100, -200, 300, 0, false, 5.1f, 4.8f, 5.3f, 100, -200, 300},
  };
  for (const MoveCase& k : cases) {
    SCOPED_TRACE(k.name);
    support::TempDir dir;
    State s;
    argon_box(s, dir.path());  // a fresh box for each case
    for (int side = 1; side <= 6; ++side) s.IB(side) = 2;
    s.IB(k.side) = k.code;
    s.VWALL = k.vwall;
    int n = 1, c = s.IP(2, 1);
    s.PP(1, n) = k.x;
    s.PP(2, n) = k.y;
    s.PP(3, n) = k.z;
    s.PV(1, n) = k.u;
    s.PV(2, n) = k.v;
    s.PV(3, n) = k.w;
    s.PTIM(n) = 1.0e-3;  // the molecule's time after its advance
    const int nm = s.NM;
    float t_rem = 0;
    const int status = move_molecule(s, n, c, 1.0e-3f, t_rem);
    if (k.removed) {
      EXPECT_EQ(status, -1);
      EXPECT_EQ(s.NM, nm - 1);
      EXPECT_EQ(s.TOTREM, 1.0);
      EXPECT_EQ(n, 0);  // slot 1 now holds the former last molecule
      continue;
    }
    ASSERT_EQ(status, 1);
    EXPECT_NEAR(s.PP(1, 1), k.ex, 2e-4f);
    EXPECT_NEAR(s.PP(2, 1), k.ey, 2e-4f);
    EXPECT_NEAR(s.PP(3, 1), k.ez, 2e-4f);
    EXPECT_FLOAT_EQ(s.PV(1, 1), k.eu);
    EXPECT_FLOAT_EQ(s.PV(2, 1), k.ev);
    EXPECT_FLOAT_EQ(s.PV(3, 1), k.ew);
    EXPECT_EQ(s.IP(2, 1), c);
    EXPECT_EQ(check_index(s), 0);
  }
}

// A displacement never spans a division: a fast molecule gives up time.
TEST(MoveOneMolecule, FastMoleculeStopsShortOfOneDivisionWidth) {
  support::TempDir dir;
  State s;
  argon_box(s, dir.path());
  int n = 1, c = s.IP(2, 1);
  s.PP(1, n) = 2.5f;
  s.PV(1, n) = 5000.0f;  // 5 division widths in 1e-3
  s.PV(2, n) = s.PV(3, n) = 0.0f;
  float t_rem = 0;
  ASSERT_EQ(move_molecule(s, n, c, 1.0e-3f, t_rem), 1);
  EXPECT_LT(s.PP(1, 1) - 2.5f, s.DDX);
  EXPECT_GT(s.PP(1, 1) - 2.5f, 0.99f * s.DDX);
  EXPECT_NEAR(t_rem, 0.8e-3f, 1e-6f);
}

}  // namespace
}  // namespace qmxv

namespace qmxv {
namespace {

// Marks every element of the divisions lo..hi along x, y and z of
// the argon box (one element per division) as holding no flow, as the inside of a body would.
void block_divisions(State& s, int lo, int hi) {
  for (int i = lo; i <= hi; ++i)
    for (int j = lo; j <= hi; ++j)
      for (int k = lo; k <= hi; ++k) s.IELCELL(k, j, i, 1, 1, 1) = -1;
}

// An end point in no cell is nudged out by the smallest offsets that
// work; one deep inside a blocked region cannot be and is removed and
// counted in NROUND.
TEST(MoveOneMolecule, NudgeFindsTheNearestOpenCellOrCountsTheMoleculeLost) {
  const struct {
    const char* name;
    int lo, hi;  // blocked divisions
    bool lost;
  } cases[] = {{"just inside one blocked element", 6, 6, false},
               {"deep inside a blocked block", 5, 7, true}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    support::TempDir dir;
    State s;
    argon_box(s, dir.path());
    block_divisions(s, k.lo, k.hi);
    int n = 1, c = s.IP(2, 1);
    // From x = 4.9 to 5.02 (0.02 into division 6) at mid y and z.
    s.PP(1, n) = 4.9f;
    s.PP(2, n) = s.PP(3, n) = 5.5f;
    s.PV(1, n) = 120.0f;
    s.PV(2, n) = s.PV(3, n) = 0.0f;
    const int nm = s.NM;
    float t_rem = 0;
    const int status = move_molecule(s, n, c, 1.0e-3f, t_rem);
    if (k.lost) {
      EXPECT_EQ(status, -1);
      EXPECT_EQ(s.NROUND, 1);
      EXPECT_EQ(s.NM, nm - 1);
      EXPECT_EQ(s.TOTREM, 0.0);  // not a boundary removal
      continue;
    }
    ASSERT_EQ(status, 1);
    EXPECT_EQ(s.NROUND, 0);
    EXPECT_LT(s.PP(1, 1), 5.0f);               // out of the blocked element
    EXPECT_GT(s.PP(1, 1), 5.02f - 0.2f);       // by a small nudge
    EXPECT_NEAR(s.PP(2, 1), 5.5f, 0.2f);
    EXPECT_EQ(s.IP(2, 1), locate_cell(s, s.PP(1, 1), s.PP(2, 1), s.PP(3, 1)));
    EXPECT_EQ(check_index(s), 0);
  }
}

// A pass that removes the first molecule moves the last one, which takes
// its slot, in the same pass: every molecule moves exactly once.
TEST(MoveMolecules, RemovalInThePassMovesTheMoleculeThatFillsTheSlot) {
  support::TempDir dir;
  State s;
  argon_box(s, dir.path());
  s.IB(6) = 4;  // vacuum at max z
  const int nm = s.NM;
  s.TIME = s.DTM;
  const float w = 0.5f * s.DDZ / static_cast<float>(s.DTM);
  for (int n = 1; n <= nm; ++n) {
    s.PV(1, n) = s.PV(2, n) = s.PV(3, n) = 0.0f;
    s.PTIM(n) = 0.0;
  }
  for (int n : {1, nm}) {
    s.PP(3, n) = 9.8f;
    s.PV(3, n) = w;
    remove_from_cell(s, s.IP(2, n), n);
    s.IP(2, n) = locate_cell(s, s.PP(1, n), s.PP(2, n), s.PP(3, n));
    add_to_cell(s, s.IP(2, n), n);
  }
  ui::ScriptedToolkit ui;
  move_molecules(s, ui);
  EXPECT_EQ(s.NM, nm - 2);
  EXPECT_EQ(s.TOTREM, 2.0);
  EXPECT_EQ(s.TOTMOV, static_cast<double>(nm));
  for (int n = 1; n <= s.NM; ++n) ASSERT_DOUBLE_EQ(s.PTIM(n), s.DTM) << "molecule " << n;
  EXPECT_EQ(check_index(s), 0);
}

}  // namespace
}  // namespace qmxv
