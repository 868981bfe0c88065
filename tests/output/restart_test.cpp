// The restart set: exact continuation, refusal of bad sets without touching
// a file, and a write that survives being killed at any instant or a full
// disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "output/restart.h"
#include "output/restart_layout.h"
#include "run/driver.h"
#include "run/errors.h"
#include "run/log_panel.h"
#include "run/state.h"
#include "support/case_setup.h"
#include "support/files.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

namespace fs = std::filesystem;
using support::read_file;
using support::TempDir;
using support::write_file;

const fs::path kGolden = fs::path(QMXV_SOURCE_DIR) / "tests" / "e2e" / "golden";

// A golden case's data files with some settings changed ("IINDEX" -> "1").
void install_case(const fs::path& dir, const std::string& name,
                  const std::map<std::string, std::string>& changes) {
  std::string gas = read_file(kGolden / name / "QMXVD.DAT");
  for (const auto& [item, value] : changes) {
    const std::regex line("(^|\n)([^ \n]+)( +" + item + "\\b)");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(gas, m, line)) << item;
    gas.replace(static_cast<std::size_t>(m.position(2)), static_cast<std::size_t>(m.length(2)), value);
  }
  write_file(dir / "QMXVD.DAT", gas);
  fs::copy_file(kGolden / name / "QMXSD.DAT", dir / "QMXSD.DAT");
}

// One batch session in `dir`: run type 7 (the data files) or 1 (continue).
RunResult session(State& s, const fs::path& dir, int run_type, int outputs) {
  s.DIR = dir;
  ui::ScriptedToolkit ui({run_type});
  RunLimits limits;
  limits.outputs = outputs;
  return run_program(s, ui, limits);
}

// Every regular file under `dir` (relative name -> bytes).
std::map<std::string, std::string> files_under(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) out[fs::relative(e.path(), dir).string()] = read_file(e.path());
  return out;
}

std::vector<std::string> time_lines(const fs::path& diag) {
  std::vector<std::string> out;
  std::istringstream in(read_file(diag));
  for (std::string l; std::getline(in, l);)
    if (l.rfind("TIME", 0) == 0) out.push_back(l);
  return out;
}

void expect_same_dump(State& a, State& b) {
  const auto da = restart::dump(a), db = restart::dump(b);
  ASSERT_EQ(da.size(), db.size());
  for (std::size_t i = 0; i < da.size(); ++i) {
    ASSERT_EQ(da[i].name, db[i].name);
    EXPECT_TRUE(da[i].bytes == db[i].bytes)
        << da[i].name << " of " << restart::kFileNames[da[i].file] << " differs";
  }
}

// 2K outputs in one session against K, stop, and K more in a second session:
// the same state member by member, the same TIME lines after the restart
// point, the same results/ and the same final restart set, byte for byte.
void expect_exact_continuation(const std::string& name,
                               const std::map<std::string, std::string>& changes) {
  TempDir one("qmxv_one"), two("qmxv_two");
  install_case(one.path(), name, changes);
  install_case(two.path(), name, changes);
  State whole;
  ASSERT_EQ(session(whole, one.path(), 7, 4).status, 0);
  {
    State first;
    ASSERT_EQ(session(first, two.path(), 7, 2).status, 0);
  }
  const auto before = time_lines(two.path() / "DIAG.TXT");
  State continued;
  ASSERT_EQ(session(continued, two.path(), 1, 2).status, 0);
  EXPECT_EQ(continued.NOUT, 4);

  expect_same_dump(whole, continued);
  const auto all = time_lines(one.path() / "DIAG.TXT");
  const auto after = time_lines(two.path() / "DIAG.TXT");
  ASSERT_EQ(before.size() + after.size(), all.size());
  EXPECT_TRUE(std::equal(after.begin(), after.end(), all.begin() + before.size()));

  auto a = files_under(one.path()), b = files_under(two.path());
  a.erase("DIAG.TXT");
  b.erase("DIAG.TXT");
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [file, bytes] : a) EXPECT_TRUE(b[file] == bytes) << file << " differs";
  EXPECT_TRUE(a.count("QMXVM5.RES") == (changes.at("IINDEX") == "1"));
}

TEST(RestartContinuation, BodyWithEntryUnderContinuousIndexingIsExact) {
  expect_exact_continuation("body_inflow", {{"IINDEX", "1"}});
}

TEST(RestartContinuation, VibratingMixtureUnderNormalIndexingIsExact) {
  expect_exact_continuation("box_mixture", {{"IINDEX", "0"}, {"ROUT", "0.05"}});
}

// ---------------------------------------------------------------- bad sets

struct BadSetTest : ::testing::Test {
  static void SetUpTestSuite() {
    pristine_ = new TempDir("qmxv_restart_set");
    install_case(pristine_->path(), "body_inflow", {{"IINDEX", "1"}});
    State s;
    ASSERT_EQ(session(s, pristine_->path(), 7, 1).status, 0);
    other_ = new TempDir("qmxv_other_set");
    install_case(other_->path(), "body_inflow", {{"IINDEX", "1"}, {"FTMP", "310."}});
    State o;
    ASSERT_EQ(session(o, other_->path(), 7, 1).status, 0);
  }
  static void TearDownTestSuite() {
    delete pristine_;
    delete other_;
  }
  void SetUp() override {
    fs::copy(pristine_->path(), dir.path(), fs::copy_options::recursive);
  }
  fs::path at(const char* name) const { return dir.path() / name; }

  // Continues in the damaged directory: status 3, the message, and every
  // file exactly as it was.
  void expect_refused(const std::string& message) {
    const auto before = files_under(dir.path());
    State s;
    s.DIR = dir.path();
    ui::ScriptedToolkit ui({1});
    RunLimits one_step;
    one_step.steps = 1;
    const RunResult r = run_program(s, ui, one_step);
    EXPECT_EQ(r.status, kExitBadRestart);
    EXPECT_NE(r.message.find(message), std::string::npos) << r.message;
    ASSERT_FALSE(ui.titles("message").empty());
    EXPECT_EQ(ui.titles("message").back(), "Restart Files");
    auto after = files_under(dir.path());
    EXPECT_NE(after["DIAG.TXT"].find(message), std::string::npos);
    after["DIAG.TXT"] = before.at("DIAG.TXT");
    EXPECT_TRUE(after == before) << "a file changed";
  }
  void patch(const char* name, std::size_t offset, const void* bytes, std::size_t n) {
    std::string t = read_file(at(name));
    std::memcpy(t.data() + offset, bytes, n);
    write_file(at(name), t);
  }

  static TempDir* pristine_;
  static TempDir* other_;
  TempDir dir{"qmxv_bad_set"};
};
TempDir* BadSetTest::pristine_ = nullptr;
TempDir* BadSetTest::other_ = nullptr;

TEST_F(BadSetTest, MissingOrTruncatedFilesAreNamedWithTheirSizes) {
  fs::remove(at("QMXVM2.RES"));
  expect_refused("QMXVM2.RES: missing");
  fs::copy_file(pristine_->path() / "QMXVM2.RES", at("QMXVM2.RES"));

  const std::string m1 = read_file(at("QMXVM1.RES"));
  write_file(at("QMXVM1.RES"), m1.substr(0, m1.size() / 2));
  expect_refused("QMXVM1.RES: truncated: expected " + std::to_string(m1.size()) + " bytes, found " +
                 std::to_string(m1.size() / 2));
  write_file(at("QMXVP.RES"), "QMXV");
  expect_refused("QMXVP.RES: truncated");
}

TEST_F(BadSetTest, FilesOfAnotherSetOrProgramAreCaught) {
  // The other run has the same sizes and generation: only the checksum list tells.
  fs::copy_file(other_->path() / "QMXVM1.RES", at("QMXVM1.RES"), fs::copy_options::overwrite_existing);
  expect_refused("QMXVM1.RES: from another restart set: checksum");
  fs::copy_file(pristine_->path() / "QMXVM1.RES", at("QMXVM1.RES"),
                fs::copy_options::overwrite_existing);

  write_file(at("QMXVV1.RES"), std::string(200, 'x'));
  expect_refused("QMXVV1.RES: not a QMXV restart file");
}

TEST_F(BadSetTest, AnotherVersionByteOrderOrGenerationIsRefused) {
  const std::uint32_t version = 7, swapped = 0x04030201u;
  const std::int64_t generation = 9;
  patch("QMXVC1.RES", 8, &version, 4);
  expect_refused("QMXVC1.RES: restart format version 7, expected " +
                 std::to_string(restart::kFormatVersion));
  patch("QMXVC1.RES", 12, &swapped, 4);
  expect_refused("QMXVC1.RES: written on a machine of the other byte order");
  fs::copy_file(pristine_->path() / "QMXVC1.RES", at("QMXVC1.RES"),
                fs::copy_options::overwrite_existing);
  patch("QMXVC2.RES", 24, &generation, 8);
  expect_refused("QMXVC2.RES: from another restart set: written at output 9, expected output 1");
}

TEST_F(BadSetTest, DamagedRecordsAndACheckIntegerThatFailsAreRefused) {
  const std::string m2 = read_file(at("QMXVM2.RES"));
  const char flipped = static_cast<char>(m2[m2.size() / 2] ^ 0x10);
  patch("QMXVM2.RES", m2.size() / 2, &flipped, 1);
  expect_refused("QMXVM2.RES: damaged record: checksum");
  fs::copy_file(pristine_->path() / "QMXVM2.RES", at("QMXVM2.RES"),
                fs::copy_options::overwrite_existing);

  // A wrong check integer in a record whose checksums are all right: the
  // last item of QMXVV2.RES, its CRC and the entry of QMXVP.RES re-made.
  auto recrc = [this](const char* name) {
    std::string t = read_file(at(name));
    const auto crc = static_cast<std::uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(t.data()), t.size() - 8));
    std::memcpy(t.data() + t.size() - 8, &crc, 4);
    write_file(at(name), t);
    return crc;
  };
  const std::int32_t wrong = 7654321;
  patch("QMXVV2.RES", read_file(at("QMXVV2.RES")).size() - 12, &wrong, 4);
  const std::uint32_t crc = recrc("QMXVV2.RES");
  // QMXVP.RES: 40-byte header, 33 sizes, then 24-byte entries from file 2.
  patch("QMXVP.RES", 40 + 33 * 4 + (8 - 2) * 24 + 16, &crc, 4);
  recrc("QMXVP.RES");
  expect_refused("QMXVV2.RES: check integer 7654321, expected 1234567");
  EXPECT_NE(read_file(at("DIAG.TXT")).find("Molecules, Check integer 7654321"), std::string::npos);
}

TEST_F(BadSetTest, ReadingShowsItsPanelAndWritesItsDiagnosticLines) {
  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  read_restart(s, ui);
  const auto& p = ui.progress();
  EXPECT_EQ(p.title, "Reading the Restart Files - Please Wait");
  EXPECT_FALSE(p.open);
  const std::vector<std::string> texts = {
      "Reading QMXVP.RES",  "Reading QMXVM1.RES", "Reading QMXVM2.RES", "Reading QMXVM3.RES",
      "Reading QMXVM4.RES", "Reading QMXVM5.RES", "Reading QMXVV1.RES", "Reading QMXVV2.RES",
      "Reading QMXVC1.RES", "Reading QMXVC2.RES", "Reading QMXVCS.RES"};
  EXPECT_EQ(p.texts, texts);
  for (const char* line : {"Reading restart files, QMXVP.RES, QMXVMn.RES, QMXVVn.RES,QMXVCn,RES",
                           "JCHECK from QMXVP 1234567", "NM at restart"})
    EXPECT_TRUE(s.DIAG.contains(line)) << line;
  EXPECT_EQ(s.NOUT, 1);
}

TEST_F(BadSetTest, NormalIndexingNeitherWritesNorReadsTheFifthMoleculeFile) {
  // A stale QMXVM5.RES of the continuous-indexing run stays where it is.
  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  read_restart(s, ui);
  const std::string stale = read_file(at("QMXVM5.RES"));
  s.IINDEX = 0;
  ASSERT_TRUE(write_restart(s));
  State t;
  t.DIR = dir.path();
  read_restart(t, ui);
  EXPECT_EQ(t.IINDEX, 0);
  EXPECT_EQ(read_file(at("QMXVM5.RES")), stale);
  EXPECT_EQ(std::count(ui.progress().texts.begin(), ui.progress().texts.end(),
                       "Reading QMXVM5.RES"),
            0);
}

TEST_F(BadSetTest, AContinuedRunForgetsTheOutputsMadeAfterItsRestartPoint) {
  // Output 2 exported, then a stop before its restart set was written: the
  // set of output 1 is back in place, results/ still lists output 2.
  const auto set_of_output_1 = files_under(dir.path());
  State s;
  ASSERT_EQ(session(s, dir.path(), 1, 1).status, 0);
  for (const auto& [name, bytes] : set_of_output_1)
    if (name.ends_with(".RES")) write_file(at(name.c_str()), bytes);
  ASSERT_NE(read_file(at("results/outputs.csv")).find("\n2,"), std::string::npos);

  State t;
  t.DIR = dir.path();
  ui::ScriptedToolkit ui({1});
  RunLimits one_step;
  one_step.steps = 1;
  ASSERT_EQ(run_program(t, ui, one_step).status, 0);
  for (const char* table : {"results/outputs.csv", "results/forcehistory.csv"}) {
    const std::string text = read_file(at(table));
    EXPECT_NE(text.find("\n1,"), std::string::npos) << table;
    EXPECT_EQ(text.find("\n2,"), std::string::npos) << table;
  }
  const std::string pvd = read_file(at("results/flow.pvd"));
  EXPECT_NE(pvd.find("flow_0001.vti"), std::string::npos);
  EXPECT_EQ(pvd.find("flow_0002.vti"), std::string::npos);
  EXPECT_TRUE(pvd.ends_with("</VTKFile>\n")) << pvd;
}

// ---------------------------------------------------------------- a write cut short

struct InterruptedWriteTest : ::testing::Test {
  void SetUp() override {
    install_case(dir.path(), "body_inflow", {{"IINDEX", "1"}});
    support::set_up_case(older, dir.path());
    older.NOUT = 5;
    ASSERT_TRUE(write_restart(older));
    support::set_up_case(newer, dir.path());
    ui::ScriptedToolkit ui;
    ui.create_panel(log_panel_spec(newer));
    RunLimits limits;
    limits.steps = 3;
    newer.EXPORT_CSV = newer.EXPORT_VTK = false;
    time_step_loop(newer, ui, limits, nullptr);
    newer.NOUT = 6;
    older_dump = restart::dump(older);
    newer_dump = restart::dump(newer);
  }
  // The set now in place: complete, and wholly the older or the newer one.
  int generation_in_place() {
    State s;
    s.DIR = dir.path();
    ui::ScriptedToolkit ui;
    read_restart(s, ui);
    const auto d = restart::dump(s);
    auto same = [&d](const std::vector<restart::DumpItem>& e) {
      if (d.size() != e.size()) return false;
      for (std::size_t i = 0; i < d.size(); ++i)
        if (d[i].bytes != e[i].bytes) return false;
      return true;
    };
    if (s.NOUT == 5 && same(older_dump)) return 5;
    if (s.NOUT == 6 && same(newer_dump)) return 6;
    return -1;
  }
  // Forks a writer of the newer set and kills it after `delay`, or at the
  // stage `stop_at` of its write.
  static const char* stop_at_;
  void killed_write(std::chrono::microseconds delay, const char* stop_at = nullptr) {
    stop_at_ = stop_at;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      restart::set_stage_hook([](const char* stage) {
        if (stop_at_ && std::strcmp(stage, stop_at_) == 0) ::raise(SIGKILL);
      });
      write_restart(newer);
      ::_exit(0);
    }
    if (!stop_at) {
      std::this_thread::sleep_for(delay);
      ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
  }

  TempDir dir{"qmxv_killed"};
  State older, newer;
  std::vector<restart::DumpItem> older_dump, newer_dump;
};
const char* InterruptedWriteTest::stop_at_ = nullptr;

TEST_F(InterruptedWriteTest, AKilledWriteLeavesTheOldSetOrTheNewNeverAMixture) {
  // Killed at each stage of the commit, then at random moments.
  std::vector<std::string> stages = {"temporaries written", "marker written"};
  for (int k = 1; k <= restart::kFiles; ++k)
    stages.push_back(std::string("renamed ") + restart::kFileNames[k]);
  stages.push_back("renames done");
  stages.push_back("marker removed");
  int older_seen = 0, newer_seen = 0;
  auto check = [&](const std::string& when) {
    const int g = generation_in_place();
    ASSERT_TRUE(g == 5 || g == 6) << "after a kill " << when;
    (g == 5 ? older_seen : newer_seen) += 1;
    if (g == 6) {
      ASSERT_TRUE(write_restart(older));
    }
  };
  for (const auto& st : stages) {
    if (st == "renamed QMXVM5.RES" && newer.IINDEX != 1) continue;
    killed_write({}, st.c_str());
    check("at " + st);
  }
  EXPECT_EQ(older_seen, 1);  // killed before the marker was durable

  const auto t0 = std::chrono::steady_clock::now();
  {
    TempDir scratch("qmxv_timing");
    newer.DIR = scratch.path();
    write_restart(newer);
    newer.DIR = dir.path();
  }
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - t0);
  std::mt19937 gen(20261207);
  std::uniform_int_distribution<long> when(0, span.count() * 3 / 2 + 1000);
  for (int trial = 0; trial < 24; ++trial) {
    const std::chrono::microseconds delay(when(gen));
    killed_write(delay);
    check("after " + std::to_string(delay.count()) + " us");
  }
  EXPECT_GT(older_seen, 1);
  EXPECT_GT(newer_seen, 0);
}

TEST_F(InterruptedWriteTest, AFullDiskKeepsThePreviousSetAndTheRunGoesOn) {
  const auto before = files_under(dir.path());
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto* previous = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 16 * 1024;  // smaller than the first molecule file
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool written = write_restart(newer);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_TRUE(newer.DIAG.contains(
      "Restart files of output 6 not written (QMXVM1.RES.tmp: File too large); the restart set "
      "of output 5 is kept, and the next output tries again"));
  auto after = files_under(dir.path());
  EXPECT_TRUE(after == before) << "a temporary was left or the set changed";
  EXPECT_EQ(generation_in_place(), 5);
  ASSERT_TRUE(write_restart(newer));
  EXPECT_EQ(generation_in_place(), 6);
}

}  // namespace
}  // namespace qmxv
