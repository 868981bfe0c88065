#include "geometry/grid_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "geometry/locate.h"
#include "geometry/setup_progress.h"
#include "surface_builders.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

using testing::Mesh;
using testing::Vec3;

// Body volume the grid removed from the box [m^3].
double removed(const State& s) {
  return double(s.XMAX - s.XMIN) * double(s.YMAX - s.YMIN) * double(s.ZMAX - s.ZMIN) /
             std::pow(double(s.SCALE), 3) -
         s.FLOWVOL;
}

void run_setup(State& s) {
  ui::ScriptedToolkit ui;
  setup_grid(s, ui);
}

TEST(GridSetup, WithoutSurfacesEveryDivisionIsOpenAndTheWholeBoxIsFlow) {
  State s;
  testing::set_box(s, {0, 0, 0}, {2, 4, 2}, {2, 3, 4}, {2, 2, 3});
  s.SCALE = 2.0f;  // lengths in the state are twice the real ones
  run_setup(s);
  for (int idx = 1; idx <= 2; ++idx)
    for (int idy = 1; idy <= 3; ++idy)
      for (int idz = 1; idz <= 4; ++idz) EXPECT_EQ(s.JDIV(1, idz, idy, idx), 100);
  EXPECT_TRUE(std::all_of(s.IELCELL.data(), s.IELCELL.data() + s.IELCELL.size(),
                          [](int c) { return c == 0; }));
  EXPECT_EQ(s.NFDIV, 24);
  EXPECT_NEAR(s.FLOWVOL, 2.0, 1e-6);  // float element widths
  EXPECT_EQ(s.NSDIV, 0);
}

// Off-centre spheres of 5120 and 20480 triangles on several grids: vertices
// and crossings fall on lattice lines anywhere. The grid's removed volume
// equals the polyhedron's within 0.2 % of it; the truncation of IELVOL alone
// costs up to one thousandth of each cut element, about one element volume
// over these surfaces, so the error is also held to two element volumes
// (measured: 0.1 to 1.2).
struct SphereCase {
  int ndiv, nel, levels;
};
class SphereVolume : public ::testing::TestWithParam<SphereCase> {};

TEST_P(SphereVolume, RemovesThePolyhedronVolume) {
  const SphereCase& c = GetParam();
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {c.ndiv, c.ndiv, c.ndiv}, {c.nel, c.nel, c.nel});
  const Mesh sphere = testing::icosphere({0.5123, 0.4729, 0.5317}, 0.3, c.levels);
  testing::add_surface(s, sphere);
  run_setup(s);
  const double body = testing::enclosed_volume(sphere);
  const double error = removed(s) - body;
  RecordProperty("error_in_element_volumes", std::to_string(error / s.EVOL));
  EXPECT_NEAR(removed(s), body, 0.002 * body);
  EXPECT_LT(std::fabs(error / s.EVOL), 2.0);
  EXPECT_TRUE(s.DIAG.contains("Surface 1 is a closed surface"));
  EXPECT_GE(s.NLEV, 1);
  // An element left inside a body holds no flow volume.
  for (int idx = 1; idx <= s.NDIVX; ++idx)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idz = 1; idz <= s.NDIVZ; ++idz) {
        const int n = -s.JDIV(1, idz, idy, idx);
        if (n <= 0) continue;
        for (int iex = 1; iex <= s.NELX; ++iex)
          for (int iey = 1; iey <= s.NELY; ++iey)
            for (int iez = 1; iez <= s.NELZ; ++iez)
              if (s.IELCELL(idz, idy, idx, iez, iey, iex) == -1) {
                ASSERT_EQ(s.IELVOL(n, iez, iey, iex), 0);
              }
      }
}

INSTANTIATE_TEST_SUITE_P(Grids, SphereVolume,
                         ::testing::Values(SphereCase{8, 4, 4}, SphereCase{5, 3, 4},
                                           SphereCase{10, 2, 4}, SphereCase{6, 6, 5}));

TEST(GridSetup, EveryTriangleIsListedInEveryDivisionItTouches) {
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {7, 7, 7}, {3, 3, 3});
  testing::add_surface(s, testing::icosphere({0.5123, 0.4729, 0.5317}, 0.3, 3));
  run_setup(s);
  ASSERT_EQ(s.ISDIV.extent(2), s.NSDIV);
  long long total = 0;
  for (int n = 1; n <= s.NSDIV; ++n) {
    EXPECT_EQ(s.ISDIV(2, n), total);
    std::set<int> seen;
    for (int j = 1; j <= s.ISDIV(1, n); ++j) EXPECT_TRUE(seen.insert(s.ISTOT(total + j)).second);
    total += s.ISDIV(1, n);
  }
  EXPECT_EQ(static_cast<long long>(s.ISTOT.size()), total);
  // Points sampled densely on each triangle lie in divisions that list it.
  for (int t = 1; t <= s.NTRI; ++t) {
    const int p1 = s.ITP(1, t), p2 = s.ITP(2, t), p3 = s.ITP(3, t);
    for (int a = 0; a <= 8; ++a)
      for (int b = 0; a + b <= 8; ++b) {
        const float u = a / 8.0f, v = b / 8.0f, w = 1 - u - v;
        locate_division_element(s, u * s.XPT(p1) + v * s.XPT(p2) + w * s.XPT(p3),
                                u * s.YPT(p1) + v * s.YPT(p2) + w * s.YPT(p3),
                                u * s.ZPT(p1) + v * s.ZPT(p2) + w * s.ZPT(p3));
        const int n = -s.JDIV(1, s.IDZ, s.IDY, s.IDX);
        ASSERT_GE(n, 1);
        const int* first = &s.ISTOT(s.ISDIV(2, n) + 1);
        EXPECT_NE(std::find(first, first + s.ISDIV(1, n), t), first + s.ISDIV(1, n))
            << "triangle " << t << " missing in surface division " << n;
      }
  }
}

// Region [0,1]^3, 4 divisions of 4 elements (0.0625) along each axis.
constexpr double kE = 0.0625;

State quarter_grid() {
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {4, 4, 4}, {4, 4, 4});
  return s;
}

// Blocks whose x faces lie on tenths of an element and whose y and z faces
// lie on element (and division) boundaries are removed exactly: every
// sample line crosses at a whole tenth.
struct BlockCase {
  const char* what;
  Vec3 lo, hi;
};
void PrintTo(const BlockCase& c, std::ostream* os) {
  *os << c.what;
}
class ExactBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(ExactBlock, RemovesItsVolumeExactly) {
  const BlockCase& c = GetParam();
  State s = quarter_grid();
  testing::add_surface(s, testing::block(c.lo, c.hi));
  run_setup(s);
  const double volume = (c.hi[0] - c.lo[0]) * (c.hi[1] - c.lo[1]) * (c.hi[2] - c.lo[2]);
  // Exact in thousandths of an element; the tolerance is double rounding.
  EXPECT_NEAR(removed(s), volume, 1e-12) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Placements, ExactBlock,
    ::testing::Values(BlockCase{"cube", {5.3 * kE, 4 * kE, 5 * kE}, {10.7 * kE, 12 * kE, 11 * kE}},
                      BlockCase{"slab inside one element column",
                                {6.3 * kE, 2 * kE, 3 * kE},
                                {6.6 * kE, 14 * kE, 13 * kE}},
                      BlockCase{"slab across an element boundary",
                                {6.8 * kE, 2 * kE, 3 * kE},
                                {7.1 * kE, 14 * kE, 13 * kE}},
                      BlockCase{"slab across a division boundary",
                                {7.9 * kE, 2 * kE, 3 * kE},
                                {8.2 * kE, 14 * kE, 13 * kE}}));

// Two elements per division and a block whose faces all lie on element
// boundaries: every element of the divisions it passes through touches it,
// so the flow reaches them only across the faces the block covers.
TEST(GridSetup, BlockOnElementBoundariesWithTwoElementsPerDivisionIsExact) {
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {7, 7, 7}, {2, 2, 2});
  const double e = 1.0 / 14;
  testing::add_surface(s, testing::block({5 * e, 3 * e, 5 * e}, {9 * e, 5 * e, 7 * e}));
  run_setup(s);
  // Element widths are single precision: 1e-6 of the region.
  EXPECT_NEAR(removed(s), 16 * e * e * e, 1e-6);
  EXPECT_GE(s.NLEV, 2);
}

// A cube that cuts every element of the eight divisions it spans (two
// elements per division, its faces inside the outer elements): no element
// there is uncut flow, so only the open faces of the cut elements on the
// division boundaries can lead the flow out to the other 56 divisions.
TEST(GridSetup, BodyCuttingEveryElementOfItsDivisionsLeavesTheOuterDivisionsOpen) {
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {4, 4, 4}, {2, 2, 2});
  testing::add_surface(s, testing::block({0.35, 0.35, 0.35}, {0.65, 0.65, 0.65}));
  run_setup(s);
  EXPECT_EQ(s.NFDIV, 56);
  EXPECT_GE(s.JDIV(1, 1, 1, 1), 1);
  // The lattice of tenths resolves faces to a twentieth of an element.
  EXPECT_NEAR(removed(s), 0.027, 0.002);
}

TEST(GridSetup, OpenWallRemovesTheRegionBehindItAndLeavesItsDivisionsAtLevelZero) {
  State s = quarter_grid();
  const double x = 5.3 * kE;  // division 2, element 2
  testing::add_surface(s, testing::wall_x(x, {0, 0, 0}, {1, 1, 1}));
  run_setup(s);
  EXPECT_TRUE(s.DIAG.contains("Surface 1 is an open surface"));
  EXPECT_NEAR(removed(s), x, 1e-12);
  for (int idy = 1; idy <= 4; ++idy)
    for (int idz = 1; idz <= 4; ++idz) {
      EXPECT_EQ(s.JDIV(1, idz, idy, 1), 0);
      EXPECT_LT(s.JDIV(1, idz, idy, 2), 0);
      EXPECT_EQ(s.JDIV(1, idz, idy, 3), 1);
      EXPECT_EQ(s.JDIV(1, idz, idy, 4), 2);
    }
  EXPECT_EQ(s.NLEV, 2);
  EXPECT_EQ(s.NFDIV, 32);
  // Behind the wall inside its division: body; the cut element and beyond: flow.
  EXPECT_EQ(s.IELCELL(2, 2, 2, 2, 2, 1), -1);
  EXPECT_EQ(s.IELCELL(2, 2, 2, 2, 2, 2), 0);
  EXPECT_EQ(s.IELVOL(-s.JDIV(1, 2, 2, 2), 2, 2, 2), 700);
  EXPECT_EQ(s.IELVOL(-s.JDIV(1, 2, 2, 2), 2, 2, 3), 1000);
}

// A hollow block whose inner wall faces into the cavity: the cavity is on the
// flow side of it, so its divisions are open although every element next to
// them is cut by the wall, and only the shell is removed.
TEST(GridSetup, CavityOnTheFlowSideOfItsWallIsOpenThroughItsCutElements) {
  State s = quarter_grid();
  testing::add_surface(s, testing::block({0.15, 0.15, 0.15}, {0.85, 0.85, 0.85}));
  Mesh inner = testing::block({0.2, 0.2, 0.2}, {0.8, 0.8, 0.8});
  for (testing::Tri& t : inner.triangles) std::swap(t[1], t[2]);  // normals into the cavity
  testing::add_surface(s, inner);
  run_setup(s);
  for (int idx = 2; idx <= 3; ++idx)
    for (int idy = 2; idy <= 3; ++idy)
      for (int idz = 2; idz <= 3; ++idz) EXPECT_EQ(s.JDIV(1, idz, idy, idx), 1);
  const double shell = std::pow(0.7, 3) - std::pow(0.6, 3);
  EXPECT_NEAR(removed(s), shell, 0.005);
}

TEST(GridSetup, ReportsItsProgressAndDiagnosticLines) {
  State s = quarter_grid();
  testing::add_surface(s,
                       testing::block({5.3 * kE, 4 * kE, 5 * kE}, {10.7 * kE, 12 * kE, 11 * kE}));
  ui::ScriptedToolkit ui;
  setup_grid(s, ui);
  const auto& p = ui.progress();
  EXPECT_EQ(p.texts.size(), 6u) << "one text a stage";
  EXPECT_GT(p.value, p.lo);
  EXPECT_LE(p.value, p.hi);
  EXPECT_FALSE(p.open);
  // A block corner is shared by 3 to 6 of its 12 triangles.
  EXPECT_TRUE(s.DIAG.contains("The maximum number of triangles at any point is 6"));
  EXPECT_TRUE(s.DIAG.contains("Total Flow Volume is"));
  // The temporary lists are gone; the compact index stays.
  EXPECT_TRUE(s.KSURFEL.empty());
  EXPECT_TRUE(s.INDSURF.empty());
  EXPECT_TRUE(s.INDIV.empty());
  EXPECT_GT(s.ISTOT.size(), 0u);
}

TEST(SetupProgress, LargeBudgetsShrinkByAFifthWithTheirStep) {
  ui::ScriptedToolkit ui;
  // 100000*1.1 + 100 + 1000*1.133 = 111233 -> 92694 -> 77245 -> 64370.
  SetupProgress progress(&ui, "title", 100000, 1000);
  EXPECT_EQ(progress.top(), 64370);
  EXPECT_NEAR(progress.step(), 1.0 / (1.2 * 1.2 * 1.2), 1e-12);
  for (int k = 0; k < 200000; ++k) progress.advance(1.0);
  EXPECT_EQ(ui.progress().value, 64370);  // clamped to the range
}

TEST(GridSetup, CloseRequestDuringTheSetupStopsTheProgram) {
  State s = quarter_grid();
  testing::add_surface(s, testing::block({0.3, 0.3, 0.3}, {0.6, 0.6, 0.6}));
  ui::ScriptedToolkit ui;
  ui.request_close();
  EXPECT_THROW(setup_grid(s, ui), StopRequest);
}

}  // namespace
}  // namespace qmxv
