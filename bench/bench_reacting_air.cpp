// Whole time steps of five-species air (O2, N2, O, N, NO with the re-entry
// demonstration's 22 reactions, rotation and vibration) at rest in a closed
// 1 m box at 20,000 K (a re-entry shock layer), where dissociation and the exchanges are fast: the
// moves per second with the chemistry (BM_StepReactingAir) beside the same
// gas with its reactions switched off (BM_StepFrozenAir), so the difference
// is the time share of the chemistry. Each starts from the same fresh box.
//
// Counters: moves/s, collisions/s, reactions/s, molecules.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "core/collide.h"
#include "core/indexing.h"
#include "core/move.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "ui/scripted/scripted_toolkit.h"

namespace {

namespace fs = std::filesystem;
using qmxv::State;

// The demonstration's gas data with the region, the stream and the run
// settings of the box: each value replaced on the line its name tags.
std::string box_of_air() {
  std::ifstream in(fs::path(QMXV_SOURCE_DIR) / "demos" / "QMXVD.DM3");
  std::stringstream text;
  text << in.rdbuf();
  std::string gas = text.str();
  const std::map<std::string, std::string> values = {
      {"XMIN", "0"},     {"XMAX", "1"},     {"YMIN", "0"},     {"YMAX", "1"},
      {"ZMIN", "0"},     {"ZMAX", "1"},     {"NDIVX", "6"},    {"NDIVY", "6"},
      {"NDIVZ", "6"},    {"NELX", "1"},     {"NELY", "1"},     {"NELZ", "1"},
      {"FND", "1.0E21"}, {"FTMP", "20000"}, {"VFX", "0"},      {"VFY", "0"},
      {"IB\\(1\\)", "2"}, {"IB\\(2\\)", "2"}, {"IB\\(3\\)", "2"}, {"IB\\(4\\)", "2"},
      {"IB\\(5\\)", "2"}, {"IB\\(6\\)", "2"}, {"FNUM", "5.0E15"}, {"MNM", "400000"},
      {"NMCT", "4"},     {"NMTT", "1"}};
  for (const auto& [name, value] : values) {
    const std::regex line("(^|\n)[^ \n]+( +" + name + "[ ,])");
    std::smatch m;
    if (!std::regex_search(gas, m, line)) throw std::runtime_error("QMXVD.DM3 has no " + name);
    gas.replace(static_cast<std::size_t>(m.position(0) + m.length(1)),
                static_cast<std::size_t>(m.length(0) - m.length(1) - m.length(2)), value);
  }
  return gas;
}

void run(benchmark::State& st, bool reactions) {
  State s;
  s.DIR = fs::temp_directory_path() / "qmxv_bench_air";
  fs::create_directories(s.DIR);
  qmxv::support::set_up_case(s, s.DIR, box_of_air(), "0\n");
  const int mnr = s.MNR;
  if (!reactions) s.MNR = 0;
  qmxv::ui::ScriptedToolkit ui;
  const double m0 = s.TOTMOV, c0 = s.TOTCOL;
  for (auto _ : st) {
    s.TIME += s.DTM;
    qmxv::move_molecules(s, ui);
    if (s.IINDEX == 0) qmxv::index_molecules(s);
    qmxv::collide(s);
  }
  double events = 0;
  for (int J = 1; J <= mnr; ++J) events += s.TOTREA(J);
  st.counters["moves/s"] = benchmark::Counter(s.TOTMOV - m0, benchmark::Counter::kIsRate);
  st.counters["collisions/s"] = benchmark::Counter(s.TOTCOL - c0, benchmark::Counter::kIsRate);
  st.counters["reactions/s"] = benchmark::Counter(events, benchmark::Counter::kIsRate);
  st.counters["molecules"] = s.NM;
}

void BM_StepReactingAir(benchmark::State& st) { run(st, true); }
void BM_StepFrozenAir(benchmark::State& st) { run(st, false); }

}  // namespace

BENCHMARK(BM_StepReactingAir)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(100);
BENCHMARK(BM_StepFrozenAir)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(100);
