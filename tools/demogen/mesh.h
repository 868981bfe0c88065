// Triangulated surfaces as the surface definition file holds them: points,
// and triangles whose point order makes (P2-P1)x(P3-P1) point into the flow.
// Patches that meet share their boundary points by index, so every seam is
// conforming: a side of one triangle is a side of exactly one other.
#pragma once

#include <array>
#include <cmath>
#include <vector>

namespace demogen {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double s, Vec3 a) {
  return {s * a.x, s * a.y, s * a.z};
}
inline double dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(Vec3 a) {
  return std::sqrt(dot(a, a));
}
// a + t (b - a), exact at t = 0 and t = 1.
inline Vec3 lerp(Vec3 a, Vec3 b, double t) {
  if (t == 0.0) return a;
  if (t == 1.0) return b;
  return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
}

struct MeshTriangle {
  std::array<int, 3> v{};  // 0-based point indices
  bool entry = false;      // a flow entry triangle (else a solid wall)
};

class Mesh {
 public:
  int add(Vec3 p) {
    points.push_back(p);
    return static_cast<int>(points.size()) - 1;
  }
  const Vec3& point(int i) const { return points[static_cast<std::size_t>(i)]; }

  // Adds the triangle in the given order (the caller knows it faces the flow).
  void add_oriented(int a, int b, int c, bool entry = false);
  // Adds the triangle in the order whose normal points to the side `flow_side`.
  void add_facing(int a, int b, int c, Vec3 flow_side, bool entry = false);
  // The quadrilateral a-b-c-d (points in order around it) as two triangles
  // split along its shorter diagonal, both facing `flow_side`.
  void add_quad_facing(int a, int b, int c, int d, Vec3 flow_side, bool entry = false);

  // Rounds every coordinate to `digits` significant digits, so the file
  // carries no more than the geometry means; exact zeros (points on a plane
  // of symmetry) stay exact. Throws if a triangle degenerates.
  void round_points(int digits);

  Vec3 normal(const MeshTriangle& t) const;  // (P2-P1)x(P3-P1), not normalised
  double area(const MeshTriangle& t) const { return 0.5 * norm(normal(t)); }
  Vec3 centroid(const MeshTriangle& t) const;

  std::vector<Vec3> points;
  std::vector<MeshTriangle> triangles;
};

// Joins two polylines of neighbouring sections of a lofted body by a strip of
// triangles. `upstream` and `downstream` run in the same sense around the body
// (for every section of a body lofted along +x: from the symmetry plane at
// the top, round the body's negative-z side, back to the symmetry plane);
// their triangles then face outward. Either may be a single point (a fan).
// The strip advances along whichever polyline is behind in normalised arc
// length, so unequal point counts join without slivers.
void join_sections(Mesh& mesh, const std::vector<int>& upstream,
                   const std::vector<int>& downstream);

// Triangulates a simple polygon (points in order, either sense) by clipping,
// at each step, the ear with the largest smallest angle. Returns index
// triples into the polygon, counter-clockwise in the (u, v) plane.
std::vector<std::array<int, 3>> triangulate_polygon(const std::vector<std::array<double, 2>>& poly);

// Volume enclosed by the surface together with the plane z = 0 (a half
// model), by the divergence theorem with the field (x, 0, 0): the plane
// contributes nothing. Positive when the normals point out of the body.
double half_body_volume(const Mesh& mesh);

}  // namespace demogen
