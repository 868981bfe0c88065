// The forces panel: the overall force on one surface and its moments about
// lines through a reference point parallel to the axes, refreshed after
// every sample, in SI or English units or as coefficients.
#include <algorithm>
#include <cmath>

#include "display/displays.h"
#include "display/results_panels.h"
#include "run/state.h"

namespace qmxv {

namespace display {

namespace {

constexpr const char* kValueFormat = "(G10.4)";
constexpr const char* kNoReference = "No characteristic area given: the coefficients are not shown.";

// English units: 4.448 N to the pound force, 0.74 lbf.ft to the N.m, and
// the characteristic area and length typed in sq ft and ft.
constexpr double kNewtonsPerPound = 4.448;
constexpr double kPoundFeetPerNewtonMetre = 0.74;
constexpr double kSquareMetresPerSquareFoot = 0.092903;
constexpr double kMetresPerFoot = 0.3048;

const char* const kForceFields[3] = {"fx", "fy", "fz"};
const char* const kMomentFields[3] = {"mx", "my", "mz"};
const char* const kPointFields[3] = {"xref", "yref", "zref"};
const char* const kCoefficientControls[] = {"aref", "aref-unit", "lref-label", "lref",
                                            "lref-unit", "reference", "note"};

using ui::label;

ui::Control real(const std::string& name, bool editable = false) {
  ui::Control c;
  c.name = name;
  c.kind = ui::ControlKind::Real;
  c.format = kValueFormat;
  c.editable = editable;
  return c;
}

ui::PanelSpec forces_panel_spec() {
  ui::PanelSpec p;
  p.name = kForcesPanel;
  p.region = "forces";
  ui::Control surface;
  surface.name = "surface";
  surface.kind = ui::ControlKind::Integer;
  surface.width_chars = 3;
  surface.editable = true;
  ui::Control reference;
  reference.name = "reference";
  reference.kind = ui::ControlKind::Button;
  reference.text = "Characteristic Area...";
  ui::Control note;
  note.name = "note";
  note.kind = ui::ControlKind::Text;
  p.rows = {
      {label("", "Overall Forces and Moments on Surface Number"), surface},
      {label("heading", ""), real("aref"), label("aref-unit", "sq m"),
       label("lref-label", "and Length"), real("lref"), label("lref-unit", "m"), reference},
      {label("", "Force   x"), real("fx"), label("", "y"), real("fy"), label("", "z"), real("fz"),
       label("force-unit", "N")},
      {label("", "Moments about the point  x"), real("xref", true), label("", "y"),
       real("yref", true), label("", "z"), real("zref", true), label("point-unit", "m")},
      {label("", "Moment  x"), real("mx"), label("", "y"), real("my"), label("", "z"), real("mz"),
       label("moment-unit", "N.m")},
      {note},
  };
  return p;
}

float& reference_coordinate(State& s, int axis) {
  return axis == 0 ? s.XREF : axis == 1 ? s.YREF : s.ZREF;
}

// The reference point [m] from the fractions of the flowfield's extents.
std::array<double, 3> point_from_fractions(const State& s) {
  const double lo[3] = {s.XMIN, s.YMIN, s.ZMIN}, hi[3] = {s.XMAX, s.YMAX, s.ZMAX};
  const double f[3] = {s.XREF, s.YREF, s.ZREF};
  std::array<double, 3> r{};
  for (int a = 0; a < 3; ++a) r[a] = (lo[a] + f[a] * (hi[a] - lo[a])) / s.SCALE;
  return r;
}

// Moments about lines through r parallel to the axes, from the moment sums
// about the origin (SFORCE 6, 5, 4 about x, y, z) and the force F.
std::array<double, 3> moments(const std::array<double, 3>& sums, const std::array<double, 3>& F,
                              const std::array<double, 3>& r) {
  return {sums[0] - r[2] * F[1] + r[1] * F[2], sums[1] - r[0] * F[2] + r[2] * F[0],
          sums[2] - r[1] * F[0] + r[0] * F[1]};
}

// Asks for the characteristic area and length of the coefficients when they
// are wanted and not known, or when the user presses the button for them.
// An answer not given (no display, or the dialog closed) is remembered in
// the panel's note, so the question is not put again at every sample.
void ask_reference_if_needed(State& s, ui::Toolkit& ui) {
  const char* P = kForcesPanel;
  const bool pressed = ui.get_int(P, "reference") != 0;
  const bool declined = ui.get_text(P, "note") == kNoReference;
  if (s.IUNITS != 3) {
    if (declined) ui.put_text(P, "note", "");
    return;
  }
  if (s.NSURF <= 0 || !(pressed || (s.AREF < 0 && !declined))) return;
  ui::CharacteristicSize preset;
  if (s.AREF > 0 && s.LREF > 0) preset = {s.AREF, s.LREF, false};
  const auto answer = ui.ask_characteristic_size(preset);
  if (answer && answer->area > 0 && answer->length > 0) {
    s.AREF = static_cast<float>(answer->area * (answer->english ? kSquareMetresPerSquareFoot : 1.0));
    s.LREF = static_cast<float>(answer->length * (answer->english ? kMetresPerFoot : 1.0));
    ui.put_text(P, "note", "");
  } else if (s.AREF < 0) {
    ui.put_text(P, "note", kNoReference);
  }
}

}  // namespace

ForceReadings force_readings(const State& s) {
  ForceReadings r;
  const double span = s.TIME - s.TSAMPSTART;
  if (!(span > 1.0e-10) || s.SFORCE.extent(2) < 1 || s.SFORCE.extent(1) < 6) return r;
  r.sampled = true;
  const int S = std::clamp(s.IFSURF, 1, s.SFORCE.extent(2));
  const double D = static_cast<double>(s.FNUM) * s.SCALE / span;
  std::array<double, 3> F{D * s.SFORCE(1, S), D * s.SFORCE(2, S), D * s.SFORCE(3, S)};
  std::array<double, 3> sums{D * s.SFORCE(6, S), D * s.SFORCE(5, S), D * s.SFORCE(4, S)};
  if (s.IUNITS == 2) {
    for (double& f : F) f /= kNewtonsPerPound;
    for (double& m : sums) m *= kPoundFeetPerNewtonMetre;
    r.force = F;
    r.moment = moments(sums, F, {s.XREF, s.YREF, s.ZREF});  // the point in feet
    r.available = true;
  } else if (s.IUNITS == 3) {
    const double Q = 0.5 * s.FDEN * static_cast<double>(s.VSTRM) * s.VSTRM * s.AREF;
    if (!(s.AREF > 0 && s.LREF > 0 && Q > 0)) return r;
    const std::array<double, 3> M = moments(sums, F, point_from_fractions(s));
    for (int a = 0; a < 3; ++a) {
      r.force[a] = F[a] / Q;
      r.moment[a] = M[a] / (Q * s.LREF);
    }
    r.available = true;
  } else {
    r.force = F;
    r.moment = moments(sums, F, {s.XREF, s.YREF, s.ZREF});
    r.available = true;
  }
  return r;
}

void show_force_units(State& s, ui::Toolkit& ui) {
  const char* P = kForcesPanel;
  const bool coefficients = s.IUNITS == 3, english = s.IUNITS == 2;
  ui.put_text(P, "heading",
              coefficients ? "Force Coefficients with Reference Area"
                           : english ? "Forces and Moments in English Units"
                                     : "Forces and Moments in SI Units");
  ui.put_text(P, "force-unit", coefficients ? "" : english ? "lbf" : "N");
  ui.put_text(P, "moment-unit", coefficients ? "" : english ? "lbf.ft" : "N.m");
  ui.put_text(P, "point-unit",
              coefficients ? "(fractions of the flowfield extents)" : english ? "ft" : "m");
  for (const char* c : kCoefficientControls) ui.show_control(P, c, coefficients);
  for (int a = 0; a < 3; ++a) ui.put_real(P, kPointFields[a], reference_coordinate(s, a));
  ui.put_int(P, "surface", s.IFSURF);
}

void create_forces_panel(State& s, ui::Toolkit& ui) {
  ui.create_panel(forces_panel_spec());
  show_force_units(s, ui);
}

}  // namespace display

void show_forces(State& s, ui::Toolkit& ui) {
  using namespace display;
  const char* P = kForcesPanel;
  // The user's surface number and reference point, as typed.
  const int nsurf = std::max(1, s.NSURF);
  const long long typed = ui.get_int(P, "surface");
  s.IFSURF = static_cast<int>(std::clamp<long long>(typed, 1, nsurf));
  if (s.IFSURF != typed) ui.put_int(P, "surface", s.IFSURF);
  for (int a = 0; a < 3; ++a)
    reference_coordinate(s, a) = static_cast<float>(ui.get_real(P, kPointFields[a]));

  ask_reference_if_needed(s, ui);
  const bool coefficients = s.IUNITS == 3;
  if (coefficients && s.AREF > 0) {
    ui.put_real(P, "aref", s.AREF);
    ui.put_real(P, "lref", s.LREF);
  } else {
    ui.put_text(P, "aref", "");
    ui.put_text(P, "lref", "");
  }

  const ForceReadings r = force_readings(s);
  for (int a = 0; a < 3; ++a) {
    if (r.sampled && r.available) {
      ui.put_real(P, kForceFields[a], r.force[a]);
      ui.put_real(P, kMomentFields[a], r.moment[a]);
    } else {
      ui.put_text(P, kForceFields[a], "");
      ui.put_text(P, kMomentFields[a], "");
    }
  }
}

}  // namespace qmxv
