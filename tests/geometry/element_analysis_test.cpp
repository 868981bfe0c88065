#include "geometry/element_analysis.h"

#include <gtest/gtest.h>

#include "geometry/grid_setup.h"
#include "geometry/triangles.h"
#include "surface_builders.h"

namespace qmxv {
namespace {

using testing::Mesh;
using testing::Tri;
using testing::Vec3;

// A rectangle on the plane `axis` = value (0 x, 1 y, 2 z) over [lo, hi] in
// the next two axes (y,z / z,x / x,y), as two triangles with the normal
// along +axis (sign > 0) or -axis.
void add_rectangle(Mesh& m, int axis, double value, int sign, double ulo, double uhi, double vlo,
                   double vhi) {
  const int u = (axis + 1) % 3, v = (axis + 2) % 3;
  const int base = static_cast<int>(m.points.size());
  const double corner[4][2] = {{ulo, vlo}, {uhi, vlo}, {uhi, vhi}, {ulo, vhi}};
  for (const auto& c : corner) {
    Vec3 p;
    p[axis] = value;
    p[u] = c[0];
    p[v] = c[1];
    m.points.push_back(p);
  }
  if (sign > 0)
    m.triangles.insert(m.triangles.end(), {{base, base + 1, base + 2}, {base, base + 2, base + 3}});
  else
    m.triangles.insert(m.triangles.end(), {{base, base + 2, base + 1}, {base, base + 3, base + 2}});
}

Mesh plane_x(double x, int sign) {
  Mesh m;
  add_rectangle(m, 0, x, sign, -1, 2, -1, 2);
  return m;
}

Mesh inclined_plane() {
  // x + y = 1.5, normal (1, 1, 0)/sqrt(2): flow toward high x and y.
  Mesh m;
  m.points = {{2.5, -1, -1}, {-0.5, 2, -1}, {-0.5, 2, 2}, {2.5, -1, 2}};
  m.triangles = {{0, 1, 2}, {0, 2, 3}};
  return m;
}

Mesh block_corner() {
  // The corner of the body x <= 1.6, y <= 0.45, z <= 0.55, its vertex inside
  // the element.
  Mesh m;
  add_rectangle(m, 0, 1.6, +1, -1, 0.45, -1, 0.55);
  add_rectangle(m, 1, 0.45, +1, -1, 0.55, 0, 1.6);
  add_rectangle(m, 2, 0.55, +1, 0, 1.6, -1, 0.45);
  return m;
}

Mesh plate_y(double y, double x_from, int sign) {
  Mesh m;
  add_rectangle(m, 1, y, sign, -1, 2, x_from, 3);
  return m;
}

Mesh slab_two_to_seven_tenths() {
  // Its faces' diagonals lie on y = z, where the lines (i, i) run: each of
  // those lines meets both triangles of a face at one point.
  Mesh m = plane_x(1.2, -1);
  const Mesh far = plane_x(1.7, +1);
  for (Tri t : far.triangles) {
    for (int& p : t) p += 4;
    m.triangles.push_back(t);
  }
  m.points.insert(m.points.end(), far.points.begin(), far.points.end());
  return m;
}

struct AnalysisCase {
  const char* what;
  Mesh mesh;
  int volume;
  FaceFlags face;
};

void PrintTo(const AnalysisCase& c, std::ostream* os) {
  *os << c.what;
}

class ElementAnalysisTest : public ::testing::TestWithParam<AnalysisCase> {};

// The element [1,2] x [0,1] x [0,1]; lattice lines a tenth apart, so each
// expected volume is the trapezoidal sum worked by hand (in thousandths,
// truncated).
TEST_P(ElementAnalysisTest, GivesTheLatticeVolumeAndFaceFlags) {
  const AnalysisCase& c = GetParam();
  State s;
  testing::set_box(s, {0, -1, -1}, {3, 2, 2}, {1, 1, 1}, {1, 1, 1});
  testing::add_surface(s, c.mesh);
  compute_triangle_geometry(s);
  ElementBox box;
  box.x1 = 1;
  box.x2 = 2;
  box.y1 = box.z1 = 0;
  box.y2 = box.z2 = 1;
  box.dex = box.dey = box.dez = 1;
  box.ediag = std::sqrt(3.0);
  std::vector<int> list;
  for (int t = 1; t <= s.NTRI; ++t) list.push_back(t);
  ElementAnalysis work;
  const ElementCut cut = work.analyse(s, box, list.data(), s.NTRI);
  EXPECT_EQ(cut.volume, c.volume) << c.what;
  EXPECT_EQ(cut.face, c.face) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    HandWorked, ElementAnalysisTest,
    ::testing::Values(
        // A plate beyond y = 1 that no line or face reaches: the centre
        // lies on its flow side.
        AnalysisCase{"wholly in the flow", plate_y(1.5, 0, -1), 1000, {0, 0, 0, 0, 0, 0}},
        // Every line starts in the body and crosses at 3 tenths.
        AnalysisCase{"plane at three tenths", plane_x(1.3, +1), 700, {1, 0, 1, 1, 1, 1}},
        // Lines i <= 4 cross at 5 - i tenths from a body start, the rest are
        // flow: (0.5*5 + 6 + 7 + 8 + 9 + 5*10 + 0.5*10)/100 = 0.875.
        AnalysisCase{"inclined plane", inclined_plane(), 875, {1, 0, 1, 0, 1, 1}},
        // Body 0.6 x 0.45 x 0.55 = 0.1485 of the element, sampled exactly by
        // the lattice; 851.5 thousandths of flow truncate to 851.
        AnalysisCase{"vertex inside the element", block_corner(), 851, {1, 0, 1, 0, 1, 0}},
        // Parallel to x: no line crosses it; the face-1 nodes below y = 0.35
        // are body: (0.5 + 6) tenths of flow in y.
        AnalysisCase{
            "plate parallel to x across face 1", plate_y(0.35, 0, +1), 650, {1, 1, 1, 0, 1, 1}},
        // The same plate from x = 1.5 on: its plane's trace on face 1 is off
        // the plate, so no node is coded and the centre decides.
        AnalysisCase{
            "plate parallel to x off face 1", plate_y(0.35, 1.5, +1), 1000, {0, 1, 0, 0, 1, 1}},
        AnalysisCase{"plate in face 1, flow inside", plane_x(1.0, +1), 1000, {1, 0, 1, 1, 1, 1}},
        // Body inside: every face closed, and face 1 marked as the one with
        // the flow beyond it (-1), which lets the flow into the element there.
        AnalysisCase{"plate in face 1, body inside", plane_x(1.0, -1), 0, {-1, 1, 1, 1, 1, 1}},
        AnalysisCase{"plate in face 2, body inside", plane_x(2.0, +1), 0, {1, -1, 1, 1, 1, 1}},
        // Crossings at 2 (entering, seen by both triangles on the diagonal)
        // and 7 (leaving): 2 + 10 - 7 = 5 tenths on every line.
        AnalysisCase{
            "slab from two to seven tenths", slab_two_to_seven_tenths(), 500, {0, 0, 1, 1, 1, 1}},
        // The crossing rounds to 10 tenths: no flow, and an element under 2
        // thousandths closes all its faces.
        AnalysisCase{"flow sliver below a thousandth", plane_x(1.96, +1), 0, {1, 1, 1, 1, 1, 1}}));

TEST(ElementBox, FirstElementInXStartsInsideTheInflowFace) {
  State s;
  testing::set_box(s, {-1, 0, 0}, {1, 1, 1}, {2, 1, 1}, {4, 2, 2});
  set_grid_metrics(s);
  const ElementBox first = element_box(s, 1, 1, 1, 1, 1, 1);
  EXPECT_FLOAT_EQ(static_cast<float>(first.x1), -1.0f + 2e-6f);
  EXPECT_EQ(first.x2, -0.75);
  const ElementBox next = element_box(s, 2, 1, 1, 1, 2, 1);
  EXPECT_EQ(next.x1, 0.0);
  EXPECT_EQ(next.y1, 0.5);
  EXPECT_EQ(next.y2, 1.0);
}

}  // namespace
}  // namespace qmxv
