// The result panels through the scripted toolkit: the flowfield plane's
// layer and colours, the cells a colour range counts, the surface colours
// and scene, the forces and moments with the characteristic-area dialog,
// and the molecule-number history.
#include "display/results_panels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "display/displays.h"
#include "display/palettes.h"
#include "geometry/cell_state.h"
#include "run/state.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv::display {
namespace {

// ------------------------------------------------------------ flowfield --

// A box 4 x 2 x 2 of 2 x 1 x 2 divisions of 2 x 2 x 2 elements. Along x and
// z the elements form four layers each; the element in x-layer i and
// z-layer k belongs to cell 4 (k - 1) + i, whose temperature is 100 + 10 c.
// In z-layer 3 the element at x-layer 1, y-element 1 lies inside a body and
// the one at x-layer 4, y-element 2 belongs to cell 17, sampled too little.
State layered_grid() {
  State s;
  s.XMIN = 0, s.XMAX = 4, s.YMIN = 0, s.YMAX = 2, s.ZMIN = 0, s.ZMAX = 2;
  s.NDIVX = 2, s.NELX = 2, s.DDX = 2, s.DEX = 1;
  s.NDIVY = 1, s.NELY = 2, s.DDY = 2, s.DEY = 1;
  s.NDIVZ = 2, s.NELZ = 2, s.DDZ = 1, s.DEZ = 0.5f;
  s.IELCELL.allocate(2, 1, 2, 2, 2, 2);
  for (int idx = 1; idx <= 2; ++idx)
    for (int iex = 1; iex <= 2; ++iex)
      for (int idz = 1; idz <= 2; ++idz)
        for (int iez = 1; iez <= 2; ++iez)
          for (int iey = 1; iey <= 2; ++iey) {
            const int xl = 2 * (idx - 1) + iex, zl = 2 * (idz - 1) + iez;
            int c = 4 * (zl - 1) + xl;
            if (zl == 3 && xl == 1 && iey == 1) c = -1;
            if (zl == 3 && xl == 4 && iey == 2) c = 17;
            s.IELCELL(idz, 1, idx, iez, iey, iex) = c;
          }
  s.MSP = 1;
  s.NCELLS = 17;
  s.CELL.allocate(kCellFields, 17);
  s.VAR.allocate(18, 17);
  s.NSAMP = 10;
  for (int c = 1; c <= 17; ++c) {
    s.CELL(1, c) = 0.5f;
    s.VAR(1, c) = c == 17 ? 5.0f : 100.0f;
    s.VAR(10, c) = c == 17 ? 999.0f : 100.0f + 10.0f * c;
  }
  s.IPROP = 10;
  return s;
}

// The colour of cell c on the range 110..260 of cells 1..16.
int colour_of_cell(int c) { return std::min(254, std::max(1, 17 * (c - 1))); }

// The colour index the flowfield picture shows at point (h, v) of the plane.
int colour_at(const ui::ScriptedToolkit& ui, const State& s, double h, double v) {
  const Canvas2D* canvas = ui.picture(kFlowfieldPicture);
  if (canvas == nullptr) return -1;
  const PlaneWindow w = plane_window(s, s.IPLANE);
  const double px = kPlaneLeft + (h - w.x0) / (w.x1 - w.x0) * (kPlaneRight - kPlaneLeft);
  const double py = kPlaneTop + (w.y1 - v) / (w.y1 - w.y0) * (kPlaneBottom - kPlaneTop);
  return canvas->index_at(static_cast<int>(px), static_cast<int>(py));
}

struct Probe {
  int plane, division, element;
  double h, v;  // a point in the plane
  int colour;
  const char* what;
};

TEST(FlowfieldPanel, FillsTheChosenLayerWithItsCellsColours) {
  const Probe probes[] = {
      {3, 2, 1, 1.5, 0.5, colour_of_cell(10), "z-layer 3, cell 10"},
      {3, 2, 1, 0.5, 1.5, colour_of_cell(9), "z-layer 3, cell 9"},
      {3, 2, 1, 0.5, 0.5, 0, "an element inside a body: the background"},
      {3, 2, 1, 3.5, 1.5, 255, "a cell sampled too little: the no-data colour"},
      {3, 1, 2, 1.5, 0.5, colour_of_cell(6), "z-layer 2, cell 6"},
      {1, 2, 1, 0.5, 0.25, colour_of_cell(3), "x-layer 3, z-layer 1"},
      {1, 2, 1, 0.5, 1.25, colour_of_cell(11), "x-layer 3, z-layer 3"},
      {2, 1, 2, 0.5, 1.75, colour_of_cell(13), "y-element 2, z-layer 4"},
      {2, 1, 2, 3.5, 1.25, 255, "y-element 2 through the cell sampled too little"},
  };
  for (const Probe& p : probes) {
    State s = layered_grid();
    s.IPLANE = p.plane, s.IPLDIV = p.division, s.IPLEL = p.element;
    ui::ScriptedToolkit ui;
    draw_flowfield(s, ui);
    EXPECT_EQ(colour_at(ui, s, p.h, p.v), p.colour) << p.what;
  }
}

TEST(FlowfieldPanel, WhiteBackgroundSwapsTheBodyAndNoDataColours) {
  State s = layered_grid();
  s.IPLANE = 3, s.IPLDIV = 2, s.IPLEL = 1, s.IWHITE = 1;
  const ColourRange r = flowfield_colour_range(s);
  EXPECT_DOUBLE_EQ(r.low, 110.0) << "cell 17 is not counted";
  EXPECT_DOUBLE_EQ(r.high, 260.0);
  const std::vector<int> colours = flowfield_cell_colours(s, r);
  EXPECT_EQ(colours[17], 1);
  EXPECT_EQ(flowfield_background(s), 255);
  ui::ScriptedToolkit ui;
  draw_flowfield(s, ui);
  EXPECT_EQ(colour_at(ui, s, 0.5, 0.5), 255) << "the body element at the plane's left bottom";
}

TEST(FlowfieldPanel, PlaneWindowKeepsTheRatioWithAMarginOfTheLargerExtent) {
  const State s = layered_grid();
  for (int axis = 1; axis <= 3; ++axis) {
    const PlaneWindow w = plane_window(s, axis);
    const double h = axis == 1 ? 2 : 4, v = 2;  // the in-plane extents
    const double margin = 0.05 * std::max(h, v);
    const double W = w.x1 - w.x0, H = w.y1 - w.y0;
    EXPECT_NEAR(W / H, 1.2725, 1e-9) << axis;
    // Both extents fit with their margin, and one of them exactly.
    EXPECT_GE(W, h + 2 * margin - 1e-9) << axis;
    EXPECT_GE(H, v + 2 * margin - 1e-9) << axis;
    EXPECT_TRUE(std::fabs(W - h - 2 * margin) < 1e-9 || std::fabs(H - v - 2 * margin) < 1e-9)
        << axis;
    EXPECT_NEAR(0.5 * (w.x0 + w.x1), 0.5 * h, 1e-9) << "centred, axis " << axis;
    EXPECT_NEAR(0.5 * (w.y0 + w.y1), 0.5 * v, 1e-9) << "centred, axis " << axis;
  }
}

// Four cells for the counting rules: a measured one, one without enough
// collisions, one inside a body and one with a negative mean free path.
TEST(FlowfieldPanel, RangeCountsOnlyCellsWithMeaningfulValues) {
  State s;
  s.MSP = 1;
  s.NCELLS = 4;
  s.NSAMP = 100;
  s.CELL.allocate(kCellFields, 4);
  s.VAR.allocate(18, 4);
  const float volume[4] = {1, 1, 0, 1}, sample[4] = {500, 100, 500, 201};
  const float tcoll[4] = {1e-5f, 1e10f, 2e-5f, 3e-5f}, mfp[4] = {0.01f, 5, 9, -0.02f};
  const float temperature[4] = {300, 800, 900, 350};
  for (int c = 1; c <= 4; ++c) {
    s.CELL(1, c) = volume[c - 1];
    s.VAR(1, c) = sample[c - 1];
    s.VAR(13, c) = tcoll[c - 1];
    s.VAR(14, c) = mfp[c - 1];
    s.VAR(10, c) = temperature[c - 1];
  }
  struct Case {
    int k;
    double low, high;
  } cases[] = {
      {14, -0.02, 0.01},  // measured collision times only, the body cell out
      {1, 100, 500},      // every flow cell's sample size
      {10, 300, 800},     // cell 2's sample of 100 is above 40, so it counts
  };
  for (const Case& c : cases) {
    s.IPROP = c.k;
    const ColourRange r = flowfield_colour_range(s);
    EXPECT_NEAR(r.low, c.low, 1e-6) << c.k;
    EXPECT_NEAR(r.high, c.high, 1e-6) << c.k;
  }
  EXPECT_TRUE(s.DIAG.contains("-VE COLLISION RATE CELL 4 -0.0199999"));
  // A sample of 30 in a sample of 10: above 2 NSAMP, so it counts.
  s.NSAMP = 10;
  s.VAR(1, 2) = 30;
  s.IPROP = 10;
  EXPECT_NEAR(flowfield_colour_range(s).high, 800, 1e-6);
  s.VAR(1, 2) = 20;
  EXPECT_NEAR(flowfield_colour_range(s).high, 350, 1e-6);
  const std::vector<int> colours = flowfield_cell_colours(s, flowfield_colour_range(s));
  EXPECT_EQ(colours[2], flowfield_no_data(s));
}

// -------------------------------------------------------------- surface --

// Four triangles: three solid (slots 1..3) and one flow-entry triangle.
State three_plates() {
  State s;
  s.XMIN = 0, s.XMAX = 2, s.YMIN = 0, s.YMAX = 2, s.ZMIN = 0, s.ZMAX = 2;
  s.MSP = 1;
  s.NSURF = 1;
  s.NPT = 4;
  s.NTRI = 4;
  s.NSTRI = 3;
  s.XPT.allocate(4), s.YPT.allocate(4), s.ZPT.allocate(4);
  const float pts[4][3] = {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1.5f}};
  for (int p = 1; p <= 4; ++p) s.XPT(p) = pts[p - 1][0], s.YPT(p) = pts[p - 1][1], s.ZPT(p) = pts[p - 1][2];
  s.ITP.allocate(6, 4);
  const int slot[4] = {1, -1, 2, 3};
  for (int N = 1; N <= 4; ++N) {
    s.ITP(1, N) = 1, s.ITP(2, N) = 2, s.ITP(3, N) = N == 4 ? 4 : 3;
    s.ITP(4, N) = slot[N - 1];
  }
  s.ISURFT.allocate(4);
  s.ISURFT.fill(1);
  s.VARS.allocate(10, 3);
  const float strikes[3] = {10, 20, 2}, flux[3] = {1e20f, 3e20f, 9e20f};
  for (int j = 1; j <= 3; ++j) {
    s.VARS(1, j) = strikes[j - 1];
    s.VARS(2, j) = flux[j - 1];
    s.VARS(10, j) = 0.25f * j;
  }
  s.VARS(4, 1) = 3, s.VARS(5, 1) = 4;
  s.VARS(6, 1) = 7, s.VARS(9, 1) = 400;
  s.SFORCE.allocate(6, 1);
  return s;
}

// Property 6 is the magnitude of the two shear components, and the
// properties after it are the results one place on.
TEST(SurfacePanel, ShearMagnitudeComesBetweenTheShearAndTheHeatFlux) {
  const State s = three_plates();
  EXPECT_DOUBLE_EQ(surface_values(s, 6)[1], 5.0);
  EXPECT_DOUBLE_EQ(surface_values(s, 7)[1], 7.0);
}

TEST(SurfacePanel, TrianglesStruckMoreThanFourTimesSetTheRangeAndTheColours) {
  State s = three_plates();
  s.IPROPS = 2;
  ColourRange r;
  ASSERT_TRUE(surface_colour_range(s, r));
  EXPECT_NEAR(r.low, 1e20, 1e13) << "single-precision results";
  EXPECT_NEAR(r.high, 3e20, 1e13) << "the triangle struck twice is not counted";
  s.IPROPS = 1;
  ASSERT_TRUE(surface_colour_range(s, r));
  EXPECT_DOUBLE_EQ(r.low, 2.0) << "every triangle counts for the sample size";

  s.IPROPS = 2;
  ui::ScriptedToolkit ui;
  draw_surface_results(s, ui);
  const ui::Scene3* scene = ui.last_scene();
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(scene->triangles.size(), 3u) << "the flow-entry triangle is not a result";
  const ui::Palette& table = surface_colour_table();
  EXPECT_EQ(scene->triangles[0].colour, table[1]);
  EXPECT_EQ(scene->triangles[1].colour, table[255]);
  EXPECT_EQ(scene->triangles[2].colour, table[255]);
  EXPECT_EQ(scene->background, (ui::Rgb{0, 0, 0}));
  EXPECT_NE(ui.picture(kSurfaceScalePicture), nullptr);

  // A plane of symmetry at ZMIN: the mirrored half, flow side still in front.
  s.IB(5) = 2;
  s.IWHITES = 1;
  draw_surface_results(s, ui);
  scene = ui.last_scene();
  ASSERT_EQ(scene->triangles.size(), 6u);
  EXPECT_EQ(scene->background, (ui::Rgb{255, 255, 255}));
  const auto& a = scene->triangles[0].p;
  const auto& m = scene->triangles[1].p;
  EXPECT_FLOAT_EQ(a[0][2], 1.0f) << "centred on the plane of symmetry";
  EXPECT_FLOAT_EQ(m[0][2], -1.0f);
  auto normal_z = [](const std::array<std::array<float, 3>, 3>& p) {
    return (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0]);
  };
  EXPECT_GT(normal_z(a), 0.0f);
  EXPECT_LT(normal_z(m), 0.0f) << "the mirror image faces the other way in z";
}

TEST(SurfacePanel, NothingCountedDrawsNoTriangles) {
  State s = three_plates();
  for (int j = 1; j <= 3; ++j) s.VARS(1, j) = 3;
  s.IPROPS = 3;
  ui::ScriptedToolkit ui;
  draw_surface_results(s, ui);
  ASSERT_NE(ui.last_scene(), nullptr);
  EXPECT_TRUE(ui.last_scene()->triangles.empty());
}

// --------------------------------------------------------------- forces --

// Surface 2 of two takes the force (10, 20, 30) N with moment sums (1, 2, 3)
// N.m about the origin: the sums over a sample of 20 scaled seconds at
// SCALE 10 (10 real seconds) and FNUM 4 are half of that.
State loaded_surfaces() {
  State s;
  s.NSURF = 2;
  s.NSTRI = 1;
  s.SCALE = 10;
  s.FNUM = 4;
  s.TIME = 20;
  s.TSAMPSTART = 0;
  s.XMIN = 0, s.XMAX = 100, s.YMIN = 0, s.YMAX = 100, s.ZMIN = 0, s.ZMAX = 100;  // 10 m
  s.FDEN = 1e-3f;
  s.VSTRM = 1000;
  s.SFORCE.allocate(6, 2);
  const double half[6] = {5, 10, 15, 0.5, 1, 1.5};
  for (int k = 1; k <= 6; ++k) s.SFORCE(k, 2) = half[k - 1];
  s.IFSURF = 2;
  return s;
}

struct ForceCase {
  const char* what;
  int units;
  std::array<double, 3> point;
  std::array<double, 3> force, moment;
};

TEST(ForcesPanel, ForcesAndMomentsAboutAnOffOriginPointInEachUnitSystem) {
  const ForceCase cases[] = {
      {"SI", 1, {1, -2, 0.5}, {10, 20, 30}, {-67, -23, 41}},
      {"English", 2, {1, -2, 0.5}, {2.2482014, 4.4964029, 6.7446043},
       {-13.5174101, -4.1405036, 9.7328058}},
      // q = 500 Pa on 2 sq m; the point (1, -2, 0.5) m as fractions of 10 m.
      {"coefficients", 3, {0.1, -0.2, 0.05}, {0.01, 0.02, 0.03}, {-0.134, -0.046, 0.082}},
  };
  for (const ForceCase& c : cases) {
    State s = loaded_surfaces();
    s.IUNITS = c.units;
    s.AREF = 2, s.LREF = 0.5f;
    ui::ScriptedToolkit ui;
    create_forces_panel(s, ui);
    // The point as the user typed it into the panel.
    ui.put_real(kForcesPanel, "xref", c.point[0]);
    ui.put_real(kForcesPanel, "yref", c.point[1]);
    ui.put_real(kForcesPanel, "zref", c.point[2]);
    show_forces(s, ui);
    EXPECT_FLOAT_EQ(s.YREF, static_cast<float>(c.point[1])) << c.what;
    const char* F[3] = {"fx", "fy", "fz"};
    const char* M[3] = {"mx", "my", "mz"};
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR(ui.get_real(kForcesPanel, F[a]), c.force[a], 1e-6 * std::fabs(c.force[a]))
          << c.what << " " << F[a];
      EXPECT_NEAR(ui.get_real(kForcesPanel, M[a]), c.moment[a], 1e-6 * std::fabs(c.moment[a]))
          << c.what << " " << M[a];
    }
  }
}

TEST(ForcesPanel, MomentVanishesAboutThePointOfApplication) {
  // A force (3, -4, 5) N acting at (2, 1, -1) m.
  State s = loaded_surfaces();
  const double F[3] = {3, -4, 5}, p[3] = {2, 1, -1};
  const double sums[3] = {F[0] * p[1] - F[1] * p[0], F[2] * p[0] - F[0] * p[2],
                          F[1] * p[2] - F[2] * p[1]};
  for (int k = 0; k < 3; ++k) {
    s.SFORCE(k + 1, 2) = F[k] / 2;
    s.SFORCE(k + 4, 2) = sums[k] / 2;
  }
  s.XREF = 2, s.YREF = 1, s.ZREF = -1;
  const ForceReadings r = force_readings(s);
  ASSERT_TRUE(r.sampled && r.available);
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(r.moment[a], 0.0, 1e-12) << a;
  EXPECT_DOUBLE_EQ(r.force[2], 5.0);
}

TEST(ForcesPanel, NothingIsShownBeforeSampleTimeHasPassed) {
  State s = loaded_surfaces();
  s.TSAMPSTART = 20;
  ui::ScriptedToolkit ui;
  create_forces_panel(s, ui);
  show_forces(s, ui);
  EXPECT_EQ(ui.shown_text(kForcesPanel, "fx"), "");
  EXPECT_EQ(ui.shown_text(kForcesPanel, "mz"), "");
  s.TIME = 20 + 1e-6;
  show_forces(s, ui);
  EXPECT_NE(ui.shown_text(kForcesPanel, "fx"), "");
}

TEST(ForcesPanel, SurfaceNumberTypedOutOfRangeIsBroughtBack) {
  State s = loaded_surfaces();
  ui::ScriptedToolkit ui;
  create_forces_panel(s, ui);
  ui.put_int(kForcesPanel, "surface", 7);
  show_forces(s, ui);
  EXPECT_EQ(s.IFSURF, 2);
  EXPECT_EQ(ui.get_int(kForcesPanel, "surface"), 2);
  ui.put_int(kForcesPanel, "surface", 1);
  show_forces(s, ui);
  EXPECT_EQ(s.IFSURF, 1);
  EXPECT_DOUBLE_EQ(ui.get_real(kForcesPanel, "fx"), 0.0) << "surface 1 takes no force";
}

int times_asked(const ui::ScriptedToolkit& ui) {
  int n = 0;
  for (const std::string& t : ui.titles("dialog")) n += t == "Characteristic Area";
  return n;
}

TEST(ForcesPanel, CoefficientsAskOnceForTheCharacteristicAreaInEnglishOrSIUnits) {
  State s = loaded_surfaces();
  s.IUNITS = 3;
  ui::ScriptedToolkit ui;
  ui.push_characteristic_size({20, 2, true});  // sq ft and ft
  create_forces_panel(s, ui);
  show_forces(s, ui);
  show_forces(s, ui);
  EXPECT_EQ(times_asked(ui), 1);
  EXPECT_NEAR(s.AREF, 1.85806, 1e-6);
  EXPECT_NEAR(s.LREF, 0.6096, 1e-7);
  EXPECT_NEAR(ui.get_real(kForcesPanel, "aref"), 1.85806, 1e-6);
  EXPECT_NEAR(ui.get_real(kForcesPanel, "fx"), 10 / (500 * 1.85806), 1e-8);
}

TEST(ForcesPanel, WithoutAnAnswerTheCoefficientsStayBlankUntilTheButtonAsksAgain) {
  State s = loaded_surfaces();
  s.IUNITS = 3;
  ui::ScriptedToolkit ui;  // no answer queued: a batch run
  create_forces_panel(s, ui);
  for (int i = 0; i < 3; ++i) show_forces(s, ui);
  EXPECT_EQ(times_asked(ui), 1) << "not asked again at every sample";
  EXPECT_LT(s.AREF, 0.0f);
  EXPECT_EQ(ui.shown_text(kForcesPanel, "fx"), "");
  EXPECT_NE(ui.shown_text(kForcesPanel, "note"), "");

  ui.push_characteristic_size({2, 0.5, false});
  ui.put_int(kForcesPanel, "reference", 1);  // the button pressed
  show_forces(s, ui);
  EXPECT_EQ(times_asked(ui), 2);
  EXPECT_FLOAT_EQ(s.AREF, 2.0f);
  EXPECT_NEAR(ui.get_real(kForcesPanel, "fx"), 0.01, 1e-9);
  EXPECT_EQ(ui.shown_text(kForcesPanel, "note"), "");
}

// -------------------------------------------------------------- history --

struct Entry {
  int i;
  float t, nm;
};
struct HistoryCase {
  const char* what;
  int ihist;
  std::vector<Entry> entries;  // the rest of the ring is empty
  std::vector<double> xy;
};

TEST(HistoryPanel, PolylineRunsFromTheNewestEntryBackSkippingEmptyOnes) {
  const HistoryCase cases[] = {
      {"entries 1..4, the second empty",
       5,
       {{1, 1, 100}, {2, 2, 0}, {3, 3, 120}, {4, 4, 110}},
       {100, 50, 75, 100, 25, 0}},
      {"the ring wrapped: the newest is entry 200",
       1,
       {{198, 1, 10}, {199, 2, 0}, {200, 3, 20}},
       {100, 100, 100.0 / 3, 0}},
  };
  for (const HistoryCase& c : cases) {
    State s;
    s.SCALE = 1;
    s.HISTNM.allocate(2, 200);
    s.IHIST = c.ihist;
    for (const Entry& e : c.entries) s.HISTNM(1, e.i) = e.t, s.HISTNM(2, e.i) = e.nm;
    const HistoryPlot h = history_plot(s);
    ASSERT_TRUE(h.drawn) << c.what;
    ASSERT_EQ(h.xy.size(), c.xy.size()) << c.what;
    for (std::size_t k = 0; k < c.xy.size(); ++k) EXPECT_NEAR(h.xy[k], c.xy[k], 1e-9) << c.what << " " << k;
  }
}

TEST(HistoryPanel, BandOfOneStandardDeviationAboutTheMiddle) {
  State s;
  s.SCALE = 2;
  s.HISTNM.allocate(2, 200);
  s.IHIST = 5;
  const float t[4] = {2, 4, 6, 8}, nm[4] = {100, 0, 120, 110};
  for (int i = 1; i <= 4; ++i) s.HISTNM(1, i) = t[i - 1], s.HISTNM(2, i) = nm[i - 1];
  const HistoryPlot h = history_plot(s);
  // sqrt((100 + 120) / 2) = sqrt(110) over the span of 20 molecules.
  EXPECT_NEAR(h.band_low, 50 * (1 - std::sqrt(110.0) / 20), 1e-9);
  EXPECT_NEAR(h.band_high, 50 * (1 + std::sqrt(110.0) / 20), 1e-9);
  EXPECT_EQ(h.nmin, 100);
  EXPECT_EQ(h.nmax, 120);
  EXPECT_DOUBLE_EQ(h.seconds, 4.0) << "8 scaled seconds from the empty entries' 0";

  ui::ScriptedToolkit ui;
  draw_history(s, ui);
  const Canvas2D* canvas = ui.picture(kHistoryPicture);
  ASSERT_NE(canvas, nullptr);
  const int row = canvas->row_of(h.band_high), col = canvas->column_of(50);
  EXPECT_EQ(canvas->index_at(col, row), 65) << "the band's upper line";

  // A constant molecule number has no span to plot.
  s.HISTNM(2, 1) = s.HISTNM(2, 3) = s.HISTNM(2, 4) = 100;
  EXPECT_FALSE(history_plot(s).drawn);
}

// ---------------------------------------------------------- whole panels --

TEST(ResultPanels, RedrawWithoutSurfacesNeedsNoSetUpAndSetUpMakesEveryPanel) {
  State bare;
  bare.HISTNM.allocate(2, 200);
  bare.VAR.allocate(17, 1);
  ui::ScriptedToolkit ui;
  EXPECT_NO_THROW(redraw_results(bare, ui)) << "a state without grid or cells";
  EXPECT_NE(ui.picture(kFlowfieldPicture), nullptr);
  EXPECT_NE(ui.picture(kHistoryPicture), nullptr);

  State s = three_plates();
  s.TIME = 1;
  ui::ScriptedToolkit desk;
  setup_displays(s, desk);
  EXPECT_TRUE(desk.panel_exists(kForcesPanel));
  EXPECT_EQ(desk.shown_text(kForcesPanel, "heading"), "Forces and Moments in SI Units");
  EXPECT_FALSE(desk.control_visible(kForcesPanel, "aref"));
  ASSERT_NE(desk.last_scene(), nullptr);
  EXPECT_EQ(desk.last_scene()->triangles.size(), 4u) << "the surfaces before the first output";
  EXPECT_NO_THROW(redraw_results(s, desk));
  EXPECT_EQ(desk.last_scene()->triangles.size(), 3u) << "the results of the solid triangles";
}

}  // namespace
}  // namespace qmxv::display
