#include "display/displays.h"

#include "display/results_panels.h"
#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void setup_displays(State& s, ui::Toolkit& ui) {
  // The control bars that steer the pictures join here; the result panels
  // are in place from the start.
  display::create_result_panels(s, ui);
}

void refresh_displays(State& s, ui::Toolkit& ui) {
  // Nothing to service until the control bars exist: the forces panel's
  // fields are read when the panel is refreshed after each sample.
  (void)s;
  (void)ui;
}

void redraw_results(State& s, ui::Toolkit& ui) {
  if (s.NSTRI > 0) {
    show_forces(s, ui);
    draw_surface_results(s, ui);
  }
  draw_history(s, ui);
  draw_flowfield(s, ui);
}

}  // namespace qmxv
