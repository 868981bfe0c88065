#include "geometry/connectivity.h"

#include <gtest/gtest.h>

#include <string>

#include "data/data_files.h"
#include "data/read_gas.h"
#include "data/read_surface.h"
#include "geometry/grid_setup.h"
#include "run/errors.h"
#include "surface_builders.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

using testing::Mesh;

State unit_box() {
  State s;
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {2, 2, 2});
  set_grid_metrics(s);
  return s;
}

// The text of the GeometryError that connect_surfaces throws, or "" if none.
std::string fault_of(State& s) {
  try {
    connect_surfaces(s);
  } catch (const GeometryError& e) {
    EXPECT_EQ(e.exit_status(), kExitGeometry);
    return e.what();
  }
  return {};
}

TEST(Connectivity, ClosedBlockIsClosedAndEverySideSharedBothWays) {
  State s = unit_box();
  testing::add_surface(s, testing::block({0.2, 0.3, 0.4}, {0.7, 0.6, 0.8}));
  connect_surfaces(s);
  EXPECT_EQ(s.ICLOSED(1), 1);
  EXPECT_TRUE(s.DIAG.contains("Surface 1 is a closed surface"));
  for (int t = 1; t <= s.NTRI; ++t)
    for (int k = 1; k <= 3; ++k) {
      const int u = s.ICON(k, t);
      ASSERT_GE(u, 1);
      int back = 0;
      for (int j = 1; j <= 3; ++j) back += s.ICON(j, u) == t;
      EXPECT_EQ(back, 1) << "triangle " << t << " side " << k;
    }
}

TEST(Connectivity, WallEndingOnTheBoxFacesIsOpenWithFaceCodes) {
  State s = unit_box();
  // Edges on YMIN, YMAX, ZMIN and ZMAX; the y limits 0.5e-5 inside, within
  // the matching tolerance of 1e-5.
  testing::add_surface(s, testing::wall_x(0.3, {0, 0.5e-5, 0}, {1, 1 - 0.5e-5, 1}));
  connect_surfaces(s);
  EXPECT_EQ(s.ICLOSED(1), 0);
  EXPECT_TRUE(s.DIAG.contains("Surface 1 is an open surface"));
  // Triangle 1 = points 1,2,3: side 1 on ZMIN, side 2 on YMAX, side 3 shared.
  EXPECT_EQ(s.ICON(1, 1), -5);
  EXPECT_EQ(s.ICON(2, 1), -4);
  EXPECT_EQ(s.ICON(3, 1), 2);
  EXPECT_EQ(s.NBSIDE(3) + s.NBSIDE(4) + s.NBSIDE(5) + s.NBSIDE(6), 4);
}

TEST(Connectivity, SideAlongABoxEdgeKeepsItsFirstFaceAndWarns) {
  State s = unit_box();
  // The diagonal plane x = y from the edge (XMIN, YMIN) to the edge (XMAX, YMAX).
  Mesh m;
  m.points = {{0, 0, 0}, {1, 1, 0}, {1, 1, 1}, {0, 0, 1}};
  m.triangles = {{0, 1, 2}, {0, 2, 3}};
  testing::add_surface(s, m);
  connect_surfaces(s);
  EXPECT_EQ(s.ICON(2, 1), -2);  // (1,1,0)-(1,1,1): XMAX before YMAX
  EXPECT_EQ(s.ICON(3, 2), -1);  // (0,0,1)-(0,0,0): XMIN before YMIN
  EXPECT_TRUE(s.DIAG.contains("Side 2 of triangle 1 more than one connectivity"));
  EXPECT_TRUE(s.DIAG.contains("Side 3 of triangle 2 more than one connectivity"));
  EXPECT_EQ(s.ICLOSED(1), 0);
}

struct FaultCase {
  const char* what;
  Mesh mesh;
  const char* message;  // the fault's own words, side and triangle first
  const char* located;  // where the user finds it
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.what;
}

class ConnectivityFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ConnectivityFault, StopsNamingTheSideTriangleAndPoints) {
  const FaultCase& c = GetParam();
  State s = unit_box();
  // Surfaces built in memory: there is no QMXSD.DAT to find a line in, so
  // the message names the file alone.
  test::TempDir empty;
  s.DIR = empty.path();
  // A first surface that connects, so the faulty one is surface 2 with its
  // own point numbering.
  testing::add_surface(s, testing::block({0.1, 0.1, 0.1}, {0.2, 0.2, 0.2}));
  testing::add_surface(s, c.mesh);
  const std::string text = fault_of(s);
  EXPECT_EQ(text.rfind(std::string("QMXSD.DAT: ") + c.message, 0), 0u) << c.what << ": " << text;
  EXPECT_NE(text.find(c.located), std::string::npos) << c.what << ": " << text;
}

Mesh block_with_hole() {
  Mesh m = testing::block({0.3, 0.3, 0.3}, {0.8, 0.8, 0.8});
  m.triangles.pop_back();
  return m;
}

Mesh block_with_fin() {
  Mesh m = testing::block({0.3, 0.3, 0.3}, {0.8, 0.8, 0.8});
  // A fin on the first side of the first triangle makes it a three-way side.
  m.points.push_back({0.1, 0.5, 0.5});
  const int a = m.triangles[0][0], b = m.triangles[0][1];
  m.triangles.push_back({a, b, static_cast<int>(m.points.size()) - 1});
  return m;
}

Mesh wall_short_of_the_box() {
  // The upper y edge 2e-5 inside the box: beyond the matching tolerance.
  return testing::wall_x(0.45, {0, 0, 0}, {1, 1 - 2e-5, 1});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ConnectivityFault,
    ::testing::Values(
        // The block's last triangle removed: its neighbour across the gap is
        // the first to find a side shared with nothing (triangle 12 + 10 of
        // surface 1 before it).
        FaultCase{"a hole", block_with_hole(), "Side", "has no connectivity: surface 2"},
        FaultCase{"three triangles on one side", block_with_fin(),
                  "Side 1 of triangle 13 connects with more than one triangle",
                  ": surface 2, triangle 1 of the surface, points"},
        FaultCase{"an edge 2e-5 inside the box", wall_short_of_the_box(),
                  "Side 2 of triangle 13 has no connectivity",
                  "surface 2, triangle 1 of the surface, points 1 2 3 at (0.45, 0, 0) (0.45, "
                  "0.99998, 0) (0.45, 0.99998, 1)"}));

// QMXSD.DAT of a closed tetrahedron (surface 1: one solid triangle with its
// properties, three copies) and an open square plate that stops short of the
// box faces (surface 2), for the default gas of the reader tests (the box
// 0..1 x -0.25..0.25 x 0..0.5). Triangle records are tagged "S<s>T<n>".
std::string tetrahedron_and_open_plate() {
  using test::tagged;
  return tagged("2", "NSURF") + tagged("4", "NPTS(1)") + tagged("4", "NSTRIS(1)") +
         tagged("0", "NFTRIS(1)") + tagged("4", "NPTS(2)") + tagged("2", "NSTRIS(2)") +
         tagged("0", "NFTRIS(2)") + tagged("0.2 -0.1 0.1", "S1P1") +
         tagged("0.3 -0.1 0.1", "S1P2") + tagged("0.2 0.0 0.1", "S1P3") +
         tagged("0.2 -0.1 0.2", "S1P4") + tagged("1 3 2", "S1T1") + tagged("1", "S1C1") +
         tagged("300.", "TSURF") + tagged("0.0", "FSPEC") + tagged("0.0", "FADS(1)") +
         tagged("0.0", "FOUT(1)") + tagged("1 2 4", "S1T2") + tagged("0", "S1C2") +
         tagged("2 3 4", "S1T3") + tagged("0", "S1C3") + tagged("3 1 4", "S1T4") +
         tagged("0", "S1C4") + tagged("0.6 -0.1 0.1", "S2P1") + tagged("0.6 0.1 0.1", "S2P2") +
         tagged("0.6 0.1 0.3", "S2P3") + tagged("0.6 -0.1 0.3", "S2P4") + tagged("1 2 3", "S2T1") +
         tagged("0", "S2C1") + tagged("1 3 4", "S2T2") + tagged("0", "S2C2");
}

// The two files written to a scratch directory and read as a new run reads
// them; fault() sets up the grid and returns its GeometryError.
class ConnectivityFaultInFile : public ::testing::Test {
 protected:
  void read(const std::string& surface_text) {
    test::write_file(dir.path() / "QMXVD.DAT", test::GasFile{}.text());
    test::write_file(dir.path() / "QMXSD.DAT", surface_text);
    s.DIR = dir.path();
    read_gas_data(s, ui);
    read_surface_data(s);
  }
  GeometryError fault() {
    try {
      setup_grid(s, ui);
    } catch (const GeometryError& e) {
      return e;
    }
    ADD_FAILURE() << "the open plate was accepted";
    return GeometryError("", 0, "");
  }

  test::TempDir dir;
  State s;
  ui::ScriptedToolkit ui;
  const std::string surface = tetrahedron_and_open_plate();
};

TEST_F(ConnectivityFaultInFile, NamesTheLineOfTheTrianglesRecord) {
  read(surface);
  // Locating the triangle reads QMXSD.DAT again: the summary of the first
  // reading must stay whole.
  const std::string summary = test::read_file(dir.path() / "QMXSD.TXT");
  const GeometryError e = fault();
  // The plate's first triangle, triangle 5 of the file: its first side, from
  // (0.6, -0.1, 0.1) to (0.6, 0.1, 0.1), has no partner and no box face.
  const int line = test::line_of(surface, "S2T1");
  EXPECT_EQ(e.file(), "QMXSD.DAT");
  EXPECT_EQ(e.line(), line);
  EXPECT_EQ(e.exit_status(), kExitGeometry);
  EXPECT_EQ(e.title(), "Surface Geometry Error");
  const std::string text = e.what();
  EXPECT_EQ(text.rfind("QMXSD.DAT line " + std::to_string(line) +
                           ": Side 1 of triangle 5 has no connectivity: surface 2, triangle 1 of "
                           "the surface, points 1 2 3 at (0.6, -0.1, 0.1)",
                       0),
            0u)
      << text;
  EXPECT_EQ(test::read_file(dir.path() / "QMXSD.TXT"), summary);
}

TEST_F(ConnectivityFaultInFile, FileChangedSinceReadingIsNamedWithoutALine) {
  read(surface);
  // The record now gives other points: its line would point at a triangle
  // the state does not hold.
  test::write_file(dir.path() / "QMXSD.DAT", test::set_value(surface, "S2T1", "1 2 4"));
  const GeometryError e = fault();
  EXPECT_EQ(e.line(), 0);
  EXPECT_EQ(std::string(e.what()).rfind("QMXSD.DAT: Side 1 of triangle 5 has no connectivity", 0),
            0u)
      << e.what();
}

}  // namespace
}  // namespace qmxv
