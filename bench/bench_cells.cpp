// Cell formation around triangulated spheres on a fixed grid.
//
// An element of a division without surfaces compares its distance to the
// nodes of its own and its 26 neighbouring divisions, skipping divisions
// whose box is already further than the best node, and its first candidate
// (the own division's centre) is visible: a fixed cost per element. An
// element in or next to a surface division scans the surface nodes around
// it, whose number grows with the triangles per division, and tests only
// the candidates closer than the best so far against the triangles between
// (each triangle's box first), so the time per element grows about
// linearly with the triangles on a fixed grid, from a fixed floor.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "../tests/geometry/surface_builders.h"
#include "geometry/cell_state.h"
#include "geometry/cells.h"
#include "geometry/grid_setup.h"
#include "ui/scripted/scripted_toolkit.h"

namespace {

using qmxv::State;
namespace t = qmxv::testing;

// The grid of the set-up benchmark: box [0,1]^3, 16 divisions of 4 elements
// along each axis (262,144 elements), sphere of radius 0.3 off the centre.
void sphere_case(State& s, int levels) {
  t::set_box(s, {0, 0, 0}, {1, 1, 1}, {16, 16, 16}, {4, 4, 4});
  t::add_surface(s, t::icosphere({0.5123, 0.4729, 0.5317}, 0.3, levels));
  s.DIR = std::filesystem::temp_directory_path() / "qmxv_bench_cells";
  std::filesystem::create_directories(s.DIR);
}

// Every flow element back to "to be combined", as after the grid set-up.
void uncombine(State& s) {
  for (std::size_t i = 0; i < s.IELCELL.size(); ++i)
    if (s.IELCELL[i] > 0) s.IELCELL[i] = 0;
}

// levels 3, 5, 6: 1,280, 20,480 and 81,920 triangles. The whole of cell
// formation: nodes and NODES.TXT, sorting, combining, the cell picture and
// DSCELLS.BMP.
void BM_FormCellsSphere(benchmark::State& state) {
  State s;
  sphere_case(s, static_cast<int>(state.range(0)));
  qmxv::ui::ScriptedToolkit ui;
  qmxv::setup_grid(s, ui);
  for (auto _ : state) {
    state.PauseTiming();
    uncombine(s);
    state.ResumeTiming();
    qmxv::form_cells(s, ui);
  }
  state.counters["triangles"] = s.NTRI;
  state.counters["cells"] = s.NCELLS;
  state.counters["time/element"] = benchmark::Counter(
      s.NELT, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FormCellsSphere)->Arg(3)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

// The combining step alone (the nearest visible node of every element).
void BM_CombineElementsSphere(benchmark::State& state) {
  State s;
  sphere_case(s, static_cast<int>(state.range(0)));
  qmxv::ui::ScriptedToolkit ui;
  qmxv::setup_grid(s, ui);
  qmxv::form_cells(s, ui);
  for (auto _ : state) {
    state.PauseTiming();
    uncombine(s);
    state.ResumeTiming();
    qmxv::combine_elements(s, ui);
  }
  state.counters["time/element"] = benchmark::Counter(
      s.NELT, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CombineElementsSphere)->Arg(3)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

}  // namespace
