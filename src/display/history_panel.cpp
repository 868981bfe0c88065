// The molecule number history: NM at the last 200 samples against the flow
// time, with the band of one standard deviation of a Poisson number about
// the middle of the picture, so a drift stands out from the scatter.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "display/displays.h"
#include "display/palettes.h"
#include "display/results_panels.h"
#include "run/state.h"
#include "run/text_format.h"

namespace qmxv {

namespace display {

namespace {

constexpr int kEntries = 200;  // the ring HISTNM(1..2, 1..200)
// Colour indices in the flowfield table.
constexpr int kBackground = 0, kInk = 255, kCurve = 193, kBand = 65;

}  // namespace

HistoryPlot history_plot(const State& s) {
  HistoryPlot h;
  const int n = std::min(kEntries, s.HISTNM.extent(2));
  if (n < 1 || s.HISTNM.extent(1) < 2) return h;
  double tmin = DBL_MAX, tmax = -DBL_MAX, nmin = DBL_MAX, nmax = -DBL_MAX;
  for (int i = 1; i <= n; ++i) {
    const double t = s.HISTNM(1, i), N = s.HISTNM(2, i);
    tmin = std::min(tmin, t);
    tmax = std::max(tmax, t);
    if (N > 0.5) {
      nmin = std::min(nmin, N);
      nmax = std::max(nmax, N);
    }
  }
  // The labels give the spans even when there is no curve to draw yet.
  const bool counted = nmax >= nmin;
  const double St = tmax - tmin, SN = counted ? nmax - nmin : 0.0;
  h.nmin = counted ? std::llround(nmin) : 0;
  h.nmax = counted ? std::llround(nmax) : 0;
  h.seconds = St / s.SCALE;
  if (!(St > 1.0e-20 && SN > 1.0e-6)) return h;
  h.drawn = true;
  // From the newest entry back through the ring to the oldest.
  int i = s.IHIST - 1;
  if (i < 1) i = n;
  for (int step = 0; step < n; ++step) {
    const double N = s.HISTNM(2, i);
    if (N > 0.5) {
      h.xy.push_back((s.HISTNM(1, i) - tmin) * 100.0 / St);
      h.xy.push_back((N - nmin) * 100.0 / SN);
    }
    i = i == 1 ? n : i - 1;
  }
  const double sigma = std::sqrt(0.5 * (nmin + nmax)) / SN;
  h.band_low = 50.0 * (1.0 - sigma);
  h.band_high = 50.0 * (1.0 + sigma);
  return h;
}

}  // namespace display

void draw_history(State& s, ui::Toolkit& ui) {
  using namespace display;
  const char* P = kHistoryPicture;
  open_result_picture(ui, P, flowfield_colour_table(), kBackground);
  ui.picture_window(P, -1.0, -50.0, 101.0, 120.0);
  ui.polyline(P, kInk, {0, 0, 100, 0, 100, 100, 0, 100, 0, 0});
  ui.text(P, kInk, 50, 106, "Molecule Number History", ui::TextAlign::Centre);
  const HistoryPlot h = history_plot(s);
  if (h.drawn) {
    // A band wider than the window (a few molecules) has no line to draw.
    if (h.band_low >= -50.0) ui.line(P, kBand, 0, h.band_low, 100, h.band_low);
    if (h.band_high <= 120.0) ui.line(P, kBand, 0, h.band_high, 100, h.band_high);
    ui.polyline(P, kCurve, h.xy);
  }
  ui.text(P, kInk, 0, 104, std::to_string(h.nmax));
  ui.text(P, kInk, 0, -14, std::to_string(h.nmin));
  ui.text(P, kBand, 100, -14, "1 standard deviation", ui::TextAlign::Right);
  ui.text(P, kInk, 0, -34, "Past");
  ui.text(P, kInk, 50, -34, free_item(fortran_format(h.seconds, "(E11.3)")) + " seconds",
          ui::TextAlign::Centre);
  ui.picture_present(P);
}

}  // namespace qmxv
