// Triangle geometry shared by the grid set-up, the cells and the molecule move:
// the point-in-triangle test in a projection plane and the plane of each
// surface triangle.
#pragma once

#include <cmath>

#include "run/state.h"

namespace qmxv {

// Point-in-triangle test in a projection plane: (u, v) is inside or on the
// triangle (u1,v1), (u2,v2), (u3,v3) unless, for some side (a, b) with third
// vertex c, the side's line value f(p) = (vb-va) up + (ua-ub) vp + (ub va - ua vb)
// exceeds `tol` in magnitude at (u, v) with the sign opposite to f(c). Points
// within `tol` of a side's line are not rejected by it, so a point on a shared
// edge belongs to both triangles. f has the unit of an area.
inline bool point_in_triangle(double u1, double v1, double u2, double v2, double u3, double v3,
                              double u, double v, double tol) {
  auto outside = [&](double ua, double va, double ub, double vb, double uc, double vc) {
    const double du = vb - va, dv = ua - ub, c = ub * va - ua * vb;
    const double ft = du * u + dv * v + c;
    const double fc = du * uc + dv * vc + c;
    if (std::fabs(ft) <= tol) return false;
    return (fc > 0.0 && ft < 0.0) || (fc < 0.0 && ft > 0.0);
  };
  return !outside(u1, v1, u2, v2, u3, v3) && !outside(u2, v2, u3, v3, u1, v1) &&
         !outside(u3, v3, u1, v1, u2, v2);
}

// The two in-plane coordinates of a position projected along `axis`
// (1 x, 2 y, 3 z): (y, z), (z, x) or (x, y).
inline void project(int axis, double x, double y, double z, double& u, double& v) {
  if (axis == 1) {
    u = y;
    v = z;
  } else if (axis == 2) {
    u = z;
    v = x;
  } else {
    u = x;
    v = y;
  }
}

// Whether (x, y, z) projected along `axis` lies inside triangle t projected
// the same way.
inline bool inside_triangle(const State& s, int t, int axis, double x, double y, double z,
                            double tol) {
  double u[3], v[3];
  for (int k = 0; k < 3; ++k) {
    const int p = s.ITP(k + 1, t);
    project(axis, s.XPT(p), s.YPT(p), s.ZPT(p), u[k], v[k]);
  }
  double pu, pv;
  project(axis, x, y, z, pu, pv);
  return point_in_triangle(u[0], v[0], u[1], v[1], u[2], v[2], pu, pv, tol);
}

// Plane value n . P + d of triangle t: positive on the flow side, negative on
// the body side.
inline double plane_value(const State& s, int t, double x, double y, double z) {
  return static_cast<double>(s.TRI(kTriNx, t)) * x + static_cast<double>(s.TRI(kTriNy, t)) * y +
         static_cast<double>(s.TRI(kTriNz, t)) * z + static_cast<double>(s.TRI(kTriD, t));
}

// Projection axis of a plane: the axis of the largest normal component, so
// the projection along it is the least distorted (ties go to the lower axis).
inline int projection_axis(float nx, float ny, float nz) {
  const float ax = std::fabs(nx), ay = std::fabs(ny), az = std::fabs(nz);
  if (ax >= ay && ax >= az) return 1;
  return ay >= az ? 2 : 3;
}

// Whether triangle (v[0], v[1], v[2]) and the axis-aligned box of centre c
// and half-widths h overlap, touching included: the separating-axis test of
// Akenine-Moller (J. Graphics Tools 6(1), 2001) over the box axes, the
// triangle's normal and the nine products of the edges with the box axes.
bool triangle_overlaps_box(const double v[3][3], const double c[3], const double h[3]);

// How far a triangle must reach into an element to enter it, and may stay
// outside it and still touch it [scaled m]: a tenth of the matching
// tolerance, well above the rounding of single-precision coordinates of the
// order of the region.
inline constexpr double kTouchMargin = 0.1 * static_cast<double>(TOL);

// Fills TRI and ITRIAX for every triangle (allocating them): unit normal,
// plane constant, area, centroid and projection axis. A triangle of zero area
// gets a zero normal, so it never crosses a sample line.
void compute_triangle_geometry(State& s);

}  // namespace qmxv
