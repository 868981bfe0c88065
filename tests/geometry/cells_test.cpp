#include "geometry/cells.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/read_gas.h"
#include "data/read_surface.h"
#include "geometry/crossing.h"
#include "geometry/grid_setup.h"
#include "geometry/locate.h"
#include "run/errors.h"
#include "support/files.h"
#include "surface_builders.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
using testing::Mesh;
using testing::Vec3;

// Cell formation writes NODES.TXT and DSCELLS.BMP into `dir`.
void form(State& s, ui::ScriptedToolkit& ui, const support::TempDir& dir) {
  s.DIR = dir.path();
  s.DIAG.open(s.DIR / "DIAG.TXT");
  setup_grid(s, ui);
  form_cells(s, ui);
  s.DIAG.flush();
}

struct Element {
  int idx, idy, idz, iex, iey, iez;
};

template <typename F>
void for_each_element(const State& s, F f) {
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx)
        for (int iez = 1; iez <= s.NELZ; ++iez)
          for (int iey = 1; iey <= s.NELY; ++iey)
            for (int iex = 1; iex <= s.NELX; ++iex) f(Element{idx, idy, idz, iex, iey, iez});
}

int cell_of(const State& s, const Element& e) {
  return s.IELCELL(e.idz, e.idy, e.idx, e.iez, e.iey, e.iex);
}

// Thousandths of the element open to the flow, as the grid set-up found it.
int flow_of(const State& s, const Element& e) {
  const int code = s.JDIV(1, e.idz, e.idy, e.idx);
  if (code > 0) return 1000;
  if (code == 0) return 0;
  return s.IELVOL(-code, e.iez, e.iey, e.iex);
}

Vec3 centre_of(const State& s, const Element& e) {
  return {s.XMIN + (e.idx - 1) * double(s.DDX) + (e.iex - 0.5) * s.DEX,
          s.YMIN + (e.idy - 1) * double(s.DDY) + (e.iey - 0.5) * s.DEY,
          s.ZMIN + (e.idz - 1) * double(s.DDZ) + (e.iez - 0.5) * s.DEZ};
}

Vec3 node_of(const State& s, int c) {
  return {s.CELL(kCellX, c), s.CELL(kCellY, c), s.CELL(kCellZ, c)};
}

double distance2(const Vec3& a, const Vec3& b) {
  return (a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
         (a[2] - b[2]) * (a[2] - b[2]);
}

// Whether any solid triangle (any triangle, unless `solids_only`) lies
// across the path from `a` to `b` as the visibility test of cell formation
// sees it.
bool path_blocked(const State& s, const Vec3& a, const Vec3& b, bool solids_only = true) {
  for (int t = 1; t <= s.NTRI; ++t) {
    if (solids_only && s.ITP(4, t) <= 0) continue;
    bool apart = false;  // the boxes of path and triangle (plus 1e-6) are apart
    for (int q = 0; q < 3; ++q) {
      const float* x = q == 0 ? s.XPT.data() : q == 1 ? s.YPT.data() : s.ZPT.data();
      const double v[3] = {x[s.ITP(1, t) - 1], x[s.ITP(2, t) - 1], x[s.ITP(3, t) - 1]};
      apart = apart || std::min({v[0], v[1], v[2]}) > std::max(a[q], b[q]) + 1e-6 ||
              std::max({v[0], v[1], v[2]}) < std::min(a[q], b[q]) - 1e-6;
    }
    if (apart) continue;
    const double f =
        segment_crossing(s, t, a[0], a[1], a[2], b[0] - a[0], b[1] - a[1], b[2] - a[2]);
    if (f > 0.0 && f < 0.999) return true;
  }
  return false;
}

std::vector<std::string> lines_of(const fs::path& file) {
  std::istringstream in(support::read_file(file));
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// Region [0,1]^3 of 4 divisions of 4 elements (0.0625) with a closed slab
// from x = lo_x to hi_x, spanning several divisions in y and z.
constexpr double kE = 0.0625;
const Vec3 kSlabLo{0, 2 * kE, 3 * kE}, kSlabHi{0, 14 * kE, 13 * kE};
void slab_grid(State& s, double lo_x, double hi_x) {
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {4, 4, 4}, {4, 4, 4});
  testing::add_surface(
      s, testing::block({lo_x, kSlabLo[1], kSlabLo[2]}, {hi_x, kSlabHi[1], kSlabHi[2]}));
}

// The invariants every cell formation must leave: each element with flow
// volume has exactly one cell in range and each element without has -1; the
// cell volumes add up to the grid's flow volume; each cell's box holds its
// elements; the division-ordered node list holds every node once, in its
// own division.
void expect_consistent_cells(const State& s) {
  ASSERT_EQ(s.CELL.extent(2), s.NCELLS);
  std::vector<double> volume(s.NCELLS + 1, 0.0);
  int stray = 0;
  for_each_element(s, [&](const Element& e) {
    const int c = cell_of(s, e);
    const int flow = flow_of(s, e);
    if (flow == 0) {
      if (c != -1) ++stray;
      return;
    }
    if (c < 1 || c > s.NCELLS) {
      ++stray;
      return;
    }
    volume[c] += flow * 0.001 * s.EVOL;
    const Vec3 m = centre_of(s, e);
    const double half[3] = {0.5 * s.DEX, 0.5 * s.DEY, 0.5 * s.DEZ};
    for (int a = 0; a < 3; ++a) {
      // Float element positions: a millionth of the region.
      EXPECT_LE(s.CELL(kCellXLo + 2 * a, c), m[a] - half[a] + 1e-6);
      EXPECT_GE(s.CELL(kCellXHi + 2 * a, c), m[a] + half[a] - 1e-6);
    }
  });
  EXPECT_EQ(stray, 0) << "elements with a wrong cell entry";

  double total = 0.0;
  for (int c = 1; c <= s.NCELLS; ++c) {
    total += s.CELL(kCellVolume, c);
    // Each cell's volume is its elements' sum rounded once to float.
    EXPECT_NEAR(s.CELL(kCellVolume, c), volume[c], 1e-6 * volume[c] + 1e-30) << "cell " << c;
    EXPECT_GE(s.CELL(kCellFill, c), 0.0f);
    EXPECT_LE(s.CELL(kCellFill, c), 1.0f + 1e-5f);
  }
  const double scale3 = std::pow(double(s.SCALE), 3);
  EXPECT_NEAR(total / scale3, s.FLOWVOL, 1e-6 * s.FLOWVOL);

  std::vector<int> seen(s.NCELLS + 1, 0);
  int place = 0;
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        ASSERT_EQ(s.JDIV(3, idz, idy, idx), place);
        for (int k = 1; k <= s.JDIV(2, idz, idy, idx); ++k) {
          const int c = s.ICELL(3, place + k);
          ++seen[c];
          EXPECT_EQ(lattice_index(s.NDIVX, s.CELL(kCellX, c), s.XMIN, s.WX), idx);
          EXPECT_EQ(lattice_index(s.NDIVY, s.CELL(kCellY, c), s.YMIN, s.WY), idy);
          EXPECT_EQ(lattice_index(s.NDIVZ, s.CELL(kCellZ, c), s.ZMIN, s.WZ), idz);
        }
        place += s.JDIV(2, idz, idy, idx);
      }
  EXPECT_EQ(place, s.NCELLS);
  EXPECT_TRUE(std::all_of(seen.begin() + 1, seen.end(), [](int n) { return n == 1; }));
}

// ---------------------------------------------------------------------------

struct PlainGrid {
  std::array<int, 3> ndiv, nel;
  float scale;
};
class CellsWithoutSurfaces : public ::testing::TestWithParam<PlainGrid> {};

TEST_P(CellsWithoutSurfaces, EachDivisionIsOneCellHoldingAllItsElements) {
  const PlainGrid g = GetParam();
  State s;
  testing::set_box(s, {0, 0, 0}, {2, 4, 2}, g.ndiv, g.nel);
  s.SCALE = g.scale;
  ui::ScriptedToolkit ui;
  support::TempDir dir;
  form(s, ui, dir);
  expect_consistent_cells(s);
  ASSERT_EQ(s.NCELLS, s.NDIVT);
  int c = 0;
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        ++c;  // nodes are numbered z outermost, x innermost
        EXPECT_FLOAT_EQ(s.CELL(kCellX, c), (idx - 0.5f) * s.DDX);
        EXPECT_FLOAT_EQ(s.CELL(kCellY, c), (idy - 0.5f) * s.DDY);
        EXPECT_FLOAT_EQ(s.CELL(kCellZ, c), (idz - 0.5f) * s.DDZ);
        EXPECT_EQ(s.IELCELL(idz, idy, idx, 1, 1, 1), c);
        EXPECT_EQ(s.IELCELL(idz, idy, idx, s.NELZ, s.NELY, s.NELX), c);
        EXPECT_NEAR(s.CELL(kCellFill, c), 1.0f, 1e-5f);
      }
  const auto& p = ui.progress();
  EXPECT_LE(p.hi, 65530);
  EXPECT_EQ(p.value, p.hi);  // the bar is full at the end
  EXPECT_FALSE(p.open);

  // NODES.TXT lists the interior nodes at their unscaled positions.
  const auto lines = lines_of(s.DIR / "NODES.TXT");
  ASSERT_EQ(lines.size(), std::size_t(s.NCELLS + 3));
  EXPECT_EQ(lines[0], "SURFACE NODES");
  EXPECT_EQ(lines[1], "NUMBER OF SURFACE POINTS IS 0");
  EXPECT_EQ(lines[2], "INTERIOR DIVISION NODES");
  std::istringstream last(lines.back().substr(std::string("POINT, X,Y,Z").size()));
  int n;
  double x, y, z;
  last >> n >> x >> y >> z;
  EXPECT_EQ(n, s.NCELLS);
  EXPECT_NEAR(x, s.CELL(kCellX, n) / g.scale, 1e-6);
  EXPECT_NEAR(z, s.CELL(kCellZ, n) / g.scale, 1e-6);
  EXPECT_TRUE(s.DIAG.contains("TOTAL NUMBER OF CELLS IS " + std::to_string(s.NDIVT)));
  EXPECT_FALSE(s.DIAG.contains("Volume of cell"));
}

INSTANTIATE_TEST_SUITE_P(
    Grids, CellsWithoutSurfaces,
    ::testing::Values(PlainGrid{{2, 3, 4}, {2, 2, 3}, 2.0f},
                      // 110,592 elements: the progress range shrinks to 64,000.
                      PlainGrid{{12, 12, 12}, {4, 4, 4}, 1.0f}));

// Off-centre triangulated spheres, coarse and fine for their grid: with
// more triangles than cut elements many surface nodes receive no element.
struct SphereCells {
  int levels, ndiv, nel;
};
class CellsAroundSphere : public ::testing::TestWithParam<SphereCells> {};

TEST_P(CellsAroundSphere, ShareOutTheFlowVolumeOneCellPerFlowElement) {
  const SphereCells g = GetParam();
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {g.ndiv, g.ndiv, g.ndiv}, {g.nel, g.nel, g.nel});
  testing::add_surface(s, testing::icosphere({0.5123, 0.4729, 0.5317}, 0.3, g.levels));
  ui::ScriptedToolkit ui;
  support::TempDir dir;
  form(s, ui, dir);
  EXPECT_EQ(s.NCELLS, s.NSTRI + s.NFDIV);
  EXPECT_EQ(s.ICHECK.size(), std::size_t(8 * s.MNSEG));
  expect_consistent_cells(s);

  // Cells without elements: volume 0, fill ratio 0, and a "Volume of cell"
  // line, as every cell under a thousandth of an element gets.
  // Reported cells: those under a thousandth of an element (compared in
  // double before the volume is stored in float, hence the band).
  const double thousandth = 0.001 * s.EVOL;
  int empty = 0;
  std::vector<std::string> diag = lines_of(s.DIR / "DIAG.TXT");
  std::vector<int> reported(s.NCELLS + 1, 0);
  for (const std::string& line : diag)
    if (line.rfind("Volume of cell ", 0) == 0)
      ++reported[std::stoi(line.substr(std::string("Volume of cell ").size()))];
  for (int c = 1; c <= s.NCELLS; ++c) {
    const double v = s.CELL(kCellVolume, c);
    if (v < thousandth * (1 - 1e-6)) {
      EXPECT_EQ(reported[c], 1) << "cell " << c;
    } else if (v > thousandth * (1 + 1e-6)) {
      EXPECT_EQ(reported[c], 0) << "cell " << c;
    }
    if (v == 0.0) {
      ++empty;
      EXPECT_EQ(s.CELL(kCellFill, c), 0.0f);
    }
  }
  if (g.levels >= 4) {
    EXPECT_GT(empty, 0);
  }

  // No flow element is given a node it cannot see from its centre (the
  // corners would allow it, but around a convex body every element sees a
  // node from its centre).
  int hidden = 0, flow = 0;
  for_each_element(s, [&](const Element& e) {
    const int c = cell_of(s, e);
    if (c < 1) return;
    ++flow;
    if (path_blocked(s, centre_of(s, e), node_of(s, c))) ++hidden;
  });
  EXPECT_EQ(hidden, 0) << hidden << " of " << flow << " flow elements";

  const auto lines = lines_of(s.DIR / "NODES.TXT");
  ASSERT_EQ(lines.size(), std::size_t(s.NCELLS + 3));
  EXPECT_EQ(lines[s.NSTRI + 1], "NUMBER OF SURFACE POINTS IS " + std::to_string(s.NSTRI));
  EXPECT_EQ(lines[s.NSTRI + 2], "INTERIOR DIVISION NODES");
  EXPECT_EQ(lines[1].rfind("POINT, X,Y,Z 1 ", 0), 0u);
  for (const char* text :
       {"TOTAL NUMBER OF CELLS IS", "CALLING GRAPHICS", "Total flow volume from cells"})
    EXPECT_TRUE(std::any_of(diag.begin(), diag.end(), [&](const std::string& l) {
      return l.rfind(text, 0) == 0;
    })) << text;
  EXPECT_TRUE(fs::exists(s.DIR / "DSCELLS.BMP"));
}

INSTANTIATE_TEST_SUITE_P(Spheres, CellsAroundSphere,
                         ::testing::Values(SphereCells{2, 4, 3}, SphereCells{4, 6, 3},
                                           SphereCells{4, 3, 2}));

// A closed slab 0.3 of an element thick across the division boundary at
// x = 0.5, spanning several divisions in y and z, with element centres on
// both sides of it: the elements behind its faces keep to their own side.
TEST(CellFormation, ThinSlabKeepsEveryElementOnItsOwnSide) {
  State s;
  const Vec3 lo{7.9 * kE, kSlabLo[1], kSlabLo[2]}, hi{8.2 * kE, kSlabHi[1], kSlabHi[2]};
  slab_grid(s, lo[0], hi[0]);
  ui::ScriptedToolkit ui;
  support::TempDir dir;
  form(s, ui, dir);
  expect_consistent_cells(s);
  int behind = 0;
  for_each_element(s, [&](const Element& el) {
    const int c = cell_of(s, el);
    if (c < 1) return;
    const Vec3 m = centre_of(s, el), n = node_of(s, c);
    EXPECT_FALSE(path_blocked(s, m, n)) << "element centre " << m[0] << " " << m[1] << " " << m[2]
                                        << " sees cell " << c << " through the slab";
    if (m[1] <= lo[1] || m[1] >= hi[1] || m[2] <= lo[2] || m[2] >= hi[2]) return;
    ++behind;
    if (m[0] < lo[0]) {
      EXPECT_LE(n[0], lo[0] + 1e-6) << "cell " << c;
    } else {
      EXPECT_GE(n[0], hi[0] - 1e-6) << "cell " << c;
    }
  });
  EXPECT_GT(behind, 100);
}

// An open wall across the whole region with one division along x: every
// division holds the wall, whose two triangles give the only nodes. Flow
// elements far from both find no node in their own or neighbouring
// divisions from any search point and take the nearest node overall.
TEST(CellFormation, ElementWithNoNodeNearbyTakesTheNearestNodeOverall) {
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {1, 8, 8}, {4, 2, 2});
  testing::add_surface(s, testing::wall_x(0.075, {0, 0, 0}, {1, 1, 1}));
  ui::ScriptedToolkit ui;
  support::TempDir dir;
  form(s, ui, dir);
  ASSERT_EQ(s.NCELLS, 2);
  expect_consistent_cells(s);
  int far_away = 0;
  for_each_element(s, [&](const Element& e) {
    const int c = cell_of(s, e);
    if (c < 1) return;
    bool node_near = false;
    for (int node = 1; node <= 2; ++node) {
      const int dy = lattice_index(s.NDIVY, s.CELL(kCellY, node), s.YMIN, s.WY) - e.idy;
      const int dz = lattice_index(s.NDIVZ, s.CELL(kCellZ, node), s.ZMIN, s.WZ) - e.idz;
      node_near = node_near || (std::abs(dy) <= 1 && std::abs(dz) <= 1);
    }
    if (!node_near) ++far_away;
    const Vec3 m = centre_of(s, e);
    // Float node positions: 1e-6 of the region squared.
    EXPECT_LE(distance2(m, node_of(s, c)), distance2(m, node_of(s, 3 - c)) + 1e-6);
  });
  EXPECT_GT(far_away, 0);
}

// The slab again, its triangles flow entry triangles: no surface nodes, and
// nodes are seen through it, so every element takes the nearest node.
TEST(CellFormation, EntryTrianglesMakeNoNodesAndHideNothing) {
  State s;
  slab_grid(s, 4.6 * kE, 4.9 * kE);
  s.NFTRI = s.NSTRI;
  s.NSTRI = 0;
  s.NFTRIS(1) = s.NSTRIS(1);
  s.NSTRIS(1) = 0;
  for (int t = 1; t <= s.NTRI; ++t) s.ITP(4, t) = -t;
  ui::ScriptedToolkit ui;
  support::TempDir dir;
  form(s, ui, dir);
  EXPECT_EQ(s.NCELLS, s.NFDIV);
  expect_consistent_cells(s);
  int through = 0;
  for_each_element(s, [&](const Element& el) {
    const int c = cell_of(s, el);
    if (c < 1) return;
    const Vec3 m = centre_of(s, el);
    double nearest = 1e30;
    for (int n = 1; n <= s.NCELLS; ++n) nearest = std::min(nearest, distance2(m, node_of(s, n)));
    EXPECT_LE(distance2(m, node_of(s, c)), nearest + 1e-6);
    if (path_blocked(s, m, node_of(s, c), false)) ++through;
  });
  EXPECT_GT(through, 0);
}

// One division cut by a plane of stream boundary elements across the whole
// box: no solid triangle makes a node and no division is free of surfaces,
// so the flow has no cell. The refusal points at the division counts.
TEST(CellFormation, FlowWithoutAnyNodeIsRefusedAtTheDivisionCounts) {
  using test::tagged;
  test::GasFile gas;
  gas.grid = tagged("1", "NDIVX") + tagged("1", "NDIVY") + tagged("1", "NDIVZ") +
             tagged("2", "NELX") + tagged("2", "NELY") + tagged("2", "NELZ");
  const std::string gas_text = gas.text();
  const std::string plane =
      tagged("1", "NSURF") + tagged("4", "NPTS(1)") + tagged("0", "NSTRIS(1)") +
      tagged("2", "NFTRIS(1)") + tagged("0.5 -0.25 0.0", "P1") + tagged("0.5 0.25 0.0", "P2") +
      tagged("0.5 0.25 0.5", "P3") + tagged("0.5 -0.25 0.5", "P4") + tagged("1 2 3", "T1") +
      tagged("3", "C1") + tagged("1 3 4", "T2") + tagged("0", "C2");
  support::TempDir dir;
  support::write_file(dir.path() / "QMXVD.DAT", gas_text);
  support::write_file(dir.path() / "QMXSD.DAT", plane);
  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  read_gas_data(s, ui);
  read_surface_data(s);
  setup_grid(s, ui);
  try {
    form_cells(s, ui);
    FAIL() << "cells were formed without a node";
  } catch (const GeometryError& e) {
    const int line = test::line_of(gas_text, "NDIVX");
    EXPECT_EQ(e.file(), "QMXVD.DAT");
    EXPECT_EQ(e.line(), line);
    EXPECT_EQ(e.title(), "Cell Formation");
    EXPECT_EQ(e.exit_status(), kExitGeometry);
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("QMXVD.DAT line " + std::to_string(line) +
                             ": No cell node exists for the flow: there is no solid triangle",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("NDIVX, NDIVY, NDIVZ = 1, 1, 1"), std::string::npos) << text;
  }
  EXPECT_FALSE(ui.progress().open);
}

TEST(CellFormation, CloseRequestStopsTheProgram) {
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {2, 2, 2});
  support::TempDir dir;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  setup_grid(s, ui);
  ui.request_close();
  EXPECT_THROW(form_cells(s, ui), StopRequest);
  EXPECT_FALSE(ui.progress().open);
}

}  // namespace
}  // namespace qmxv
