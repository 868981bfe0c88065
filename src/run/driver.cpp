#include "run/driver.h"

#include <chrono>
#include <cstdio>
#include <new>
#include <ostream>

#include "core/collide.h"
#include "core/entry.h"
#include "core/indexing.h"
#include "core/initialize.h"
#include "core/move.h"
#include "data/read_gas.h"
#include "data/read_surface.h"
#include "display/displays.h"
#include "display/surface_scene.h"
#include "geometry/adapt.h"
#include "geometry/cells.h"
#include "geometry/grid_setup.h"
#include "output/export.h"
#include "output/restart.h"
#include "output/sampling.h"
#include "run/errors.h"
#include "run/log_panel.h"
#include "run/run_type.h"
#include "run/state.h"
#include "run/text_format.h"

namespace qmxv {

namespace {

constexpr const char* kMainTitle = "DSMC Visual Program QMXV for Three-Dimensional Flows";
// Above this many molecules one step takes long enough for the window to need
// extra event services between the stages.
constexpr int kManyMolecules = 1000000;

// Polls one window event: a close request stops the program at once, a redraw
// request redraws the results; then the displays react to the user's changes.
void service_events(State& s, ui::Toolkit& ui) {
  const ui::Event e = ui.poll();
  if (e == ui::Event::Close) throw StopRequest{};
  if (e == ui::Event::Redraw) redraw_results(s, ui);
  refresh_displays(s, ui);
}

void service_events_if_many(State& s, ui::Toolkit& ui) {
  if (s.NM > kManyMolecules) service_events(s, ui);
}

void show_surface_preview(State& s, ui::Toolkit& ui) {
  ui.view3_modal("POSITION:- Arrow Keys   SIZE:- Right Mouse Button  ORIENTATION:- Left Mouse Button",
                 {"CLOSE WINDOW TO CONTINUE", "The Surfaces are Transparent when Viewed from Behind."},
                 display::surface_scene(s), display::preview_view(s));
}

std::string seconds_text(double t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", t);
  return buf;
}

// "1234 reactions, " when the gas reacts.
std::string reactions_text(const State& s) {
  if (s.MNR <= 0 || s.TOTREA.empty()) return {};
  double n = 0;
  for (int J = 1; J <= s.MNR; ++J) n += s.TOTREA(J);
  return free_item(n) + " reactions, ";
}

}  // namespace

void start_up(State& s, ui::Toolkit& ui) {
  const int width = ui.screen_width();
  if (width >= 1100) {
    s.IXOFF = s.IYOFF = 100;
    s.ISCREEN = 1280;
  } else {
    s.IXOFF = s.IYOFF = 150;
    s.ISCREEN = 1024;
  }
  ui.open_main_window(0, 0, 1020, 718, kMainTitle);
  if (!s.DIAG.open(s.file("DIAG.TXT")))
    throw UserError("Cannot create DIAG.TXT in " + s.DIR.string() +
                        ": the working directory must be writable",
                    kExitUsage);
  if (width < 1000) {
    s.DIAG.line("This program requires at least 1024*768 screen resolution");
    throw UserError("This program requires at least 1024*768 screen resolution", kExitUsage);
  }
  read_config(s);
}

void prepare_new_run(State& s, ui::Toolkit& ui, const RunLimits& limits, bool& stop_after_cells) {
  if (s.NRUNTYPE >= kDeltaWingDemo && s.NRUNTYPE <= kReentryDemo)
    install_demo_files(s, s.NRUNTYPE - kDeltaWingDemo + 1);
  read_gas_data(s, ui);
  read_surface_data(s);
  if (s.NSURF > 0) show_surface_preview(s, ui);
  ui.reset_main_window();
  setup_grid(s, ui);
  form_cells(s, ui);
  stop_after_cells = limits.steps && *limits.steps == 0;
  if (stop_after_cells) {
    s.DIAG.line("Geometry check complete: stopped after cell formation, no restart files written");
    return;
  }
  initialize_flow(s, ui);
  reset_sample(s);
  if (ui.poll() == ui::Event::Close) throw StopRequest{};
  s.DIAG.write("INITIAL STATE SET WITH", s.NM, " MOLECULES");
  write_restart(s);
  s.DIAG.line("RESTART FILE WRITTEN");
  // The new run owns results/ from here on; a refused run or a geometry
  // check leaves an earlier run's files alone.
  clear_results(s);
}

// Wall time spent in each molecule stage of the loop since the last
// progress line [s].
struct StageTimes {
  double move = 0, entry = 0, index = 0, collide = 0, sample = 0, output = 0, restart = 0;
};

void time_step_loop(State& s, ui::Toolkit& ui, const RunLimits& limits, std::ostream* progress) {
  using Clock = std::chrono::steady_clock;
  long long passes = 0;
  int outputs = 0;
  bool sampled = false;
  std::string message;
  auto last_line_wall = Clock::now();
  double last_line_moves = s.TOTMOV;
  StageTimes stages;
  // Between outputs a batch run still reports every so often.
  constexpr double kProgressSeconds = 10.0;

  const std::string commence = "Flowfield and surface displays commence at time " +
                               free_item(fortran_format(s.DTOUT / s.SCALE, "(G12.6)"));
  auto show_message = [&](const std::string& text) {
    if (text != message) set_message(ui, text);
    message = text;
  };
  auto limit_reached = [&] {
    if (limits.steps && passes >= *limits.steps) return true;
    if (limits.outputs && outputs >= *limits.outputs) return true;
    if (limits.until_seconds && s.TIME / s.SCALE >= *limits.until_seconds) return true;
    return false;
  };
  auto timed = [](double& total, auto&& stage) {
    const auto t0 = Clock::now();
    stage();
    total += std::chrono::duration<double>(Clock::now() - t0).count();
  };
  auto progress_line = [&](const std::string& label, const std::string& extra = {}) {
    const auto now = Clock::now();
    const double wall = std::chrono::duration<double>(now - last_line_wall).count();
    const double rate = wall > 0 ? (s.TOTMOV - last_line_moves) / wall : 0.0;
    *progress << label << ": flow time " << seconds_text(s.TIME / s.SCALE) << " s, " << s.NM
              << " molecules, " << free_item(s.TOTCOL) << " collisions, " << reactions_text(s)
              << seconds_text(rate)
              << " moves/s; stage times move " << seconds_text(stages.move) << " s, entry "
              << seconds_text(stages.entry) << " s, indexing " << seconds_text(stages.index)
              << " s, collisions " << seconds_text(stages.collide) << " s, sampling "
              << seconds_text(stages.sample) << " s, output " << seconds_text(stages.output)
              << " s, restart files " << seconds_text(stages.restart) << " s" << extra << std::endl;
    last_line_wall = now;
    last_line_moves = s.TOTMOV;
    stages = {};
  };

  for (;;) {
    if (s.TIME >= s.TLIM || limit_reached()) break;
    s.TIME += s.DTM;
    ++passes;
    // The flow time to single precision: DTM is single, more digits are noise.
    s.DIAG.write("TIME", static_cast<float>(s.TIME / s.SCALE), " NM", s.NM, " COLLS", s.TOTCOL);
    service_events(s, ui);

    refresh_log_panel(s, ui);
    // The first-output notice stands until the first sample; a reset notice
    // from an output stands until the next sample blanks it.
    if (s.TIME < s.DTOUT && !sampled)
      show_message(commence);
    else if (message == commence)
      show_message({});

    set_activity(ui, "Moving");
    timed(stages.move, [&] { move_molecules(s, ui); });
    service_events_if_many(s, ui);
    set_activity(ui, "Entering");
    timed(stages.entry, [&] { enter_molecules(s); });
    service_events_if_many(s, ui);
    if (s.IINDEX == 0) {
      set_activity(ui, "Indexing");
      timed(stages.index, [&] { index_molecules(s); });
    }
    set_activity(ui, "Collisions");
    timed(stages.collide, [&] { collide(s); });

    if (progress && std::chrono::duration<double>(Clock::now() - last_line_wall).count() >
                        kProgressSeconds)
      progress_line("step " + std::to_string(passes));

    if (s.TIME <= s.TSAMP) continue;
    service_events_if_many(s, ui);
    set_activity(ui, "Sampling");
    show_message({});
    sampled = true;
    timed(stages.sample, [&] { sample_flowfield(s, ui); });

    if (s.TIME <= s.TOUT) continue;
    if (s.IINDEX == 1) {
      set_activity(ui, "Index Check");
      check_index(s);
    }
    set_activity(ui, "Output");
    OutputReport report;
    timed(stages.output, [&] { report = output_step(s, ui); });
    if (report.number_change_reset) show_message("Sample reset due to excessive molecule number change");
    service_events_if_many(s, ui);
    set_activity(ui, "Restart Files");
    timed(stages.restart, [&] { write_restart(s); });
    service_events_if_many(s, ui);
    ++outputs;
    if (progress)
      progress_line("output " + std::to_string(s.NOUT),
                    "; " + std::to_string(report.nsamp) + " samples, time step now " +
                        seconds_text(s.DTM / s.SCALE) + " s" +
                        (report.reset ? ", sample reset" : ""));
  }
  if (progress) {
    if (passes > 0 && s.TOTMOV > last_line_moves) progress_line("step " + std::to_string(passes));
    *progress << "stopped after " << passes << " steps and " << outputs
              << " outputs at flow time " << seconds_text(s.TIME / s.SCALE) << " s" << std::endl;
  }
}

RunResult run_program(State& s, ui::Toolkit& ui, const RunLimits& limits, std::ostream* progress) {
  RunResult result;
  try {
    start_up(s, ui);
    choose_run_type(s, ui);
    if (s.NRUNTYPE == kContinueRun || s.NRUNTYPE == kAdaptAndContinue) {
      const auto t0 = std::chrono::steady_clock::now();
      read_restart(s, ui);
      if (progress)
        *progress << "continuing from the restart set of output " << s.NOUT << " at flow time "
                  << seconds_text(s.TIME / s.SCALE) << " s, " << s.NM << " molecules ("
                  << seconds_text(restart_set_bytes(s) / 1.0e6) << " MB read in "
                  << seconds_text(std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                                                t0)
                                      .count())
                  << " s)" << std::endl;
      forget_outputs_after(s);
      if (s.NRUNTYPE == kAdaptAndContinue) {
        adapt_cells(s, ui);
        rebuild_index(s);
        // A stop before the next output then continues on the new cells,
        // not from the set the adaption started from.
        write_restart(s);
        s.DIAG.line("RESTART FILE WRITTEN");
      }
    } else {
      bool stop_after_cells = false;
      prepare_new_run(s, ui, limits, stop_after_cells);
      if (stop_after_cells) {
        s.DIAG.close();
        return result;
      }
    }
    ui.reset_main_window();
    ui.create_panel(log_panel_spec(s));
    setup_displays(s, ui);
    if (s.NRUNTYPE == kContinueRun) {
      redraw_results(s, ui);
    } else if (s.NRUNTYPE == kAdaptAndContinue) {
      // The new cells have no results until their first output: the
      // flowfield plane stays undrawn until then.
      if (s.NSTRI > 0) {
        show_forces(s, ui);
        draw_surface_results(s, ui);
      }
      draw_history(s, ui);
    }
    time_step_loop(s, ui, limits, progress);
  } catch (const StopRequest& stop) {
    s.DIAG.line("The run was stopped by the user");
    result.status = stop.status;
  } catch (const UserError& e) {
    s.DIAG.line(e.what());
    ui.message_box(e.title(), e.what());
    result.status = e.exit_status();
    result.message = e.what();
  } catch (const std::bad_alloc&) {
    s.DIAG.line("PROGRAM COULD NOT ALLOCATE the memory this run needs");
    result.status = kExitBadData;
    result.message = "PROGRAM COULD NOT ALLOCATE the memory this run needs";
  }
  s.DIAG.close();
  return result;
}

}  // namespace qmxv
