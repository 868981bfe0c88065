// The golden traces: short runs whose DIAG.TXT and a checksum of the whole
// state after 30 steps are stored with the test and compared exactly, so any
// change of arithmetic or of the order of the random draws shows here.
//  - box_mixture: nitrogen-argon in a box periodic in x, specular in y and at
//    min z, open to vacuum at max z; continuous indexing, sub-cells, vibration.
//  - body_inflow: a nitrogen stream past a cube whose downstream face blows an
//    argon jet (entry triangles) and whose upstream face is adiabatic and
//    outgasses; diffuse, specular, adsorbing and reacting faces; a
//    constant-pressure pair on the x sides with a secondary stream, stream,
//    symmetry and vacuum sides.
// When the physics changes on purpose, regenerate the references with
// QMXV_REGENERATE_GOLDEN=1 and say why in the commit.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "run/driver.h"
#include "run/state.h"
#include "support/files.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;

// FNV-1a over the bytes of every array and counter the molecule stages write.
class Checksum {
 public:
  void bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i) h_ = (h_ ^ b[i]) * 1099511628211ull;
  }
  template <typename A>
  void array(const A& a) {
    bytes(a.data(), a.size() * sizeof(*a.data()));
  }
  template <typename T>
  void value(const T& v) {
    bytes(&v, sizeof v);
  }
  std::uint64_t get() const { return h_; }

 private:
  std::uint64_t h_ = 14695981039346656037ull;
};

std::string state_checksum(const State& s) {
  Checksum c;
  // Live molecules only: slots past NM hold stale copies.
  for (int n = 1; n <= s.NM; ++n) {
    for (int i = 1; i <= 3; ++i) c.value(s.PP(i, n));
    for (int i = 1; i <= s.NMOLC; ++i) c.value(s.PV(i, n));
    for (int i = 1; i <= s.NIPR; ++i) c.value(s.IP(i, n));
    for (int k = 1; k <= s.MMVM; ++k) c.value(s.IPVIB(k, n));
    c.value(s.PTIM(n));
  }
  c.array(s.IR);
  c.array(s.IRCELL);
  c.array(s.ICELL);
  c.array(s.CELL);
  c.array(s.CTIME);
  c.array(s.CCOLL);
  c.array(s.CSEP);
  c.array(s.CSPCOLL);
  // Surface sums and the entry remainders carried from step to step.
  c.array(s.SSAMP);
  c.array(s.SFORCE);
  c.array(s.STEMP);
  c.array(s.SREAC);
  c.array(s.EFACE);
  c.array(s.EFTRI);
  c.array(s.FOUTR);
  c.array(s.BLEAVE);
  c.array(s.XSEPNET);
  c.array(s.BREENT);
  for (double v : {s.TIME, s.TOTMOV, s.TOTCOL, s.TOTREF, s.TOTENT, s.TOTREM}) c.value(v);
  c.value(s.NM);
  c.value(s.NROUND);
  c.value(s.DTM);
  c.value(s.rng.state1());
  c.value(s.rng.state2());
  std::ostringstream out;
  out << std::hex << c.get() << "\n";
  return out.str();
}

void expect_golden_run(const std::string& name) {
  const fs::path ref = fs::path(QMXV_SOURCE_DIR) / "tests" / "e2e" / "golden" / name;
  support::TempDir dir("qmxv_golden");
  fs::copy_file(ref / "QMXVD.DAT", dir.path() / "QMXVD.DAT");
  fs::copy_file(ref / "QMXSD.DAT", dir.path() / "QMXSD.DAT");
  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui({7});
  RunLimits limits;
  limits.steps = 30;
  ASSERT_EQ(run_program(s, ui, limits).status, 0);
  const std::string diag = support::read_file(dir.path() / "DIAG.TXT");
  const std::string sum = state_checksum(s);
  if (std::getenv("QMXV_REGENERATE_GOLDEN")) {
    support::write_file(ref / "DIAG.TXT", diag);
    support::write_file(ref / "checksum.txt", sum);
    GTEST_SKIP() << "golden trace regenerated in " << ref;
  }
  EXPECT_EQ(diag, support::read_file(ref / "DIAG.TXT"));
  EXPECT_EQ(sum, support::read_file(ref / "checksum.txt"));
}

TEST(GoldenTrace, MixtureBoxRunsExactlyAsRecorded) { expect_golden_run("box_mixture"); }

TEST(GoldenTrace, BodyWithInflowJetAndOutgassingRunsExactlyAsRecorded) {
  expect_golden_run("body_inflow");
}

}  // namespace
}  // namespace qmxv
