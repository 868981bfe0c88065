// Cell adaption: node counts from the sampled density, the cells of a
// sampled delta wing flow, exact continuation across the adaption, the VHS
// collision rate on adapted cells, and the batch command line.
#include "geometry/adapt.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/collide.h"
#include "core/indexing.h"
#include "core/move.h"
#include "geometry/locate.h"
#include "output/restart.h"
#include "output/sampling.h"
#include "run/driver.h"
#include "support/case_setup.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
using support::read_file;
using support::TempDir;

const fs::path kSource = QMXV_SOURCE_DIR;
const fs::path kBody = kSource / "tests" / "e2e" / "golden" / "body_inflow";

// A data file with some items changed ("NELX" -> "4").
std::string changed(std::string gas, const std::map<std::string, std::string>& changes) {
  for (const auto& [item, value] : changes) {
    std::smatch m;
    if (!std::regex_search(gas, m, std::regex("(^|\n)([^ \n]+)( +" + item + "\\b)"))) {
      ADD_FAILURE() << "no item " << item;
      continue;
    }
    gas.replace(static_cast<std::size_t>(m.position(2)), static_cast<std::size_t>(m.length(2)),
                value);
  }
  return gas;
}

// A closed box of argon (every side a plane of symmetry) of ndiv divisions
// of nel^3 elements 1 m wide: `molecules` at rest, or a vacuum when 0.
std::string box_gas(std::array<int, 3> ndiv, int nel, int molecules) {
  std::ostringstream d;
  auto put = [&d](auto... v) { ((d << v << "\n"), ...); };
  const double w[3] = {1.0 * ndiv[0] * nel, 1.0 * ndiv[1] * nel, 1.0 * ndiv[2] * nel};
  put(0, w[0], 0, w[1], 0, w[2], ndiv[0], ndiv[1], ndiv[2], nel, nel, nel, 1, 0, 0, 0, 0);
  put(4.17e-10, 273, 0.81, 6.63e-26, 0, 1e18, 300, 0, 0, 0, 1.0, 2, 2, 2, 2, 2, 2);
  put(molecules > 0 ? 1 : 2, 0, molecules > 0 ? 1e18 * w[0] * w[1] * w[2] / molecules : 1.0);
  put(1e-3, 1, 1, 10, 1, 3 * molecules / 2 + 100, 4, 4, 0, 0);
  return d.str();
}

// Nodes per division after adapting a vacuum box whose old cells (one per
// division) expect the given molecules, divisions z outermost, x innermost.
TEST(AdaptNodeCount, FollowsTheExpectedMoleculesWithTheRemainderCarried) {
  struct Case {
    const char* name;
    std::array<int, 3> ndiv;
    int nel, target;
    std::vector<double> expected;
    std::vector<int> nodes;
  };
  const Case cases[] = {
      // 0.4, 0.8, 1.2 of a cell: the third division (x = 1, y = 2) takes the
      // node, however each division alone were rounded.
      {"0.4 of a cell in each division", {2, 2, 1}, 10, 20, {8, 8, 8, 8}, {0, 0, 1, 0}},
      {"200 expected at 20 per cell", {1, 1, 1}, 10, 20, {200}, {10}},
      {"no more nodes than flow elements", {1, 1, 1}, 2, 1, {100}, {8}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TempDir dir;
    State s;
    support::set_up_case(s, dir.path(), box_gas(k.ndiv, k.nel, 0), "0\n");
    s.TARGET_PER_CELL = k.target;
    for (int c = 1; c <= s.NCELLS; ++c) {  // element volume 1 m^3, FNUM 1
      s.VAR(2, c) = static_cast<float>(k.expected[static_cast<std::size_t>(c - 1)] / s.NELD);
      s.VAR(3, c) = 1.0f;
    }
    ui::ScriptedToolkit ui;
    adapt_cells(s, ui);
    std::vector<int> nodes;
    for (int idz = 1; idz <= s.NDIVZ; ++idz)
      for (int idy = 1; idy <= s.NDIVY; ++idy)
        for (int idx = 1; idx <= s.NDIVX; ++idx) nodes.push_back(s.JDIV(2, idz, idy, idx));
    EXPECT_EQ(nodes, k.nodes);
    for (int c = 1; c <= s.NCELLS; ++c)  // at an element centre, in its own cell
      EXPECT_EQ(locate_cell(s, s.CELL(kCellX, c), s.CELL(kCellY, c), s.CELL(kCellZ, c)), c);
  }
}

// The cube case with 4^3 elements per division (so the divisions the cube
// cuts have elements wholly in the flow) as a vacuum: no division expects a
// molecule, and two stray molecules, one in a hole of the element map of a
// flow division, one inside the cube.
TEST(AdaptNodeCount, ThinSurfaceDivisionKeepsOneNodeAndStrayMoleculesMoveOrGo) {
  TempDir dir;
  State s;
  support::set_up_case(s, dir.path(),
                       changed(read_file(kBody / "QMXVD.DAT"),
                               {{"NELX", "4"}, {"NELY", "4"}, {"NELZ", "4"}, {"INIT", "2"}}),
                       read_file(kBody / "QMXSD.DAT"));
  s.IELCELL(1, 1, 1, 2, 2, 2) = -1;
  const float hole = s.XMIN + 1.5f * s.DEX, centre = 0.5f * (s.XMIN + s.XMAX);
  s.NM = 2;
  for (int a = 1; a <= 3; ++a) s.PP(a, 1) = hole, s.PP(a, 2) = centre;
  ui::ScriptedToolkit ui;
  adapt_cells(s, ui);
  int surface_divisions = 0;
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        const int code = s.JDIV(1, idz, idy, idx);
        bool open = false;
        for (int e = 1; code < 0 && e <= s.NELD; ++e)
          open |= s.IELVOL(-code, (e - 1) % 4 + 1, (e - 1) / 4 % 4 + 1, (e - 1) / 16 + 1) == 1000;
        surface_divisions += open;
        EXPECT_EQ(s.JDIV(2, idz, idy, idx), open ? 1 : 0) << idx << "," << idy << "," << idz;
      }
  EXPECT_GT(surface_divisions, 0);
  ASSERT_EQ(s.NM, 1);  // the one inside the cube is gone
  const float x = s.PP(1, 1), y = s.PP(2, 1), z = s.PP(3, 1);
  EXPECT_NEAR(std::hypot(x - hole, y - hole, z - hole), s.DEX, 1e-3 * s.DEX);
  EXPECT_EQ(locate_cell(s, x, y, z), s.IP(2, 1));
  EXPECT_TRUE(s.DIAG.contains(
      "Molecules in no adapted cell: 1 moved to the nearest flow element, 1 removed"));
}

// ------------------------------------------------------- sampled flows

RunResult session(State& s, const fs::path& dir, int run_type, int outputs, long long steps = -1) {
  s.DIR = dir;
  s.EXPORT_CSV = s.EXPORT_VTK = false;
  ui::ScriptedToolkit ui({run_type});
  RunLimits limits;
  if (steps >= 0)
    limits.steps = steps;
  else
    limits.outputs = outputs;
  return run_program(s, ui, limits);
}

// A case run for one output: its restart set holds a sampled flow.
std::unique_ptr<TempDir> sampled_case(const std::string& gas, const fs::path& surface) {
  auto dir = std::make_unique<TempDir>("qmxv_adapt");
  support::write_file(dir->path() / "QMXVD.DAT", gas);
  fs::copy_file(surface, dir->path() / "QMXSD.DAT");
  State s;
  EXPECT_EQ(session(s, dir->path(), 7, 1).status, 0);
  return dir;
}

TempDir* copy_of(const fs::path& from, TempDir* to) {
  for (const auto& e : fs::directory_iterator(from))
    fs::copy_file(e.path(), to->path() / e.path().filename());
  return to;
}

// Molecules per cell: mean and coefficient of variation over all cells.
std::pair<double, double> molecules_per_cell(const State& s) {
  std::vector<double> count(static_cast<std::size_t>(s.NCELLS) + 1, 0.0);
  for (int n = 1; n <= s.NM; ++n) count[static_cast<std::size_t>(s.IP(2, n))] += 1;
  double sum2 = 0;
  for (int c = 1; c <= s.NCELLS; ++c)
    sum2 += count[static_cast<std::size_t>(c)] * count[static_cast<std::size_t>(c)];
  const double mean = static_cast<double>(s.NM) / s.NCELLS;
  return {mean, std::sqrt(sum2 / s.NCELLS - mean * mean) / mean};
}

double total_volume(const State& s) {
  double v = 0;
  for (int c = 1; c <= s.NCELLS; ++c) v += s.CELL(kCellVolume, c);
  return v;
}

// The delta wing demonstration on half its divisions each way (20 x 20 x 9
// of 4^3 elements) with a hundredth of its molecules (about 29,000), after
// one output: before adaption 4690 cells (1120 on the wing) average 6.2
// molecules with a coefficient of variation of 0.68.
TEST(AdaptSampledDeltaWing, CellsHoldAboutTheTargetAndEveryMoleculeItsOwnCell) {
  const fs::path demos = kSource / "demos";
  const auto sampled = sampled_case(changed(read_file(demos / "QMXVD.DM1"), {{"NDIVX", "20"},
                                                                             {"NDIVY", "20"},
                                                                             {"NDIVZ", "9"},
                                                                             {"FNUM", "7.05e+13"},
                                                                             {"MNM", "40000"}}),
                                    demos / "QMXSD.DM1");
  for (const int target : {10, 15, 20}) {
    SCOPED_TRACE("target " + std::to_string(target));
    State s;
    s.DIR = sampled->path();
    ui::ScriptedToolkit ui;
    read_restart(s, ui);
    const auto [mean0, cv0] = molecules_per_cell(s);
    const double volume = total_volume(s);
    const int cells = s.NCELLS, nm = s.NM;
    s.TARGET_PER_CELL = target;
    adapt_cells(s, ui);
    rebuild_index(s);
    const auto [mean, cv] = molecules_per_cell(s);
    std::printf(
        "[ adaption ] target %d: %d cells, mean %.2f, cv %.3f before; %d cells, mean %.2f, cv %.3f "
        "after\n",
        target, cells, mean0, cv0, s.NCELLS, mean, cv);
    EXPECT_NEAR(mean / target, 1.0, 0.1);
    EXPECT_LT(cv, cv0);
    EXPECT_EQ(s.NM, nm);
    EXPECT_NEAR(total_volume(s) / volume, 1.0, 1e-5);
    for (int n = 1; n <= s.NM; ++n)
      ASSERT_EQ(s.IP(2, n), locate_cell(s, s.PP(1, n), s.PP(2, n), s.PP(3, n))) << "molecule " << n;
    EXPECT_EQ(check_index(s), 0);
    EXPECT_EQ(s.NSAMP, 0);  // the sample restarts on the new cells
    EXPECT_EQ(s.CSAMP.extent(2), s.NCELLS);
  }
}

// Adapting the cube case (continuous indexing) and making two outputs in one
// session gives the state of a stop after the first output, or right after
// the adaption, and a continuation.
TEST(AdaptSampledBody, StopAndContinueAfterTheAdaptionIsExact) {
  const auto sampled =
      sampled_case(changed(read_file(kBody / "QMXVD.DAT"), {{"IINDEX", "1"}}), kBody / "QMXSD.DAT");
  TempDir one, two, three;
  State whole, first, adapted, continued, from_adaption;
  ASSERT_EQ(session(whole, copy_of(sampled->path(), &one)->path(), 2, 2).status, 0);
  ASSERT_EQ(session(first, copy_of(sampled->path(), &two)->path(), 2, 1).status, 0);
  ASSERT_EQ(session(adapted, copy_of(sampled->path(), &three)->path(), 2, 0, 0).status, 0);
  ASSERT_EQ(session(continued, two.path(), 1, 1).status, 0);
  ASSERT_EQ(session(from_adaption, three.path(), 1, 2).status, 0);
  const auto reference = restart::dump(whole);
  for (State* s : {&continued, &from_adaption}) {
    const auto d = restart::dump(*s);
    ASSERT_EQ(d.size(), reference.size());
    for (std::size_t i = 0; i < d.size(); ++i)
      EXPECT_TRUE(d[i].bytes == reference[i].bytes) << reference[i].name << " differs";
  }
}

// A gas at rest goes on colliding at the VHS equilibrium rate on the adapted
// cells: their volumes, time steps and sigma*c_r maxima are sound.
TEST(AdaptEquilibriumBox, KeepsTheVhsCollisionRate) {
  TempDir dir;
  State s;
  support::set_up_case(s, dir.path(), box_gas({2, 2, 2}, 4, 4000), "0\n");
  s.DTM *= 4.0f;  // about 0.2 collisions per molecule per step
  for (int c = 1; c <= s.NCELLS; ++c) s.CELL(13, c) = 0.5f * s.DTM;
  ui::ScriptedToolkit ui;
  for (int k = 0; k < 4; ++k, s.TIME += s.DTM) sample_flowfield(s, ui);
  flowfield_results(s);
  adapt_cells(s, ui);
  rebuild_index(s);
  EXPECT_NEAR(molecules_per_cell(s).first / s.TARGET_PER_CELL, 1.0, 0.1);
  const double kB = 1.3806e-23, m = s.SP(4, 1), t0 = s.TIME, col0 = s.TOTCOL;
  double e = 0;
  for (int n = 1; n <= s.NM; ++n)
    e += m * (s.PV(1, n) * s.PV(1, n) + s.PV(2, n) * s.PV(2, n) + s.PV(3, n) * s.PV(3, n));
  const double T = e / (3.0 * s.NM * kB);
  for (int k = 0; k < 16; ++k) {
    s.TIME += s.DTM;
    move_molecules(s, ui);
    index_molecules(s);
    collide(s);
  }
  // Bird (1994), eq. 4.64 with the VHS cross-section: one molecule collides
  // 2 sqrt(pi) d^2 n (T/Tref)^(1-omega) sqrt(2k Tref/m_r) times a second.
  const double nu = 2.0 * std::sqrt(3.14159265) * 4.17e-10 * 4.17e-10 * 1e18 *
                    std::pow(T / 273, 1.0 - 0.81) * std::sqrt(2.0 * kB * 273 / (0.5 * m));
  const double expected = 0.5 * s.NM * nu * (s.TIME - t0) / s.SCALE;
  // 4 standard deviations of a Poisson count of about 7000 collisions (4.7 %).
  EXPECT_NEAR((s.TOTCOL - col0) / expected, 1.0, 4.0 / std::sqrt(expected));
}

// ------------------------------------------------------ the command line

std::pair<int, std::string> qmxv(const std::string& args, const fs::path& dir) {
  FILE* p = popen(
      (std::string(QMXV_BINARY) + " --batch " + args + " --dir " + dir.string() + " 2>&1").c_str(),
      "r");
  std::string out;
  std::array<char, 4096> buf;
  while (p && std::fgets(buf.data(), buf.size(), p)) out += buf.data();
  const int st = p ? pclose(p) : -1;
  return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

TEST(AdaptBatch, RunTypeTwoAdaptsToTheGivenTargetOrRefusesASetWithoutSample) {
  TempDir dir;
  support::write_file(dir.path() / "QMXVD.DAT", read_file(kBody / "QMXVD.DAT"));
  fs::copy_file(kBody / "QMXSD.DAT", dir.path() / "QMXSD.DAT");
  ASSERT_EQ(qmxv("--run-type 7 --steps 1", dir.path()).first, 0);  // no output yet
  auto [status, out] = qmxv("--run-type 2 --outputs 1", dir.path());
  EXPECT_EQ(status, 3) << out;
  EXPECT_NE(out.find("no sampled molecules"), std::string::npos) << out;

  ASSERT_EQ(qmxv("--run-type 1 --outputs 1", dir.path()).first, 0);
  std::tie(status, out) = qmxv("--run-type 2 --outputs 1 --molecules-per-cell 0", dir.path());
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("--molecules-per-cell must be at least 1"), std::string::npos) << out;
  std::tie(status, out) = qmxv("--run-type 2 --outputs 1 --molecules-per-cell 30", dir.path());
  ASSERT_EQ(status, 0) << out;
  std::smatch m;
  const std::string diag = read_file(dir.path() / "DIAG.TXT");
  ASSERT_TRUE(std::regex_search(diag, m, std::regex(R"((\d+) adapted cells have been set)")));
  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  read_restart(s, ui);
  EXPECT_EQ(s.NCELLS, std::stoi(m[1]));
  EXPECT_EQ(s.NOUT, 2);
}

}  // namespace
}  // namespace qmxv
