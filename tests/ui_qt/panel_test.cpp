// Panels on the desktop: what the fields show, and when the program sees the
// user's edits.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "qt_test_support.h"
#include "run/log_panel.h"
#include "run/state.h"
#include "run/text_format.h"

namespace qmxv {
namespace {

using ui::Control;
using ui::ControlKind;

template <typename W>
W* control_widget(const std::string& panel, const std::string& control) {
  return test::find_widget<W>(QString::fromStdString(panel + "." + control));
}

QString shown(const std::string& panel, const std::string& control) {
  auto* label = control_widget<QLabel>(panel, control);
  return label ? label->text() : QString("<missing>");
}

TEST(LogPanel, ShowsEveryFieldInItsFormatAndTheReactionRowOnlyForAReactingGas) {
  auto ui = test::make_toolkit();
  ui->open_main_window(0, 0, 1020, 718, "QMXV");
  State s;
  s.SCALE = 0.01f;
  s.TIME = 1.25e-5;
  s.NM = 123456;
  s.TOTMOV = 98765432.0;
  s.TOTCOL = 1234567.0;
  s.TOTREF = 4321.0;
  s.TOTENT = 777.0;
  s.NROUND = 3;
  s.CSEPMFP = 0.04567f;
  s.NSAMP = 12;
  s.TSAMPSTART = 2.0e-6f;
  s.NMSAMPSTART = 1000;
  ui->create_panel(log_panel_spec(s));
  refresh_log_panel(s, *ui);
  struct Field {
    const char* control;
    double value;
    const char* format;
  };
  for (const Field& f :
       {Field{"time", s.TIME / s.SCALE, "(G13.7)"}, Field{"moves", s.TOTMOV, "(F13.0)"},
        Field{"colls", s.TOTCOL, "(F12.0)"}, Field{"refs", s.TOTREF, "(F10.0)"},
        Field{"entered", s.TOTENT, "(F10.0)"}, Field{"csepmfp", s.CSEPMFP, "(G10.3)"},
        Field{"tsampstart", s.TSAMPSTART / s.SCALE, "(G11.5)"}}) {
    EXPECT_EQ(shown("log", f.control).toStdString(), fortran_format(f.value, f.format))
        << f.control;
    // A fixed-pitch face, so the digits of successive refreshes stay in place.
    EXPECT_TRUE(QFontInfo(control_widget<QLabel>("log", f.control)->font()).fixedPitch())
        << f.control;
  }
  EXPECT_EQ(shown("log", "nm"), "123456");
  EXPECT_EQ(shown("log", "nmsampstart"), "1000");
  set_activity(*ui, "Collisions");
  EXPECT_EQ(shown("log", "activity"), "Collisions");
  EXPECT_EQ(ui->get_text("log", "activity"), "Collisions");
  // The panel lies in the main window's bottom region, under its title.
  auto* panel = control_widget<QLabel>("log", "time")->parentWidget();
  auto* box = qobject_cast<QGroupBox*>(panel);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->title(), "Progressive Log of the Current DSMC Computation");
  EXPECT_EQ(panel->parentWidget()->objectName(), "region:log");

  auto* reaction_type = control_widget<QSpinBox>("log", "reaction_type");
  EXPECT_TRUE(reaction_type->isHidden());
  EXPECT_TRUE(control_widget<QLabel>("log", "reactions")->isHidden());
  s.MNR = 3;
  s.TOTREA.allocate(3);
  s.TOTREA(1) = 10.0;
  s.TOTREA(3) = 2500.0;
  ui->put_int("log", "reaction_type", 7);  // out of range: pulled back to MNR
  refresh_log_panel(s, *ui);
  EXPECT_FALSE(reaction_type->isHidden());
  EXPECT_EQ(reaction_type->value(), 3);
  EXPECT_EQ(shown("log", "reactions").toStdString(), fortran_format(2500.0, "(F9.0)"));
}

class Panels : public ::testing::Test {
 protected:
  void SetUp() override {
    ui = test::make_toolkit();
    ui::PanelSpec desc;
    desc.name = "bar";
    desc.title = "Controls";
    desc.region = "";  // a window of its own
    auto make = [](const char* name, ControlKind kind) {
      Control c;
      c.name = name;
      c.kind = kind;
      c.text = name;
      return c;
    };
    Control real = make("ratio", ControlKind::Real);
    real.format = "(G10.4)";
    real.editable = true;
    Control radio = make("axis", ControlKind::Radio);
    radio.labels = {"x", "y", "z"};
    radio.values = {1, 2, 3};
    desc.rows = {{make("division", ControlKind::Spin), make("log", ControlKind::Check), radio},
                 {make("property", ControlKind::Menu), real, make("pause", ControlKind::Button)}};
    ui->create_panel(desc);
  }
  std::unique_ptr<ui::Toolkit> ui;
};

TEST_F(Panels, SpinRangeClampsTheProgramsAndTheUsersValues) {
  auto* spin = control_widget<QSpinBox>("bar", "division");
  ui->set_range("bar", "division", 1, 5);
  ui->put_int("bar", "division", 9);
  EXPECT_EQ(ui->get_int("bar", "division"), 5);
  EXPECT_EQ(spin->value(), 5);
  ui->put_int("bar", "division", -2);
  EXPECT_EQ(ui->get_int("bar", "division"), 1);

  spin->setFocus();
  QTest::keyClick(spin, Qt::Key_Up);
  QTest::keyClick(spin, Qt::Key_Up);
  EXPECT_EQ(ui->get_int("bar", "division"), 1) << "an edit lands only at the next poll";
  ui->poll();
  EXPECT_EQ(ui->get_int("bar", "division"), 3);
  ui->set_range("bar", "division", 1, 2);  // the program narrows the range
  EXPECT_EQ(ui->get_int("bar", "division"), 2);
  EXPECT_EQ(spin->value(), 2);
}

TEST_F(Panels, UserEditsOfEveryKindLandAtThePoll) {
  ui->set_labels("bar", "property", {"Number Density", "Density", "Temperature"});
  control_widget<QCheckBox>("bar", "log")->click();
  for (QRadioButton* b : control_widget<QWidget>("bar", "axis")->findChildren<QRadioButton*>())
    if (b->text() == "z") b->click();
  auto* menu = control_widget<QComboBox>("bar", "property");
  menu->setFocus();
  QTest::keyClick(menu, Qt::Key_Down);
  QTest::keyClick(menu, Qt::Key_Down);
  auto* ratio = control_widget<QLineEdit>("bar", "ratio");
  ratio->setFocus();
  QTest::keyClicks(ratio, "2.5");
  control_widget<QPushButton>("bar", "pause")->click();

  EXPECT_EQ(ui->get_int("bar", "log"), 0);
  EXPECT_EQ(ui->get_int("bar", "axis"), 1);
  EXPECT_EQ(ui->get_int("bar", "property"), 1);
  EXPECT_EQ(ui->get_int("bar", "pause"), 0);
  ui->poll();
  EXPECT_EQ(ui->get_int("bar", "log"), 1);
  EXPECT_EQ(ui->get_int("bar", "axis"), 3);
  EXPECT_EQ(ui->get_int("bar", "property"), 3);
  EXPECT_DOUBLE_EQ(ui->get_real("bar", "ratio"), 2.5);
  EXPECT_EQ(ui->get_int("bar", "pause"), 1);
  EXPECT_EQ(ui->get_int("bar", "pause"), 0) << "a press is read once";

  // Text that is no number leaves the value and shows it again.
  ratio->selectAll();
  QTest::keyClicks(ratio, "warm");
  ui->poll();
  EXPECT_DOUBLE_EQ(ui->get_real("bar", "ratio"), 2.5);
  EXPECT_NE(ratio->text(), "warm");
}

TEST_F(Panels, ProgramWritesOverridePendingEditsAndRealsUseTheirFormat) {
  auto* spin = control_widget<QSpinBox>("bar", "division");
  spin->setFocus();
  QTest::keyClick(spin, Qt::Key_Up);
  ui->put_int("bar", "division", 4);
  ui->poll();
  EXPECT_EQ(ui->get_int("bar", "division"), 4);
  ui->put_real("bar", "ratio", 0.000123456);
  EXPECT_EQ(control_widget<QLineEdit>("bar", "ratio")->text().toStdString(),
            free_item(fortran_format(0.000123456, "(G10.4)")));
  ui->put_real("bar", "ratio", 1.5, "(F6.2)");
  EXPECT_EQ(ui->get_text("bar", "ratio"), "  1.50");
}

TEST(Progress, ValueIsHeldInsideTheRange) {
  auto ui = test::make_toolkit();
  ui->progress_open("Setting up the cells");
  ui->progress_range(10, 20);
  ui->progress_text("Division 3");
  auto* dialog = [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) return p;
    return static_cast<QProgressDialog*>(nullptr);
  }();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Setting up the cells");
  EXPECT_EQ(dialog->labelText(), "Division 3");
  for (auto [put, seen] : {std::pair{5, 10}, std::pair{15, 15}, std::pair{99, 20}}) {
    ui->progress_value(put);
    EXPECT_EQ(dialog->value(), seen);
  }
  ui->progress_close();
}

}  // namespace
}  // namespace qmxv
