// Whole time steps of the delta-wing demonstration (a thin wing at Mach 2 in
// nitrogen, about 3 million molecules, 1,120 surface triangles of a half wing) once the
// flow about the wing has formed: move with the surface hits and the
// gas-surface interaction, entry across the five stream sides, indexing and
// collisions, as the run's time loop calls them.
//
// The set-up runs the case from its start (the wing inserted into the
// uniform stream) for the time the stream takes to cross the region, by
// which the shock, the expansion and the wake have formed about the wing
// (QMXV_BENCH_WARMUP sets another number of steps), sampling the flow over
// its last hundred steps. Then it adapts the time steps to that sample as
// the first output does (each cell's step from its collision and transit
// times; the overall step a fifth of their mean, so each cell moves its
// molecules about every fifth step) and runs 200 steps more for the
// molecule clocks to spread. About 2,000 steps, some ten minutes on two
// cores, done once for all repetitions.
//
// Counters: moves/s (molecule moves per second of whole steps, beside the
// box benchmark's), surface hits/s, molecules. The share of the step spent
// in surface work (triangle search and reflection) comes from a sampling
// profile of this benchmark: see docs/demos.md.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

#include "core/collide.h"
#include "core/entry.h"
#include "core/indexing.h"
#include "core/move.h"
#include "output/sampling.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "ui/scripted/scripted_toolkit.h"

namespace {

namespace fs = std::filesystem;
using qmxv::State;

void step(State& s, qmxv::ui::Toolkit& ui) {
  s.TIME += s.DTM;
  qmxv::move_molecules(s, ui);
  qmxv::enter_molecules(s);
  if (s.IINDEX == 0) qmxv::index_molecules(s);
  qmxv::collide(s);
}

State& settled_delta_wing() {
  static std::unique_ptr<State> s;
  if (s) return *s;
  s = std::make_unique<State>();
  s->DIR = fs::temp_directory_path() / "qmxv_bench_delta_wing";
  fs::create_directories(s->DIR);
  const fs::path demos = fs::path(QMXV_SOURCE_DIR) / "demos";
  fs::copy_file(demos / "QMXVD.DM1", s->DIR / "QMXVD.DAT", fs::copy_options::overwrite_existing);
  fs::copy_file(demos / "QMXSD.DM1", s->DIR / "QMXSD.DAT", fs::copy_options::overwrite_existing);
  qmxv::support::set_up_case(*s, s->DIR);
  qmxv::ui::ScriptedToolkit ui;
  const double transit = (s->XMAX - s->XMIN) / std::hypot(s->VFX, s->VFY, s->VFZ);
  const char* env = std::getenv("QMXV_BENCH_WARMUP");
  const int steps = env ? std::atoi(env) : static_cast<int>(std::ceil(transit / s->DTM));
  for (int i = 0; i < steps; ++i) {
    step(*s, ui);
    if (i == steps - 100) qmxv::reset_sample(*s);
    if (i > steps - 100) qmxv::sample_flowfield(*s, ui);
  }
  qmxv::flowfield_results(*s);
  qmxv::adapt_time_steps(*s);
  for (int i = 0; i < 200; ++i) step(*s, ui);
  std::cerr << "delta wing after " << steps << " steps: " << s->NM << " molecules, "
            << s->NTRI << " triangles, " << s->NCELLS << " cells\n";
  return *s;
}

void BM_StepDeltaWing(benchmark::State& st) {
  State& s = settled_delta_wing();
  qmxv::ui::ScriptedToolkit ui;
  const double m0 = s.TOTMOV, r0 = s.TOTREF, c0 = s.TOTCOL;
  for (auto _ : st) step(s, ui);
  st.counters["moves/s"] = benchmark::Counter(s.TOTMOV - m0, benchmark::Counter::kIsRate);
  st.counters["surface hits/s"] = benchmark::Counter(s.TOTREF - r0, benchmark::Counter::kIsRate);
  st.counters["collisions/s"] = benchmark::Counter(s.TOTCOL - c0, benchmark::Counter::kIsRate);
  st.counters["molecules"] = s.NM;
}

}  // namespace

BENCHMARK(BM_StepDeltaWing)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);
