// The re-entry case: a simplified winged orbiter (fuselage, double-delta
// wing, fin) at 105 km altitude and 7.5 km/s, 40 degrees angle of attack, in
// five-species reacting air with a catalytic wall. Half the vehicle is
// modelled; its plane of symmetry z = 0 is the maximum-z side of the region.
//
// The vehicle is one surface lofted through cross-sections x = const from the
// nose to the base: each section runs from the symmetry plane at the top (the
// fin's leading edge, or the crown ahead of the fin) round the body's -z side
// (fuselage, wing upper surface, wing tip, wing lower surface, fuselage) to the
// symmetry plane at the bottom. Neighbouring sections are joined part by part,
// the wing and fin growing out of the fuselage where their leading edges
// start, and the base is closed by a flat face. With its mirror image the
// surface is closed.
#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "atmosphere.h"
#include "case_common.h"
#include "data_set.h"
#include "sizing.h"

namespace demogen {

namespace {

constexpr double kDeg = kPi / 180.0;

// Fuselage [m]: a section |z/a|^p + |(y-yc)/b|^p = 1 whose half width a, top
// and bottom grow along elliptic nose profiles to the constant afterbody;
// the section exponent p rises from 2 (elliptic nose) to 6 (the rounded
// box of the payload bay) over the first 10 m.
constexpr double kLength = 32.0;  // nose to base; the wing and fin end there too
constexpr double kHalfWidth = 2.75;
constexpr double kTop = 3.0, kBottom = -3.0, kNoseTipY = -1.2;
constexpr double kWidthNose = 7.0, kBottomNose = 5.0, kTopNose = 10.0;

// Double-delta wing: chord plane, strake from the apex at 81 degrees sweep to
// the kink, main wing at 45 degrees to the tip, unswept trailing edge at the
// base. Thickness: NACA four-digit distribution (Abbott & von Doenhoff 1959)
// with a blunt trailing edge (the elevons' base), 9 % of the local chord.
constexpr double kWingPlane = -1.8;
constexpr double kApexX = 11.0, kKinkX = 21.5;
constexpr double kStrakeSweep = 81.0 * kDeg, kMainSweep = 45.0 * kDeg;
constexpr double kSemispan = 11.9;  // from the plane of symmetry
constexpr double kWingThickness = 0.09;

// Fin on the crown: root chord from 24 m to the base, 45 degrees leading-edge
// sweep, 6.5 m high, 10 % thick.
constexpr double kFinRootX = 24.0, kFinHeight = 6.5, kFinSweep = 45.0 * kDeg;
constexpr double kFinThickness = 0.10;

// Resolution.
constexpr int kNoseStations = 12;  // sections over the first 10 m, closer at the tip
constexpr double kStationSpacing = 0.6;
constexpr int kRoundStations = 20;  // fuselage stations from top to bottom
constexpr int kSpanStations = 12;
constexpr int kFinStations = 6;

// Flight.
constexpr double kAltitude = 105.0;  // [km]
constexpr double kSpeed = 7500.0;    // [m/s]
constexpr double kIncidence = 40.0 * kDeg;
constexpr double kEmissivity = 0.85;     // of the tiles' reaction-cured glass coating
constexpr double kRecombination = 0.01;  // catalytic recombination probability of O and N

struct Section {
  double a, yc, b, p;
};

double elliptic(double x, double length) {
  if (x >= length) return 1.0;
  const double u = 1.0 - x / length;
  return std::sqrt(std::max(0.0, 1.0 - u * u));
}

Section section(double x) {
  const double top = kNoseTipY + (kTop - kNoseTipY) * elliptic(x, kTopNose);
  const double bottom = kNoseTipY - (kNoseTipY - kBottom) * elliptic(x, kBottomNose);
  return {kHalfWidth * elliptic(x, kWidthNose), 0.5 * (top + bottom), 0.5 * (top - bottom),
          2.0 + 4.0 * std::min(1.0, x / kTopNose)};
}

// The fuselage point at angle phi (0 at the top, pi at the bottom), exact on
// the plane of symmetry at both ends.
Vec3 fuselage_point(double x, const Section& s, double phi) {
  const double c = std::cos(phi), sn = std::sin(phi);
  double z = -s.a * std::pow(std::abs(sn), 2.0 / s.p);
  if (phi <= 0.0 || phi >= kPi) z = 0.0;
  const double y = s.yc + s.b * std::copysign(std::pow(std::abs(c), 2.0 / s.p), c);
  return {x, phi >= kPi ? s.yc - s.b : y, z};
}

// The angle of the fuselage point at height y, and at half width h on top.
double angle_at_height(const Section& s, double y) {
  const double u = std::clamp((y - s.yc) / s.b, -1.0, 1.0);
  return std::acos(std::copysign(std::pow(std::abs(u), s.p / 2.0), u));
}
double angle_at_half_width(const Section& s, double h) {
  return std::asin(std::min(1.0, std::pow(h / s.a, s.p / 2.0)));
}

// Half width of the afterbody at height y.
double afterbody_half_width(double y) {
  const Section s = section(kLength);
  return s.a * std::pow(1.0 - std::pow(std::abs((y - s.yc) / s.b), s.p), 1.0 / s.p);
}

double naca_thickness(double xi) {
  xi = std::clamp(xi, 0.0, 1.0);
  return 10.0 * (0.2969 * std::sqrt(xi) - 0.1260 * xi - 0.3516 * xi * xi + 0.2843 * xi * xi * xi -
                 0.1015 * xi * xi * xi * xi) +
         0.15 * xi;
}

struct Wing {
  double root;  // half width of the fuselage at the chord plane: the planform's root
  double kink_span, tip_span;

  Wing() {
    root = afterbody_half_width(kWingPlane);
    kink_span = (kKinkX - kApexX) * std::tan(90.0 * kDeg - kStrakeSweep);
    tip_span = kSemispan - root;
  }
  // Exposed span of the leading edge at station x (0 ahead of the apex).
  double leading_edge_span(double x) const {
    if (x <= kApexX) return 0.0;
    if (x <= kKinkX) return (x - kApexX) * std::tan(90.0 * kDeg - kStrakeSweep);
    return std::min(tip_span, kink_span + (x - kKinkX) * std::tan(90.0 * kDeg - kMainSweep));
  }
  double leading_edge_x(double span) const {
    if (span <= kink_span) return kApexX + span / std::tan(90.0 * kDeg - kStrakeSweep);
    return kKinkX + (span - kink_span) / std::tan(90.0 * kDeg - kMainSweep);
  }
  double tip_leading_edge_x() const { return leading_edge_x(tip_span); }
  // Thickness at station x and exposed span s (the root's inboard of it).
  double thickness(double x, double span) const {
    span = std::max(0.0, span);
    const double xle = leading_edge_x(span);
    const double chord = kLength - xle;
    return kWingThickness * chord * naca_thickness((x - xle) / chord);
  }
};

double fin_top(double x) {
  return std::min(kFinHeight, (x - kFinRootX) * std::tan(90.0 * kDeg - kFinSweep));
}
double fin_half_thickness(double x, double height) {
  const double xle = kFinRootX + height / std::tan(90.0 * kDeg - kFinSweep);
  const double chord = kLength - xle;
  return 0.5 * kFinThickness * chord * naca_thickness((x - xle) / chord);
}

// Stations strictly inside (lo, hi) of an even spacing, none closer to an
// end than 0.3 of the spacing. With `edge_points` the stations stop 0.75 of
// a spacing short of hi and two more follow at 0.5 and 0.2 of a spacing
// from it: points that move with a leading edge from section to section,
// so the rounded edge is not cut by fixed stations entering one by one.
std::vector<double> interior(double lo, double hi, double step, double start,
                             bool edge_points = false) {
  std::vector<double> out;
  const double margin = 0.3 * step;
  const double stop = edge_points ? 0.75 * step : margin;
  for (double v = start;; v += step) {
    if (step > 0 ? v >= hi - stop : v <= hi - stop) break;
    if (step > 0 ? v > lo + margin : v < lo + margin) out.push_back(v);
  }
  if (edge_points) {
    for (double f : {0.5, 0.2}) {
      const double v = hi - f * step;
      const bool after_last = out.empty() || (step > 0 ? v > out.back() : v < out.back());
      if (after_last && (step > 0 ? v > lo + 0.1 * step : v < lo + 0.1 * step)) out.push_back(v);
    }
  }
  return out;
}

// The six parts of a section, each a polyline of point indices; the last
// point of a part is the first of the next.
using Parts = std::array<std::vector<int>, 6>;

Parts build_section(Mesh& m, double x, const Wing& wing) {
  const Section s = section(x);
  Parts parts;
  if (x <= 0.0) {
    const int tip = m.add(Vec3{0.0, kNoseTipY, 0.0});
    for (auto& p : parts) p = {tip};
    return parts;
  }
  // Fin, from its top on the plane of symmetry down to its root on the crown.
  double phi_start = 0.0;
  if (x <= kFinRootX) {
    parts[0] = {m.add(fuselage_point(x, s, 0.0))};
  } else {
    const double top = fin_top(x);
    parts[0].push_back(m.add(Vec3{x, kTop + top, 0.0}));
    if (fin_half_thickness(x, top) > 0.0) {  // beyond the tip's leading edge
      parts[0].push_back(m.add(Vec3{x, kTop + top, -fin_half_thickness(x, top)}));
    }
    const double step = kFinHeight / kFinStations;
    // From the top down: the fin's leading edge is at its top.
    std::vector<double> heights = interior(0.0, top, step, step, true);
    std::reverse(heights.begin(), heights.end());
    for (double h : heights) {
      parts[0].push_back(m.add(Vec3{x, kTop + h, -fin_half_thickness(x, h)}));
    }
    phi_start = angle_at_half_width(s, fin_half_thickness(x, 0.0));
    parts[0].push_back(m.add(fuselage_point(x, s, phi_start)));
  }

  // Wing roots on the fuselage.
  const bool has_wing = x > kApexX;
  const double root_t = has_wing ? wing.thickness(x, 0.0) : 0.0;
  // Ahead of the wing the junction keeps the angle the chord plane has on the
  // afterbody, so it stays on the side of the smaller nose sections.
  const double junction = angle_at_height(section(kLength), kWingPlane);
  const double phi_upper = has_wing ? angle_at_height(s, kWingPlane + 0.5 * root_t) : junction;
  const double phi_lower = has_wing ? angle_at_height(s, kWingPlane - 0.5 * root_t) : junction;
  const double dphi = kPi / kRoundStations;

  parts[1] = {parts[0].back()};
  for (double phi : interior(phi_start, phi_upper, dphi, dphi)) {
    parts[1].push_back(m.add(fuselage_point(x, s, phi)));
  }
  const int upper_root = m.add(fuselage_point(x, s, phi_upper));
  parts[1].push_back(upper_root);

  if (!has_wing) {
    parts[2] = parts[3] = parts[4] = {upper_root};
  } else {
    const double ds = wing.tip_span / kSpanStations;
    const double end = wing.leading_edge_span(x);
    const bool at_tip = x > wing.tip_leading_edge_x();
    auto surface_point = [&](double span, double side) {
      return Vec3{x, kWingPlane + side * 0.5 * wing.thickness(x, span), -(wing.root + span)};
    };
    const Vec3 upper_root_point = m.point(upper_root);
    const double upper_root_span = -upper_root_point.z - wing.root;
    parts[2] = {upper_root};
    for (double sp : interior(upper_root_span, end, ds, ds, true)) {
      parts[2].push_back(m.add(surface_point(sp, 1.0)));
    }
    int lower_tip;
    if (at_tip) {
      parts[2].push_back(m.add(surface_point(wing.tip_span, 1.0)));
      lower_tip = m.add(surface_point(wing.tip_span, -1.0));
      parts[3] = {parts[2].back(), lower_tip};
    } else {
      parts[2].push_back(m.add(Vec3{x, kWingPlane, -(wing.root + end)}));
      lower_tip = parts[2].back();
      parts[3] = {lower_tip};
    }
    const int lower_root = m.add(fuselage_point(x, s, phi_lower));
    const double lower_root_span = -m.point(lower_root).z - wing.root;
    parts[4] = {lower_tip};
    std::vector<double> spans = interior(lower_root_span, end, ds, ds, true);
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
      parts[4].push_back(m.add(surface_point(*it, -1.0)));
    }
    parts[4].push_back(lower_root);
  }

  parts[5] = {parts[4].back()};
  for (double phi : interior(phi_lower, kPi, dphi, dphi)) {
    parts[5].push_back(m.add(fuselage_point(x, s, phi)));
  }
  parts[5].push_back(m.add(fuselage_point(x, s, kPi)));
  return parts;
}

// The section's outline from top to bottom, without repeated points.
std::vector<int> outline(const Parts& parts) {
  std::vector<int> out;
  for (const auto& p : parts) {
    for (int i : p) {
      if (out.empty() || out.back() != i) out.push_back(i);
    }
  }
  return out;
}

// A section, closed along the plane of symmetry, must be a simple polygon.
void require_simple(const Mesh& m, const std::vector<int>& ring, double x) {
  const std::size_t n = ring.size();
  if (n < 3) return;
  auto p = [&](std::size_t i) {
    const Vec3 v = m.point(ring[i % n]);
    return std::array<double, 2>{v.z, v.y};
  };
  auto orient = [](std::array<double, 2> a, std::array<double, 2> b, std::array<double, 2> c) {
    const double v = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    return (v > 0) - (v < 0);
  };
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours through the closing side
      const auto a = p(i), b = p(i + 1), c = p(j), d = p(j + 1);
      if (orient(a, b, c) * orient(a, b, d) <= 0 && orient(c, d, a) * orient(c, d, b) <= 0) {
        throw std::logic_error("the orbiter's section at x = " + format_number(x) +
                               " crosses itself");
      }
    }
  }
}

std::vector<double> stations(const Wing& wing) {
  std::vector<double> xs;
  for (int i = 0; i <= kNoseStations; ++i) {
    xs.push_back(kTopNose * (1.0 - std::cos(0.5 * kPi * i / kNoseStations)));
  }
  const std::vector<double> features = {
      kApexX, kKinkX, kFinRootX, kFinRootX + kFinHeight, wing.tip_leading_edge_x(), kLength};
  const int n = static_cast<int>(std::round((kLength - kTopNose) / kStationSpacing));
  const double step = (kLength - kTopNose) / n;
  for (int i = 1; i < n; ++i) {
    const double x = kTopNose + i * step;
    bool near = false;
    for (double f : features) near = near || std::abs(x - f) < 0.3 * step;
    if (!near) xs.push_back(x);
  }
  xs.insert(xs.end(), features.begin(), features.end());
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  return xs;
}

Mesh orbiter() {
  Mesh m;
  const Wing wing;
  Parts previous;
  const std::vector<double> xs = stations(wing);
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const Parts current = build_section(m, xs[i], wing);
    if (i > 0) {
      require_simple(m, outline(current), xs[i]);
      for (std::size_t k = 0; k < current.size(); ++k) join_sections(m, previous[k], current[k]);
    }
    previous = current;
  }
  // The base: the last section closed along the plane of symmetry. Points
  // on the plane between the bottom and the fin's top give the thin fin a
  // row of partners across it.
  std::vector<int> ring = outline(previous);
  const Vec3 top = m.point(ring.front()), bottom = m.point(ring.back());
  const int rungs = static_cast<int>(std::ceil((top.y - bottom.y) / 0.5));
  for (int k = 1; k < rungs; ++k) {
    ring.push_back(m.add(Vec3{kLength, bottom.y + (top.y - bottom.y) * k / rungs, 0.0}));
  }
  std::vector<std::array<double, 2>> flat;
  for (int i : ring) flat.push_back({m.point(i).z, m.point(i).y});
  for (const auto& t : triangulate_polygon(flat)) {
    m.add_facing(ring[static_cast<std::size_t>(t[0])], ring[static_cast<std::size_t>(t[1])],
                 ring[static_cast<std::size_t>(t[2])], Vec3{1, 0, 0});
  }
  return m;
}

// The catalytic wall: an O or N atom striking it is taken up and recombines
// with one taken up before. Each recombination is written as two one-atom
// reactions of equal probability: the atom stays on the wall, or it leaves as
// the molecule made with the atom that stayed before. On average two atoms
// then leave as one molecule, so mass is conserved, and each event gives the
// wall half the recombination energy.
std::vector<SurfaceReaction> catalytic_reactions() {
  const double d_o2 = dissociation_energy("O2"), d_n2 = dissociation_energy("N2");
  SurfaceReaction o_stays{"O taken up by the wall", 3, 0, {}, 0.5 * d_o2};
  SurfaceReaction o_leaves{"O leaves as O2 with an O taken up before", 3, 0, {1}, 0.5 * d_o2};
  SurfaceReaction n_stays{"N taken up by the wall", 4, 0, {}, 0.5 * d_n2};
  SurfaceReaction n_leaves{"N leaves as N2 with an N taken up before", 4, 0, {2}, 0.5 * d_n2};
  return {o_stays, o_leaves, n_stays, n_leaves};
}

}  // namespace

Case reentry_case() {
  Case c;
  c.number = 3;
  c.run_type = 5;
  c.title = "STS re-entry";
  GasDataSet& g = c.gas;
  // 6 m ahead of the nose, 10 m behind the base; the windward shock below
  // the belly and the lee above; 8 m beyond the wing tip. Limits keep the
  // base, the wing tip and the fuselage's top and bottom off the lattice of
  // 0.25 m elements.
  g.limits = {-6.1, 41.9, -12.1, 17.9, -20.0, 0.0};
  g.divisions = {48, 30, 20};
  g.elements = {4, 4, 4};
  g.species = five_species_air();
  g.reactions = air_reactions(g.species);
  g.third_body = air_third_body_tables();
  g.surface_reactions = catalytic_reactions();

  // The stream: U.S. Standard Atmosphere 1976 at 105 km. Argon and helium
  // (0.7 % of the molecules) are left out of the five-species model.
  const AtmosphereState air = standard_atmosphere(kAltitude);
  const double n = air.n_n2 + air.n_o2 + air.n_o;
  g.stream.number_density = round_significant(n, 4);
  g.stream.temperature = round_significant(air.temperature, 5);
  g.stream.u = round_significant(kSpeed * std::cos(kIncidence), 5);
  g.stream.v = round_significant(kSpeed * std::sin(kIncidence), 5);
  g.stream.w = 0.0;
  const double x_o2 = round_significant(air.n_o2 / n, 4);
  const double x_o = round_significant(air.n_o / n, 4);
  g.stream.fractions = {x_o2, 1.0 - x_o2 - x_o, x_o, 0.0, 0.0};
  g.boundaries = {3, 3, 3, 3, 3, 2};
  g.init = 1;

  // Wall temperature: radiative equilibrium of the windward tiles with the
  // free-molecular heat flux, q = rho U^3 sin(alpha) / 2 = eps sigma T^4.
  constexpr double kStefanBoltzmann = 5.670374e-8;
  const double q = 0.5 * air.density * kSpeed * kSpeed * kSpeed * std::sin(kIncidence);
  const double wall =
      std::round(std::pow(q / (kEmissivity * kStefanBoltzmann), 0.25) / 10.0) * 10.0;

  Surface s;
  s.name = "half orbiter: fuselage, double-delta wing and fin, open on the plane z = 0";
  s.mesh = orbiter();
  s.mesh.round_points(6);
  s.solid = diffuse_wall(g, wall);
  s.solid.psr = {0.5 * kRecombination, 0.5 * kRecombination, 0.5 * kRecombination,
                 0.5 * kRecombination};
  c.surfaces.push_back(s);

  require_off_lattice(g, 0, kLength, "the base");
  require_off_lattice(g, 2, -kSemispan, "the wing tip");

  // Time scales: the reference time is the flight over the vehicle's length;
  // steady flow is assumed after four passages of the stream through the region.
  g.tref = round_significant(kLength / kSpeed, 3);
  g.isteady = 1;
  g.rout = 0.5;
  g.nspi = 25;
  const double passage = (g.limits[1] - g.limits[0]) / g.stream.u;
  g.nsteady = static_cast<int>(std::ceil(4.0 * passage / (g.rout * g.tref)));
  g.nmct = 5;
  g.nmtt = 3;
  g.iindex = 1;
  g.isubc = 1;

  Figures& f = c.figures;
  f.mach = 25.0;
  f.knudsen = 0.008;
  f.knudsen_length = kLength;
  f.knudsen_basis = "fuselage length";
  f.memory_target_mib = 660.0;
  f.flow_volume = box_volume(g) - half_body_volume(c.surfaces[0].mesh);
  // The compressed gas below the vehicle and the rarefied lee above it
  // roughly balance, as for the delta wing.
  size_store(c, g.stream.number_density * f.flow_volume, 1.0);
  f.notes = {
      {"atmosphere temperature [K]", format_number(air.temperature)},
      {"atmosphere number density (N2, O2, O) [1/m^3]", format_number(n)},
      {"atmosphere density [kg/m^3]", format_number(air.density)},
      {"free-molecular heat flux on the windward side [W/m^2]", format_number(q)},
      {"wall temperature [K]", format_number(wall)},
  };
  return c;
}

}  // namespace demogen
