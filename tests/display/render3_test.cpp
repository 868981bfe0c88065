// The view matrices against hand-computed values, and the 3-D rasteriser:
// facing, culling, depth order, near-plane clipping and lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <set>
#include <tuple>

#include "box_scene.h"
#include "display/canvas.h"
#include "display/view3d.h"

namespace qmxv::display {
namespace {

using P3 = std::array<float, 3>;

// Float matrices built from cos/sin in double: a few units of float rounding.
constexpr float kMatrixTolerance = 1e-5f;

ui::View3 view_of(float a, float b, float scale, float xt = 0, float yt = 0) {
  return {xt, yt, a, b, scale};
}

struct ModelCase {
  const char* name;
  ui::View3 view;
  P3 p;
  std::array<float, 3> eye;  // hand-computed eye coordinates
};

// M = T(xt, yt, -5) Rx(A) R(B about (cos A, -sin A, 0)) S(s).
TEST(ViewMatrices, ModelMatrixMatchesHandComputedRotations) {
  const ModelCase cases[] = {
      {"identity view: only the push back by 5", view_of(0, 0, 1), {1, 2, 3}, {1, 2, -2}},
      {"translation and scale", view_of(0, 0, 2, 1, -2), {1, 1, 1}, {3, 0, -3}},
      {"A = 90 turns y into z", view_of(90, 0, 1), {0, 1, 0}, {0, 0, -4}},
      {"A = 90 turns z into -y", view_of(90, 0, 1), {0, 0, 1}, {0, -1, -5}},
      {"B = 90 with A = 0 turns about x", view_of(0, 90, 1), {0, 1, 0}, {0, 0, -4}},
      // B about -y takes x to +z; A = 90 about x then takes z to -y.
      {"A = 90, B = 90 about -y, scale 2", view_of(90, 90, 2), {1, 0, 0}, {0, -2, -5}},
  };
  for (const auto& t : cases) {
    const auto e = transform(model_matrix(t.view), t.p);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(e[i], t.eye[i], kMatrixTolerance) << t.name << " " << i;
    EXPECT_FLOAT_EQ(e[3], 1.0f) << t.name;
  }
}

TEST(ViewMatrices, ProjectionMapsNearAndFarPlanesAndFieldOfView) {
  const float aspect = 2.0f;
  const Mat4 p = projection_matrix(aspect);
  const double f = 1.0 / std::tan(15.0 * std::numbers::pi / 180.0);  // cot(30 / 2 degrees)
  auto ndc = [&p](P3 eye) {
    const auto c = transform(p, eye);
    return std::array<double, 3>{c[0] / c[3], c[1] / c[3], c[2] / c[3]};
  };
  EXPECT_NEAR(ndc({0, 0, -kNear})[2], -1.0, 1e-5);
  EXPECT_NEAR(ndc({0, 0, -kFar})[2], 1.0, 1e-5);
  // A point on the top edge of the field of view at distance 10, and one on
  // the right edge (half angle widened by the aspect ratio).
  EXPECT_NEAR(ndc({0, static_cast<float>(10 / f), -10})[1], 1.0, 1e-5);
  EXPECT_NEAR(ndc({static_cast<float>(20 / f), 0, -10})[0], 1.0, 1e-5);
}

TEST(ViewMatrices, DefaultSurfaceViewComesFromTheViewPoint) {
  const ui::View3 v = default_surface_view();
  // theta = atan2(-40, -20) = -116.565 deg; phi = atan(5 / sqrt(20^2 + 40^2)) = 6.379 deg.
  EXPECT_NEAR(v.a_deg, -90.0 + 116.56505, 1e-4);
  EXPECT_NEAR(v.b_deg, -6.37937, 1e-4);
}

constexpr ui::Rgb kRed{220, 30, 30}, kGreen{30, 200, 30}, kBlue{40, 40, 230}, kWhite{255, 255, 255};
constexpr ui::Rgb kBlack{0, 0, 0};

// With the view (0, 0, scale 1) the viewer sits at model (0, 0, 5) looking
// down -z; this triangle's (P2-P1)x(P3-P1) = (0, 0, 4) points at it.
ui::Triangle3 facing(float z, ui::Rgb colour, float size = 1) {
  return {{{{-size, -size, z}, {size, -size, z}, {0, size, z}}}, colour};
}
ui::Triangle3 reversed(ui::Triangle3 t) {
  std::swap(t.p[1], t.p[2]);
  return t;
}

TEST(Render3, TriangleFacingTheViewerIsDrawnAndItsReverseIsCulled) {
  const ui::View3 v = view_of(0, 0, 1);
  struct Case {
    const char* name;
    ui::Triangle3 t;
    bool cull;
    ui::Rgb centre;
  } cases[] = {
      {"front face", facing(0, kRed), true, kRed},
      {"back face culled", reversed(facing(0, kRed)), true, kBlack},
      {"back face drawn without culling", reversed(facing(0, kRed)), false, kRed},
  };
  for (const auto& c : cases) {
    ui::Scene3 s;
    s.triangles = {c.t};
    s.cull_back_faces = c.cull;
    const Image img = render3(s, v, 64, 48);
    ASSERT_EQ(img.pixels.size(), 64u * 48u);
    EXPECT_EQ(img.at(32, 24), c.centre) << c.name;
    EXPECT_EQ(img.at(1, 1), kBlack) << c.name;
  }
}

TEST(Render3, NearerTriangleWinsWhicheverIsDrawnFirst) {
  ui::Scene3 s;
  for (bool near_first : {false, true}) {
    s.triangles = {facing(0, kRed, 2), facing(0.5f, kGreen, 2)};
    if (near_first) std::swap(s.triangles[0], s.triangles[1]);
    EXPECT_EQ(render3(s, view_of(0, 0, 1), 64, 64).at(32, 32), kGreen) << near_first;
  }
}

// The projected square (-1..1) at distance 5 spans NDC +-f/5 = +-0.7464, so
// on 100 pixels columns 13..86: two triangles sharing the diagonal must fill
// every one of them and nothing outside.
TEST(Render3, TrianglesSharingAnEdgeLeaveNoGap) {
  ui::Scene3 s;
  s.triangles = {{{{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}}}, kRed},
                 {{{{-1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}}, kGreen}};
  const Image img = render3(s, view_of(0, 0, 1), 100, 100);
  for (int r = 0; r < 100; ++r)
    for (int c = 0; c < 100; ++c) {
      const bool inside = r >= 13 && r <= 86 && c >= 13 && c <= 86;
      EXPECT_EQ(img.at(c, r) != kBlack, inside) << c << "," << r;
    }
}

std::set<std::tuple<int, int, int>> colours_in(const Image& img) {
  std::set<std::tuple<int, int, int>> seen;
  for (const ui::Rgb& p : img.pixels)
    if (p != kBlack) seen.insert({p.r, p.g, p.b});
  return seen;
}

TEST(Render3, ClosedCubeShowsThreeFacesFromOutsideAndNothingFromInside) {
  ui::Scene3 s;
  s.triangles = test::box_triangles(
      1, {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}}});
  // Seen from outside, off every axis: three faces face the viewer, and the
  // depth buffer alone must hide the same back faces that culling drops.
  const ui::View3 v = view_of(45, 45, 0.6f);
  const auto culled = colours_in(render3(s, v, 120, 90));
  EXPECT_EQ(culled.size(), 3u);
  s.cull_back_faces = false;
  EXPECT_EQ(colours_in(render3(s, v, 120, 90)), culled);

  // Scale 10 puts the eye 0.5 model units from the centre, inside the cube:
  // every face is seen from behind, so the surfaces are transparent.
  EXPECT_FALSE(colours_in(render3(s, view_of(45, 45, 10), 120, 90)).empty());
  s.cull_back_faces = true;
  EXPECT_TRUE(colours_in(render3(s, view_of(45, 45, 10), 120, 90)).empty());
}

// A floor reaching behind the eye is clipped at the near plane, not skipped:
// the lower half of the picture shows it, the upper half (above the horizon)
// does not.
TEST(Render3, TriangleCrossingTheNearPlaneIsClippedNotDropped) {
  ui::Scene3 s;
  s.triangles = {{{{{-100, -1, 10}, {100, -1, 10}, {0, -1, -90}}}, kBlue}};
  const Image img = render3(s, view_of(0, 0, 1), 64, 64);
  EXPECT_EQ(img.at(32, 63), kBlue);
  EXPECT_EQ(img.at(32, 40), kBlue);
  EXPECT_EQ(img.at(32, 20), kBlack);
  EXPECT_EQ(img.at(32, 0), kBlack);
  // Entirely behind the eye: nothing.
  s.triangles = {facing(8, kBlue, 3)};
  EXPECT_TRUE(colours_in(render3(s, view_of(0, 0, 1), 64, 64)).empty());
}

TEST(Render3, LinesAreDepthTestedAgainstTrianglesAndShowOnTiltedSurfaces) {
  const struct {
    const char* name;
    float z;  // of the line across the triangle
    bool shows;
  } cases[] = {{"in front", 0.2f, true}, {"on the surface", 0.0f, true}, {"behind", -0.2f, false}};
  for (const ui::View3& v : {view_of(0, 0, 1), view_of(50, 35, 1)}) {
    for (const auto& c : cases) {
      ui::Scene3 s;
      s.triangles = {facing(0, kRed, 2)};
      s.lines = {{{-0.4f, 0, c.z}, {0.4f, 0, c.z}, kWhite}};
      s.cull_back_faces = false;
      const Image img = render3(s, v, 80, 80);
      const auto count = [&img](ui::Rgb colour) { return std::ranges::count(img.pixels, colour); };
      EXPECT_GT(count(kRed), 100) << c.name;
      if (c.shows)
        EXPECT_GT(count(kWhite), 15) << c.name << " a=" << v.a_deg;
      else
        EXPECT_EQ(count(kWhite), 0) << c.name << " a=" << v.a_deg;
    }
  }
}

}  // namespace
}  // namespace qmxv::display
