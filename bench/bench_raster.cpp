// The CPU rasterisers on the pictures a batch run writes: a cell picture of
// filled rectangles and a triangulated body in the 3-D view.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <numbers>

#include "display/canvas.h"
#include "display/palettes.h"
#include "display/view3d.h"

namespace {

using namespace qmxv;

// A plane of n x n element rectangles, as in the cell picture, on 1020 x 718.
void BM_CanvasCellPlane(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  display::Canvas2D c(1020, 718);
  c.set_palette(display::surface_colour_table());
  c.set_window(-0.05, -0.05, 1.2725, 1.05);
  for (auto _ : state) {
    c.clear(0);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        c.fill_rect(16 + (i * 31 + j * 17) % 190, double(i) / n, double(j) / n, double(i + 1) / n,
                    double(j + 1) / n);
    benchmark::DoNotOptimize(c.indices().data());
  }
  state.counters["rects/s"] =
      benchmark::Counter(double(n) * n * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CanvasCellPlane)->Arg(100)->Arg(400);

// A sphere of 2 m x m triangles filling most of a 640 x 480 view.
void BM_Render3Sphere(benchmark::State& state) {
  const int m = static_cast<int>(state.range(0));
  ui::Scene3 s;
  auto point = [m](int i, int j) {
    const double th = std::numbers::pi * i / m, ph = 2 * std::numbers::pi * j / (2 * m);
    return std::array<float, 3>{float(2 * std::sin(th) * std::cos(ph)),
                                float(2 * std::sin(th) * std::sin(ph)), float(2 * std::cos(th))};
  };
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < 2 * m; ++j) {
      const ui::Rgb col = display::surface_colour_table()[1 + (i * 254) / m];
      s.triangles.push_back({{{point(i, j), point(i + 1, j), point(i + 1, j + 1)}}, col});
      s.triangles.push_back({{{point(i, j), point(i + 1, j + 1), point(i, j + 1)}}, col});
    }
  ui::View3 v = display::default_surface_view();
  v.scale = 0.5f;
  for (auto _ : state) benchmark::DoNotOptimize(display::render3(s, v, 640, 480).pixels.data());
  state.counters["triangles/s"] = benchmark::Counter(
      double(s.triangles.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Render3Sphere)->Arg(16)->Arg(128);

}  // namespace
