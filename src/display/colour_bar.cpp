#include "display/colour_bar.h"

#include <cmath>

#include "display/font.h"
#include "run/text_format.h"

namespace qmxv::display {

void draw_colour_bar(ui::Toolkit& ui, const ColourBar& bar, const ColourRange& range,
                     const ScaleSteps& steps, double hx, double hy) {
  const std::string& P = bar.picture;
  const int n = bar.last - bar.first + 1;
  const double length = bar.vertical ? bar.y1 - bar.y0 : bar.x1 - bar.x0;
  for (int k = 0; k < n; ++k) {
    const double a = length * k / n, b = length * (k + 1) / n;
    if (bar.vertical)
      ui.fill_rect(P, bar.first + k, bar.x0, bar.y0 + a, bar.x1, bar.y0 + b);
    else
      ui.fill_rect(P, bar.first + k, bar.x0 + a, bar.y0, bar.x0 + b, bar.y1);
  }
  // Where a value of the range sits along the bar.
  auto at = [&](double v) { return (v - range.low) / range.span() * length; };
  const double unit = std::pow(10.0, steps.exponent);
  const double minor = steps.minor / unit;
  const int first_tick = static_cast<int>(std::ceil(range.low / minor - 1e-9));
  for (int i = first_tick; i * minor <= range.high + 1e-9 * minor && i - first_tick < 400; ++i) {
    const double d = at(i * minor);
    if (bar.vertical)
      ui.line(P, bar.text_colour, bar.x1, bar.y0 + d, bar.x1 + 3, bar.y0 + d);
    else
      ui.line(P, bar.text_colour, bar.x0 + d, bar.y0, bar.x0 + d, bar.y0 - 3);
  }
  for (const ScaleLabel& l : scale_labels(range, steps)) {
    const double d = at(l.value);
    if (bar.vertical) {
      ui.line(P, bar.text_colour, bar.x1, bar.y0 + d, bar.x1 + 6, bar.y0 + d);
      ui.text(P, bar.text_colour, bar.x1 + 8, bar.y0 + d - 0.5 * kFontBaselineRow + 1, l.text);
    } else {
      ui.line(P, bar.text_colour, bar.x0 + d, bar.y0, bar.x0 + d, bar.y0 - 6);
      ui.text(P, bar.text_colour, bar.x0 + d, bar.y0 - 8 - kFontBaselineRow, free_item(l.text),
              ui::TextAlign::Centre);
    }
  }
  if (steps.exponent != 0) {
    ui.text(P, bar.text_colour, hx, hy, "x10");
    ui.text(P, bar.text_colour, hx + 3 * kFontWidth, hy + 5, std::to_string(-steps.exponent));
  }
}

void window_onto(ui::Toolkit& ui, const std::string& picture, int width, int height, double left,
                 double top, double right, double bottom, double x0, double y0, double x1,
                 double y1) {
  const double sx = (x1 - x0) / (right - left), sy = (y1 - y0) / (bottom - top);
  ui.picture_window(picture, x0 - left * sx, y0 - (height - bottom) * sy, x1 + (width - right) * sx,
                    y1 + top * sy);
}

}  // namespace qmxv::display
