// The colour bar of a result picture: one band per colour index from the
// low end of the range to the high end, ticks at the minor steps, the
// labelled values at the major steps, and the power of ten they are written in.
#pragma once

#include <string>

#include "display/result_scales.h"
#include "ui/toolkit.h"

namespace qmxv::display {

struct ColourBar {
  std::string picture;
  // The bar's rectangle in the picture's coordinate window [pixel units of
  // a window set to the raster, y upward].
  double x0 = 0, y0 = 0, x1 = 1, y1 = 1;
  bool vertical = true;  // bands stacked upward; else left to right
  int first = 1, last = 254;  // colour indices of the lowest and highest band
  int text_colour = 255;
};

// Draws the bands, ticks and labels (beside a vertical bar, under a
// horizontal one) and, when the labels carry a power of ten, "x10" with
// the power at (hx, hy).
void draw_colour_bar(ui::Toolkit& ui, const ColourBar& bar, const ColourRange& range,
                     const ScaleSteps& steps, double hx, double hy);

// Sets the picture's coordinate window so that the user rectangle
// (x0, y0)-(x1, y1) lands on the pixel rectangle left..right, top..bottom
// of a width x height raster (row 0 at the top).
void window_onto(ui::Toolkit& ui, const std::string& picture, int width, int height, double left,
                 double top, double right, double bottom, double x0, double y0, double x1,
                 double y1);

}  // namespace qmxv::display
