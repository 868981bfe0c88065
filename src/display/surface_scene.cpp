#include "display/surface_scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "display/view3d.h"
#include "run/state.h"

namespace qmxv::display {

namespace {

// Surface colours, cycled for more surfaces than entries: muted hues that
// stay apart from each other on black and on white backgrounds.
constexpr std::array<ui::Rgb, 8> kSurfaceColours = {{
    {86, 142, 201},   // steel blue
    {232, 148, 58},   // orange
    {104, 184, 104},  // green
    {206, 88, 88},    // brick red
    {156, 118, 206},  // violet
    {222, 200, 92},   // sand
    {82, 192, 192},   // teal
    {200, 126, 160},  // rose
}};

ui::Rgb surface_colour(int surface) {
  const int n = static_cast<int>(kSurfaceColours.size());
  const int i = ((surface - 1) % n + n) % n;
  return kSurfaceColours[static_cast<std::size_t>(i)];
}

// Flat shading fixed to the model, so a body's faces can be told apart in
// every view and the desktop and the bitmaps agree: the surface colour times
// an ambient part plus a diffuse part |n . l| (two-sided, since open surfaces
// are seen from either side) for a light from the upstream upper side.
ui::Rgb shaded(ui::Rgb c, const std::array<std::array<float, 3>, 3>& p) {
  const double ax = p[1][0] - p[0][0], ay = p[1][1] - p[0][1], az = p[1][2] - p[0][2];
  const double bx = p[2][0] - p[0][0], by = p[2][1] - p[0][1], bz = p[2][2] - p[0][2];
  const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
  const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  constexpr double lx = -0.42, ly = -0.56, lz = 0.71;  // unit vector
  const double diffuse = len > 0 ? std::fabs(nx * lx + ny * ly + nz * lz) / len : 1.0;
  const double f = 0.45 + 0.55 * diffuse;
  auto scale = [f](std::uint8_t v) { return static_cast<std::uint8_t>(std::lround(v * f)); };
  return {scale(c.r), scale(c.g), scale(c.b)};
}

// The fraction of the half window the box may fill, and the least distance
// kept between the eye and the nearest corner [view units].
constexpr double kFillFraction = 0.9;
constexpr double kEyeClearance = 1.0;

}  // namespace

bool triangle_corners(const State& s, int n, const std::array<double, 3>& centre,
                      ui::Triangle3& t) {
  const int npt = std::min({s.XPT.extent(1), s.YPT.extent(1), s.ZPT.extent(1)});
  for (int k = 0; k < 3; ++k) {
    const int p = s.ITP(k + 1, n);
    if (p < 1 || p > npt) return false;
    t.p[static_cast<std::size_t>(k)] = {static_cast<float>(s.XPT(p) - centre[0]),
                                        static_cast<float>(s.YPT(p) - centre[1]),
                                        static_cast<float>(s.ZPT(p) - centre[2])};
  }
  return true;
}

ui::Scene3 surface_scene(const State& s) {
  ui::Scene3 scene;
  scene.cull_back_faces = true;
  const double cx = 0.5 * (static_cast<double>(s.XMIN) + s.XMAX);
  const double cy = 0.5 * (static_cast<double>(s.YMIN) + s.YMAX);
  const double cz = 0.5 * (static_cast<double>(s.ZMIN) + s.ZMAX);
  const int ntri = std::min({s.NTRI, s.ITP.extent(2), s.ISURFT.extent(1)});
  if (s.ITP.extent(1) < 3) return scene;
  scene.triangles.reserve(static_cast<std::size_t>(std::max(ntri, 0)));
  for (int n = 1; n <= ntri; ++n) {
    ui::Triangle3 t;
    if (!triangle_corners(s, n, {cx, cy, cz}, t)) continue;
    t.colour = shaded(surface_colour(s.ISURFT(n)), t.p);
    scene.triangles.push_back(t);
  }
  return scene;
}

ui::View3 preview_view(const State& s, float aspect) {
  ui::View3 view = default_surface_view();
  if (!(aspect > 0.0f)) aspect = 1.0f;
  // Eye coordinates of a corner at scale k are (0, 0, -5) + k R p, and its
  // projection f k (R p)_x / (5 - k (R p)_z) grows with k, so each corner
  // bounds k in closed form: k (|(Rp)_x| f / aspect + m (Rp)_z) <= 5 m for a
  // fill fraction m, likewise in y, and k (Rp)_z <= 5 - clearance.
  ui::View3 unit = view;
  unit.scale = 1.0f;
  const Mat4 model = model_matrix(unit);
  const double f = 1.0 / std::tan(0.5 * kFieldOfViewDeg * 3.14159265358979323846 / 180.0);
  const double fx = f / aspect, fy = f, m = kFillFraction;
  const double hx = 0.5 * (static_cast<double>(s.XMAX) - s.XMIN);
  const double hy = 0.5 * (static_cast<double>(s.YMAX) - s.YMIN);
  const double hz = 0.5 * (static_cast<double>(s.ZMAX) - s.ZMIN);
  double k = std::numeric_limits<double>::infinity();
  auto bound = [&k](double coefficient, double limit) {
    if (coefficient > 0.0) k = std::min(k, limit / coefficient);
  };
  for (int corner = 0; corner < 8; ++corner) {
    const std::array<float, 3> p = {static_cast<float>(corner & 1 ? hx : -hx),
                                    static_cast<float>(corner & 2 ? hy : -hy),
                                    static_cast<float>(corner & 4 ? hz : -hz)};
    const auto e = transform(model, p);
    const double ax = e[0], ay = e[1], az = e[2] + 5.0;
    bound(std::abs(ax) * fx + m * az, 5.0 * m);
    bound(std::abs(ay) * fy + m * az, 5.0 * m);
    bound(az, 5.0 - kEyeClearance);
  }
  if (std::isfinite(k) && k > 0.0) view.scale = static_cast<float>(k);
  return view;
}

}  // namespace qmxv::display
