#include "geometry/triangles.h"

#include <algorithm>

namespace qmxv {

bool triangle_overlaps_box(const double v[3][3], const double c[3], const double h[3]) {
  double p[3][3];
  for (int k = 0; k < 3; ++k)
    for (int q = 0; q < 3; ++q) p[k][q] = v[k][q] - c[q];
  for (int q = 0; q < 3; ++q) {
    const double lo = std::min({p[0][q], p[1][q], p[2][q]});
    const double hi = std::max({p[0][q], p[1][q], p[2][q]});
    if (lo > h[q] || hi < -h[q]) return false;
  }
  double e[3][3];
  for (int k = 0; k < 3; ++k)
    for (int q = 0; q < 3; ++q) e[k][q] = p[(k + 1) % 3][q] - p[k][q];
  // Axis (box axis q) x (edge k): its components, then the projections of
  // the triangle and the box's radius on it.
  for (int k = 0; k < 3; ++k)
    for (int q = 0; q < 3; ++q) {
      double a[3] = {0, 0, 0};
      const int q1 = (q + 1) % 3, q2 = (q + 2) % 3;
      a[q1] = -e[k][q2];
      a[q2] = e[k][q1];
      double lo = 1e300, hi = -1e300;
      for (int m = 0; m < 3; ++m) {
        const double d = a[0] * p[m][0] + a[1] * p[m][1] + a[2] * p[m][2];
        lo = std::min(lo, d);
        hi = std::max(hi, d);
      }
      const double r = h[0] * std::fabs(a[0]) + h[1] * std::fabs(a[1]) + h[2] * std::fabs(a[2]);
      if (lo > r || hi < -r) return false;
    }
  const double n[3] = {e[0][1] * e[1][2] - e[0][2] * e[1][1], e[0][2] * e[1][0] - e[0][0] * e[1][2],
                       e[0][0] * e[1][1] - e[0][1] * e[1][0]};
  const double dist = n[0] * p[0][0] + n[1] * p[0][1] + n[2] * p[0][2];
  const double r = h[0] * std::fabs(n[0]) + h[1] * std::fabs(n[1]) + h[2] * std::fabs(n[2]);
  return std::fabs(dist) <= r;
}

void compute_triangle_geometry(State& s) {
  s.TRI.allocate(kTriFields, s.NTRI);
  s.ITRIAX.allocate(s.NTRI);
  for (int t = 1; t <= s.NTRI; ++t) {
    const int p1 = s.ITP(1, t), p2 = s.ITP(2, t), p3 = s.ITP(3, t);
    const double ax = double(s.XPT(p2)) - s.XPT(p1), ay = double(s.YPT(p2)) - s.YPT(p1),
                 az = double(s.ZPT(p2)) - s.ZPT(p1);
    const double bx = double(s.XPT(p3)) - s.XPT(p1), by = double(s.YPT(p3)) - s.YPT(p1),
                 bz = double(s.ZPT(p3)) - s.ZPT(p1);
    const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
    const double length = std::sqrt(cx * cx + cy * cy + cz * cz);
    const float nx = length > 0.0 ? static_cast<float>(cx / length) : 0.0f;
    const float ny = length > 0.0 ? static_cast<float>(cy / length) : 0.0f;
    const float nz = length > 0.0 ? static_cast<float>(cz / length) : 0.0f;
    s.TRI(kTriNx, t) = nx;
    s.TRI(kTriNy, t) = ny;
    s.TRI(kTriNz, t) = nz;
    // The constant from the stored (float) normal, so n . P1 + d vanishes for
    // the values the rest of the program uses.
    s.TRI(kTriD, t) = static_cast<float>(
        -(double(nx) * s.XPT(p1) + double(ny) * s.YPT(p1) + double(nz) * s.ZPT(p1)));
    s.TRI(kTriArea, t) = static_cast<float>(0.5 * length);
    s.TRI(kTriCx, t) = (s.XPT(p1) + s.XPT(p2) + s.XPT(p3)) * 0.333333f;
    s.TRI(kTriCy, t) = (s.YPT(p1) + s.YPT(p2) + s.YPT(p3)) * 0.333333f;
    s.TRI(kTriCz, t) = (s.ZPT(p1) + s.ZPT(p2) + s.ZPT(p3)) * 0.333333f;
    s.ITRIAX(t) = projection_axis(nx, ny, nz);
  }
}

}  // namespace qmxv
