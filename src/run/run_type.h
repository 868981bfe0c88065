// The choice of what a run is: continue, adapt and continue, a demonstration,
// the user's own case, or the information pages.
#pragma once

#include <filesystem>
#include <optional>

#include "ui/toolkit.h"

namespace qmxv {
struct State;

// Values of NRUNTYPE.
enum RunType : int {
  kContinueRun = 1,
  kAdaptAndContinue = 2,
  kDeltaWingDemo = 3,
  kVacuumSystemDemo = 4,
  kReentryDemo = 5,
  kAboutProgram = 6,
  kOwnCase = 7,
};

ui::RadioDialog run_type_dialog();
ui::RadioDialog options_dialog();
ui::RadioDialog information_dialog();

// Shows the Run Type dialog until a run is chosen (1..5 or 7) and returns it in
// NRUNTYPE; shows the information pages for 6 and asks the non-standard
// options question before a new run when IUNITCFG is not 1 (answer 2
// rewrites QMXV.CFG with 1).
int choose_run_type(State& s, ui::Toolkit& ui);

// QMXV.CFG: the unit system of new runs. A missing file is recreated with 1;
// a file that cannot be read or holds a value outside 1..3 is recreated with
// 1 and DIAG.TXT says so.
void read_config(State& s);
void write_config(const State& s, int iunitcfg);

// The folder holding the demonstration pair QMXVD.DMk and QMXSD.DMk: the
// working directory, else the installed demos/ folder; nothing when the pair
// is found nowhere.
std::optional<std::filesystem::path> find_demo_pair(const State& s, int k);

// For a demonstration: replaces QMXVD.DAT and QMXSD.DAT in the working
// directory with the case's pair. Checks that the pair exists before anything
// is touched; a user's data file that differs from the demonstration is kept
// as QMXVD.BAK / QMXSD.BAK.
void install_demo_files(State& s, int k);

}  // namespace qmxv
