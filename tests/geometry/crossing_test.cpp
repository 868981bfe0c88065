#include "geometry/crossing.h"

#include <gtest/gtest.h>

#include "geometry/triangles.h"
#include "surface_builders.h"

namespace qmxv {
namespace {

using testing::Mesh;
using testing::Vec3;

// A unit square in the plane normal to `axis` at height 0.5, split along
// its diagonal into two triangles: local coordinates (u, v, w) with w along
// the normal map onto (x, y, z) cyclically, so each projection axis is used.
Vec3 local(int axis, double u, double v, double w) {
  if (axis == 1) return {w, u, v};
  if (axis == 2) return {v, w, u};
  return {u, v, w};
}

State square_state(int axis) {
  State s;
  testing::set_box(s, {-1, -1, -1}, {2, 2, 2}, {1, 1, 1}, {1, 1, 1});
  Mesh m;
  m.points = {local(axis, 0, 0, 0.5), local(axis, 1, 0, 0.5), local(axis, 1, 1, 0.5),
              local(axis, 0, 1, 0.5)};
  m.triangles = {{0, 1, 2}, {0, 2, 3}};
  testing::add_surface(s, m);
  compute_triangle_geometry(s);
  return s;
}

struct SegmentCase {
  const char* what;
  Vec3 p, d;         // in local coordinates: the plane is w = 0.5
  double expect[2];  // fraction for triangles 1 and 2 (kNoCrossing for none)
};
void PrintTo(const SegmentCase& c, std::ostream* os) {
  *os << c.what;
}

class SegmentCrossing : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentCrossing, GivesTheFractionAtTheTriangleOrNone) {
  const SegmentCase& c = GetParam();
  for (int axis = 1; axis <= 3; ++axis) {
    const State s = square_state(axis);
    ASSERT_EQ(s.ITRIAX(1), axis);
    const Vec3 p = local(axis, c.p[0], c.p[1], c.p[2]);
    const Vec3 d = local(axis, c.d[0], c.d[1], c.d[2]);
    for (int t = 1; t <= 2; ++t) {
      const double f = segment_crossing(s, t, p[0], p[1], p[2], d[0], d[1], d[2]);
      // Exact binary fractions throughout: only the rounding of the
      // single-precision plane constant can show.
      EXPECT_NEAR(f, c.expect[t - 1], 1e-7) << c.what << ", axis " << axis << ", triangle " << t;
    }
  }
}

constexpr double kNo = kNoCrossing;

INSTANTIATE_TEST_SUITE_P(
    Table, SegmentCrossing,
    ::testing::Values(
        SegmentCase{"through the interior of triangle 1", {0.75, 0.25, 1}, {0, 0, -1}, {0.5, kNo}},
        SegmentCase{
            "through the interior, from the body side", {0.25, 0.75, 0}, {0, 0, 1}, {kNo, 0.5}},
        SegmentCase{"oblique through the interior", {0, 0.5, 0}, {1, -0.25, 1}, {0.5, kNo}},
        SegmentCase{
            "through the shared edge: both triangles", {0.5, 0.5, 1}, {0, 0, -2}, {0.25, 0.25}},
        SegmentCase{"through an outer edge", {1, 0.5, 1}, {0, 0, -1}, {0.5, kNo}},
        SegmentCase{"parallel to the plane", {0.75, 0.25, 1}, {-0.5, 0.5, 0}, {kNo, kNo}},
        SegmentCase{"within the plane", {0.75, 0.25, 0.5}, {-0.5, 0.5, 0}, {kNo, kNo}},
        SegmentCase{"ending exactly on the plane", {0.75, 0.25, 1}, {0, 0, -0.5}, {1.0, kNo}},
        SegmentCase{"ending short of the plane, within 1.01",
                    {0.75, 0.25, 1},
                    {0, 0, -0.49609375},
                    {0.5 / 0.49609375, kNo}},
        SegmentCase{"ending short of the plane, beyond 1.01",
                    {0.75, 0.25, 1},
                    {0, 0, -0.4921875},
                    {kNo, kNo}},
        SegmentCase{"starting on the plane", {0.75, 0.25, 0.5}, {0, 0, 1}, {0.0, kNo}},
        SegmentCase{"moving away from the plane", {0.75, 0.25, 1}, {0, 0, 1}, {kNo, kNo}},
        SegmentCase{"missing beside the square", {1.25, 0.25, 1}, {0, 0, -1}, {kNo, kNo}},
        SegmentCase{
            "missing just outside an outer edge", {1.0000001, 0.25, 1}, {0, 0, -1}, {kNo, kNo}}));

TEST(SegmentCrossing, DegenerateTriangleIsNeverMet) {
  State s;
  testing::set_box(s, {-1, -1, -1}, {2, 2, 2}, {1, 1, 1}, {1, 1, 1});
  Mesh m;
  m.points = {{0, 0, 0.5}, {1, 0, 0.5}, {2, 0, 0.5}};  // three points on a line
  m.triangles = {{0, 1, 2}};
  testing::add_surface(s, m);
  compute_triangle_geometry(s);
  EXPECT_EQ(segment_crossing(s, 1, 0.5, 0, 1, 0, 0, -1), kNoCrossing);
}

}  // namespace
}  // namespace qmxv
