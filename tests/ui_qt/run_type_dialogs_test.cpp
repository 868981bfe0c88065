// The run-type choice on the desktop, driven by clicks on the real dialogs.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <fstream>

#include "qt_test_support.h"
#include "run/errors.h"
#include "run/run_type.h"
#include "run/state.h"
#include "ui/qt/dialogs.h"

namespace qmxv {
namespace {

using test::ModalScript;
using test::pick;

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::string s;
  std::getline(in, s);
  return s;
}

class RunTypeDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ui = test::make_toolkit();
    s.DIR = test::fresh_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { std::filesystem::remove_all(s.DIR); }
  std::unique_ptr<ui::Toolkit> ui;
  State s;
};

struct Choice {
  const char* label;
  int value;
};

class RunTypeChoice : public RunTypeDialogs, public ::testing::WithParamInterface<Choice> {};

TEST_P(RunTypeChoice, ReturnsTheValueOfTheClickedButton) {
  ModalScript script({pick(GetParam().label)});
  EXPECT_EQ(choose_run_type(s, *ui), GetParam().value);
  EXPECT_EQ(s.NRUNTYPE, GetParam().value);
  // IUNITCFG = 1: no options question after the Run Type dialog.
  EXPECT_EQ(script.titles(), std::vector<std::string>{"Run Type"});
}

INSTANTIATE_TEST_SUITE_P(
    Choices, RunTypeChoice,
    ::testing::Values(Choice{"Continue the Current Run", 1}, Choice{"Adapt Cells and Continue", 2},
                      Choice{"Start the STS Re-entry Demo", 5},
                      Choice{"Start a New Run from QMXVD.DAT and QMXSD.DAT", 7}));

TEST_F(RunTypeDialogs, OpensOnAboutWithBothNotesFramedBelowTheButtons) {
  bool about_checked = false;
  QStringList frames;
  int lowest_button = 0, highest_frame = 1 << 30;
  ModalScript script({[&](QWidget* w) {
    for (QRadioButton* b : w->findChildren<QRadioButton*>()) {
      if (test::plain(b->text()) == "About Program and Method") about_checked = b->isChecked();
      lowest_button = std::max(lowest_button, b->geometry().bottom());
    }
    for (QGroupBox* g : w->findChildren<QGroupBox*>()) {
      frames << g->title();
      highest_frame = std::min(highest_frame, g->geometry().top());
    }
    test::pick("Start the Delta Wing Demo")(w);
  }});
  EXPECT_EQ(choose_run_type(s, *ui), 3);
  EXPECT_TRUE(about_checked);
  EXPECT_EQ(frames, (QStringList{"Details of the Demonstration Cases",
                                 "Notes on a Typical  Run of these Cases"}));
  EXPECT_GT(highest_frame, lowest_button);
}

TEST_F(RunTypeDialogs, AboutShowsTheChosenPageThenTheRunTypeAgain) {
  QString page_text;
  ModalScript script({pick("About Program and Method"), pick("FAQ about DSMC"),
                      [&](QWidget* w) {
                        if (auto* b = w->findChild<QTextBrowser*>()) page_text = b->toPlainText();
                        test::click(w, "OK");
                      },
                      pick("Adapt Cells and Continue")});
  EXPECT_EQ(choose_run_type(s, *ui), 2);
  EXPECT_EQ(script.titles(), (std::vector<std::string>{
                                 "Run Type", "Type of Information",
                                 "Frequently Asked Questions about the DSMC Method", "Run Type"}));
  EXPECT_GT(page_text.size(), 500);
  EXPECT_FALSE(script.timed_out());
}

struct OptionsAnswer {
  const char* label;
  const char* config_after;
};

class OptionsQuestion : public RunTypeDialogs,
                        public ::testing::WithParamInterface<OptionsAnswer> {};

TEST_P(OptionsQuestion, OnlyRestoringRewritesTheConfiguration) {
  s.IUNITCFG = 2;
  write_config(s, 2);
  ModalScript script({pick("Start the Vacuum System Demo"), pick(GetParam().label)});
  EXPECT_EQ(choose_run_type(s, *ui), 4);
  EXPECT_EQ(script.titles(),
            (std::vector<std::string>{"Run Type", "Non-standard Program Options"}));
  EXPECT_EQ(read_file(s.file("QMXV.CFG")), GetParam().config_after);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OptionsQuestion,
    ::testing::Values(OptionsAnswer{"Use the Current Non-standard Options", "2"},
                      OptionsAnswer{"Restore Options to the Standard Values", "1"},
                      OptionsAnswer{"Review / Revise the Current Options", "2"}));

TEST_F(RunTypeDialogs, ClosingTheRunTypeDialogStopsTheProgram) {
  ModalScript script({[](QWidget* w) { w->close(); }});
  EXPECT_THROW(choose_run_type(s, *ui), StopRequest);
}

struct PageCase {
  const char* text;
  const char* html;
};

class PageText : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageText, BecomesHeadingsParagraphsAndLists) {
  EXPECT_EQ(ui::qt::page_html(GetParam().text).toStdString(), GetParam().html);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PageText,
    ::testing::Values(
        PageCase{"One line\nruns on.\n\nSecond.", "<p>One line runs on.</p>\n<p>Second.</p>\n"},
        PageCase{"# The Method\nText <b> & more",
                 "<h2>The Method</h2>\n<p>Text &lt;b&gt; &amp; more</p>\n"},
        PageCase{"Files:\n- QMXVD.DAT the gas\n  continued\n- QMXSD.DAT\n\nAfter.",
                 "<p>Files:</p>\n<ul>\n<li>QMXVD.DAT the gas continued</li>\n<li>QMXSD.DAT</li>\n"
                 "</ul>\n<p>After.</p>\n"},
        PageCase{"\n\n# A\n\n\n", "<h2>A</h2>\n"}));

}  // namespace
}  // namespace qmxv

// ------------------------------------------------- characteristic area --

namespace qmxv {
namespace {

// Types into the dialog's two fields, picks the unit system and presses OK
// (or records that OK was refused for a field that is not a positive number).
ModalScript::Action type_size(const QString& area, const QString& length, const char* units,
                              bool* ok_enabled = nullptr) {
  return [=](QWidget* w) {
    auto* a = w->findChild<QLineEdit*>("characteristic-area");
    auto* l = w->findChild<QLineEdit*>("characteristic-length");
    if (!a || !l) return w->close(), void();
    a->setText(area);
    l->setText(length);
    test::click(w, units);
    auto* ok = w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    if (ok_enabled) *ok_enabled = ok->isEnabled();
    if (ok->isEnabled())
      ok->click();
    else
      w->close();
  };
}

TEST(CharacteristicAreaDialog, ReturnsTheTypedSizeInTheChosenUnitsAndRefusesNonPositiveOnes) {
  auto ui = test::make_toolkit();
  {
    ModalScript script({type_size("2.5", "0.75", "Eng. Units (US)")});
    const auto answer = ui->ask_characteristic_size({});
    EXPECT_EQ(script.titles(), std::vector<std::string>{"Characteristic Area"});
    ASSERT_TRUE(answer);
    EXPECT_DOUBLE_EQ(answer->area, 2.5);
    EXPECT_DOUBLE_EQ(answer->length, 0.75);
    EXPECT_TRUE(answer->english);
  }
  bool ok_enabled = true;
  ModalScript script({type_size("-1", "0.75", "SI Units", &ok_enabled)});
  EXPECT_FALSE(ui->ask_characteristic_size({}));
  EXPECT_FALSE(ok_enabled) << "OK waits for a positive area";
}

}  // namespace
}  // namespace qmxv
