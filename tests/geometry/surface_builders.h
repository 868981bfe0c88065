// Small hand-made states for the geometry tests and benchmarks: a box with a
// grid, and closed or open triangulated surfaces generated in code. Every
// triangle's normal (P2-P1) x (P3-P1) points into the flow (out of a body).
#pragma once

#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "run/state.h"

namespace qmxv::testing {

using Vec3 = std::array<double, 3>;
using Tri = std::array<int, 3>;  // 0-based point indices

struct Mesh {
  std::vector<Vec3> points;
  std::vector<Tri> triangles;
};

inline Vec3 sub(const Vec3& a, const Vec3& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline Vec3 add(const Vec3& a, const Vec3& b) {
  return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
inline Vec3 scaled(double k, const Vec3& a) {
  return {k * a[0], k * a[1], k * a[2]};
}
inline double dot(const Vec3& a, const Vec3& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double length(const Vec3& a) {
  return std::sqrt(dot(a, a));
}

// A region [lo, hi] cut into ndiv divisions of nel elements along each axis.
inline void set_box(State& s, Vec3 lo, Vec3 hi, std::array<int, 3> ndiv, std::array<int, 3> nel) {
  s.XMIN = static_cast<float>(lo[0]);
  s.YMIN = static_cast<float>(lo[1]);
  s.ZMIN = static_cast<float>(lo[2]);
  s.XMAX = static_cast<float>(hi[0]);
  s.YMAX = static_cast<float>(hi[1]);
  s.ZMAX = static_cast<float>(hi[2]);
  s.NDIVX = ndiv[0];
  s.NDIVY = ndiv[1];
  s.NDIVZ = ndiv[2];
  s.NELX = nel[0];
  s.NELY = nel[1];
  s.NELZ = nel[2];
  s.MSP = 1;
}

// Appends `mesh` as the next surface, every triangle solid, as the surface
// reader would store it (global point numbers, running totals).
inline void add_surface(State& s, const Mesh& mesh) {
  const int surface = s.NSURF + 1;
  const int np = static_cast<int>(mesh.points.size());
  const int nt = static_cast<int>(mesh.triangles.size());
  s.NSURF = surface;
  s.NPTS.resize(surface);
  s.NSTRIS.resize(surface);
  s.NFTRIS.resize(surface);
  s.NPTSB.resize(surface);
  s.NTRISB.resize(surface);
  s.NPTS(surface) = np;
  s.NSTRIS(surface) = nt;
  s.NFTRIS(surface) = 0;
  s.NPTSB(surface) = s.NPT;
  s.NTRISB(surface) = s.NTRI;
  const int p0 = s.NPT, t0 = s.NTRI;
  s.NPT += np;
  s.NTRI += nt;
  s.NSTRI += nt;
  s.XPT.resize(s.NPT);
  s.YPT.resize(s.NPT);
  s.ZPT.resize(s.NPT);
  for (int i = 0; i < np; ++i) {
    s.XPT(p0 + i + 1) = static_cast<float>(mesh.points[i][0]);
    s.YPT(p0 + i + 1) = static_cast<float>(mesh.points[i][1]);
    s.ZPT(p0 + i + 1) = static_cast<float>(mesh.points[i][2]);
  }
  s.ITP.resize(6, s.NTRI);
  s.ISURFT.resize(s.NTRI);
  for (int k = 0; k < nt; ++k) {
    for (int j = 0; j < 3; ++j) s.ITP(j + 1, t0 + k + 1) = p0 + mesh.triangles[k][j] + 1;
    s.ITP(4, t0 + k + 1) = t0 + k + 1;
    s.ISURFT(t0 + k + 1) = surface;
  }
}

// Volume enclosed by a closed, outward-oriented mesh (divergence theorem:
// the sum of the signed tetrahedra from the origin to every triangle).
inline double enclosed_volume(const Mesh& m) {
  double v = 0.0;
  for (const Tri& t : m.triangles) {
    const Vec3 &a = m.points[t[0]], &b = m.points[t[1]], &c = m.points[t[2]];
    v += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
         a[2] * (b[0] * c[1] - b[1] * c[0]);
  }
  return v / 6.0;
}

// Puts every triangle's normal on the outward side of `centre`.
inline void orient_outward(Mesh& m, const Vec3& centre) {
  for (Tri& t : m.triangles) {
    const Vec3 &a = m.points[t[0]], &b = m.points[t[1]], &c = m.points[t[2]];
    const Vec3 g = sub(scaled(1.0 / 3, add(add(a, b), c)), centre);
    if (dot(cross(sub(b, a), sub(c, a)), g) < 0) std::swap(t[1], t[2]);
  }
}

// A sphere of 20 * 4^levels triangles: an icosahedron whose faces are split
// into four `levels` times, vertices pushed onto the sphere.
inline Mesh icosphere(const Vec3& centre, double radius, int levels) {
  const double g = (1.0 + std::sqrt(5.0)) / 2.0;
  std::vector<Vec3> p = {{-1, g, 0},  {1, g, 0},  {-1, -g, 0}, {1, -g, 0}, {0, -1, g},  {0, 1, g},
                         {0, -1, -g}, {0, 1, -g}, {g, 0, -1},  {g, 0, 1},  {-g, 0, -1}, {-g, 0, 1}};
  std::vector<Tri> f = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                        {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                        {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                        {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  auto unit = [](Vec3 v) {
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return Vec3{v[0] / l, v[1] / l, v[2] / l};
  };
  for (Vec3& v : p) v = unit(v);
  for (int level = 0; level < levels; ++level) {
    std::map<std::pair<int, int>, int> middle;
    auto mid = [&](int a, int b) {
      const auto key = std::minmax(a, b);
      auto it = middle.find(key);
      if (it != middle.end()) return it->second;
      p.push_back(
          unit({(p[a][0] + p[b][0]) / 2, (p[a][1] + p[b][1]) / 2, (p[a][2] + p[b][2]) / 2}));
      return middle[key] = static_cast<int>(p.size()) - 1;
    };
    std::vector<Tri> next;
    for (const Tri& t : f) {
      const int a = mid(t[0], t[1]), b = mid(t[1], t[2]), c = mid(t[2], t[0]);
      next.insert(next.end(), {{t[0], a, c}, {t[1], b, a}, {t[2], c, b}, {a, b, c}});
    }
    f.swap(next);
  }
  Mesh m;
  for (const Vec3& v : p)
    m.points.push_back(
        {centre[0] + radius * v[0], centre[1] + radius * v[1], centre[2] + radius * v[2]});
  m.triangles = f;
  orient_outward(m, centre);
  return m;
}

// A closed axis-aligned block [lo, hi], two triangles per face.
inline Mesh block(const Vec3& lo, const Vec3& hi) {
  Mesh m;
  for (int k = 0; k < 8; ++k)
    m.points.push_back({k & 1 ? hi[0] : lo[0], k & 2 ? hi[1] : lo[1], k & 4 ? hi[2] : lo[2]});
  const int quads[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4},
                           {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};
  for (const auto& q : quads) {
    m.triangles.push_back({q[0], q[1], q[2]});
    m.triangles.push_back({q[0], q[2], q[3]});
  }
  orient_outward(m, {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2});
  return m;
}

// An open plane wall x = x0 spanning the box's y and z extents, its edges on
// the box faces, the flow on the +x side.
inline Mesh wall_x(double x0, const Vec3& lo, const Vec3& hi) {
  Mesh m;
  m.points = {{x0, lo[1], lo[2]}, {x0, hi[1], lo[2]}, {x0, hi[1], hi[2]}, {x0, lo[1], hi[2]}};
  m.triangles = {{0, 1, 2}, {0, 2, 3}};
  return m;
}

}  // namespace qmxv::testing
