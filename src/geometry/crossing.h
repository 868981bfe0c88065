// Where a straight path meets a surface triangle: the one segment-triangle
// crossing of the program, used by cell formation (a node is visible from an
// element when no solid triangle lies between them) and by the molecule move
// (the first triangle a molecule's displacement reaches).
#pragma once

#include <cmath>

#include "geometry/triangles.h"
#include "run/state.h"

namespace qmxv {

// The result of segment_crossing when the path does not meet the triangle.
inline constexpr double kNoCrossing = 1.2;

// The fraction f of the displacement (dx, dy, dz) from (px, py, pz) at which
// the path meets triangle t: f = -(n.P + d)/(n.D) on the triangle's plane,
// then the point P + f D tested against the triangle projected along its
// projection axis (points on an edge belong to the triangle, so a path
// through the edge between two triangles meets both). kNoCrossing when the
// path runs parallel to the plane (|n.D| <= 1e-20), when f < 0 or f >= 1.01,
// or when the point misses the triangle. A fraction just past 1 is still
// returned, so a molecule ending a hair beyond a wall is caught.
inline double segment_crossing(const State& s, int t, double px, double py, double pz, double dx,
                               double dy, double dz) {
  const double nx = s.TRI(kTriNx, t), ny = s.TRI(kTriNy, t), nz = s.TRI(kTriNz, t);
  const double nd = nx * dx + ny * dy + nz * dz;
  if (std::fabs(nd) <= 1.0e-20) return kNoCrossing;
  const double f = -(nx * px + ny * py + nz * pz + static_cast<double>(s.TRI(kTriD, t))) / nd;
  if (!(f >= 0.0 && f < 1.01)) return kNoCrossing;  // NaN is no crossing either
  if (!inside_triangle(s, t, s.ITRIAX(t), px + f * dx, py + f * dy, pz + f * dz, 1.0e-12))
    return kNoCrossing;
  return f;
}

}  // namespace qmxv
