#include "geometry/geometry_pictures.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

#include "geometry/index_lists.h"
#include "geometry/plane_elements.h"
#include "geometry/triangles.h"
#include "run/errors.h"
#include "run/state.h"

namespace qmxv {
namespace {

constexpr double kAspect = 1.2725;  // width / height of the drawing window
// Pause between two polls while the user studies a picture.
constexpr auto kPollPause = std::chrono::milliseconds(30);
// Characters per line of the side panel's notes.
constexpr std::size_t kNoteWidth = 46;

const char* const kDivisionTitle = "Flowfield Divisions and Elements in Specified Planes";
const char* const kCellTitle = "Flowfield Cells (Some elements are partly inside the surface)";

const char* const kDivisionNotes[] = {
    "Elements that are intersected by a surface triangle are colored black.  Elements completely "
    "outside the flow are white.",
    "Divisions and elements are colored if they are at least partly within the flow.",
    "The division colors indicate their distance in \"layers\" from any of the surfaces.",
    "Round-off error may occasionally cause an element to be incorrectly marked as within the "
    "flow.  The incorrect marking then propagates throughout the region.  In this case, the "
    "program SHOULD BE STOPPED.",
    "If the program is stopped because of incorrect marking, the data should be modified to set a "
    "slightly different number of divisions and possibly elements.  Any data and geometry files "
    "that lead to persistent  problems should be reported.",
};

// Level colours, from warm next to the surfaces to cool further out.
constexpr ui::Rgb kLevelRgb[kLevelColours] = {{255, 160, 122}, {255, 200, 80},  {200, 230, 100},
                                              {120, 210, 120}, {100, 200, 200}, {120, 170, 240},
                                              {160, 140, 240}, {220, 140, 220}, {240, 120, 160},
                                              {200, 170, 120}, {150, 200, 170}, {180, 180, 255}};

ui::Rgb hsv(double hue, double saturation, double value) {
  const double h = hue * 6.0;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = value * (1.0 - saturation), q = value * (1.0 - saturation * f),
               t = value * (1.0 - saturation * (1.0 - f));
  double r = value, g = t, b = p;
  switch (sector) {
    case 1:
      r = q, g = value, b = p;
      break;
    case 2:
      r = p, g = value, b = t;
      break;
    case 3:
      r = p, g = q, b = value;
      break;
    case 4:
      r = t, g = p, b = value;
      break;
    case 5:
      r = value, g = p, b = q;
      break;
    default:
      break;
  }
  auto byte = [](double x) { return static_cast<std::uint8_t>(std::lround(255.0 * x)); };
  return {byte(r), byte(g), byte(b)};
}

ui::Palette make_geometry_palette() {
  ui::Palette p{};
  p.fill({128, 128, 128});
  p[kColourOutside] = {255, 255, 255};
  p[kColourCut] = {0, 0, 0};
  p[kColourMargin] = {200, 200, 200};
  p[kColourSurfaceFlow] = {255, 250, 170};
  for (int i = 0; i < kLevelColours; ++i) p[kFirstLevelColour + i] = kLevelRgb[i];
  for (int k = 0; k < kCellColours; ++k) {
    const double hue = std::fmod(0.618033988749895 * k, 1.0);
    const double saturation = 0.35 + 0.55 * ((k * 7) % 10) / 9.0;
    const double value = 0.75 + 0.25 * ((k * 3) % 5) / 4.0;
    p[kFirstCellColour + k] = hsv(hue, saturation, value);
  }
  return p;
}

int middle_division(const State& s, int axis) {
  return grid_axis(s, axis).ndiv / 2 + 1;
}

// Fills every element of the plane with the colour `colour_of` gives it
// (called with the division and element indices in x, y, z order).
template <typename ColourOf>
void draw_plane(const State& s, const PicturePlane& plane, ui::Toolkit& ui,
                const std::string& picture, ColourOf colour_of) {
  const PlaneView view = plane_view(s, plane.axis);
  ui.picture_palette(picture, geometry_palette());
  ui.picture_window(picture, view.x0, view.y0, view.x1, view.y1);
  ui.picture_clear(picture, kColourMargin);
  for_each_plane_element(
      s, plane.axis, plane.division, plane.element, view.h, view.v,
      [&](const int d[3], const int e[3], double x0, double y0, double x1, double y1) {
        ui.fill_rect(picture, colour_of(d, e), x0, y0, x1, y1);
      });
}

// Whether a triangle of the division's list enters the element (meets it
// shrunk by the touch margin, so a triangle lying along its boundary does
// not count).
bool element_is_cut(const State& s, int n, int idx, int idy, int idz, int iex, int iey, int iez) {
  const int id[3] = {idx, idy, idz}, ie[3] = {iex, iey, iez};
  double c[3], h[3];
  for (int a = 0; a < 3; ++a) {
    const GridAxis x = grid_axis(s, a + 1);
    const double lo = element_low(x, id[a], ie[a]), hi = element_high(x, id[a], ie[a]);
    c[a] = 0.5 * (lo + hi);
    h[a] = 0.5 * (hi - lo) - kTouchMargin;
  }
  const int first = s.ISDIV(2, n), count = s.ISDIV(1, n);
  for (int k = first + 1; k <= first + count; ++k) {
    const int t = s.ISTOT(k);
    double v[3][3];
    for (int q = 0; q < 3; ++q) {
      const int p = s.ITP(q + 1, t);
      v[q][0] = s.XPT(p);
      v[q][1] = s.YPT(p);
      v[q][2] = s.ZPT(p);
    }
    if (triangle_overlaps_box(v, c, h)) return true;
  }
  return false;
}

// `text` cut into lines of at most `width` characters after a blank (or
// anywhere in a longer word); the lines put together give the text again.
std::vector<std::string> wrap(const std::string& text, std::size_t width) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (text.size() - pos > width) {
    std::size_t cut = text.rfind(' ', pos + width - 1);
    if (cut == std::string::npos || cut < pos) cut = pos + width - 1;
    lines.push_back(text.substr(pos, cut + 1 - pos));
    pos = cut + 1;
  }
  if (pos < text.size()) lines.push_back(text.substr(pos));
  return lines;
}

using ui::label;

// The plane selection dialog, with the notes and the stop button of the
// division/element picture when `division_picture`.
ui::PanelSpec plane_panel(bool division_picture) {
  ui::PanelSpec desc;
  desc.name = kPlanePanel;
  desc.title = division_picture ? kDivisionTitle : kCellTitle;
  desc.region = "side";
  if (division_picture) {
    int line = 0;
    for (const char* note : kDivisionNotes)
      for (const std::string& l : wrap(note, kNoteWidth))
        desc.rows.push_back({label("note" + std::to_string(++line), l)});
  }
  desc.rows.push_back({label("heading", "SELECT THE 2-D DISPLAY  PLANE IN THE 3-D FLOWFIELD")});
  ui::Control axis;
  axis.name = "axis";
  axis.kind = ui::ControlKind::Radio;
  axis.labels = {"x", "y", "z"};
  axis.values = {1, 2, 3};
  ui::Control coordinate;
  coordinate.name = "coordinate";
  coordinate.kind = ui::ControlKind::Real;
  coordinate.format = "(G13.7)";
  desc.rows.push_back({label("normal", "The plane is normal to the"), axis});
  desc.rows.push_back({label("located", "axis and is located at"), coordinate});
  ui::Control division;
  division.name = "division";
  division.kind = ui::ControlKind::Spin;
  ui::Control element = division;
  element.name = "element";
  desc.rows.push_back(
      {label("division-label", "Division"), division, label("element-label", "Element"), element});
  desc.rows.push_back({label("resume", "CLOSE THE WINDOW AT RIGHT TO RESUME THE CALCULATION")});
  if (division_picture) {
    ui::Control stop;
    stop.name = "stop";
    stop.kind = ui::ControlKind::Button;
    stop.text = "Stop Program";
    desc.rows.push_back({stop});
  }
  return desc;
}

void put_plane_controls(const State& s, const PicturePlane& plane, ui::Toolkit& ui) {
  const GridAxis x = grid_axis(s, plane.axis);
  ui.put_int(kPlanePanel, "axis", plane.axis);
  ui.set_range(kPlanePanel, "division", 1, x.ndiv);
  ui.set_range(kPlanePanel, "element", 1, x.nel);
  ui.put_int(kPlanePanel, "division", plane.division);
  ui.put_int(kPlanePanel, "element", plane.element);
}

// Keeps the plane inside the grid (a new grid may have fewer divisions than
// the one the plane was chosen on); an unchosen plane is the middle one.
void settle_plane(const State& s, PicturePlane& plane) {
  plane.axis = std::clamp(plane.axis, 1, 3);
  const GridAxis x = grid_axis(s, plane.axis);
  if (plane.division < 1) plane.division = middle_division(s, plane.axis);
  plane.division = std::clamp(plane.division, 1, x.ndiv);
  plane.element = std::clamp(plane.element, 1, x.nel);
}

// Opens the picture and its dialog and redraws the picture after each change
// of plane until the user closes the picture's window. A close request ends
// the program; so does "Stop Program" when the dialog has it.
template <typename Draw>
void study_picture(State& s, ui::Toolkit& ui, const char* picture, const char* title,
                   bool division_picture, Draw draw) {
  ui.create_panel(plane_panel(division_picture));
  ui::PictureSpec desc;
  desc.name = picture;
  desc.title = title;
  desc.width = kPlanePictureWidth;
  desc.height = kPlanePictureHeight;
  ui.picture_open(desc);

  PicturePlane& plane = s.PLANE;
  settle_plane(s, plane);
  put_plane_controls(s, plane, ui);
  bool drawn = false;
  PicturePlane shown;
  for (;;) {
    if (ui.poll() == ui::Event::Close) throw StopRequest{};
    if (division_picture && ui.get_int(kPlanePanel, "stop") != 0) throw StopRequest{};
    const int axis = static_cast<int>(ui.get_int(kPlanePanel, "axis"));
    if (axis != plane.axis && axis >= 1 && axis <= 3) {
      // A new axis starts again at its middle division, element 1.
      plane = PicturePlane{axis, 0, 1};
      settle_plane(s, plane);
      put_plane_controls(s, plane, ui);
    } else {
      plane.division = static_cast<int>(ui.get_int(kPlanePanel, "division"));
      plane.element = static_cast<int>(ui.get_int(kPlanePanel, "element"));
      settle_plane(s, plane);
    }
    ui.put_real(kPlanePanel, "coordinate", plane_coordinate(s, plane) / s.SCALE);
    if (!drawn || plane.axis != shown.axis || plane.division != shown.division ||
        plane.element != shown.element) {
      draw(plane);
      ui.picture_present(picture);
      shown = plane;
      drawn = true;
    }
    if (ui.picture_closed(picture)) break;
    std::this_thread::sleep_for(kPollPause);
  }
}

}  // namespace

const ui::Palette& geometry_palette() {
  static const ui::Palette palette = make_geometry_palette();
  return palette;
}

PlaneView plane_view(const State& s, int axis) {
  PlaneView view;
  view.h = axis == 1 ? 2 : 1;
  view.v = axis == 3 ? 2 : 3;
  const GridAxis h = grid_axis(s, view.h), v = grid_axis(s, view.v);
  double width = 1.1 * h.width, height = 1.1 * v.width;
  const double ch = h.lo + 0.5 * static_cast<double>(h.width);
  const double cv = v.lo + 0.5 * static_cast<double>(v.width);
  if (width > kAspect * height)
    height = width / kAspect;
  else
    width = kAspect * height;
  view.x0 = ch - 0.5 * width;
  view.x1 = ch + 0.5 * width;
  view.y0 = cv - 0.5 * height;
  view.y1 = cv + 0.5 * height;
  return view;
}

double plane_coordinate(const State& s, const PicturePlane& plane) {
  const GridAxis x = grid_axis(s, plane.axis);
  return static_cast<double>(x.lo) + static_cast<double>(plane.division - 1) * x.ddiv +
         (static_cast<double>(plane.element) - 0.5) * x.del;
}

std::vector<int> cell_colours(State& s) {
  std::vector<int> ICOL;
  allocate_or_report(s, "ICOL",
                     [&] { ICOL.assign(static_cast<std::size_t>(s.NCELLS) + 1, kColourOutside); });
  const int last = kFirstCellColour + kCellColours - 1;
  for (int c = 1; c <= s.NCELLS; ++c) {
    const float r = s.RF();
    ICOL[static_cast<std::size_t>(c)] =
        std::min(last, static_cast<int>(static_cast<float>(kCellColours) * r +
                                        static_cast<float>(kFirstCellColour)));
  }
  return ICOL;
}

int division_element_colour(const State& s, int idx, int idy, int idz, int iex, int iey, int iez) {
  const int code = s.JDIV(1, idz, idy, idx);
  if (code > 0) return kFirstLevelColour + (code - 1) % kLevelColours;
  if (code == 0) return kColourOutside;
  if (element_is_cut(s, -code, idx, idy, idz, iex, iey, iez)) return kColourCut;
  if (s.IELVOL(-code, iez, iey, iex) == 0 || s.IELCELL(idz, idy, idx, iez, iey, iex) < 0)
    return kColourOutside;
  return kColourSurfaceFlow;
}

void draw_division_plane(const State& s, const PicturePlane& plane, ui::Toolkit& ui,
                         const std::string& picture) {
  draw_plane(s, plane, ui, picture, [&](const int d[3], const int e[3]) {
    return division_element_colour(s, d[0], d[1], d[2], e[0], e[1], e[2]);
  });
}

void draw_cell_plane(const State& s, const std::vector<int>& icol, const PicturePlane& plane,
                     ui::Toolkit& ui, const std::string& picture) {
  draw_plane(s, plane, ui, picture, [&](const int d[3], const int e[3]) {
    const int c = s.IELCELL(d[2], d[1], d[0], e[2], e[1], e[0]);
    return c > 0 ? icol[static_cast<std::size_t>(c)] : kColourOutside;
  });
}

void show_division_picture(State& s, ui::Toolkit& ui) {
  study_picture(s, ui, kDivisionPicture, kDivisionTitle, true, [&](const PicturePlane& plane) {
    draw_division_plane(s, plane, ui, kDivisionPicture);
  });
  ui.picture_close(kDivisionPicture);
  ui.show_panel(kPlanePanel, false);
  if (ui.poll() == ui::Event::Close) throw StopRequest{};
}

void show_cell_picture(State& s, ui::Toolkit& ui) {
  const std::vector<int> icol = cell_colours(s);
  study_picture(s, ui, kCellPicture, kCellTitle, false, [&](const PicturePlane& plane) {
    draw_cell_plane(s, icol, plane, ui, kCellPicture);
  });
  if (!ui.save_bmp(kCellPicture, s.file("DSCELLS.BMP").string()))
    s.DIAG.line("DSCELLS.BMP could not be written in " + s.DIR.string());
  ui.picture_close(kCellPicture);
  ui.show_panel(kPlanePanel, false);
}

}  // namespace qmxv
