// The OpenGL picture of the surface preview, under a real (or virtual) X
// display: back faces are not drawn, and the CPU rasteriser that batch runs
// use draws the same picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <cstdlib>

#include "../../display/box_scene.h"
#include "../qt_test_support.h"
#include "display/canvas.h"
#include "ui/qt/scene_view.h"

namespace qmxv {
namespace {

constexpr ui::Rgb kRed{255, 0, 0}, kBlue{0, 0, 255};

// A closed box [-1, 1]^3 whose faces turn their fronts inwards, as the walls
// of a vacuum chamber face the gas inside: seen from outside, the near walls
// show their backs and must vanish, leaving the inside of the far walls.
// The wall facing +z (towards the viewer at A = B = 0) is red, the far one blue.
ui::Scene3 inward_box() {
  ui::Scene3 scene;
  scene.triangles = test::box_triangles(
      1, {{{0, 200, 0}, {230, 230, 0}, {230, 230, 0}, {0, 200, 200}, kBlue, kRed}}, true);
  return scene;
}

class PreviewGl : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!ui::qt_display_available(&why)) GTEST_SKIP() << "no display for OpenGL: " << why;
    ui = test::make_toolkit();
    if (!ui::qt::opengl_available())
      GTEST_SKIP() << "the platform \"" << QGuiApplication::platformName().toStdString()
                   << "\" has no OpenGL; run these tests under xvfb-run";
  }

  // The preview's picture of `scene` as drawn on the screen.
  QImage preview(const ui::Scene3& scene, const ui::View3& view) {
    QImage picture;
    test::ModalScript script({[&](QWidget* dialog) {
      if (!QTest::qWaitForWindowExposed(dialog)) ADD_FAILURE() << "the preview never appeared";
      QTest::qWait(100);
      auto* display =
          dynamic_cast<ui::qt::SceneDisplay*>(dialog->findChild<QWidget*>("scene-view"));
      if (display) picture = display->grab_picture().convertToFormat(QImage::Format_RGB888);
      dialog->close();
    }});
    ui->view3_modal("preview", {"CLOSE WINDOW TO CONTINUE"}, scene, view);
    return picture;
  }

  static bool is(QRgb p, ui::Rgb c, int tolerance = 8) {
    return std::abs(qRed(p) - c.r) <= tolerance && std::abs(qGreen(p) - c.g) <= tolerance &&
           std::abs(qBlue(p) - c.b) <= tolerance;
  }

  std::unique_ptr<ui::Toolkit> ui;
};

TEST_F(PreviewGl, WallsSeenFromBehindAreNotDrawn) {
  const ui::View3 face_on{0.0f, 0.0f, 0.0f, 0.0f, 0.5f};
  ui::Scene3 box = inward_box();
  const QImage culled = preview(box, face_on);
  ASSERT_FALSE(culled.isNull());
  const QPoint centre(culled.width() / 2, culled.height() / 2);
  EXPECT_TRUE(is(culled.pixel(centre), kBlue)) << "the inside of the far wall shows";
  int red = 0;
  for (int y = 0; y < culled.height(); ++y)
    for (int x = 0; x < culled.width(); ++x) red += is(culled.pixel(x, y), kRed, 60);
  EXPECT_EQ(red, 0) << "pixels of the near wall, seen from behind";

  // The same box with culling off hides everything behind the near wall:
  // the check above could fail.
  box.cull_back_faces = false;
  const QImage solid = preview(box, face_on);
  EXPECT_TRUE(is(solid.pixel(centre), kRed));
}

TEST_F(PreviewGl, MatchesTheCpuRasteriserPixelForPixelAwayFromEdges) {
  ui::Scene3 box = inward_box();
  box.lines.push_back({{-1, -1, -1}, {1, 1, 1}, {255, 255, 255}});
  for (const ui::View3& view : {ui::View3{0.0f, 0.0f, 25.0f, -30.0f, 0.45f},
                                ui::View3{0.3f, -0.2f, -110.0f, 40.0f, 0.3f}}) {
    const QImage gl = preview(box, view);
    ASSERT_FALSE(gl.isNull());
    const display::Image cpu = display::render3(box, view, gl.width(), gl.height());
    int differing = 0, covered = 0;
    for (int y = 0; y < gl.height(); ++y)
      for (int x = 0; x < gl.width(); ++x) {
        const ui::Rgb c = cpu.at(x, y);
        covered += !(c == box.background);
        differing += !is(gl.pixel(x, y), c, 24);
      }
    // Only pixels on the projected edges may differ (multisampled on the
    // screen, centre-sampled on the CPU): the box's outline and its inner
    // edges are a few thousand pixels long, under 1 % of the picture (0.2 to
    // 0.3 % measured).
    const double fraction = static_cast<double>(differing) / (gl.width() * gl.height());
    EXPECT_LT(fraction, 0.01) << differing << " of " << gl.width() * gl.height() << " differ";
    EXPECT_GT(covered, gl.width() * gl.height() / 20) << "the box is in the picture";
  }
}

}  // namespace
}  // namespace qmxv
