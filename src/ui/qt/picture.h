// A 2-D picture on the desktop: QPainter on an ARGB image, colour indices
// mapped through the picture's 256-entry table when each primitive is drawn,
// and the coordinate window and pixel conventions of display::Canvas2D, so the
// screen shows what a batch run writes.
//
// Drawing goes to a back image; picture_present copies it to the one on the
// screen in one piece, so a picture being redrawn never flickers.
#pragma once

#include <QImage>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/canvas.h"
#include "ui/toolkit.h"

class QPainter;

namespace qmxv::ui::qt {

class Picture : public QWidget {
 public:
  Picture(const PictureSpec& desc, QWidget* parent);
  ~Picture() override;

  const PictureSpec& desc() const { return spec_; }

  void set_window(double x0, double y0, double x1, double y1) { map_.set_window(x0, y0, x1, y1); }
  void set_palette(const Palette& palette) { palette_ = palette; }
  void clear(int colour);
  void fill_rect(int colour, double x0, double y0, double x1, double y1);
  void line(int colour, double x0, double y0, double x1, double y1);
  void polyline(int colour, const std::vector<double>& xy);
  void text(int colour, double x, double y, const std::string& text, TextAlign align);
  void present();
  bool save_bmp(const std::string& path);

  std::optional<MouseClick> take_click();
  bool closed() const { return closed_; }
  void reopen() { closed_ = false; }

  // What was drawn so far (ends any painting in progress).
  const QImage& drawn();
  const QImage& shown() const { return shown_; }

  QSize sizeHint() const override { return {spec_.width, spec_.height}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QPainter& painter();
  void end_painting();
  QColor colour(int index) const;
  // The rectangle the image occupies in the widget: 1:1 and centred when it
  // fits, else scaled down keeping its proportions.
  QRectF image_rect() const;

  PictureSpec spec_;
  display::Canvas2D map_;  // the coordinate window and pixel conventions
  Palette palette_{};
  QImage image_;  // being drawn
  QImage shown_;  // on the screen
  std::unique_ptr<QPainter> painter_;
  std::deque<MouseClick> clicks_;
  bool closed_ = false;
};

}  // namespace qmxv::ui::qt
