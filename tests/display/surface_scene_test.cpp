// The surface preview's scene and start view built from a State.
#include "display/surface_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "display/view3d.h"
#include "run/state.h"

namespace qmxv::display {
namespace {

void set_box(State& s, float x0, float x1, float y0, float y1, float z0, float z1) {
  std::tie(s.XMIN, s.XMAX, s.YMIN, s.YMAX, s.ZMIN, s.ZMAX) = std::tie(x0, x1, y0, y1, z0, z1);
}

// Two surfaces of one triangle each, in a box centred on (5, 6, 7).
State two_surfaces() {
  State s;
  set_box(s, 0, 10, 2, 10, 4, 10);
  s.NSURF = 2;
  s.NPT = 4;
  s.NTRI = 2;
  s.XPT.allocate(4);
  s.YPT.allocate(4);
  s.ZPT.allocate(4);
  const float pts[4][3] = {{1, 2, 3}, {4, 2, 3}, {1, 6, 3}, {9, 9, 9}};
  for (int p = 1; p <= 4; ++p)
    s.XPT(p) = pts[p - 1][0], s.YPT(p) = pts[p - 1][1], s.ZPT(p) = pts[p - 1][2];
  s.ITP.allocate(6, 2);
  s.ITP(1, 1) = 1, s.ITP(2, 1) = 2, s.ITP(3, 1) = 3;
  s.ITP(1, 2) = 2, s.ITP(2, 2) = 4, s.ITP(3, 2) = 3;
  s.ISURFT.allocate(2);
  s.ISURFT(1) = 1, s.ISURFT(2) = 2;
  return s;
}

TEST(SurfaceScene, TrianglesSitRelativeToTheBoxCentreColouredBySurface) {
  const ui::Scene3 scene = surface_scene(two_surfaces());
  ASSERT_EQ(scene.triangles.size(), 2u);
  EXPECT_TRUE(scene.cull_back_faces);
  const auto& t = scene.triangles[0];
  EXPECT_EQ(t.p[0], (std::array<float, 3>{-4, -4, -4}));
  EXPECT_EQ(t.p[1], (std::array<float, 3>{-1, -4, -4}));
  EXPECT_EQ(t.p[2], (std::array<float, 3>{-4, 0, -4}));
  EXPECT_EQ(scene.triangles[1].p[1], (std::array<float, 3>{4, 3, 2}));
  EXPECT_NE(scene.triangles[0].colour, scene.triangles[1].colour);
  EXPECT_NE(scene.triangles[0].colour, scene.background);

  State none;
  set_box(none, 0, 1, 0, 1, 0, 1);
  EXPECT_TRUE(surface_scene(none).triangles.empty()) << "no surfaces, nothing to draw";
}

// The start view must show the whole flowfield box whatever its size in
// scaled units, and not as a speck: a corner comes near the window's edge.
TEST(SurfaceScene, PreviewViewFitsTheWholeBoxInTheWindow) {
  const struct {
    const char* name;
    std::array<float, 6> box;
    float aspect;
  } cases[] = {
      {"cube of extent 10", {-5, 5, -5, 5, -5, 5}, 1.0f},
      {"small cube off the origin", {1.00f, 1.02f, 3.00f, 3.02f, 0, 0.02f}, 1.0f},
      {"long thin box", {0, 2000, 0, 10, 0, 10}, 1.0f},
      {"flat wide box in a wide window", {0, 1, 0, 50, 0, 3}, 1.6f},
      {"tall window", {0, 10, 0, 10, 0, 10}, 0.5f},
  };
  for (const auto& c : cases) {
    State s;
    set_box(s, c.box[0], c.box[1], c.box[2], c.box[3], c.box[4], c.box[5]);
    const ui::View3 v = preview_view(s, c.aspect);
    const ui::View3 start = default_surface_view();
    EXPECT_EQ(v.a_deg, start.a_deg) << c.name;
    EXPECT_EQ(v.b_deg, start.b_deg) << c.name;
    const Mat4 pm = multiply(projection_matrix(c.aspect), model_matrix(v));
    double largest = 0;
    for (int k = 0; k < 8; ++k) {
      const float hx = 0.5f * (c.box[1] - c.box[0]), hy = 0.5f * (c.box[3] - c.box[2]),
                  hz = 0.5f * (c.box[5] - c.box[4]);
      const auto q = transform(pm, {k & 1 ? hx : -hx, k & 2 ? hy : -hy, k & 4 ? hz : -hz});
      ASSERT_GT(q[3], kNear) << c.name;
      for (int i = 0; i < 2; ++i) {
        const double ndc = std::abs(q[i] / q[3]);
        EXPECT_LE(ndc, 1.0) << c.name << " corner " << k;
        largest = std::max(largest, ndc);
      }
    }
    EXPECT_GT(largest, 0.85) << c.name;
  }
}

}  // namespace
}  // namespace qmxv::display
