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

}  // namespace qmxv
