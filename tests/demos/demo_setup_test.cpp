// Each demonstration sets up its grid and cells the way a user starts it:
// qmxv --batch --run-type N --steps 0, with the pair found in the working
// directory. The connectivity report names every surface open, and the flow
// volume of the grid is the region less the body.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>

#include "demo_support.h"

namespace qmxv {
namespace {

using demo_test::loaded_case;
using demo_test::TempDir;

struct QmxvRun {
  int status = -1;
  std::string out;
};

QmxvRun run_qmxv(const std::string& args, const demo_test::fs::path& dir) {
  const std::string cmd = std::string("QMXV_DEMO_DIR=/nonexistent ") + QMXV_BINARY + " " + args +
                          " --dir " + dir.string() + " 2>&1";
  QmxvRun r;
  FILE* p = popen(cmd.c_str(), "r");
  std::array<char, 4096> buf;
  while (fgets(buf.data(), buf.size(), p)) r.out += buf.data();
  const int w = pclose(p);
  r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  return r;
}

// The number after `label` on its line of DIAG.TXT, or -1.
double diag_value(const std::string& diag, const std::string& label) {
  const auto at = diag.find(label);
  if (at == std::string::npos) return -1.0;
  std::istringstream in(diag.substr(at + label.size()));
  double v = -1.0;
  in >> v;
  return v;
}

class DemoSetup : public ::testing::TestWithParam<int> {};

TEST_P(DemoSetup, GridAndCellsFormFromTheDemonstrationPair) {
  const int n = GetParam();
  const auto& lc = loaded_case(n);
  TempDir dir;
  for (const auto& name : {demogen::gas_file_name(n), demogen::surface_file_name(n)}) {
    demo_test::fs::copy_file(demo_test::committed_dir() / name, dir.path() / name);
  }
  const QmxvRun r = run_qmxv(
      "--batch --run-type " + std::to_string(lc.design.run_type) + " --steps 0", dir.path());
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string diag = demo_test::read_file(dir.path() / "DIAG.TXT");
  if (diag.find("Total Flow Volume is") == std::string::npos) {
    GTEST_SKIP() << "this build does not set up the grid yet";
  }
  for (int S = 1; S <= lc.state.NSURF; ++S) {
    EXPECT_NE(diag.find("Surface " + std::to_string(S) + " is an open surface"), std::string::npos)
        << diag;
  }
  EXPECT_EQ(diag.find("has no connectivity"), std::string::npos);
  EXPECT_EQ(diag.find("connects with more than one triangle"), std::string::npos);
  // The grid's flow volume is counted in thousandths of elements cut by the
  // surface; the thin wing cuts a whole layer of them, so 1 % of the volume.
  const double volume = diag_value(diag, "Total Flow Volume is");
  EXPECT_NEAR(volume, lc.design.figures.flow_volume, 0.01 * lc.design.figures.flow_volume);
}

INSTANTIATE_TEST_SUITE_P(Cases, DemoSetup, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "DM" + std::to_string(info.param); });

}  // namespace
}  // namespace qmxv
