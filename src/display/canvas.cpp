// The CPU rasteriser of the 2-D pictures: an indexed raster with a coordinate
// window. The pixel conventions are documented in canvas.h.
#include "display/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "display/font.h"

namespace qmxv::display {

namespace {

// Pixel coordinates are clamped to +-2^29 before they become integers, so the
// 64-bit products of the line stepping cannot overflow; nothing that far out
// reaches the raster anyway.
constexpr double kPixelLimit = 536870912.0;

double clamp_pixel(double p) {
  if (std::isnan(p)) return -kPixelLimit;
  return std::clamp(p, -kPixelLimit, kPixelLimit);
}

// The pixel index holding pixel coordinate p on an axis of n pixels, the far
// edge (p == n) belonging to the last pixel.
int pixel_index(double p, int n) {
  p = clamp_pixel(p);
  if (p == static_cast<double>(n) && n > 0) return n - 1;
  return static_cast<int>(std::floor(p));
}

// The first pixel whose centre c + 0.5 is not below p.
int first_centre_at_or_above(double p) {
  return static_cast<int>(std::ceil(clamp_pixel(p) - 0.5));
}

}  // namespace

Canvas2D::Canvas2D(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0) {}

void Canvas2D::set_window(double x0, double y0, double x1, double y1) {
  // A window of zero extent has no mapping; the previous window stays.
  if (!(x1 != x0) || !(y1 != y0)) return;
  x0_ = x0;
  y0_ = y0;
  x1_ = x1;
  y1_ = y1;
}

void Canvas2D::clear(int colour) {
  std::fill(pixels_.begin(), pixels_.end(), static_cast<std::uint8_t>(colour & 0xff));
}

double Canvas2D::to_px(double x) const {
  return (x - x0_) / (x1_ - x0_) * width_;
}
double Canvas2D::to_py(double y) const {
  return (y1_ - y) / (y1_ - y0_) * height_;
}
double Canvas2D::from_px(double px) const {
  return x0_ + px / width_ * (x1_ - x0_);
}
double Canvas2D::from_py(double py) const {
  return y1_ - py / height_ * (y1_ - y0_);
}

int Canvas2D::column_of(double x) const {
  return pixel_index(to_px(x), width_);
}
int Canvas2D::row_of(double y) const {
  return pixel_index(to_py(y), height_);
}

Canvas2D::PixelRect Canvas2D::rect_pixels(double x0, double y0, double x1, double y1) const {
  const double pa = to_px(x0), pb = to_px(x1);
  const double qa = to_py(y0), qb = to_py(y1);
  PixelRect r;
  r.left = first_centre_at_or_above(std::min(pa, pb));
  r.right = first_centre_at_or_above(std::max(pa, pb));
  r.top = first_centre_at_or_above(std::min(qa, qb));
  r.bottom = first_centre_at_or_above(std::max(qa, qb));
  return r;
}

void Canvas2D::plot(int px, int py, int colour) {
  if (px < 0 || py < 0 || px >= width_ || py >= height_) return;
  pixels_[static_cast<std::size_t>(py) * width_ + px] = static_cast<std::uint8_t>(colour & 0xff);
}

void Canvas2D::fill_rect(int colour, double x0, double y0, double x1, double y1) {
  const PixelRect r = rect_pixels(x0, y0, x1, y1);
  const int left = std::max(r.left, 0), right = std::min(r.right, width_);
  const int top = std::max(r.top, 0), bottom = std::min(r.bottom, height_);
  const auto index = static_cast<std::uint8_t>(colour & 0xff);
  for (int py = top; py < bottom; ++py) {
    auto row = pixels_.begin() + static_cast<std::ptrdiff_t>(py) * width_;
    std::fill(row + left, row + std::max(left, right), index);
  }
}

void Canvas2D::line(int colour, double x0, double y0, double x1, double y1) {
  const int ca = column_of(x0), ra = row_of(y0);
  const int cb = column_of(x1), rb = row_of(y1);
  const std::int64_t dc = static_cast<std::int64_t>(cb) - ca;
  const std::int64_t dr = static_cast<std::int64_t>(rb) - ra;
  const bool column_major = std::llabs(dc) >= std::llabs(dr);
  const std::int64_t n = column_major ? std::llabs(dc) : std::llabs(dr);
  const std::int64_t m = column_major ? std::llabs(dr) : std::llabs(dc);
  const int major_step = (column_major ? dc : dr) < 0 ? -1 : 1;
  const int minor_step = (column_major ? dr : dc) < 0 ? -1 : 1;
  const std::int64_t major0 = column_major ? ca : ra;
  const std::int64_t minor0 = column_major ? ra : ca;
  const int major_size = column_major ? width_ : height_;
  const int minor_size = column_major ? height_ : width_;
  if (n == 0) {
    plot(ca, ra, colour);
    return;
  }
  // Only the steps whose major coordinate lies on the raster can draw, so the
  // walk starts and ends there: a line reaching far outside costs no more than
  // one across the picture.
  std::int64_t k_lo = 0, k_hi = n;
  if (major_step > 0) {
    k_lo = std::max<std::int64_t>(k_lo, -major0);
    k_hi = std::min<std::int64_t>(k_hi, major_size - 1 - major0);
  } else {
    k_lo = std::max<std::int64_t>(k_lo, major0 - (major_size - 1));
    k_hi = std::min<std::int64_t>(k_hi, major0);
  }
  for (std::int64_t k = k_lo; k <= k_hi; ++k) {
    const std::int64_t major = major0 + major_step * k;
    const std::int64_t minor = minor0 + minor_step * ((2 * k * m + n) / (2 * n));
    if (minor < 0 || minor >= minor_size) continue;
    if (column_major)
      plot(static_cast<int>(major), static_cast<int>(minor), colour);
    else
      plot(static_cast<int>(minor), static_cast<int>(major), colour);
  }
}

void Canvas2D::polyline(int colour, const std::vector<double>& xy) {
  if (xy.size() == 2) line(colour, xy[0], xy[1], xy[0], xy[1]);
  for (std::size_t i = 2; i + 1 < xy.size(); i += 2)
    line(colour, xy[i - 2], xy[i - 1], xy[i], xy[i + 1]);
}

void Canvas2D::text(int colour, double x, double y, const std::string& text, ui::TextAlign align) {
  const int width_px = kFontWidth * static_cast<int>(text.size());
  int left = column_of(x);
  if (align == ui::TextAlign::Centre) left -= width_px / 2;
  if (align == ui::TextAlign::Right) left -= width_px;
  const int top = row_of(y) - kFontBaselineRow;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Glyph& glyph = font_glyph(text[i]);
    const int gx = left + kFontWidth * static_cast<int>(i);
    for (int r = 0; r < kFontHeight; ++r) {
      const unsigned bits = glyph[static_cast<std::size_t>(r)];
      if (bits == 0) continue;
      for (int c = 0; c < kFontWidth; ++c)
        if (bits & (0x80u >> c)) plot(gx + c, top + r, colour);
    }
  }
}

bool Canvas2D::save_bmp(const std::string& path) const {
  std::vector<ui::Rgb> rgb(pixels_.size());
  std::transform(pixels_.begin(), pixels_.end(), rgb.begin(),
                 [this](std::uint8_t i) { return palette_[i]; });
  return write_bmp(path, width_, height_, rgb);
}

bool Image::save_bmp(const std::string& path) const {
  return write_bmp(path, width, height, pixels);
}

}  // namespace qmxv::display
