// The molecule stages on a gas in a box: 1,000,000 argon molecules at 300 K
// in a closed specular box of 100,000 cells (about 10 molecules a cell), the
// mean free path about one cell width, normal indexing, no sub-cells.
//
// Two regimes, chosen by the argument k (the cell step is k/2 overall steps):
//   k = 1: every molecule moves at every pass (the regime before the first
//          output), the overall step a quarter of the mean collision time;
//   k = 5: the cell steps are five overall steps and the molecule clocks are
//          spread, so each pass moves about a fifth of the molecules (the
//          regime after the time-step adaptation), again 0.25 collisions per
//          molecule per move.
// Counters: moves/s (molecule moves per second of the stage or the step),
// collisions/s, and bytes per molecule of every per-molecule and per-cell
// array (the molecule store, the index, the cell records and clocks).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "core/collide.h"
#include "core/entry.h"
#include "core/indexing.h"
#include "core/molecules.h"
#include "core/move.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "ui/scripted/scripted_toolkit.h"

namespace {

using qmxv::State;

// 0.5 x 0.5 x 0.4 m in 50 x 50 x 40 divisions of one element: cells 1 cm wide.
// n = 1.3e20 gives a mean free path of about 1 cm; FNUM puts 10 in a cell.
const char* kArgonBox = R"(0.0 XMIN
0.5 XMAX
0.0 YMIN
0.5 YMAX
0.0 ZMIN
0.4 ZMAX
50 NDIVX
50 NDIVY
40 NDIVZ
1 NELX
1 NELY
1 NELZ
1 MSP
0 MMVM
0 MNR
0 MTBP
0 MNSR
4.17E-10 SP(1,1)
273. SP(2,1)
0.81 SP(3,1)
6.63E-26 SP(4,1)
0 ISPR(1,1)
1.3E20 FND
300. FTMP
0. VFX
0. VFY
0. VFZ
1.0 FSP(1)
2 IB(1)
2 IB(2)
2 IB(3)
2 IB(4)
2 IB(5)
2 IB(6)
1 INIT
0 ISEP
1.3E13 FNUM
1.0E-3 TREF
1 ISTEADY
1.0 ROUT
10 NSPI
1 NSTEADY
1100000 MNM
4 NMCT
4 NMTT
0 IINDEX
0 ISUBC
)";

std::unique_ptr<State> argon_box(int k) {
  auto s = std::make_unique<State>();
  s->DIR = std::filesystem::temp_directory_path() / "qmxv_bench_engine";
  std::filesystem::create_directories(s->DIR);
  qmxv::support::set_up_case(*s, s->DIR, kArgonBox, "0 NSURF\n");
  qmxv::ui::ScriptedToolkit ui;
  // A move (twice the cell step) of a quarter of the mean collision time.
  const float move_step = 0.25f * s->CTSTR * s->SCALE;
  s->DTM = move_step / static_cast<float>(k);
  const float tc = 0.5f * move_step;
  for (int c = 1; c <= s->NCELLS; ++c) {
    s->CELL(13, c) = tc;
    s->CTIME(c) = (2.0f * s->RF() - 1.0f) * tc;
  }
  for (int n = 1; n <= s->NM; ++n) s->PTIM(n) = (2.0f * s->RF() - 1.0f) * tc;
  // Let the cell maxima of sigma c_r settle before timing.
  for (int i = 0; i < 4 * k; ++i) {
    s->TIME += s->DTM;
    qmxv::move_molecules(*s, ui);
    qmxv::index_molecules(*s);
    qmxv::collide(*s);
  }
  return s;
}

double bytes_per_molecule(const State& s) {
  const double bytes = static_cast<double>(qmxv::molecule_bytes(s)) + s.CELL.bytes() +
                       s.ICELL.bytes() + s.CTIME.bytes() + s.CCOLL.bytes() + s.CSEP.bytes() +
                       s.IPS.bytes() + s.ISCH.bytes();
  return bytes / s.NM;
}

void report(benchmark::State& st, const State& s, double moves, double colls) {
  st.counters["moves/s"] = benchmark::Counter(moves, benchmark::Counter::kIsRate);
  st.counters["collisions/s"] = benchmark::Counter(colls, benchmark::Counter::kIsRate);
  st.counters["bytes/molecule"] = bytes_per_molecule(s);
  st.counters["molecules"] = s.NM;
}

void BM_MoveArgonBox(benchmark::State& st) {
  auto s = argon_box(static_cast<int>(st.range(0)));
  qmxv::ui::ScriptedToolkit ui;
  const double m0 = s->TOTMOV;
  for (auto _ : st) {
    s->TIME += s->DTM;
    qmxv::move_molecules(*s, ui);
  }
  report(st, *s, s->TOTMOV - m0, 0);
}

void BM_CollideArgonBox(benchmark::State& st) {
  auto s = argon_box(static_cast<int>(st.range(0)));
  const double c0 = s->TOTCOL;
  for (auto _ : st) {
    st.PauseTiming();
    s->TIME += s->DTM;
    qmxv::index_molecules(*s);
    st.ResumeTiming();
    qmxv::collide(*s);
  }
  report(st, *s, 0, s->TOTCOL - c0);
}

void BM_StepArgonBox(benchmark::State& st) {
  auto s = argon_box(static_cast<int>(st.range(0)));
  qmxv::ui::ScriptedToolkit ui;
  const double m0 = s->TOTMOV, c0 = s->TOTCOL;
  for (auto _ : st) {
    s->TIME += s->DTM;
    qmxv::move_molecules(*s, ui);
    qmxv::enter_molecules(*s);
    qmxv::index_molecules(*s);
    qmxv::collide(*s);
  }
  report(st, *s, s->TOTMOV - m0, s->TOTCOL - c0);
}

}  // namespace

BENCHMARK(BM_MoveArgonBox)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CollideArgonBox)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StepArgonBox)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
