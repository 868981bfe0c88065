// The delta wing: a thin flat-plate delta wing of 30 degree apex angle with
// bevelled edges, at 10 degrees incidence in a Mach 2 nitrogen stream of a
// low-density wind tunnel, Knudsen number 0.01 on the root chord. Half the
// wing is modelled; its root section lies on the plane of symmetry z = 0,
// the maximum-z side of the flow region.
#include <cmath>
#include <vector>

#include "case_common.h"
#include "data_set.h"
#include "sizing.h"

namespace demogen {

namespace {

constexpr double kChord = 0.1;                     // root chord [m]
constexpr double kHalfApex = 15.0 * kPi / 180.0;   // half the 30 degree apex angle
constexpr double kThickness = 0.03 * kChord;       // plate thickness [m]
constexpr double kBevel = 20.0 * kPi / 180.0;      // bevel angle of the edges
constexpr double kIncidence = 10.0 * kPi / 180.0;  // angle of attack
constexpr double kMach = 2.0;
constexpr double kKnudsen = 0.01;                 // on the root chord
constexpr double kStagnationTemperature = 300.0;  // tunnel reservoir [K]
constexpr double kWallTemperature = 300.0;        // model at room temperature [K]
constexpr int kAlong = 20;                        // triangle rows along each edge of the flat face
constexpr int kAcross = 2;                        // triangle rows across each bevel

// The half wing: upper and lower faces, each a flat triangle inset from the
// edges by the bevel width, joined to the sharp leading and trailing edges by
// planar bevels. In planform (x, z): apex A at the origin, tip T, root
// trailing edge R; A', T', R' the corners of the flat face.
Mesh half_wing() {
  const double b = 0.5 * kThickness / std::tan(kBevel);  // bevel width in planform
  const double s = std::sin(kHalfApex), t = std::tan(kHalfApex);
  const double span = kChord * t;  // semispan at the trailing edge
  const double h = 0.5 * kThickness;
  const double xa = b / s;           // A' on the root
  const double xr = kChord - b;      // R' on the root
  const double zt = -(xr - xa) * t;  // T' on the inner trailing edge line

  Mesh m;
  const int n = kAlong, k = kAcross;
  // Leading and trailing edge lines (y = 0), shared by both faces.
  std::vector<int> le(n + 1), te(n + 1);
  for (int i = 0; i <= n; ++i) {
    const double u = static_cast<double>(i) / n;
    le[i] = m.add(lerp(Vec3{0, 0, 0}, Vec3{kChord, 0, -span}, u));
  }
  te[0] = le[n];
  for (int i = 1; i <= n; ++i) {
    te[i] = m.add(lerp(Vec3{kChord, 0, -span}, Vec3{kChord, 0, 0}, static_cast<double>(i) / n));
  }

  for (int face = 0; face < 2; ++face) {
    const double y = face == 0 ? h : -h;
    const Vec3 up{0, face == 0 ? 1.0 : -1.0, 0};  // the flow side of this face
    const Vec3 a1{xa, y, 0}, t1{xr, y, zt}, r1{xr, y, 0};
    // Flat face, subdivided evenly: P(i, j) = A' + i/n (T' - A') + j/n (R' - A').
    std::vector<std::vector<int>> flat(n + 1);
    for (int i = 0; i <= n; ++i) {
      for (int j = 0; i + j <= n; ++j) {
        const double fi = static_cast<double>(i) / n, fj = static_cast<double>(j) / n;
        flat[i].push_back(m.add(Vec3{a1.x + fi * (t1.x - a1.x) + fj * (r1.x - a1.x), y,
                                     a1.z + fi * (t1.z - a1.z) + fj * (r1.z - a1.z)}));
      }
    }
    for (int i = 0; i < n; ++i) {
      for (int j = 0; i + j < n; ++j) {
        m.add_facing(flat[i][j], flat[i + 1][j], flat[i][j + 1], up);
        if (i + j + 1 < n) m.add_facing(flat[i + 1][j], flat[i + 1][j + 1], flat[i][j + 1], up);
      }
    }
    // Leading-edge bevel: rows from the edge (r = 0) to the flat face's side
    // A'T' (r = k), the points along it at the same fractions as the edge's.
    std::vector<std::vector<int>> lb(k + 1, std::vector<int>(n + 1));
    for (int i = 0; i <= n; ++i) {
      lb[0][i] = le[i];
      lb[k][i] = flat[i][0];
      for (int r = 1; r < k; ++r) {
        lb[r][i] = m.add(lerp(m.point(le[i]), m.point(flat[i][0]), static_cast<double>(r) / k));
      }
    }
    // Trailing-edge bevel, from the edge T R to the flat face's side T'R'.
    std::vector<std::vector<int>> tb(k + 1, std::vector<int>(n + 1));
    for (int i = 0; i <= n; ++i) {
      tb[0][i] = te[i];
      tb[k][i] = flat[n - i][i];
      for (int r = 1; r < k; ++r) {
        // The corner row i = 0 runs from T to T', shared with the leading-edge bevel.
        tb[r][i] =
            i == 0
                ? lb[r][n]
                : m.add(lerp(m.point(te[i]), m.point(flat[n - i][i]), static_cast<double>(r) / k));
      }
    }
    for (int r = 0; r < k; ++r) {
      for (int i = 0; i < n; ++i) {
        m.add_quad_facing(lb[r][i], lb[r][i + 1], lb[r + 1][i + 1], lb[r + 1][i], up);
        m.add_quad_facing(tb[r][i], tb[r][i + 1], tb[r + 1][i + 1], tb[r + 1][i], up);
      }
    }
  }
  return m;
}

}  // namespace

Case delta_wing_case() {
  Case c;
  c.number = 1;
  c.run_type = 3;
  c.title = "delta wing";
  GasDataSet& g = c.gas;
  // The region: 0.2 chord ahead of the apex, 0.4 behind the trailing edge,
  // room for the windward shock below and the vortices above, and the Mach
  // cone's spread beside. The limits keep the faces of the plate off the
  // element lattice of 1 mm elements.
  g.limits = {-0.0195, 0.1405, -0.096, 0.060, -0.072, 0.0};
  g.divisions = {40, 39, 18};
  g.elements = {4, 4, 4};

  // Nitrogen: a single species that behaves as air does at these
  // temperatures (diatomic, rotation excited, vibration frozen, gamma = 7/5),
  // with the rotational relaxation that argon would not show.
  g.species = {species("N2", false)};

  Mixture gas;
  gas.species = g.species;
  gas.fractions = {1.0};
  const double gamma = specific_heat_ratio(gas);
  gas.temperature = kStagnationTemperature / (1.0 + 0.5 * (gamma - 1.0) * kMach * kMach);
  gas.number_density =
      round_significant(number_density_for_mean_free_path(gas, kKnudsen * kChord), 4);
  const double speed = round_significant(kMach * speed_of_sound(gas), 4);
  g.stream.number_density = gas.number_density;
  g.stream.temperature = round_significant(gas.temperature, 5);
  g.stream.u = round_significant(speed * std::cos(kIncidence), 4);
  g.stream.v = round_significant(speed * std::sin(kIncidence), 4);
  g.stream.w = 0.0;
  g.stream.fractions = {1.0};
  g.boundaries = {3, 3, 3, 3, 3, 2};
  g.init = 1;

  Surface wing;
  wing.name = "half delta wing, root section on the plane of symmetry z = 0";
  wing.mesh = half_wing();
  wing.mesh.round_points(6);
  wing.solid = diffuse_wall(g, kWallTemperature);
  c.surfaces.push_back(wing);

  // Faces of the plate, the apex and the trailing edge off the lattice.
  require_off_lattice(g, 1, 0.5 * kThickness, "the upper face of the wing");
  require_off_lattice(g, 1, -0.5 * kThickness, "the lower face of the wing");
  require_off_lattice(g, 0, 0.0, "the apex");
  require_off_lattice(g, 0, kChord, "the trailing edge");

  // Time scales: the reference time is the stream's passage along the root
  // chord; steady flow is assumed after three passages through the region.
  g.tref = round_significant(kChord / speed, 3);
  g.isteady = 1;
  g.rout = 0.5;
  g.nspi = 25;
  const double passage = (g.limits[1] - g.limits[0]) / g.stream.u;
  g.nsteady = static_cast<int>(std::ceil(3.0 * passage / (g.rout * g.tref)));
  g.nmct = 5;
  g.nmtt = 3;
  g.iindex = 1;
  g.isubc = 1;

  Figures& f = c.figures;
  f.mach = kMach;
  f.knudsen = kKnudsen;
  f.knudsen_length = kChord;
  f.knudsen_basis = "root chord";
  f.memory_target_mib = 256.0;
  f.flow_volume = box_volume(g) - half_body_volume(c.surfaces[0].mesh);
  // Behind the attached windward shock the gas is compressed, above the wing
  // it expands; the two nearly balance, so the steady state holds about the
  // molecules of the uniform stream that fills the region at the start.
  size_store(c, g.stream.number_density * f.flow_volume, 1.0);
  return c;
}

}  // namespace demogen
