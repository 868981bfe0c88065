// The import of CAD meshes: STL in both forms to the surfaces of QMXSD.DAT,
// checked through the program's own reader, connectivity and grid set-up.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "data/data_files.h"
#include "interop/commands.h"
#include "interop/new_case.h"
#include "interop/stl_reader.h"
#include "interop/surface_file.h"
#include "interop/surface_mesh.h"
#include "mesh_files.h"
#include "run/errors.h"
#include "support/case_setup.h"

namespace qmxv::test {
namespace {

using interop::Body;
using interop::MeshDefect;

// Coordinates a binary STL holds exactly, so both forms carry the same body.
Soup in_float(Soup soup) {
  for (auto& t : soup)
    for (auto& c : t)
      for (double& x : c) x = static_cast<float>(x);
  return soup;
}

int count_kind(const Body& b, MeshDefect::Kind k) {
  int n = 0;
  for (const auto& d : b.defects) n += d.kind == k;
  return n;
}

Vec3 normal_of(const interop::Shell& s, const std::array<int, 3>& t) {
  const Vec3& a = s.points[static_cast<std::size_t>(t[0])];
  const Vec3& b = s.points[static_cast<std::size_t>(t[1])];
  const Vec3& c = s.points[static_cast<std::size_t>(t[2])];
  const Vec3 u{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

// Every triangle's normal points away from `centre`: out of the body, into the flow.
void expect_outward(const interop::Shell& s, const Vec3& centre) {
  for (const auto& t : s.triangles) {
    const Vec3 n = normal_of(s, t);
    const Vec3& a = s.points[static_cast<std::size_t>(t[0])];
    EXPECT_GT(n[0] * (a[0] - centre[0]) + n[1] * (a[1] - centre[1]) + n[2] * (a[2] - centre[2]), 0);
  }
}

TEST(ImportSurface, BinaryAndAsciiStlOfOneSphereWriteTheSameSurfaceFile) {
  TempDir dir("qmxv_import");
  const Soup ball = in_float(sphere({0.5, 0.25, 0.25}, 0.1, 2));
  write_ascii_stl(dir.path() / "ascii.stl", ball);
  write_binary_stl(dir.path() / "binary.stl", ball);
  const auto a = interop::read_stl(dir.path() / "ascii.stl");
  const auto b = interop::read_stl(dir.path() / "binary.stl");
  ASSERT_EQ(a.size(), ball.size());
  ASSERT_EQ(b.size(), ball.size());
  const Body ba = interop::build_body(a, {}), bb = interop::build_body(b, {});
  EXPECT_EQ(interop::surface_file_text(ba, {}, "sphere"), interop::surface_file_text(bb, {}, "sphere"));
  ASSERT_EQ(ba.shells.size(), 1u);
  // An icosphere of level 2: 320 faces on 162 shared points, every corner merged.
  EXPECT_EQ(ba.shells[0].points.size(), 162u);
  EXPECT_EQ(ba.shells[0].triangles.size(), 320u);
  EXPECT_TRUE(ba.shells[0].closed);
  EXPECT_TRUE(ba.defects.empty());
}

TEST(ImportSurface, FacetsWoundEitherWayComeOutPointingIntoTheFlow) {
  const Vec3 c{0.0, 0.0, 0.0};
  Soup every_third = sphere(c, 1.0, 1), inside_out = sphere(c, 1.0, 1);
  for (std::size_t n = 0; n < every_third.size(); n += 3) std::swap(every_third[n][1], every_third[n][2]);
  for (auto& t : inside_out) std::swap(t[1], t[2]);
  for (const Soup* soup : {&every_third, &inside_out}) {
    const Body b = interop::build_body(facets_of(*soup), {});
    ASSERT_EQ(b.shells.size(), 1u);
    expect_outward(b.shells[0], c);
    EXPECT_GT(interop::enclosed_volume(b.shells[0]), 0);
  }
  // With the flow inside (a chamber wall) every normal points to the centre.
  interop::MeshOptions inside;
  inside.reverse = true;
  const Body r = interop::build_body(facets_of(every_third), inside);
  EXPECT_LT(interop::enclosed_volume(r.shells[0]), 0);
}

TEST(ImportSurface, MeshDefectsAreReportedWithTheirCoordinates) {
  const Soup ball = sphere({0, 0, 0}, 1.0, 1);
  {
    Soup holed = ball;
    const auto removed = holed.back();
    holed.pop_back();
    const Body b = interop::build_body(facets_of(holed), {});
    EXPECT_EQ(count_kind(b, MeshDefect::Kind::OpenEdge), 3);
    EXPECT_FALSE(b.shells[0].closed);
    EXPECT_FALSE(interop::has_fatal_defects(b));
    char corner[64];
    std::snprintf(corner, sizeof corner, "(%.7g, %.7g, %.7g)", removed[0][0], removed[0][1], removed[0][2]);
    bool named = false;
    for (const auto& d : b.defects) named = named || d.text.find(corner) != std::string::npos;
    EXPECT_TRUE(named) << "no open edge names the corner " << corner;
  }
  {
    // A sliver whose corners merge, a needle on a line, and a repeated facet:
    // dropped, the sphere stays closed.
    Soup bad = ball;
    bad.push_back({Vec3{0, 0, 0}, Vec3{1e-9, 0, 0}, Vec3{0.5, 0.5, 0}});
    bad.push_back({Vec3{0, 0, 0}, Vec3{0.25, 0, 0}, Vec3{0.5, 0, 0}});
    bad.push_back(ball[4]);
    const Body b = interop::build_body(facets_of(bad), {});
    EXPECT_EQ(count_kind(b, MeshDefect::Kind::Degenerate), 3);
    ASSERT_EQ(b.shells.size(), 1u);
    EXPECT_TRUE(b.shells[0].closed);
  }
  {
    // A fin on one edge of the sphere: three facets at one edge.
    Soup fin = ball;
    const auto& t = ball[0];
    fin.push_back({t[0], t[1], Vec3{t[0][0] * 3, t[0][1] * 3, t[0][2] * 3}});
    const Body b = interop::build_body(facets_of(fin), {});
    EXPECT_EQ(count_kind(b, MeshDefect::Kind::NonManifoldEdge), 1);
    EXPECT_TRUE(interop::has_fatal_defects(b));
  }
}

TEST(ImportSurface, StlFaultsAreRefusedWithFileAndLine) {
  TempDir dir("qmxv_import");
  const std::string good = "solid x\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {good + "   vertex 1 0 zero\n", "line 5"},
      {good + "   vertex 1 0 0\n endfacet\n", "line 6"},
      {"not a mesh\n", "Not an STL file"},
  };
  for (const auto& [text, where] : cases) {
    write_file(dir.path() / "bad.stl", text);
    try {
      interop::read_stl(dir.path() / "bad.stl");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const DataError& e) {
      EXPECT_NE(std::string(e.what()).find(where), std::string::npos) << e.what();
    }
  }
}

// Two spheres in one file, imported by the command and run through the
// program's own set-up: they pass the connectivity checks as two closed
// surfaces and the flow volume is the region less the two polyhedra.
TEST(ImportSurface, TwoShellsBecomeTwoClosedSurfacesAndTheSetUpVolumeMatches) {
  TempDir dir("qmxv_import");
  Soup two = sphere({0.3, 0.25, 0.25}, 0.1, 2);
  const Soup other = sphere({0.7, 0.25, 0.25}, 0.08, 2);
  two.insert(two.end(), other.begin(), other.end());
  write_binary_stl(dir.path() / "two.stl", two);
  std::ostringstream out, err;
  const std::string qmxsd = (dir.path() / "QMXSD.DAT").string();
  ASSERT_EQ(interop::import_surface_command({(dir.path() / "two.stl").string(), "--out", qmxsd,
                                             "--tsurf", "500", "--specular", "0.2"},
                                            out, err),
            0)
      << err.str();
  const Body body = interop::build_body(facets_of(two), {});
  ASSERT_EQ(body.shells.size(), 2u);
  const double polyhedra =
      interop::enclosed_volume(body.shells[0]) + interop::enclosed_volume(body.shells[1]);

  GasFile gas;  // argon through [0,1] x [-0.25,0.25] x [0,0.5] m
  gas.region = tagged("0.0", "XMIN") + tagged("1.0", "XMAX") + tagged("0.0", "YMIN") +
               tagged("0.5", "YMAX") + tagged("0.0", "ZMIN") + tagged("0.5", "ZMAX");
  gas.grid = tagged("10", "NDIVX") + tagged("5", "NDIVY") + tagged("5", "NDIVZ") +
             tagged("4", "NELX") + tagged("4", "NELY") + tagged("4", "NELZ");
  write_file(dir.path() / "QMXVD.DAT", gas.text());
  State s;
  support::set_up_case(s, dir.path());
  EXPECT_EQ(s.NSURF, 2);
  EXPECT_EQ(s.ICLOSED(1), 1);
  EXPECT_EQ(s.ICLOSED(2), 1);
  EXPECT_FLOAT_EQ(s.TSURF(1), 500.0f);
  EXPECT_FLOAT_EQ(s.FSPEC(s.NSTRI), 0.2f);
  // The element analysis resolves a cut element's flow volume to a
  // thousandth of the element; the sphere's facets lie within a few
  // elements, so 1 % of the bodies' volume bounds the difference.
  const double box = 1.0 * 0.5 * 0.5;
  EXPECT_NEAR(s.FLOWVOL, box - polyhedra, 0.01 * polyhedra);
}

// From a half body on a plane of symmetry to a case that sets up: its open
// edges lie on the region face that the new case puts at the body's minimum z.
TEST(NewCase, HalfBodyOnASymmetryPlaneSetsUpWithTheImportedSurface) {
  TempDir dir("qmxv_newcase");
  // A block 0.1 x 0.05 x 0.025 standing on z = 0, without its bottom face.
  const double X = 0.1, Y = 0.05, Z = 0.025;
  const Vec3 p[8] = {{0, -Y, 0}, {X, -Y, 0}, {X, Y, 0}, {0, Y, 0},
                     {0, -Y, Z}, {X, -Y, Z}, {X, Y, Z}, {0, Y, Z}};
  const int quads[5][4] = {{4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  Soup half;
  for (const auto& q : quads) {
    half.push_back({p[q[0]], p[q[1]], p[q[2]]});
    half.push_back({p[q[0]], p[q[2]], p[q[3]]});
  }
  write_ascii_stl(dir.path() / "half.stl", in_float(half));
  const std::string qmxsd = (dir.path() / "QMXSD.DAT").string();
  const std::string qmxvd = (dir.path() / "QMXVD.DAT").string();
  std::ostringstream out, err;
  ASSERT_EQ(interop::import_surface_command(
                {(dir.path() / "half.stl").string(), "--out", qmxsd, "--gas", "air", "--scale",
                 "2", "--translate", "0.2", "0", "0"},
                out, err),
            0)
      << err.str();
  EXPECT_NE(err.str().find("open edges"), std::string::npos);
  ASSERT_EQ(interop::new_case_command({"--surface", qmxsd, "--out", qmxvd, "--gas", "air",
                                       "--symmetry-z", "--speed", "2000", "--elements", "20000",
                                       "--molecules", "20000"},
                                      out, err),
            0)
      << err.str();
  State s;
  support::set_up_case(s, dir.path());
  EXPECT_EQ(s.MSP, 2);
  EXPECT_EQ(s.ICLOSED(1), 0);
  EXPECT_FLOAT_EQ(s.ZMIN / s.SCALE, 0.0f);
  EXPECT_EQ(s.IB(5), 2);
  // Scaled by 2 and moved: the body spans x 0.2..0.4, inside the region.
  EXPECT_LT(s.XMIN / s.SCALE, 0.2f);
  EXPECT_GT(s.XMAX / s.SCALE, 0.4f);
  // The molecule budget fills the region less the body: 5 standard
  // deviations of a Poisson count of 20000.
  const double region = double(s.XMAX - s.XMIN) * double(s.YMAX - s.YMIN) *
                        double(s.ZMAX - s.ZMIN) / std::pow(double(s.SCALE), 3);
  const double expected = 20000.0 * s.FLOWVOL / region;
  EXPECT_NEAR(static_cast<double>(s.NM), expected, 5 * std::sqrt(expected));
}

TEST(NewCase, SurfaceFileOfAnotherGasIsRefusedByTheReader) {
  TempDir dir("qmxv_newcase");
  write_binary_stl(dir.path() / "ball.stl", sphere({0, 0, 0}, 1.0, 0));
  const std::string qmxsd = (dir.path() / "QMXSD.DAT").string();
  std::ostringstream out, err;
  ASSERT_EQ(interop::import_surface_command({(dir.path() / "ball.stl").string(), "--out", qmxsd},
                                            out, err),
            0);
  // One FADS/FOUT pair was written; air needs two, so the records misalign.
  EXPECT_NE(interop::new_case_command({"--surface", qmxsd, "--gas", "air", "--out",
                                       (dir.path() / "QMXVD.DAT").string()},
                                      out, err),
            0);
  EXPECT_NE(err.str().find("QMXSD.DAT line"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace qmxv::test
