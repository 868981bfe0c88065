// Grid set-up for triangulated spheres on a fixed grid, and point location.
//
// The set-up is expected to grow linearly with the number of triangles: each
// triangle is sampled over the few elements it covers and its sides are
// paired by sorting, while the work per cut element grows with the triangles
// listed in it (traces and line crossings), which for a finer triangulation
// of the same sphere on the same grid grows like triangles / cut elements.
#include <benchmark/benchmark.h>

#include <random>

#include "../tests/geometry/surface_builders.h"
#include "geometry/grid_setup.h"
#include "geometry/locate.h"
#include "ui/scripted/scripted_toolkit.h"

namespace {

using qmxv::State;
namespace t = qmxv::testing;

// Box [0,1]^3, 16 divisions of 4 elements along each axis (262,144
// elements), sphere of radius 0.3 off the centre.
void sphere_case(State& s, int levels) {
  t::set_box(s, {0, 0, 0}, {1, 1, 1}, {16, 16, 16}, {4, 4, 4});
  t::add_surface(s, t::icosphere({0.5123, 0.4729, 0.5317}, 0.3, levels));
}

int cut_elements(const State& s) {
  int n = 0;
  for (int v : std::vector<int>(s.IELVOL.data(), s.IELVOL.data() + s.IELVOL.size()))
    if (v > 0 && v < 1000) ++n;
  return n;
}

// levels 3, 5, 6: 1,280, 20,480 and 81,920 triangles.
void BM_SetupGridSphere(benchmark::State& state) {
  const int levels = static_cast<int>(state.range(0));
  int ntri = 0, ncut = 0;
  for (auto _ : state) {
    state.PauseTiming();
    State s;
    sphere_case(s, levels);
    qmxv::ui::ScriptedToolkit ui;
    state.ResumeTiming();
    qmxv::setup_grid(s, ui);
    state.PauseTiming();
    ntri = s.NTRI;
    ncut = cut_elements(s);
    state.ResumeTiming();
  }
  state.counters["triangles"] = ntri;
  state.counters["cut_elements"] = ncut;
  // Seconds of set-up per triangle and per cut element.
  state.counters["time/triangle"] = benchmark::Counter(
      ntri, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["time/cut_element"] = benchmark::Counter(
      ncut, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SetupGridSphere)->Arg(3)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_LocateCellRandomPositions(benchmark::State& state) {
  State s;
  sphere_case(s, 4);
  qmxv::ui::ScriptedToolkit ui;
  qmxv::setup_grid(s, ui);
  std::mt19937 gen(12345);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  std::vector<float> p(3 * 4096);
  for (float& v : p) v = u(gen);
  long long sum = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < p.size(); i += 3)
      sum += qmxv::locate_cell(s, p[i], p[i + 1], p[i + 2]);
  }
  benchmark::DoNotOptimize(sum);
  state.counters["locations/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 4096,
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LocateCellRandomPositions);

}  // namespace
