// 2-D pictures, the main window and the preview's controls on the desktop.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QTest>
#include <array>
#include <cmath>
#include <fstream>

#include "display/canvas.h"
#include "qt_test_support.h"
#include "ui/qt/picture.h"
#include "ui/qt/scene_view.h"

namespace qmxv {
namespace {

ui::Palette test_palette() {
  ui::Palette p{};
  for (int i = 0; i < 256; ++i)
    p[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i),
                                      static_cast<std::uint8_t>(255 - i),
                                      static_cast<std::uint8_t>((i * 7) & 0xff)};
  return p;
}

// The same drawing on the desktop picture and on the batch canvas.
class PictureVsCanvas : public ::testing::Test {
 protected:
  void SetUp() override {
    ui = test::make_toolkit();
    ui::PictureSpec desc{"plot", "Plot", "", 97, 61};
    ui->picture_open(desc);
    picture = test::find_widget<ui::qt::Picture>("picture:plot");
    ASSERT_NE(picture, nullptr);
    ui->picture_palette("plot", test_palette());
    canvas.set_palette(test_palette());
  }
  void window(double x0, double y0, double x1, double y1) {
    ui->picture_window("plot", x0, y0, x1, y1);
    canvas.set_window(x0, y0, x1, y1);
  }
  void clear(int c) {
    ui->picture_clear("plot", c);
    canvas.clear(c);
  }
  void rect(int c, double x0, double y0, double x1, double y1) {
    ui->fill_rect("plot", c, x0, y0, x1, y1);
    canvas.fill_rect(c, x0, y0, x1, y1);
  }
  void line(int c, double x0, double y0, double x1, double y1) {
    ui->line("plot", c, x0, y0, x1, y1);
    canvas.line(c, x0, y0, x1, y1);
  }
  int differing_pixels() {
    const QImage& image = picture->drawn();
    int n = 0;
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) {
        const ui::Rgb c = canvas.rgb_at(x, y);
        if (image.pixel(x, y) != qRgb(c.r, c.g, c.b)) ++n;
      }
    return n;
  }
  std::unique_ptr<ui::Toolkit> ui;
  ui::qt::Picture* picture = nullptr;
  display::Canvas2D canvas{97, 61};
};

// Upward and downward y, a window not starting at 0, cells with fractional
// pixel edges that tile without gaps, and a frame along the window's edges
// that must land on the outer pixels.
TEST_F(PictureVsCanvas, RectanglesAndLinesCoverTheSamePixelsInTheSameColours) {
  for (const std::array<double, 4>& w :
       {std::array{0.0, 0.0, 1.0, 1.0}, std::array{-1.0, 120.0, 101.0, -50.0},
        std::array{0.0, 0.0, 10000.0, 9000.0}}) {
    const auto [x0, y0, x1, y1] = w;
    window(x0, y0, x1, y1);
    clear(3);
    const double dx = (x1 - x0) / 13.0, dy = (y1 - y0) / 7.0;
    for (int i = 0; i < 13; ++i)
      for (int j = 0; j < 7; ++j)
        rect(1 + (i * 7 + j) % 254, x0 + i * dx, y0 + j * dy, x0 + (i + 1) * dx, y0 + (j + 1) * dy);
    rect(200, x0 + 0.3 * dx, y0 + 0.2 * dy, x0 + 0.31 * dx, y0 + 0.21 * dy);  // tiny
    line(255, x0, y0, x1, y0);
    line(255, x1, y0, x1, y1);
    line(255, x1, y1, x0, y1);
    line(255, x0, y1, x0, y0);
    line(9, x0 + 2 * dx, y0 + dy, x0 + 2 * dx, y1 - dy);  // vertical inside
    EXPECT_EQ(differing_pixels(), 0) << "window " << x0 << " " << y0 << " " << x1 << " " << y1;
  }
}

TEST_F(PictureVsCanvas, PresentShowsTheDrawingInOnePiece) {
  window(0, 0, 1, 1);
  clear(10);
  picture->present();
  rect(20, 0, 0, 1, 1);
  EXPECT_EQ(picture->shown().pixel(5, 5), qRgb(10, 245, 70)) << "not shown before present";
  ui->picture_present("plot");
  EXPECT_EQ(picture->shown().pixel(5, 5), qRgb(20, 235, 140));
}

TEST_F(PictureVsCanvas, SavesA24BitBitmapThroughATemporaryName) {
  window(0, 0, 1, 1);
  clear(40);
  rect(90, 0, 0, 0.5, 0.5);
  const auto dir = test::fresh_dir("bmp");
  const auto path = dir / "D3D0000.BMP";
  ASSERT_TRUE(ui->save_bmp("plot", path.string()));
  std::ifstream in(path, std::ios::binary);
  char header[30] = {};
  in.read(header, sizeof header);
  EXPECT_EQ(std::string(header, 2), "BM");
  EXPECT_EQ(static_cast<int>(static_cast<unsigned char>(header[28])), 24) << "bits per pixel";
  QImage back(QString::fromStdString(path.string()));
  ASSERT_EQ(back.size(), QSize(97, 61));
  EXPECT_EQ(back.pixel(0, 60), qRgb(90, 165, 118));
  EXPECT_EQ(back.pixel(96, 0), qRgb(40, 215, 24));

  EXPECT_FALSE(ui->save_bmp("plot", (dir / "missing" / "X.BMP").string()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no leftover";
  std::filesystem::remove_all(dir);
}

TEST_F(PictureVsCanvas, ClicksArriveInWindowCoordinatesWithTheirButton) {
  window(0, 0, 10000, 9000);
  picture->resize(97, 61);
  picture->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(picture));
  QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(10, 20));
  QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(96, 0));
  auto first = ui->take_click("plot");
  auto second = ui->take_click("plot");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->button, 1);
  EXPECT_NEAR(first->x, canvas.from_px(10), 1e-6);
  EXPECT_NEAR(first->y, canvas.from_py(20), 1e-6);
  EXPECT_EQ(second->button, 2);
  EXPECT_NEAR(second->x, canvas.from_px(96), 1e-6);
  EXPECT_FALSE(ui->take_click("plot"));

  EXPECT_FALSE(ui->picture_closed("plot"));
  picture->close();
  EXPECT_TRUE(ui->picture_closed("plot"));
}

TEST(MainWindow, ClosingItRequestsCloseAndLeavesTheApplicationRunning) {
  auto ui = test::make_toolkit();
  ui->open_main_window(0, 0, 1020, 718, "QMXV main");
  auto* w = test::find_widget<QMainWindow>("main-window");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "QMXV main");
  EXPECT_EQ(w->size(), QSize(1020, 718));
  EXPECT_EQ(ui->poll(), ui::Event::None);
  w->close();
  EXPECT_EQ(ui->poll(), ui::Event::Close);
  EXPECT_EQ(ui->poll(), ui::Event::Close) << "the request stays until the program stops";
  EXPECT_FALSE(QCoreApplication::closingDown());
}

TEST(MainWindow, RegionsStackBarsAbovePicturesAboveTheLog) {
  auto ui = test::make_toolkit();
  ui->open_main_window(0, 0, 1020, 718, "QMXV");
  for (const char* region : {"units-bar", "flowfield-bar", "log", "forces"}) {
    ui::PanelSpec p;
    p.name = std::string("p-") + region;
    p.title = region;
    p.region = region;
    ui::Control c;
    c.kind = ui::ControlKind::Label;
    c.text = region;
    p.rows = {{c}};
    ui->create_panel(p);
  }
  ui->picture_open({"flow", "", "flowfield", 400, 300});
  ui->picture_open({"history", "", "history", 300, 100});
  ui->poll();
  auto at = [](const char* name) {  // top-left corner in the main window
    QWidget* w = test::find_widget<QWidget>(QString(name));
    return w ? w->mapTo(w->window(), QPoint(0, 0)) : QPoint(-1, -1);
  };
  EXPECT_LT(at("panel:p-units-bar").y(), at("panel:p-flowfield-bar").y());
  EXPECT_LT(at("panel:p-flowfield-bar").y(), at("picture:flow").y());
  EXPECT_LT(at("picture:flow").y(), at("picture:history").y());
  EXPECT_LT(at("picture:history").y(), at("panel:p-log").y());
  EXPECT_LT(at("picture:flow").x(), at("panel:p-forces").x());

  ui->show_panel("p-units-bar", false);
  EXPECT_TRUE(test::find_widget<QWidget>("region:units-bar")->isHidden())
      << "an empty region takes no room";
  ui->show_panel("p-units-bar", true);
  EXPECT_FALSE(test::find_widget<QWidget>("region:units-bar")->isHidden());
}

// Presses `button` at `from`, moves to `to` and lets go.
void drag(QWidget* view, Qt::MouseButton button, QPoint from, QPoint to) {
  QTest::mousePress(view, button, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), view->mapToGlobal(QPointF(to)), Qt::NoButton,
                   button, {});
  QApplication::sendEvent(view, &move);
  QTest::mouseRelease(view, button, {}, to);
}

// The preview's controls, exercised on the CPU-drawn view of the offscreen
// platform (the OpenGL picture itself is tested under a virtual X server).
TEST(SurfacePreview, KeysAndDragsMoveSizeAndTurnTheView) {
  auto ui = test::make_toolkit();
  const std::string caption =
      "POSITION:- Arrow Keys   SIZE:- Right Mouse Button  ORIENTATION:- Left Mouse Button";
  const QStringList lines{"CLOSE WINDOW TO CONTINUE",
                          "The Surfaces are Transparent when Viewed from Behind."};
  ui::Scene3 scene;
  scene.triangles.push_back({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, {255, 0, 0}});
  ui::View3 start{0.0f, 0.0f, 10.0f, -20.0f, 0.2f};
  ui::View3 after_key, after_zoom, after_turn;
  QStringList shown_lines;
  std::string shown_caption;
  test::ModalScript script({[&](QWidget* dialog) {
    shown_caption = dialog->windowTitle().toStdString();
    for (QLabel* l : dialog->findChildren<QLabel*>()) shown_lines << l->text();
    QWidget* view = dialog->findChild<QWidget*>("scene-view");
    if (auto* display = dynamic_cast<ui::qt::SceneDisplay*>(view)) {
      QTest::keyClick(view, Qt::Key_Right);
      QTest::keyClick(view, Qt::Key_Up);
      after_key = display->view();
      drag(view, Qt::RightButton, {50, 50}, {50, 40});  // 10 pixels up
      after_zoom = display->view();
      drag(view, Qt::LeftButton, {50, 50}, {54, 56});
      after_turn = display->view();
    }
    dialog->close();
  }});
  ui->view3_modal(caption, {lines[0].toStdString(), lines[1].toStdString()}, scene, start);
  EXPECT_EQ(shown_caption, caption);
  EXPECT_EQ(shown_lines, lines);
  EXPECT_FLOAT_EQ(after_key.xt, start.xt + ui::qt::ViewControl::kMoveStep);
  EXPECT_FLOAT_EQ(after_key.yt, start.yt + ui::qt::ViewControl::kMoveStep);
  EXPECT_NEAR(after_zoom.scale, start.scale * std::pow(1.02f, 10.0f), 1e-5);
  EXPECT_FLOAT_EQ(after_turn.a_deg, start.a_deg + 6 * ui::qt::ViewControl::kDegreesPerPixel);
  EXPECT_FLOAT_EQ(after_turn.b_deg, start.b_deg + 4 * ui::qt::ViewControl::kDegreesPerPixel);
  EXPECT_FLOAT_EQ(after_turn.scale, after_zoom.scale);
}

TEST(SurfaceView, StaysOneViewInItsRegionAcrossRedraws) {
  auto ui = test::make_toolkit();
  ui->open_main_window(0, 0, 1020, 718, "QMXV");
  ui::Scene3 scene;
  scene.triangles.push_back({{{{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}}, {0, 255, 0}});
  const ui::View3 view{0.0f, 0.0f, 0.0f, 0.0f, 0.5f};
  ui->view3_show("surfaces", "surface", scene, view);
  scene.triangles.front().colour = {255, 0, 255};
  ui->view3_show("surfaces", "surface", scene, view);
  ui->poll();
  QWidget* region = test::find_widget<QWidget>("region:surface");
  ASSERT_NE(region, nullptr);
  EXPECT_FALSE(region->isHidden());
  const auto views = region->findChildren<QWidget*>("view:surfaces");
  ASSERT_EQ(views.size(), 1);
  auto* display = dynamic_cast<ui::qt::SceneDisplay*>(views.front());
  ASSERT_NE(display, nullptr);
  const QImage picture = display->grab_picture();
  EXPECT_EQ(picture.pixel(picture.width() / 2, picture.height() / 2), qRgb(255, 0, 255))
      << "the newest scene is shown";
}

}  // namespace
}  // namespace qmxv
