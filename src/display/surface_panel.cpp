// The surface panel: the solid triangles in the colours of one surface
// property, in the 3-D view of the "surface" region, and the colour bar of
// that property under it.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "display/colour_bar.h"
#include "display/displays.h"
#include "display/palettes.h"
#include "display/results_panels.h"
#include "display/surface_scene.h"
#include "display/view3d.h"
#include "run/state.h"

namespace qmxv {

namespace display {

namespace {

// The colour bar's picture: the property's name above a horizontal bar of
// the table's entries 1..254, the labels under it. Entry 255 of the table
// (red, like entry 254) gives its place to white for the text and the
// white background.
constexpr int kWidth = 640, kHeight = 84;
constexpr double kBarLeft = 24, kBarRight = 616, kBarBottom = 34, kBarTop = 52;
constexpr double kTitleY = 66;
constexpr int kWhite = 255;

ui::Palette scale_palette() {
  ui::Palette p = surface_colour_table();
  p[kWhite] = {255, 255, 255};
  return p;
}

int solid_triangles(const State& s) { return std::min(s.NSTRI, s.VARS.extent(2)); }

}  // namespace

ui::View3 surface_result_view() {
  ui::View3 v = default_surface_view();
  v.scale *= 1.2f;
  return v;
}

std::vector<double> surface_values(const State& s, int k) {
  const int n = solid_triangles(s), rows = s.VARS.extent(1);
  std::vector<double> v(static_cast<std::size_t>(std::max(n, 0)) + 1, 0.0);
  // VARL(k) = VARS(k) for k <= 5, the shear magnitude for 6, VARS(k - 1) beyond.
  for (int j = 1; j <= n; ++j) {
    double x = 0.0;
    if (k <= 5)
      x = s.VARS(k, j);
    else if (k == 6)
      x = std::hypot(static_cast<double>(s.VARS(4, j)), static_cast<double>(s.VARS(5, j)));
    else if (k - 1 <= rows)
      x = s.VARS(k - 1, j);
    v[static_cast<std::size_t>(j)] = x;
  }
  return v;
}

bool surface_colour_range(State& s, ColourRange& range) {
  const ShownProperty p = surface_property(s, s.IPROPS);
  const std::vector<double> varl = surface_values(s, s.IPROPS);
  Extremes e{FLT_MAX, -FLT_MAX, false};
  for (int j = 1; j <= solid_triangles(s); ++j) {
    if (s.IPROPS != 1 && !(std::trunc(s.VARS(1, j)) > 4.0)) continue;
    const double v = p.shown(varl[static_cast<std::size_t>(j)]);
    e.min = std::min(e.min, v);
    e.max = std::max(e.max, v);
    e.any = true;
  }
  return surface_range(e, s.ILOGS, s.IRANGELOS, s.IRANGEHIS, range);
}

ui::Scene3 surface_result_scene(const State& s, const std::vector<int>& colours,
                                const ui::Palette& palette) {
  ui::Scene3 scene;
  scene.cull_back_faces = true;
  scene.background = s.IWHITES == 1 ? ui::Rgb{255, 255, 255} : ui::Rgb{0, 0, 0};
  // A plane of symmetry on a z side (at ZMIN or at ZMAX) shows the whole
  // body: the mirrored half joins the computed one, and the picture is
  // centred on the plane.
  const bool at_zmin = s.IB.extent(1) >= 6 && s.IB(5) == 2;
  const bool at_zmax = s.IB.extent(1) >= 6 && s.IB(6) == 2 && !at_zmin;
  const bool mirrored = at_zmin || at_zmax;
  const double cx = 0.5 * (static_cast<double>(s.XMIN) + s.XMAX);
  const double cy = 0.5 * (static_cast<double>(s.YMIN) + s.YMAX);
  const double cz = at_zmin   ? static_cast<double>(s.ZMIN)
                    : at_zmax ? static_cast<double>(s.ZMAX)
                              : 0.5 * (static_cast<double>(s.ZMIN) + s.ZMAX);
  const int ntri = std::min(s.NTRI, s.ITP.extent(2));
  if (s.ITP.extent(1) < 4) return scene;
  for (int N = 1; N <= ntri; ++N) {
    const int j = s.ITP(4, N);
    if (j < 1 || j >= static_cast<int>(colours.size())) continue;
    ui::Triangle3 t;
    if (!triangle_corners(s, N, {cx, cy, cz}, t)) continue;
    t.colour = palette[static_cast<std::size_t>(colours[static_cast<std::size_t>(j)])];
    scene.triangles.push_back(t);
    if (mirrored) {
      // Reflected in the plane, with two points swapped so the flow side stays in front.
      ui::Triangle3 m = t;
      for (auto& point : m.p) point[2] = -point[2];
      std::swap(m.p[1], m.p[2]);
      scene.triangles.push_back(m);
    }
  }
  return scene;
}

}  // namespace display

void draw_surface_results(State& s, ui::Toolkit& ui) {
  using namespace display;
  const char* P = kSurfaceScalePicture;
  s.IPROPS = std::clamp(s.IPROPS, 1, 10 + s.MSP);
  ColourRange range;
  const bool drawn = surface_colour_range(s, range);
  const ShownProperty p = surface_property(s, s.IPROPS);
  const ui::Palette& table = surface_colour_table();

  std::vector<int> colours(static_cast<std::size_t>(std::max(0, solid_triangles(s))) + 1, 1);
  if (drawn) {
    const std::vector<double> varl = surface_values(s, s.IPROPS);
    for (std::size_t j = 1; j < colours.size(); ++j)
      colours[j] = colour_index(p.shown(varl[j]), range, 255, 1);
  } else {
    colours.assign(1, 1);  // nothing counted: no triangle coloured
  }
  ui.view3_show(kSurfaceView, "surface", surface_result_scene(s, colours, table), surface_result_view());

  const int background = s.IWHITES == 1 ? kWhite : 0, ink = s.IWHITES == 1 ? 0 : kWhite;
  open_result_picture(ui, P, scale_palette(), background);
  ui.picture_window(P, 0, 0, kWidth, kHeight);
  ui.text(P, ink, kBarLeft, kTitleY, p.unit.empty() ? p.name : p.name + "   " + p.unit);
  if (drawn) {
    const ScaleSteps steps = scale_steps(range.span());
    if (range.log) ui.text(P, ink, kBarRight - 12 * 8, kTitleY, "Log10");
    ColourBar bar;
    bar.picture = P;
    bar.x0 = kBarLeft, bar.x1 = kBarRight, bar.y0 = kBarBottom, bar.y1 = kBarTop;
    bar.vertical = false;
    bar.first = 1, bar.last = 254;
    bar.text_colour = ink;
    draw_colour_bar(ui, bar, range, steps, kBarRight - 5 * 8, kTitleY);
  }
  ui.picture_present(P);
}

}  // namespace qmxv
