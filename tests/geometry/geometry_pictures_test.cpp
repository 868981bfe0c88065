#include "geometry/geometry_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "geometry/cells.h"
#include "geometry/grid_setup.h"
#include "geometry/locate.h"
#include "run/driver.h"
#include "run/errors.h"
#include "run/random.h"
#include "run/text_format.h"
#include "support/files.h"
#include "surface_builders.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
using testing::Vec3;

std::string bytes_of(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const Vec3 kSphereCentre{0.5123, 0.4729, 0.5317};
constexpr double kRadius = 0.3;

// Region [0,1]^3 of 4 divisions of 3 elements, an off-centre sphere of 320
// triangles.
void sphere_grid(State& s, const support::TempDir& dir) {
  testing::set_box(s, {0, 0, 0}, {1, 1, 1}, {4, 4, 4}, {3, 3, 3});
  testing::add_surface(s, testing::icosphere(kSphereCentre, kRadius, 2));
  s.DIR = dir.path();
}

// The centre of element e of division d, indices along (x, y, z).
Vec3 element_centre(const State& s, const int d[3], const int e[3]) {
  const float lo[3] = {s.XMIN, s.YMIN, s.ZMIN}, dd[3] = {s.DDX, s.DDY, s.DDZ},
              de[3] = {s.DEX, s.DEY, s.DEZ};
  Vec3 c;
  for (int a = 0; a < 3; ++a) c[a] = lo[a] + (d[a] - 1) * double(dd[a]) + (e[a] - 0.5) * de[a];
  return c;
}

// The colour index at the centre of an element's rectangle in the plane.
int colour_at(const display::Canvas2D& canvas, const State& s, const PicturePlane& plane,
              const int d[3], const int e[3]) {
  const PlaneView view = plane_view(s, plane.axis);
  const Vec3 c = element_centre(s, d, e);
  return canvas.index_at(canvas.column_of(c[view.h - 1]), canvas.row_of(c[view.v - 1]));
}

// Every element of a plane, in division and element indices (x, y, z).
template <typename F>
void for_each_in_plane(const State& s, const PicturePlane& plane, F f) {
  const int ndiv[3] = {s.NDIVX, s.NDIVY, s.NDIVZ}, nel[3] = {s.NELX, s.NELY, s.NELZ};
  const int a = plane.axis - 1, u = (a + 1) % 3, w = (a + 2) % 3;
  int d[3], e[3];
  d[a] = plane.division;
  e[a] = plane.element;
  for (d[u] = 1; d[u] <= ndiv[u]; ++d[u])
    for (e[u] = 1; e[u] <= nel[u]; ++e[u])
      for (d[w] = 1; d[w] <= ndiv[w]; ++d[w])
        for (e[w] = 1; e[w] <= nel[w]; ++e[w]) f(d, e);
}

double distance(const Vec3& a, const Vec3& b) {
  return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// ---------------------------------------------------------------------------

TEST(GeometryPictures, BatchAndScriptedRunsWriteTheSameCellBitmap) {
  const support::TempDir batch_dir, scripted_dir;
  const fs::path &batch = batch_dir.path(), &scripted = scripted_dir.path();
  for (const fs::path& dir : {batch, scripted})
    for (const char* f : {"QMXVD.DAT", "QMXSD.DAT"})
      fs::copy_file(fs::path(QMXV_SOURCE_DIR) / "examples" / "box" / f, dir / f);

  // A restart set from an earlier run in the same directory stays as it was.
  std::ofstream(batch / "QMXVP.RES") << "an earlier run";

  const std::string command = std::string(QMXV_BINARY) + " --batch --run-type 7 --steps 0 --dir " +
                              batch.string() + " > " + (batch / "out.txt").string() + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << bytes_of(batch / "out.txt");

  State s;
  s.DIR = scripted;
  ui::ScriptedToolkit ui({7});
  RunLimits limits;
  limits.steps = 0;
  ASSERT_EQ(run_program(s, ui, limits).status, 0);

  const std::string a = bytes_of(batch / "DSCELLS.BMP"), b = bytes_of(scripted / "DSCELLS.BMP");
  ASSERT_GT(a.size(), std::size_t(kPlanePictureWidth * kPlanePictureHeight * 3));
  EXPECT_TRUE(a == b) << "the two DSCELLS.BMP differ";
  EXPECT_EQ(bytes_of(batch / "NODES.TXT"), bytes_of(scripted / "NODES.TXT"));
  EXPECT_EQ(bytes_of(batch / "QMXVP.RES"), "an earlier run");
  EXPECT_FALSE(fs::exists(scripted / "QMXVP.RES"));  // stopped before any restart file
}

class CellPlane : public ::testing::TestWithParam<int> {};

TEST_P(CellPlane, ShowsEveryElementInItsCellColourAndNoFlowInWhite) {
  State s;
  support::TempDir dir;
  sphere_grid(s, dir);
  ui::ScriptedToolkit ui;
  setup_grid(s, ui);
  form_cells(s, ui);
  const std::vector<int> icol = cell_colours(s);
  // The plane through the element holding the sphere's centre.
  PicturePlane plane{GetParam(), 3, 1};
  ui.picture_open({"test", "", "", kPlanePictureWidth, kPlanePictureHeight});
  draw_cell_plane(s, icol, plane, ui, "test");
  const display::Canvas2D& canvas = *ui.picture("test");
  int white = 0, coloured = 0;
  for_each_in_plane(s, plane, [&](const int d[3], const int e[3]) {
    const int c = s.IELCELL(d[2], d[1], d[0], e[2], e[1], e[0]);
    const int expect = c > 0 ? icol[c] : kColourOutside;
    (c > 0 ? coloured : white) += 1;
    EXPECT_EQ(colour_at(canvas, s, plane, d, e), expect) << "cell " << c;
  });
  EXPECT_GT(white, 0);  // the inside of the sphere
  EXPECT_GT(coloured, white);
  EXPECT_EQ(canvas.index_at(0, 0), kColourMargin);
  EXPECT_EQ(canvas.palette()[kColourOutside], (ui::Rgb{255, 255, 255}));
}

INSTANTIATE_TEST_SUITE_P(Axes, CellPlane, ::testing::Values(1, 2, 3));

// The division/element picture before the cells: black where a triangle
// enters an element (the one holding a triangle's centroid), white well
// inside the sphere, the surface-division colour well outside it, and the
// colour of the level in the divisions without surfaces.
TEST(GeometryPictures, DivisionPlaneColoursCutInsideFlowAndLevels) {
  State s;
  support::TempDir dir;
  sphere_grid(s, dir);
  ui::ScriptedToolkit ui;
  setup_grid(s, ui);
  // Sphere triangles lie within their chord's sagitta (under 0.01) of the
  // sphere; an element further than its diagonal from it is not cut.
  const double margin = s.EDIAG + 0.01;
  int seen[4] = {0, 0, 0, 0};
  for (int z = 1; z <= 4; ++z)
    for (int iez = 1; iez <= 3; ++iez)
      for_each_in_plane(s, {3, z, iez}, [&](const int d[3], const int e[3]) {
        const int code = s.JDIV(1, d[2], d[1], d[0]);
        const int colour = division_element_colour(s, d[0], d[1], d[2], e[0], e[1], e[2]);
        const double r = distance(element_centre(s, d, e), kSphereCentre);
        if (code > 0) {
          ++seen[0];
          EXPECT_EQ(colour, kFirstLevelColour + (code - 1) % kLevelColours);
        } else if (r < kRadius - margin) {
          ++seen[1];
          EXPECT_EQ(colour, kColourOutside);
        } else if (r > kRadius + margin) {
          ++seen[2];
          EXPECT_EQ(colour, kColourSurfaceFlow);
        }
      });
  for (int t = 1; t <= s.NTRI; ++t) {
    const Vec3 c{s.TRI(kTriCx, t), s.TRI(kTriCy, t), s.TRI(kTriCz, t)};
    locate_division_element(s, float(c[0]), float(c[1]), float(c[2]));
    ++seen[3];
    EXPECT_EQ(division_element_colour(s, s.IDX, s.IDY, s.IDZ, s.IEX, s.IEY, s.IEZ), kColourCut)
        << "triangle " << t;
  }
  for (int n : seen) EXPECT_GT(n, 0);
}

struct ViewCase {
  Vec3 lo, hi;
  int axis;
};
class PlaneViewCase : public ::testing::TestWithParam<ViewCase> {};

TEST_P(PlaneViewCase, HoldsTheRegionWithMarginsCentredAtTheFixedAspect) {
  const ViewCase c = GetParam();
  State s;
  testing::set_box(s, c.lo, c.hi, {1, 1, 1}, {1, 1, 1});
  set_grid_metrics(s);
  const PlaneView v = plane_view(s, c.axis);
  const int h = v.h - 1, w = v.v - 1;
  EXPECT_NE(v.h, c.axis);
  EXPECT_NE(v.v, c.axis);
  EXPECT_NEAR((v.x1 - v.x0) / (v.y1 - v.y0), 1.2725, 1e-12);
  const double wh = c.hi[h] - c.lo[h], wv = c.hi[w] - c.lo[w];
  // 5 % margins at least, exactly on the side that decides.
  EXPECT_LE(v.x0, c.lo[h] - 0.05 * wh + 1e-9);
  EXPECT_LE(v.y0, c.lo[w] - 0.05 * wv + 1e-9);
  EXPECT_TRUE(std::abs(v.x1 - v.x0 - 1.1 * wh) < 1e-6 || std::abs(v.y1 - v.y0 - 1.1 * wv) < 1e-6);
  EXPECT_NEAR(v.x0 + v.x1, c.lo[h] + c.hi[h], 1e-6);
  EXPECT_NEAR(v.y0 + v.y1, c.lo[w] + c.hi[w], 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Regions, PlaneViewCase,
                         ::testing::Values(ViewCase{{0, 0, 0}, {1, 1, 1}, 3},
                                           ViewCase{{-1, 0, 0}, {3, 1, 1}, 3},  // wide
                                           ViewCase{{0, 0, 0}, {1, 1, 5}, 1},   // tall
                                           ViewCase{{0, 2, 0}, {4, 3, 1}, 2}));

TEST(GeometryPictures, CellColoursTakeOneDrawPerCellWithinTheCellColours) {
  State s;
  s.NCELLS = 5000;
  const std::vector<int> icol = cell_colours(s);
  Random reference;
  ASSERT_EQ(icol.size(), 5001u);
  for (int c = 1; c <= 5000; ++c) {
    reference.next();
    EXPECT_GE(icol[c], kFirstCellColour) << "cell " << c;
    EXPECT_LT(icol[c], kFirstCellColour + kCellColours) << "cell " << c;
  }
  EXPECT_EQ(s.RF(), reference.next());  // one draw per cell, no more
}

TEST(GeometryPictures, CellPictureOpensOnTheMiddleZPlaneAndShowsItsCoordinateUnscaled) {
  State s;
  testing::set_box(s, {0, 0, 0}, {2, 2, 2}, {3, 3, 4}, {2, 2, 2});
  s.SCALE = 2.0f;
  support::TempDir dir;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  setup_grid(s, ui);
  form_cells(s, ui);
  EXPECT_EQ(s.PLANE.axis, 3);
  EXPECT_EQ(s.PLANE.division, 3);
  EXPECT_EQ(s.PLANE.element, 1);
  // z = 2 divisions of 0.5 plus half an element of 0.25, halved by SCALE.
  EXPECT_EQ(ui.shown_text(kPlanePanel, "coordinate"), fortran_format(0.5625, "(G13.7)"));
  EXPECT_EQ(ui.shown_text(kPlanePanel, "division"), "3");
  EXPECT_FALSE(ui.control_visible(kPlanePanel, "axis"));  // the dialog is gone
  EXPECT_EQ(ui.picture(kCellPicture), nullptr);
  EXPECT_TRUE(fs::exists(s.DIR / "DSCELLS.BMP"));
}

// A toolkit whose user presses "Stop Program" at once.
class PressesStop : public ui::ScriptedToolkit {
 public:
  long long get_int(const std::string& panel, const std::string& control) override {
    if (panel == kPlanePanel && control == "stop") return 1;
    return ScriptedToolkit::get_int(panel, control);
  }
};

TEST(GeometryPictures, StopProgramEndsTheRunWithStatusZero) {
  State s;
  support::TempDir dir;
  sphere_grid(s, dir);
  PressesStop ui;
  try {
    // The grid set-up of a data set with surfaces ends with the picture.
    setup_grid(s, ui);
    FAIL() << "Stop Program did not stop the program";
  } catch (const StopRequest& stop) {
    EXPECT_EQ(stop.status, 0);
  }
  // The side panel's notes are wrapped to lines of the panel's width.
  int lines = 0;
  for (int k = 1; !ui.shown_text(kPlanePanel, "note" + std::to_string(k)).empty(); ++k, ++lines)
    EXPECT_LE(ui.shown_text(kPlanePanel, "note" + std::to_string(k)).size(), 46u) << k;
  EXPECT_GT(lines, 5);
}

// A user who switches the plane to x and then closes the picture.
class SwitchesToX : public ui::ScriptedToolkit {
 public:
  int presents = 0;
  std::vector<std::string> coordinates;
  bool picture_closed(const std::string&) override { return presents >= 2; }
  long long get_int(const std::string& panel, const std::string& control) override {
    if (panel == kPlanePanel && control == "axis" && presents == 1) return 1;
    return ScriptedToolkit::get_int(panel, control);
  }
  void picture_present(const std::string&) override {
    ++presents;
    coordinates.push_back(shown_text(kPlanePanel, "coordinate") + " " +
                          shown_text(kPlanePanel, "division") + " " +
                          shown_text(kPlanePanel, "element"));
  }
};

TEST(GeometryPictures, ChangingTheAxisRedrawsTheNewPlaneFromItsMiddleDivision) {
  State s;
  support::TempDir dir;
  sphere_grid(s, dir);
  SwitchesToX ui;
  setup_grid(s, ui);  // shows the division/element picture
  ASSERT_EQ(ui.presents, 2);
  // z-plane: division 3, element 1 (z = 0.5 + 1/24); then x likewise.
  const std::string middle = fortran_format(0.5 + 1.0 / 24, "(G13.7)") + " 3 1";
  EXPECT_EQ(ui.coordinates[0], middle);
  EXPECT_EQ(ui.coordinates[1], middle);
  EXPECT_EQ(s.PLANE.axis, 1);
}

}  // namespace
}  // namespace qmxv
