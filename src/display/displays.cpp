#include "display/displays.h"

#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

void setup_displays(State& s, ui::Toolkit& ui) {
  // Stub until the display issue creates the control bars and result panels.
  (void)s;
  (void)ui;
}

void refresh_displays(State& s, ui::Toolkit& ui) {
  // Stub until the display issue services the control bars.
  (void)s;
  (void)ui;
}

void redraw_results(State& s, ui::Toolkit& ui) {
  // Stub until the results issues draw the surface, history and flowfield panels.
  (void)s;
  (void)ui;
}

void show_forces(State& s, ui::Toolkit& ui) {
  // Stub until the result panels land (this same results work).
  (void)s;
  (void)ui;
}

void draw_surface_results(State& s, ui::Toolkit& ui) {
  // Stub until the result panels land (this same results work).
  (void)s;
  (void)ui;
}

void draw_history(State& s, ui::Toolkit& ui) {
  // Stub until the result panels land (this same results work).
  (void)s;
  (void)ui;
}

void draw_flowfield(State& s, ui::Toolkit& ui) {
  // Stub until the result panels land (this same results work).
  (void)s;
  (void)ui;
}

}  // namespace qmxv
