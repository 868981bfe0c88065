#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/initialize.h"
#include "core/molecules.h"
#include "output/sampling.h"
#include "run/driver.h"
#include "run/errors.h"
#include "run/log_panel.h"
#include "run/run_type.h"
#include "run/state.h"
#include "support/files.h"
#include "ui/scripted/scripted_toolkit.h"

namespace {

namespace fs = std::filesystem;

// A state with a binary-exact schedule: DTOUT = 1, FAVG = 0.5, NSPI = 4, so
// DTSAMP = 0.125, DTSKIP = 0.5, the first sample time 0.625, and DTM = 1/16.
struct LoopFixture : ::testing::Test {
  qmxv::support::TempDir dir{"qmxv_loop"};  // the restart files of every output go here
  qmxv::State s;
  qmxv::ui::ScriptedToolkit ui;
  void SetUp() override {
    s.DIR = dir.path();
    s.SCALE = 1.0f;
    s.TREF = 1.0f;
    s.ROUT = 1.0f;
    s.FAVG = 0.5f;
    s.NSPI = 4;
    qmxv::set_schedule(s);
    s.DTM = 0.0625f;
    s.EXPORT_CSV = s.EXPORT_VTK = false;
    qmxv::allocate_sample(s);
    ui.create_panel(qmxv::log_panel_spec(s));
  }
  long long count(const std::vector<std::string>& v, const std::string& what) {
    return std::count(v.begin(), v.end(), what);
  }
};

TEST_F(LoopFixture, SamplesOnlyAfterTheSkippedPartAndOutputsOncePerInterval) {
  ASSERT_EQ(s.TSAMP, 0.625f);
  qmxv::RunLimits limits;
  limits.outputs = 2;
  qmxv::time_step_loop(s, ui, limits, nullptr);
  // Samples at 0.6875, 0.8125, 0.9375, 1.0625 (output), then 1.6875 ... 2.0625
  // (output); the unsteady sample is emptied at each output.
  long long samples = 0;
  for (const auto& l : s.DIAG.tail()) samples += l.rfind("Flowfield sample", 0) == 0;
  EXPECT_EQ(samples, 8);
  EXPECT_EQ(s.NSAMP, 0);
  EXPECT_DOUBLE_EQ(s.TIME, 2.0625);
  EXPECT_EQ(s.TOUT, 3.0f);
  const auto activity = ui.text_history(qmxv::kLogPanel, "activity");
  EXPECT_EQ(count(activity, "Moving"), 33);
  EXPECT_EQ(count(activity, "Indexing"), 33);
  EXPECT_EQ(count(activity, "Sampling"), 8);
  EXPECT_EQ(count(activity, "Output"), 2);
  EXPECT_EQ(count(activity, "Restart Files"), 2);
  EXPECT_EQ(count(activity, "Index Check"), 0);
  // One TIME line per pass in DIAG.TXT.
  long long time_lines = 0;
  for (const auto& l : s.DIAG.tail()) time_lines += l.rfind("TIME ", 0) == 0;
  EXPECT_EQ(time_lines, 33);
}

TEST_F(LoopFixture, ContinuousIndexingChecksTheIndexAtOutputsInsteadOfIndexingEachStep) {
  s.IINDEX = 1;
  qmxv::RunLimits limits;
  limits.outputs = 1;
  qmxv::time_step_loop(s, ui, limits, nullptr);
  const auto activity = ui.text_history(qmxv::kLogPanel, "activity");
  EXPECT_EQ(count(activity, "Indexing"), 0);
  EXPECT_EQ(count(activity, "Index Check"), 1);
}

TEST_F(LoopFixture, MessageLineShowsTheFirstOutputTimeUntilTheFirstSample) {
  qmxv::RunLimits limits;
  limits.steps = 11;  // the first sample is taken at pass 11 (TIME 0.6875 > 0.625)
  qmxv::time_step_loop(s, ui, limits, nullptr);
  const auto messages = ui.text_history(qmxv::kLogPanel, "message");
  // Written once when it appears and once when the first sample blanks it: no flicker.
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "Flowfield and surface displays commence at time 1.00000");
  EXPECT_EQ(messages[1], "");
  EXPECT_EQ(ui.shown_text(qmxv::kLogPanel, "time"), "0.6875000    ");
}

// n molecules in one cell whose clocks are far ahead of the flow time, so
// the loop's stages pass over them without moving or colliding any.
void idle_molecules(qmxv::State& s, int n) {
  s.MSP = 1;
  s.ISPR.allocate(2, 1);
  s.SP.allocate(4, 1);
  s.SP(4, 1) = 6.63e-26f;
  s.FSP.allocate(1);
  s.FSP(1) = 1.0f;
  s.NCELLS = 1;
  s.CELL.allocate(qmxv::kCellFields, 1);
  s.ICELL.allocate(3, 1);
  s.CTIME.allocate(1);
  s.CTIME(1) = 1.0e30;
  qmxv::allocate_molecules(s, n);
  s.NM = n;
  for (int m = 1; m <= n; ++m) {
    s.IP(2, m) = 1;
    s.PTIM(m) = 1.0e30;
  }
  qmxv::allocate_sample(s);
}

TEST_F(LoopFixture, ExtraEventServicesOnlyAboveAMillionMolecules) {
  qmxv::RunLimits limits;
  limits.outputs = 1;  // 17 passes: 4 sample, 1 of them outputs
  idle_molecules(s, 1000000);
  qmxv::time_step_loop(s, ui, limits, nullptr);
  EXPECT_EQ(ui.polls(), 17);

  qmxv::ui::ScriptedToolkit busy;
  busy.create_panel(qmxv::log_panel_spec(s));
  SetUp();
  idle_molecules(s, 1000001);
  qmxv::time_step_loop(s, busy, limits, nullptr);
  // Every pass: 1 + 2 (after move and entry); each sample +1; the output +2.
  EXPECT_EQ(busy.polls(), 17 * 3 + 4 + 2);
}

// A steady flow whose molecule number moved by more than 8 sqrt(NM) since
// the sample began: the output resets the sample before it draws, says so
// on the message line, and the next sample blanks the message.
TEST_F(LoopFixture, NumberChangeResetIsDrawnWithAnEmptySampleAndItsMessageGoesAtTheNextSample) {
  // Pass 17 outputs (TIME 1.0625); the next sample is pass 27 (1.6875 > 1.625).
  auto run = [&](qmxv::ui::ScriptedToolkit& toolkit, long long steps) {
    idle_molecules(s, 1000);
    s.ISTEADY = 1;
    s.TSTEADY = 0.0f;      // past TSTEADY: only the number check may reset
    s.NMSAMPSTART = 2000;  // |1000 - 2000| > 8 sqrt(1000) = 253
    qmxv::RunLimits limits;
    limits.steps = steps;
    qmxv::time_step_loop(s, toolkit, limits, nullptr);
    return toolkit.text_history(qmxv::kLogPanel, "message");
  };
  const std::string notice = "Sample reset due to excessive molecule number change";
  auto messages = run(ui, 26);
  EXPECT_EQ(s.NSAMP, 0) << "reset at the output, nothing sampled since";
  EXPECT_EQ(s.NMSAMPSTART, 1000);
  EXPECT_TRUE(s.DIAG.contains(notice));
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), notice) << "it stands through the passes that do not sample";

  qmxv::ui::ScriptedToolkit next;
  next.create_panel(qmxv::log_panel_spec(s));
  SetUp();
  messages = run(next, 27);
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2], notice);
  EXPECT_EQ(messages.back(), "") << "blanked by the next sample";
  EXPECT_EQ(s.NSAMP, 1);
}

TEST_F(LoopFixture, CloseRequestStopsAtTheNextEventService) {
  ui.request_close();
  EXPECT_THROW(qmxv::time_step_loop(s, ui, {}, nullptr), qmxv::StopRequest);
  EXPECT_DOUBLE_EQ(s.TIME, 0.0625);
}

TEST_F(LoopFixture, LogPanelShowsReactionCountsOnlyWhenTheGasReacts) {
  qmxv::refresh_log_panel(s, ui);
  EXPECT_FALSE(ui.control_visible(qmxv::kLogPanel, "reaction_type"));
  s.MNR = 3;
  s.TOTREA.allocate(3);
  s.TOTREA(1) = 12.0;
  s.TOTMOV = 123456789.0;
  qmxv::refresh_log_panel(s, ui);
  EXPECT_TRUE(ui.control_visible(qmxv::kLogPanel, "reaction_type"));
  EXPECT_EQ(ui.get_int(qmxv::kLogPanel, "reaction_type"), 1);
  EXPECT_EQ(ui.shown_text(qmxv::kLogPanel, "reactions"), "      12.");
  EXPECT_EQ(ui.shown_text(qmxv::kLogPanel, "moves"), "   123456789.");
}

// ---------------------------------------------------------------- run types

struct RunTypeFixture : ::testing::Test {
  qmxv::State s;
  fs::path dir;
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qmxv_runtype_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    s.DIR = dir;
  }
  void TearDown() override { fs::remove_all(dir); }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name) << text;
  }
  std::string read(const std::string& name) {
    std::ifstream in(dir / name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(RunTypeFixture, InformationPagesReturnToTheRunTypeDialog) {
  qmxv::ui::ScriptedToolkit ui({6, 2, 6, 4, 3});
  EXPECT_EQ(qmxv::choose_run_type(s, ui), 3);
  EXPECT_EQ(ui.titles("page"),
            (std::vector<std::string>{"Frequently Asked Questions about the DSMC Method",
                                      "Frequently Asked Questions about the QMXV Program"}));
  EXPECT_EQ(ui.titles("dialog").size(), 5u);
}

TEST_F(RunTypeFixture, AnExhaustedAnswerQueueIsAUsageErrorNotALoop) {
  qmxv::ui::ScriptedToolkit ui({6, 1});
  EXPECT_THROW(qmxv::choose_run_type(s, ui), qmxv::UsageError);
  qmxv::ui::ScriptedToolkit bad({8});
  EXPECT_THROW(qmxv::choose_run_type(s, bad), qmxv::UsageError);
}

TEST_F(RunTypeFixture, OptionsQuestionOnlyForNewRunsWithNonStandardUnits) {
  write("QMXV.CFG", "2\n");
  qmxv::read_config(s);
  ASSERT_EQ(s.IUNITCFG, 2);
  {
    // Continuing never asks.
    qmxv::ui::ScriptedToolkit ui({1});
    qmxv::choose_run_type(s, ui);
    EXPECT_EQ(ui.titles("dialog"), std::vector<std::string>{"Run Type"});
  }
  {
    // Answer 1 (the preset) keeps the configuration.
    qmxv::ui::ScriptedToolkit ui({3});
    qmxv::choose_run_type(s, ui);
    EXPECT_EQ(ui.titles("dialog").back(), "Non-standard Program Options");
    EXPECT_EQ(read("QMXV.CFG"), "2\n");
  }
  {
    // Answer 2 restores SI and rewrites QMXV.CFG.
    qmxv::ui::ScriptedToolkit ui({7});
    ui.push_answer("Non-standard Program Options", 2);
    EXPECT_EQ(qmxv::choose_run_type(s, ui), 7);
    EXPECT_EQ(s.IUNITCFG, 1);
    EXPECT_EQ(read("QMXV.CFG"), "1\n");
  }
}

TEST_F(RunTypeFixture, ConfigurationIsRecreatedWhenMissingOrOutOfRange) {
  qmxv::read_config(s);
  EXPECT_EQ(read("QMXV.CFG"), "1\n");
  write("QMXV.CFG", "7\n");
  s.IUNITCFG = 5;
  qmxv::read_config(s);
  EXPECT_EQ(s.IUNITCFG, 1);
  EXPECT_EQ(read("QMXV.CFG"), "1\n");
  EXPECT_TRUE(s.DIAG.contains("QMXV.CFG"));
  write("QMXV.CFG", "3   English? no: non-dimensional\n");
  qmxv::read_config(s);
  EXPECT_EQ(s.IUNITCFG, 3);
}

TEST_F(RunTypeFixture, MissingDemonstrationPairLeavesTheUsersDataUntouched) {
  write("QMXVD.DAT", "my gas\n");
  write("QMXSD.DAT", "my surfaces\n");
  setenv("QMXV_DEMO_DIR", dir.c_str(), 1);  // nothing there either
  try {
    qmxv::install_demo_files(s, 9);
    FAIL() << "expected an error";
  } catch (const qmxv::UserError& e) {
    EXPECT_EQ(e.exit_status(), qmxv::kExitBadData);
    EXPECT_NE(std::string(e.what()).find("QMXVD.DM9"), std::string::npos);
  }
  EXPECT_EQ(read("QMXVD.DAT"), "my gas\n");
  EXPECT_EQ(read("QMXSD.DAT"), "my surfaces\n");
}

TEST_F(RunTypeFixture, DemonstrationReplacesTheDataFilesAndKeepsTheUsersAsBackups) {
  write("QMXVD.DAT", "my gas\n");
  write("QMXSD.DAT", "my surfaces\n");
  write("QMXVD.BAK", "an older backup\n");
  write("QMXVD.DM2", "demo gas\n");
  write("QMXSD.DM2", "demo surfaces\n");
  qmxv::install_demo_files(s, 2);
  EXPECT_EQ(read("QMXVD.DAT"), "demo gas\n");
  EXPECT_EQ(read("QMXSD.DAT"), "demo surfaces\n");
  EXPECT_EQ(read("QMXVD.BAK"), "an older backup\n");
  EXPECT_EQ(read("QMXVD.BAK2"), "my gas\n");
  EXPECT_EQ(read("QMXSD.BAK"), "my surfaces\n");
}

TEST_F(RunTypeFixture, StartUpClassifiesTheScreenAndRefusesNarrowOnes) {
  qmxv::ui::ScriptedToolkit wide({}, 1280);
  qmxv::start_up(s, wide);
  EXPECT_EQ(s.ISCREEN, 1280);
  EXPECT_EQ(s.IXOFF, 100);
  EXPECT_EQ(wide.main_title(), "DSMC Visual Program QMXV for Three-Dimensional Flows");
  qmxv::ui::ScriptedToolkit small({}, 1024);
  qmxv::start_up(s, small);
  EXPECT_EQ(s.ISCREEN, 1024);
  EXPECT_EQ(s.IYOFF, 150);
  qmxv::ui::ScriptedToolkit tiny({}, 800);
  EXPECT_THROW(qmxv::start_up(s, tiny), qmxv::UserError);
  s.DIAG.close();
  EXPECT_NE(read("DIAG.TXT").find("This program requires at least 1024*768 screen resolution"),
            std::string::npos);
}

}  // namespace
