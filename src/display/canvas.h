// The CPU rasteriser of the 2-D pictures and of the 3-D triangle view.
//
// Batch runs and tests draw through these, and the desktop draws the same
// primitives with the same coordinate mapping, so a bitmap written without a
// display matches the picture on the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace qmxv::display {

// A 2-D picture: width x height pixels of colour indices 0..255, a 256-entry
// palette, and a user coordinate window (x0, y0) .. (x1, y1) mapped onto the
// pixel raster: x0 at the left edge, x1 at the right edge, y0 at the bottom
// edge and y1 at the top edge (a window with y0 > y1 runs y downward).
//
// Pixel conventions (the desktop painter follows the same ones):
// - Mapping: px = (x - x0) / (x1 - x0) * width, py = (y1 - y) / (y1 - y0) * height.
//   Pixel column c covers px in [c, c + 1), its centre at c + 0.5; rows alike.
// - The pixel holding a point is (floor(px), floor(py)), except that a point
//   exactly on the right or bottom edge of the window belongs to the last
//   column or row: the window is closed (column_of, row_of).
// - fill_rect covers the pixels whose centres lie in the half-open span
//   [min, max) of the rectangle's pixel coordinates on each axis, so
//   rectangles sharing an edge tile without gap or overlap, and a rectangle
//   covering the whole window covers every pixel (rect_pixels).
// - line draws Bresenham's pixels between the two end pixels (both ends
//   included): with n the larger and m the smaller pixel difference, step k
//   of n moves one pixel along the major axis and floor((2km + n) / 2n) pixels
//   along the minor one. Pixels outside the raster are skipped, never moved.
// - polyline draws the segments between consecutive points (x, y pairs).
// - text draws 8x13 glyphs (display/font.h) whose baseline row is row_of(y);
//   Left starts the first glyph at column_of(x), Centre centres the string's
//   8n pixels on that column, Right ends them just left of it.
class Canvas2D {
 public:
  Canvas2D(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }

  void set_window(double x0, double y0, double x1, double y1);
  void set_palette(const ui::Palette& palette) { palette_ = palette; }
  const ui::Palette& palette() const { return palette_; }

  void clear(int colour);
  void fill_rect(int colour, double x0, double y0, double x1, double y1);
  void line(int colour, double x0, double y0, double x1, double y1);
  void polyline(int colour, const std::vector<double>& xy);
  // Text in a fixed 8x13 bitmap font; (x, y) is the left (or centre, right)
  // end of the baseline in window coordinates.
  void text(int colour, double x, double y, const std::string& text,
            ui::TextAlign align = ui::TextAlign::Left);

  // Window coordinates to pixel column/row (row 0 at the top), and back.
  double to_px(double x) const;
  double to_py(double y) const;
  double from_px(double px) const;
  double from_py(double py) const;

  // The pixel column/row holding a window point (may lie outside the raster).
  int column_of(double x) const;
  int row_of(double y) const;
  // The pixels fill_rect covers: columns left..right-1, rows top..bottom-1,
  // before clipping to the raster (empty when right <= left or bottom <= top).
  struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
  };
  PixelRect rect_pixels(double x0, double y0, double x1, double y1) const;

  int index_at(int px, int py) const { return pixels_[static_cast<std::size_t>(py) * width_ + px]; }
  ui::Rgb rgb_at(int px, int py) const { return palette_[index_at(px, py)]; }
  const std::vector<std::uint8_t>& indices() const { return pixels_; }

  // 24-bit uncompressed Windows bitmap; false when the file cannot be written.
  // Written to a temporary name and renamed into place.
  bool save_bmp(const std::string& path) const;

 private:
  void plot(int px, int py, int colour);
  int width_, height_;
  double x0_ = 0, y0_ = 0, x1_ = 1, y1_ = 1;
  ui::Palette palette_{};
  std::vector<std::uint8_t> pixels_;
};

// An RGB image (the 3-D view), row 0 at the top.
struct Image {
  int width = 0, height = 0;
  std::vector<ui::Rgb> pixels;
  ui::Rgb at(int px, int py) const { return pixels[static_cast<std::size_t>(py) * width + px]; }
  bool save_bmp(const std::string& path) const;
};

// Renders the scene as the desktop's OpenGL view does: the model matrix of
// `view` (display/view3d.h), the same perspective, a depth buffer, back faces
// culled when the scene asks for it, flat colours.
Image render3(const ui::Scene3& scene, const ui::View3& view, int width, int height);

// Writes 24-bit BMP pixels (rows top to bottom) to `path` through a temporary file.
bool write_bmp(const std::string& path, int width, int height, const std::vector<ui::Rgb>& pixels);

}  // namespace qmxv::display
