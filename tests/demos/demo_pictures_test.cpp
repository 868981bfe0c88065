// The surfaces of each case as the surface preview first shows them: the
// whole body in view. With QMXV_DEMO_PICTURES set to a directory the test
// also writes the pictures of docs/demos.md there (demo_N*.bmp; the half
// models completed by their mirror images in the plane of symmetry).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "demo_support.h"
#include "display/canvas.h"
#include "display/surface_scene.h"

namespace qmxv {
namespace {

using demo_test::loaded_case;

// The scene turned so that it is seen from the direction `eye` (model
// coordinates; y stays up on the screen), centred on the bounding box of its
// triangles (moved by `centre_shift` times the box's half sizes), with the
// view's scale set so that the box, enlarged `zoom` times, fills the picture.
ui::Scene3 seen_from(ui::Scene3 scene, std::array<double, 3> eye, ui::View3& view,
                     std::array<double, 3> centre_shift = {0, 0, 0}, double zoom = 1.0) {
  std::array<double, 3> lo{1e30, 1e30, 1e30}, hi{-1e30, -1e30, -1e30};
  for (const auto& t : scene.triangles) {
    for (const auto& p : t.p) {
      for (int a = 0; a < 3; ++a) {
        lo[a] = std::min(lo[a], static_cast<double>(p[a]));
        hi[a] = std::max(hi[a], static_cast<double>(p[a]));
      }
    }
  }
  std::array<double, 3> c;
  double radius = 0.0;
  for (int a = 0; a < 3; ++a) {
    c[a] = 0.5 * (lo[a] + hi[a]) + 0.5 * (hi[a] - lo[a]) * centre_shift[a];
    radius += 0.25 * (hi[a] - lo[a]) * (hi[a] - lo[a]);
  }
  const double yaw = std::atan2(eye[0], eye[2]);
  const double pitch = std::atan2(eye[1], std::hypot(eye[0], eye[2]));
  for (auto& t : scene.triangles) {
    for (auto& p : t.p) {
      const double x = p[0] - c[0], y = p[1] - c[1], z = p[2] - c[2];
      const double x1 = x * std::cos(yaw) - z * std::sin(yaw);
      const double z1 = x * std::sin(yaw) + z * std::cos(yaw);
      p = {static_cast<float>(x1), static_cast<float>(y * std::cos(pitch) - z1 * std::sin(pitch)),
           static_cast<float>(y * std::sin(pitch) + z1 * std::cos(pitch))};
    }
  }
  // With no rotation the view looks along -z from 5 units away; a radius of
  // 1.15 units nearly fills a 30 degree field of view.
  view = ui::View3{};
  view.a_deg = 0.0f;
  view.b_deg = 0.0f;
  view.scale = static_cast<float>(1.15 * zoom / std::sqrt(radius));
  return scene;
}

// The half model and its mirror image in the plane of symmetry z = ZMAX.
ui::Scene3 completed_scene(const State& s) {
  ui::Scene3 scene = display::surface_scene(s);
  const float zmax = static_cast<float>(0.5 * (static_cast<double>(s.ZMAX) - s.ZMIN));
  const std::size_t n = scene.triangles.size();
  for (std::size_t i = 0; i < n; ++i) {
    ui::Triangle3 t = scene.triangles[i];
    for (auto& p : t.p) p[2] = 2.0f * zmax - p[2];
    std::swap(t.p[1], t.p[2]);
    scene.triangles.push_back(t);
  }
  return scene;
}

double covered(const display::Image& img, ui::Rgb background) {
  int n = 0;
  for (const auto& p : img.pixels) n += p == background ? 0 : 1;
  return static_cast<double>(n) / static_cast<double>(img.pixels.size());
}

class DemoPictures : public ::testing::TestWithParam<int> {};

TEST_P(DemoPictures, SurfacesShowInThePreview) {
  const int n = GetParam();
  const State& s = loaded_case(n).state;
  const ui::Scene3 scene = display::surface_scene(s);
  ASSERT_EQ(static_cast<int>(scene.triangles.size()), s.NTRI);
  const display::Image preview =
      display::render3(scene, display::preview_view(s, 4.0f / 3.0f), 640, 480);
  // The preview fits the whole region, in which the bodies are small (the
  // half wing covers under 1 % of the picture), but never a speck.
  EXPECT_GT(covered(preview, scene.background), 0.005);

  if (const char* dir = std::getenv("QMXV_DEMO_PICTURES")) {
    const std::string stem = std::string(dir) + "/demo_" + std::to_string(n);
    ui::View3 view;
    if (n == 2) {
      // The quarter chamber seen from below through its open planes of
      // symmetry: the side walls, the upper wall with the orifice (the entry
      // triangles in orange), the tube's mouth; then the orifice close up.
      ui::Scene3 chamber = scene;
      for (int N = 1; N <= s.NTRI; ++N) {
        if (s.ITP(4, N) < 0) chamber.triangles[N - 1].colour = {232, 148, 58};
      }
      ui::Scene3 turned = seen_from(chamber, {-0.6, -0.5, 0.8}, view);
      EXPECT_TRUE(display::render3(turned, view, 800, 600).save_bmp(stem + ".bmp"));
      turned = seen_from(chamber, {-0.3, -1.0, 0.4}, view, {-1.0, 0.9, 1.0}, 12.0);
      EXPECT_TRUE(display::render3(turned, view, 800, 600).save_bmp(stem + "_orifice.bmp"));
    } else {
      // From the front, above and below: the wing nearly in plan view.
      const double up = n == 1 ? 1.2 : 0.6;
      const ui::Scene3 turned = seen_from(completed_scene(s), {-0.5, up, 0.8}, view);
      EXPECT_TRUE(display::render3(turned, view, 800, 600).save_bmp(stem + ".bmp"));
      const ui::Scene3 below = seen_from(completed_scene(s), {-0.5, -up, 0.8}, view);
      EXPECT_TRUE(display::render3(below, view, 800, 600).save_bmp(stem + "_below.bmp"));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DemoPictures, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "DM" + std::to_string(info.param); });

}  // namespace
}  // namespace qmxv
