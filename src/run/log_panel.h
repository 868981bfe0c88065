// The panel "Progressive Log of the Current DSMC Computation": one sentence
// about the run, refreshed at every pass of the time-step loop.
#pragma once

#include <string>

#include "ui/toolkit.h"

namespace qmxv {
struct State;

inline constexpr const char* kLogPanel = "log";

ui::PanelSpec log_panel_spec(const State& s);

// Writes every field of the log panel from the state; the reaction row is
// shown only when the gas has reactions.
void refresh_log_panel(State& s, ui::Toolkit& ui);

void set_activity(ui::Toolkit& ui, const std::string& activity);
void set_message(ui::Toolkit& ui, const std::string& message);

}  // namespace qmxv
