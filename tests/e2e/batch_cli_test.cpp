// The batch command line as a user runs it: exit statuses, progress lines,
// and the files a run leaves (or must not touch).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A one-species box: argon at 300 K streaming at 500 m/s through a 1 m cube,
// stream boundaries at both x ends, planes of symmetry elsewhere, no surfaces.
const char* kBoxGas = R"(0.0      XMIN
1.0      XMAX
0.0      YMIN
1.0      YMAX
0.0      ZMIN
1.0      ZMAX
4        NDIVX
4        NDIVY
4        NDIVZ
2        NELX
2        NELY
2        NELZ
1        MSP
0        MMVM
0        MNR
0        MTBP
0        MNSR
4.17E-10 SP(1,1) reference diameter
273.     SP(2,1) reference temperature
0.81     SP(3,1) viscosity index
6.63E-26 SP(4,1) mass
0        ISPR(1,1)
1.0E20   FND
300.     FTMP
500.     VFX
0.       VFY
0.       VFZ
1.0      FSP(1)
3        IB(1)
3        IB(2)
2        IB(3)
2        IB(4)
2        IB(5)
2        IB(6)
1        INIT
0        ISEP
1.0E15   FNUM
1.0E-4   TREF
1        ISTEADY
1.0      ROUT
10       NSPI
5        NSTEADY
100000   MNM
5        NMCT
5        NMTT
0        IINDEX
0        ISUBC
)";

// A square plate of two solid triangles in the middle of the box, short of
// every face: the first side of triangle 1 (line 9) has no partner.
const char* kOpenPlate = R"(1        NSURF
4        NPTS(1)
2        NSTRIS(1)
0        NFTRIS(1)
0.5 0.2 0.2   P1
0.5 0.8 0.2   P2
0.5 0.8 0.8   P3
0.5 0.2 0.8   P4
1 2 3    triangle 1
1        ITCODE
300.     TSURF
0.       FSPEC
0.       FADS(1)
0.       FOUT(1)
1 3 4    triangle 2
0        ITCODE
)";

struct Result {
  int status = -1;
  std::string out;
};

class BatchCli : public ::testing::Test {
 protected:
  fs::path dir;
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qmxv_cli_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  void write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
  std::string read(const std::string& name) {
    std::ifstream in(dir / name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  Result run(const std::string& args, const std::string& env = "QMXV_DEMO_DIR=/nonexistent") {
    const std::string cmd = env + " " + QMXV_BINARY + " " + args + " --dir " + dir.string() + " 2>&1";
    Result r;
    FILE* p = popen(cmd.c_str(), "r");
    std::array<char, 4096> buf;
    while (fgets(buf.data(), buf.size(), p)) r.out += buf.data();
    const int w = pclose(p);
    r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
    return r;
  }
  void write_box() {
    write("QMXVD.DAT", kBoxGas);
    write("QMXSD.DAT", "0   NSURF: no surfaces\n");
  }
};

TEST_F(BatchCli, OwnCaseRunsToItsOutputLimitAndLeavesTheDataFilesAlone) {
  write_box();
  const Result r = run("--batch --run-type 7 --outputs 2");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("output 1: flow time"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("output 2: flow time"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("output 3:"), std::string::npos) << r.out;
  EXPECT_EQ(read("QMXVD.DAT"), kBoxGas);
  const std::string diag = read("DIAG.TXT");
  EXPECT_NE(diag.find("The data summary QMXVD.TXT has been written"), std::string::npos);
  EXPECT_NE(diag.find("INITIAL STATE SET WITH"), std::string::npos);
  EXPECT_NE(diag.find("RESTART FILE WRITTEN"), std::string::npos);
  EXPECT_NE(read("QMXVD.TXT").find("Data summary for program QMXV"), std::string::npos);
  EXPECT_EQ(read("QMXV.CFG"), "1\n");
}

TEST_F(BatchCli, StepsZeroStopsAfterTheGeometryWithoutInitializing) {
  write_box();
  const Result r = run("--batch --run-type 7 --steps 0");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(read("DIAG.TXT").find("INITIAL STATE SET WITH"), std::string::npos);
}

TEST_F(BatchCli, UntilStopsAtThePhysicalFlowTime) {
  write_box();
  // TREF = 1e-4 s: the first output is at 1e-4 s of flow time.
  const Result r = run("--batch --run-type 7 --until 2.5e-4");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("output 2:"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("output 3:"), std::string::npos) << r.out;
}

TEST_F(BatchCli, CtrlCStopsAnUnboundedRunWithStatus130) {
  write_box();
  // No bound: the run would go on to TLIM = 100000 TREF; an interrupt ends it
  // between stages with the documented status.
  const std::string cmd = "cd " + dir.string() + " && (" + QMXV_BINARY +
                          " --batch --run-type 7 >out.txt 2>err.txt & pid=$!; sleep 0.5; "
                          "kill -INT $pid; wait $pid; echo $?)";
  Result r;
  FILE* p = popen(cmd.c_str(), "r");
  std::array<char, 256> buf;
  while (fgets(buf.data(), buf.size(), p)) r.out += buf.data();
  pclose(p);
  EXPECT_EQ(r.out, "130\n");
  EXPECT_NE(read("err.txt").find("stopped by Ctrl-C"), std::string::npos) << read("err.txt");
  EXPECT_NE(read("DIAG.TXT").find("The run was stopped by the user"), std::string::npos);
}

TEST_F(BatchCli, FaultsEndWithTheirDocumentedStatusAndMessage) {
  // Bad data: the file, line, item and what was found; the .DAT untouched.
  std::string gas = kBoxGas;
  gas.replace(gas.find("300.     FTMP"), 4, "warm");
  write("QMXVD.DAT", gas);
  write("QMXSD.DAT", "0\n");
  Result r = run("--batch --run-type 7 --outputs 1");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("QMXVD.DAT line 24, item FTMP"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"warm\""), std::string::npos) << r.out;
  EXPECT_EQ(read("QMXVD.DAT"), gas);
  EXPECT_NE(read("DIAG.TXT").find("QMXVD.DAT line 24"), std::string::npos);

  // No restart files to continue from.
  r = run("--batch --run-type 1");
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.out.find("QMXVP.RES"), std::string::npos) << r.out;

  // A demonstration whose pair is nowhere: the user's files stay.
  r = run("--batch --run-type 4 --outputs 1");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(read("QMXVD.DAT"), gas);

  // A surface that does not close: the file and the line of the triangle.
  write("QMXVD.DAT", kBoxGas);
  write("QMXSD.DAT", kOpenPlate);
  r = run("--batch --run-type 7 --steps 0");
  EXPECT_EQ(r.status, 4) << r.out;
  EXPECT_NE(r.out.find("QMXSD.DAT line 9: Side 1 of triangle 1 has no connectivity"),
            std::string::npos)
      << r.out;
  EXPECT_NE(read("DIAG.TXT").find("QMXSD.DAT line 9: Side 1"), std::string::npos);
  EXPECT_EQ(read("QMXSD.DAT"), kOpenPlate);

  // Usage: the information pages need answers a batch run cannot give.
  EXPECT_EQ(run("--batch --run-type 6").status, 1);
  EXPECT_EQ(run("--batch").status, 1);
  EXPECT_EQ(run("--batch --run-type 7 --steps 3 --outputs 2").status, 1);
  EXPECT_EQ(run("--batch --run-type 7 --steps many").status, 1);
  EXPECT_EQ(run("--frobnicate").status, 1);
}

}  // namespace

// The closed argon box of examples/: a gas at rest in a specular box keeps
// every molecule, collides, and each progress line gives the time per stage.
TEST_F(BatchCli, ClosedArgonBoxKeepsItsMoleculesAndReportsStageTimes) {
  const fs::path ex = fs::path(QMXV_SOURCE_DIR) / "examples" / "argon-box";
  fs::copy_file(ex / "QMXVD.DAT", dir / "QMXVD.DAT");
  fs::copy_file(ex / "QMXSD.DAT", dir / "QMXSD.DAT");
  const Result r = run("--batch --run-type 7 --steps 40");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("stage times move"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("collisions "), std::string::npos) << r.out;
  const std::string diag = read("DIAG.TXT");
  const auto at = diag.find("INITIAL STATE SET WITH");
  ASSERT_NE(at, std::string::npos);
  const int initial = std::stoi(diag.substr(at + 22));
  EXPECT_GT(initial, 15000);
  // The last TIME line: NM unchanged after 40 steps.
  const auto last = diag.rfind("TIME ");
  EXPECT_NE(diag.find(" NM " + std::to_string(initial), last), std::string::npos)
      << diag.substr(last, 80);
}

// The way a user continues: K outputs, stop, `--run-type 1 --outputs K`,
// against 2K outputs in one go. Every results file and the final restart set
// are the same bytes.
TEST_F(BatchCli, ContinuingForKMoreOutputsMatchesOneRunOfTwiceAsMany) {
  const fs::path golden = fs::path(QMXV_SOURCE_DIR) / "tests" / "e2e" / "golden" / "body_inflow";
  const fs::path whole = dir / "whole", split = dir / "split";
  for (const fs::path& d : {whole, split}) {
    fs::create_directories(d);
    fs::copy_file(golden / "QMXVD.DAT", d / "QMXVD.DAT");
    fs::copy_file(golden / "QMXSD.DAT", d / "QMXSD.DAT");
  }
  auto run_in = [this](const fs::path& d, const std::string& args) {
    const fs::path keep = dir;
    dir = d;
    const Result r = run(args);
    dir = keep;
    return r;
  };
  ASSERT_EQ(run_in(whole, "--batch --run-type 7 --outputs 2").status, 0);
  ASSERT_EQ(run_in(split, "--batch --run-type 7 --outputs 1").status, 0);
  const Result more = run_in(split, "--batch --run-type 1 --outputs 1");
  ASSERT_EQ(more.status, 0) << more.out;
  EXPECT_NE(more.out.find("continuing from the restart set of output 1"), std::string::npos)
      << more.out;
  EXPECT_NE(more.out.find("output 2: flow time"), std::string::npos) << more.out;

  auto bytes = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  int compared = 0;
  for (const auto& e : fs::recursive_directory_iterator(whole)) {
    const std::string name = fs::relative(e.path(), whole).string();
    if (!e.is_regular_file() || name == "DIAG.TXT") continue;
    ASSERT_TRUE(fs::exists(split / name)) << name;
    EXPECT_TRUE(bytes(e.path()) == bytes(split / name)) << name << " differs";
    ++compared;
  }
  EXPECT_GT(compared, 20);  // the set, the numbered results of both outputs, the tables
}
