// The flowfield panel: one property of the cells in a plane of elements,
// every element of the layer filled with its cell's colour, beside the
// colour bar of the property's range.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "display/colour_bar.h"
#include "display/displays.h"
#include "display/palettes.h"
#include "display/results_panels.h"
#include "geometry/plane_elements.h"
#include "run/state.h"

namespace qmxv {

namespace display {

namespace {

constexpr double kAspect = 1.2725;  // width / height of the plane's drawing window

// The colour bar and the texts [pixels from the picture's left bottom].
constexpr double kBarLeft = 538, kBarRight = 556, kBarBottom = 12, kBarTop = 372;
constexpr double kTitleY = 418, kLogY = 398, kPowerY = 380;

bool collision_property(int k) { return k == 13 || k == 14; }

// The sample of a cell is large enough for its properties.
bool well_sampled(const State& s, int c) {
  const long sample = std::lround(s.VAR(1, c));
  return sample > 40 || sample > 2L * s.NSAMP;
}

// The value of property k of cell c in shown units; the separation ratio is
// limited to its mean over the cells.
double cell_value(const State& s, const ShownProperty& p, int k, int c) {
  double v = s.VAR(k, c);
  if (k == 15) v = std::min(v, static_cast<double>(s.CSEPMFP));
  return p.shown(v);
}

int property_count(const State& s) { return std::min(17 + s.MSP, s.VAR.extent(1)); }

int cell_count(const State& s) {
  return std::min({s.NCELLS, s.VAR.extent(2), s.CELL.extent(2)});
}

// Keeps the selections inside what this state has.
void limit_selections(State& s) {
  s.IPROP = std::clamp(s.IPROP, 1, std::max(1, property_count(s)));
  s.IPLANE = std::clamp(s.IPLANE, 1, 3);
  const GridAxis a = grid_axis(s, s.IPLANE);
  s.IPLDIV = std::clamp(s.IPLDIV, 1, std::max(1, a.ndiv));
  s.IPLEL = std::clamp(s.IPLEL, 1, std::max(1, a.nel));
}

bool grid_ready(const State& s) {
  return s.NDIVX > 0 && s.NDIVY > 0 && s.NDIVZ > 0 && s.NELX > 0 && s.NELY > 0 && s.NELZ > 0 &&
         s.IELCELL.extent(1) == s.NDIVZ && s.IELCELL.extent(2) == s.NDIVY &&
         s.IELCELL.extent(3) == s.NDIVX && s.IELCELL.extent(4) == s.NELZ &&
         s.IELCELL.extent(5) == s.NELY && s.IELCELL.extent(6) == s.NELX;
}

// Fills every element of the chosen layer with its cell's colour, or the
// background where the element holds no flow.
void draw_layer(const State& s, ui::Toolkit& ui, const PlaneWindow& w,
                const std::vector<int>& colours) {
  const int background = flowfield_background(s);
  for_each_plane_element(
      s, s.IPLANE, s.IPLDIV, s.IPLEL, w.h, w.v,
      [&](const int d[3], const int e[3], double x0, double y0, double x1, double y1) {
        const int c = s.IELCELL(d[2], d[1], d[0], e[2], e[1], e[0]);
        const int colour = c >= 1 && c < static_cast<int>(colours.size())
                               ? colours[static_cast<std::size_t>(c)]
                               : background;
        ui.fill_rect(kFlowfieldPicture, colour, x0, y0, x1, y1);
      });
}

}  // namespace

PlaneWindow plane_window(const State& s, int axis) {
  PlaneWindow w;
  w.h = axis == 1 ? 2 : 1;
  w.v = axis == 3 ? 2 : 3;
  const GridAxis h = grid_axis(s, w.h), v = grid_axis(s, w.v);
  const double margin = 0.05 * std::max<double>(h.width, v.width);
  double width = h.width + 2.0 * margin, height = v.width + 2.0 * margin;
  if (width >= kAspect * height)
    height = width / kAspect;
  else
    width = kAspect * height;
  const double ch = h.lo + 0.5 * static_cast<double>(h.width);
  const double cv = v.lo + 0.5 * static_cast<double>(v.width);
  w.x0 = ch - 0.5 * width;
  w.x1 = ch + 0.5 * width;
  w.y0 = cv - 0.5 * height;
  w.y1 = cv + 0.5 * height;
  return w;
}

int flowfield_background(const State& s) { return s.IWHITE == 1 ? 255 : 0; }
int flowfield_no_data(const State& s) { return s.IWHITE == 1 ? 1 : 255; }

ColourRange flowfield_colour_range(State& s) {
  const int k = s.IPROP;
  const ShownProperty p = flow_property(s, k);
  double lo = FLT_MAX, hi = -FLT_MAX;
  bool any = false;
  for (int c = 1; c <= cell_count(s); ++c) {
    if (!(s.CELL(1, c) > 0.0f)) continue;
    if (collision_property(k)) {
      if (!(s.VAR(13, c) > 0.0f && s.VAR(13, c) < 9.0e9f)) continue;
    } else if (k != 1 && !well_sampled(s, c)) {
      continue;
    }
    const double v = cell_value(s, p, k, c);
    if (collision_property(k) && v < 0.0) s.DIAG.write("-VE COLLISION RATE CELL", c, v);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    any = true;
  }
  return flowfield_range({lo, hi, any}, s.ILOG, s.IRANGELO, s.IRANGEHI);
}

std::vector<int> flowfield_cell_colours(const State& s, const ColourRange& range) {
  const int k = s.IPROP, no_data = flowfield_no_data(s);
  const ShownProperty p = flow_property(s, k);
  std::vector<int> colours(static_cast<std::size_t>(std::max(0, cell_count(s))) + 1, no_data);
  for (int c = 1; c <= cell_count(s); ++c) {
    int& colour = colours[static_cast<std::size_t>(c)];
    if (k > 2 && !well_sampled(s, c)) continue;
    if (collision_property(k) && s.VAR(13, c) >= 9.0e9f) continue;
    colour = colour_index(cell_value(s, p, k, c), range, 254, no_data);
  }
  return colours;
}

}  // namespace display

void draw_flowfield(State& s, ui::Toolkit& ui) {
  using namespace display;
  const char* P = kFlowfieldPicture;
  limit_selections(s);
  const ColourRange range = flowfield_colour_range(s);
  const ScaleSteps steps = scale_steps(range.span());
  const int background = flowfield_background(s), ink = 255 - background;

  // Banded colours hold the colour of each labelled value up to the next.
  ui::Palette palette = flowfield_colour_table();
  if (s.ICOLSTYLE == 2) {
    ColourRange linear = range;
    linear.log = false;
    std::vector<int> listed;
    for (const ScaleLabel& l : scale_labels(range, steps))
      listed.push_back(colour_index(l.value, linear, 254, 1));
    palette = flowfield_banded_table(listed);
  }
  open_result_picture(ui, P, palette, background);

  if (grid_ready(s)) {
    const PlaneWindow w = plane_window(s, s.IPLANE);
    window_onto(ui, P, kFlowfieldWidth, kFlowfieldHeight, kPlaneLeft, kPlaneTop, kPlaneRight, kPlaneBottom, w.x0, w.y0,
                w.x1, w.y1);
    draw_layer(s, ui, w, flowfield_cell_colours(s, range));
    // The outline of the flow region.
    const GridAxis h = grid_axis(s, w.h), v = grid_axis(s, w.v);
    const double x0 = h.lo, x1 = h.lo + static_cast<double>(h.width);
    const double y0 = v.lo, y1 = v.lo + static_cast<double>(v.width);
    ui.polyline(P, ink, {x0, y0, x1, y0, x1, y1, x0, y1, x0, y0});
  }

  ui.picture_window(P, 0, 0, kFlowfieldWidth, kFlowfieldHeight);
  const ShownProperty p = flow_property(s, s.IPROP);
  ui.text(P, ink, kPlaneLeft, kTitleY, p.unit.empty() ? p.name : p.name + "   " + p.unit);
  if (range.log) ui.text(P, ink, kBarLeft, kLogY, "Log10");
  ColourBar bar;
  bar.picture = P;
  bar.x0 = kBarLeft, bar.x1 = kBarRight, bar.y0 = kBarBottom, bar.y1 = kBarTop;
  bar.first = 1, bar.last = 254;
  bar.text_colour = ink;
  draw_colour_bar(ui, bar, range, steps, kBarLeft, kPowerY);
  ui.picture_present(P);
}

}  // namespace qmxv
