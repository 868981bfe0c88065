// The demonstration surfaces as the program holds them after reading: every
// side of a triangle is shared by exactly one other triangle of its surface,
// traversed the other way (so the normals agree), or lies on a face of the
// flow region, on the faces intended and no others; no triangle is
// degenerate; and every normal (P2-P1)x(P3-P1) points into the flow.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "demo_support.h"
#include "geometry/surface_builders.h"

namespace qmxv {
namespace {

using demo_test::loaded_case;
using Vec = testing::Vec3;
using testing::add;
using testing::cross;
using testing::dot;
using testing::length;
using testing::scaled;
using testing::sub;

Vec point(const State& s, int p) {
  return {s.XPT(p), s.YPT(p), s.ZPT(p)};
}

struct Tri {
  std::array<Vec, 3> p;
  bool entry = false;
  Vec normal() const { return cross(sub(p[1], p[0]), sub(p[2], p[0])); }
  Vec centroid() const { return scaled(1.0 / 3.0, add(add(p[0], p[1]), p[2])); }
};

std::vector<Tri> triangles(const State& s, int surface) {
  std::vector<Tri> out;
  for (int N = s.NTRISB(surface) + 1;
       N <= s.NTRISB(surface) + s.NSTRIS(surface) + s.NFTRIS(surface); ++N) {
    Tri t;
    for (int k = 0; k < 3; ++k) t.p[k] = point(s, s.ITP(k + 1, N));
    t.entry = s.ITP(4, N) < 0;
    out.push_back(t);
  }
  return out;
}

// The sides of one surface, by point pair.
struct SideReport {
  int shared = 0;              // sides of exactly two triangles
  int shared_same_way = 0;     // ...that both triangles traverse in the same direction
  int over_shared = 0;         // sides of three or more triangles
  int open_off_faces = 0;      // sides of one triangle not lying on a face of the region
  std::set<int> open_faces;    // the faces (1..6) on which open sides lie
  double worst_shape = 1e300;  // smallest area / (longest side)^2
};

SideReport check_sides(const State& s, int S) {
  SideReport r;
  // Side (a, b) of a triangle: key (min, max), value the directions it is used in.
  std::map<std::pair<int, int>, std::vector<bool>> sides;
  for (int N = s.NTRISB(S) + 1; N <= s.NTRISB(S) + s.NSTRIS(S) + s.NFTRIS(S); ++N) {
    const int v[3] = {s.ITP(1, N), s.ITP(2, N), s.ITP(3, N)};
    double longest = 0.0;
    for (int k = 0; k < 3; ++k) {
      const int a = v[k], b = v[(k + 1) % 3];
      sides[{std::min(a, b), std::max(a, b)}].push_back(a < b);
      longest = std::max(longest, length(sub(point(s, b), point(s, a))));
    }
    const double area = 0.5 * length(cross(sub(point(s, v[1]), point(s, v[0])),
                                           sub(point(s, v[2]), point(s, v[0]))));
    r.worst_shape = std::min(r.worst_shape, area / (longest * longest));
  }
  // A side lies on a face when both ends are within 1e-5 (scaled) of it, the
  // matching tolerance of the grid set-up.
  const double limits[6] = {s.XMIN, s.XMAX, s.YMIN, s.YMAX, s.ZMIN, s.ZMAX};
  for (const auto& [key, uses] : sides) {
    if (uses.size() == 2) {
      ++r.shared;
      if (uses[0] == uses[1]) ++r.shared_same_way;
    } else if (uses.size() > 2) {
      ++r.over_shared;
    } else {
      const Vec a = point(s, key.first), b = point(s, key.second);
      int face = 0;
      for (int f = 0; f < 6 && face == 0; ++f) {
        const int axis = f / 2;
        if (std::abs(a[axis] - limits[f]) < 1e-5 && std::abs(b[axis] - limits[f]) < 1e-5) {
          face = f + 1;
        }
      }
      if (face == 0) {
        ++r.open_off_faces;
      } else {
        r.open_faces.insert(face);
      }
    }
  }
  return r;
}

// Each case's surfaces are open, and end only on these faces: the plane of
// symmetry z = ZMAX (6) for the half models; for the quarter chamber also the
// plane x = XMIN (1) and the vacuum boundary at the tube's end y = YMIN (3).
const std::map<int, std::set<int>> kOpenFaces = {{1, {6}}, {2, {1, 3, 6}}, {3, {6}}};

class DemoSurfaces : public ::testing::TestWithParam<int> {};

TEST_P(DemoSurfaces, SidesJoinOrEndOnTheIntendedFaces) {
  const State& s = loaded_case(GetParam()).state;
  ASSERT_GE(s.NSURF, 1);
  for (int S = 1; S <= s.NSURF; ++S) {
    const SideReport r = check_sides(s, S);
    EXPECT_EQ(r.over_shared, 0) << "surface " << S;
    EXPECT_EQ(r.open_off_faces, 0) << "surface " << S;
    EXPECT_EQ(r.shared_same_way, 0) << "surface " << S << ": neighbours disagree on their normals";
    EXPECT_EQ(r.open_faces, kOpenFaces.at(GetParam())) << "surface " << S;
    EXPECT_FALSE(loaded_case(GetParam()).design.surfaces[S - 1].closed);
    // The slimmest triangles (the thin trailing edges at the orbiter's base)
    // have area/side^2 about 3e-3; a degenerate one has 0.
    EXPECT_GT(r.worst_shape, 1e-3) << "surface " << S;
  }
}

// Parity of the crossings of a ray from p with the triangles: odd inside.
bool inside_closed(const std::vector<Tri>& body, Vec p) {
  const Vec d = {0.5773502691896258, 0.3131313131313131, 0.7540584957912151};  // generic
  int crossings = 0;
  for (const Tri& t : body) {
    // Moeller-Trumbore.
    const Vec e1 = sub(t.p[1], t.p[0]), e2 = sub(t.p[2], t.p[0]);
    const Vec h = cross(d, e2);
    const double a = dot(e1, h);
    if (std::abs(a) < 1e-30) continue;
    const Vec q = sub(p, t.p[0]);
    const double u = dot(q, h) / a;
    if (u < 0.0 || u > 1.0) continue;
    const Vec r = cross(q, e1);
    const double v = dot(d, r) / a;
    if (v < 0.0 || u + v > 1.0) continue;
    if (dot(e2, r) / a > 0.0) ++crossings;
  }
  return crossings % 2 == 1;
}

// The half models: with their mirror image in z = 0 they are closed bodies,
// and a point a little way along each normal lies outside the body, a point
// a little way against it inside.
TEST(DemoSurfaces, HalfModelNormalsPointOutOfTheBody) {
  for (int n : {1, 3}) {
    const State& s = loaded_case(n).state;
    std::vector<Tri> body = triangles(s, 1);
    const std::size_t half = body.size();
    for (std::size_t i = 0; i < half; ++i) {
      Tri m = body[i];
      for (auto& v : m.p) v[2] = 2.0 * s.ZMAX - v[2];
      std::swap(m.p[1], m.p[2]);
      body.push_back(m);
    }
    // 1e-5 of the body's length: well inside the thinnest parts (the plate's
    // 3 % thickness, the trailing edges' bases), far above rounding.
    double xlo = 1e300, xhi = -1e300;
    for (const Tri& t : body) {
      for (const Vec& v : t.p) {
        xlo = std::min(xlo, v[0]);
        xhi = std::max(xhi, v[0]);
      }
    }
    const double step = 1e-5 * (xhi - xlo);
    int wrong = 0;
    for (std::size_t i = 0; i < half; ++i) {
      const Vec nn = scaled(1.0 / length(body[i].normal()), body[i].normal());
      const Vec c = body[i].centroid();
      if (inside_closed(body, add(c, scaled(step, nn))) ||
          !inside_closed(body, add(c, scaled(-step, nn)))) {
        ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << "case " << n << ": triangles facing into the body";
  }
}

// The quarter chamber: the flow is inside the chamber (0..a in x, 0..H in y,
// -a..0 in z) and inside the tube (radius R about the y axis, -L..0 in y).
// A point a millimetre along each normal lies in the flow, a millimetre
// against it does not (a millimetre clears the polygonal tube's chords,
// which lie within 0.25 mm of the true cylinder).
TEST(DemoSurfaces, ChamberNormalsPointIntoTheFlow) {
  const State& s = loaded_case(2).state;
  const std::vector<Tri> tris = triangles(s, 1);
  double a = 0, H = 0, R = 0, L = 0;
  for (const Tri& t : tris) {
    for (const Vec& v : t.p) {
      a = std::max(a, v[0]);
      H = std::max(H, v[1]);
      L = std::max(L, -v[1]);
      if (v[1] < -1e-9) R = std::max(R, std::hypot(v[0], v[2]));
    }
  }
  auto in_flow = [&](Vec p) {
    const bool chamber =
        p[0] >= 0 && p[0] <= a && p[1] >= 0 && p[1] <= H && p[2] >= -a && p[2] <= 0;
    const bool tube = std::hypot(p[0], p[2]) <= R && p[1] >= -L && p[1] <= 0;
    return chamber || tube;
  };
  const double step = 1e-3 * s.SCALE;
  int wrong = 0, entries = 0;
  for (const Tri& t : tris) {
    const Vec nn = scaled(1.0 / length(t.normal()), t.normal());
    const Vec c = t.centroid();
    if (!in_flow(add(c, scaled(step, nn))) || in_flow(add(c, scaled(-step, nn)))) ++wrong;
    if (t.entry) {
      ++entries;
      // The jet enters through the orifice, along the normal.
      const float v[3] = {s.ENTV(1, entries), s.ENTV(2, entries), s.ENTV(3, entries)};
      EXPECT_GT(dot({v[0], v[1], v[2]}, nn), 0.99 * std::hypot(v[0], v[1], v[2]));
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(entries, s.NFTRI);
}

INSTANTIATE_TEST_SUITE_P(Cases, DemoSurfaces, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "DM" + std::to_string(info.param); });

}  // namespace
}  // namespace qmxv
