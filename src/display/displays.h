#pragma once

namespace qmxv {
struct State;
namespace ui {
class Toolkit;
}

// The control bars and result panels of the main window before the loop.
void setup_displays(State& s, ui::Toolkit& ui);

// Reads the bars after every event service, applies changes and redraws.
void refresh_displays(State& s, ui::Toolkit& ui);

// Redraws the surface, history and flowfield results (a redraw request).
void redraw_results(State& s, ui::Toolkit& ui);

// The result panels, each from the last output's results and the display
// selections: the forces and moments panel of the chosen surface (after
// every sample), the surface picture with its colour bar, the molecule
// number history and the flowfield plane.
void show_forces(State& s, ui::Toolkit& ui);
void draw_surface_results(State& s, ui::Toolkit& ui);
void draw_history(State& s, ui::Toolkit& ui);
void draw_flowfield(State& s, ui::Toolkit& ui);

}  // namespace qmxv
