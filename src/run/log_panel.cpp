#include "run/log_panel.h"

#include <algorithm>

#include "run/state.h"

namespace qmxv {

namespace {

ui::Control label(const std::string& text) {
  return ui::label({}, text);
}

ui::Control field(const std::string& name, ui::ControlKind kind, const std::string& format = {},
                  int width_chars = 0) {
  ui::Control c;
  c.name = name;
  c.kind = kind;
  c.format = format;
  c.width_chars = width_chars;
  return c;
}

}  // namespace

ui::PanelSpec log_panel_spec(const State& s) {
  (void)s;
  using K = ui::ControlKind;
  ui::PanelSpec p;
  p.name = kLogPanel;
  p.title = "Progressive Log of the Current DSMC Computation";
  p.region = "log";
  p.rows = {
      {label("Flow time is"), field("time", K::Real, "(G13.7)"), label("seconds with"),
       field("nm", K::Integer, {}, 10), label("simulated molecules,")},
      {field("moves", K::Real, "(F13.0)"), label("molecular moves,"),
       field("colls", K::Real, "(F12.0)"), label("binary collisions, and"),
       field("refs", K::Real, "(F10.0)"), label("surface reflections.")},
      {field("reactions", K::Real, "(F9.0)"), label("type"), field("reaction_type", K::Spin),
       label("chemical reactions")},
      {field("nround", K::Integer, {}, 8), label("molecule round-off substitutions from"),
       field("entered", K::Real, "(F10.0)"), label("entering mols.")},
      {label("Average (mean coll sep)/(m.f.p)"), field("csepmfp", K::Real, "(G10.3)")},
      {field("nsamp", K::Integer, {}, 8), label("flowfield samples since"),
       label("initialization at time"), field("tsampstart", K::Real, "(G11.5)"),
       label("when there were"), field("nmsampstart", K::Integer, {}, 10), label("molecules.")},
      {field("message", K::Text)},
      {field("activity", K::Text)},
  };
  // The reaction row's parts are addressed together.
  p.rows[2][1].name = "reaction_label";
  p.rows[2][3].name = "reaction_text";
  return p;
}

void refresh_log_panel(State& s, ui::Toolkit& ui) {
  const char* P = kLogPanel;
  ui.put_real(P, "time", s.TIME / s.SCALE);
  ui.put_int(P, "nm", s.NM);
  ui.put_real(P, "moves", s.TOTMOV);
  ui.put_real(P, "colls", s.TOTCOL);
  ui.put_real(P, "refs", s.TOTREF);
  const bool reactions = s.MNR > 0;
  for (const char* c : {"reactions", "reaction_label", "reaction_type", "reaction_text"})
    ui.show_control(P, c, reactions);
  if (reactions) {
    ui.set_range(P, "reaction_type", 1, s.MNR);
    long long j = ui.get_int(P, "reaction_type");
    if (j < 1 || j > s.MNR) {
      j = std::clamp<long long>(j, 1, s.MNR);
      ui.put_int(P, "reaction_type", j);
    }
    ui.put_real(P, "reactions", s.TOTREA.empty() ? 0.0 : s.TOTREA(static_cast<int>(j)));
  }
  ui.put_int(P, "nround", s.NROUND);
  ui.put_real(P, "entered", s.TOTENT);
  ui.put_real(P, "csepmfp", s.CSEPMFP);
  ui.put_int(P, "nsamp", s.NSAMP);
  ui.put_real(P, "tsampstart", s.TSAMPSTART / s.SCALE);
  ui.put_int(P, "nmsampstart", s.NMSAMPSTART);
}

void set_activity(ui::Toolkit& ui, const std::string& activity) {
  ui.put_text(kLogPanel, "activity", activity);
}

void set_message(ui::Toolkit& ui, const std::string& message) {
  ui.put_text(kLogPanel, "message", message);
}

}  // namespace qmxv
