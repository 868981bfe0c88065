#include "mesh.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace demogen {

void Mesh::add_oriented(int a, int b, int c, bool entry) {
  MeshTriangle t;
  t.v = {a, b, c};
  t.entry = entry;
  if (!(area(t) > 0.0)) throw std::logic_error("degenerate triangle in a demonstration surface");
  triangles.push_back(t);
}

void Mesh::add_facing(int a, int b, int c, Vec3 flow_side, bool entry) {
  MeshTriangle t;
  t.v = {a, b, c};
  if (dot(normal(t), flow_side) < 0.0) std::swap(b, c);
  add_oriented(a, b, c, entry);
}

void Mesh::add_quad_facing(int a, int b, int c, int d, Vec3 flow_side, bool entry) {
  if (norm(point(c) - point(a)) <= norm(point(d) - point(b))) {
    add_facing(a, b, c, flow_side, entry);
    add_facing(a, c, d, flow_side, entry);
  } else {
    add_facing(a, b, d, flow_side, entry);
    add_facing(b, c, d, flow_side, entry);
  }
}

void Mesh::round_points(int digits) {
  auto round = [digits](double v) {
    if (v == 0.0) return 0.0;
    const double scale = std::pow(10.0, digits - 1 - std::floor(std::log10(std::abs(v))));
    return std::round(v * scale) / scale;
  };
  for (Vec3& p : points) p = {round(p.x), round(p.y), round(p.z)};
  for (const MeshTriangle& t : triangles) {
    if (!(area(t) > 0.0)) throw std::logic_error("a triangle degenerates when rounded");
  }
}

Vec3 Mesh::normal(const MeshTriangle& t) const {
  const Vec3 p1 = point(t.v[0]), p2 = point(t.v[1]), p3 = point(t.v[2]);
  return cross(p2 - p1, p3 - p1);
}

Vec3 Mesh::centroid(const MeshTriangle& t) const {
  return (1.0 / 3.0) * (point(t.v[0]) + point(t.v[1]) + point(t.v[2]));
}

namespace {

// Normalised arc length of each point of a polyline (all 0 for one point).
std::vector<double> arc_parameters(const Mesh& mesh, const std::vector<int>& line) {
  std::vector<double> t(line.size(), 0.0);
  for (std::size_t i = 1; i < line.size(); ++i) {
    t[i] = t[i - 1] + norm(mesh.point(line[i]) - mesh.point(line[i - 1]));
  }
  const double total = t.empty() ? 0.0 : t.back();
  if (total > 0.0) {
    for (double& v : t) v /= total;
  }
  return t;
}

}  // namespace

void join_sections(Mesh& mesh, const std::vector<int>& a, const std::vector<int>& b) {
  if (a.empty() || b.empty()) throw std::logic_error("empty section");
  const std::vector<double> ta = arc_parameters(mesh, a), tb = arc_parameters(mesh, b);
  std::size_t i = 0, j = 0;
  // With A upstream and the polylines running round the body, the triangle
  // (a_i, b_j, next) has the normal e_x x tangent, which points outward.
  while (i + 1 < a.size() || j + 1 < b.size()) {
    bool advance_a;
    if (i + 1 >= a.size()) {
      advance_a = false;
    } else if (j + 1 >= b.size()) {
      advance_a = true;
    } else if (ta[i + 1] != tb[j + 1]) {
      advance_a = ta[i + 1] < tb[j + 1];
    } else {
      advance_a = norm(mesh.point(a[i + 1]) - mesh.point(b[j])) <=
                  norm(mesh.point(b[j + 1]) - mesh.point(a[i]));
    }
    if (advance_a) {
      mesh.add_oriented(a[i], b[j], a[i + 1]);
      ++i;
    } else {
      mesh.add_oriented(a[i], b[j], b[j + 1]);
      ++j;
    }
  }
}

namespace {

using P2 = std::array<double, 2>;

double cross2(P2 o, P2 a, P2 b) {
  return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

double angle_at(P2 o, P2 a, P2 b) {
  const double ux = a[0] - o[0], uy = a[1] - o[1], vx = b[0] - o[0], vy = b[1] - o[1];
  return std::atan2(std::abs(ux * vy - uy * vx), ux * vx + uy * vy);
}

// Inside or on the boundary of the counter-clockwise triangle a, b, c.
bool in_triangle(P2 p, P2 a, P2 b, P2 c) {
  return cross2(a, b, p) >= 0.0 && cross2(b, c, p) >= 0.0 && cross2(c, a, p) >= 0.0;
}

}  // namespace

std::vector<std::array<int, 3>> triangulate_polygon(const std::vector<P2>& poly) {
  const int n = static_cast<int>(poly.size());
  if (n < 3) throw std::logic_error("a polygon needs three points");
  double area2 = 0.0;
  for (int i = 0; i < n; ++i) {
    const P2 p = poly[static_cast<std::size_t>(i)], q = poly[static_cast<std::size_t>((i + 1) % n)];
    area2 += p[0] * q[1] - q[0] * p[1];
  }
  std::vector<int> ring(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) ring[static_cast<std::size_t>(i)] = area2 > 0.0 ? i : n - 1 - i;

  std::vector<std::array<int, 3>> out;
  while (ring.size() > 3) {
    const std::size_t m = ring.size();
    int best = -1;
    double best_angle = -1.0;
    for (std::size_t k = 0; k < m; ++k) {
      const int ip = ring[(k + m - 1) % m], ic = ring[k], in = ring[(k + 1) % m];
      const P2 a = poly[static_cast<std::size_t>(ip)], b = poly[static_cast<std::size_t>(ic)],
               c = poly[static_cast<std::size_t>(in)];
      const double smallest = std::min({angle_at(a, b, c), angle_at(b, c, a), angle_at(c, a, b)});
      // Reflex, straight or all but straight: not an ear. Points of a straight
      // run of the outline are joined to points across from them instead.
      if (cross2(a, b, c) <= 0.0 || smallest < 1e-4) continue;
      bool empty = true;
      for (std::size_t q = 0; q < m && empty; ++q) {
        const int iq = ring[q];
        if (iq == ip || iq == ic || iq == in) continue;
        if (in_triangle(poly[static_cast<std::size_t>(iq)], a, b, c)) empty = false;
      }
      if (!empty) continue;
      if (smallest > best_angle) {
        best_angle = smallest;
        best = static_cast<int>(k);
      }
    }
    if (best < 0) throw std::logic_error("polygon could not be triangulated");
    const std::size_t k = static_cast<std::size_t>(best);
    out.push_back({ring[(k + m - 1) % m], ring[k], ring[(k + 1) % m]});
    ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(k));
  }
  out.push_back({ring[0], ring[1], ring[2]});
  return out;
}

double half_body_volume(const Mesh& mesh) {
  double v = 0.0;
  for (const auto& t : mesh.triangles) {
    // Integral of x n_x over the triangle: centroid x times the x part of the
    // area vector (half the cross product).
    v += mesh.centroid(t).x * 0.5 * mesh.normal(t).x;
  }
  return v;
}

}  // namespace demogen
