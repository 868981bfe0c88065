// The demonstration cases as the tests see them: the case the generator
// builds now, and the state that the committed files under demos/ give when
// the program's own readers read them.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "data/read_gas.h"
#include "support/files.h"
#include "data/read_surface.h"
#include "data_set.h"
#include "run/state.h"
#include "ui/scripted/scripted_toolkit.h"
#include "writer.h"

namespace qmxv::demo_test {

namespace fs = std::filesystem;

inline fs::path committed_dir() {
  return fs::path(QMXV_SOURCE_DIR) / "demos";
}

using support::read_file;

// A fresh directory, removed at the end.
class TempDir : public support::TempDir {
 public:
  TempDir() : support::TempDir("qmxv_demos") {}
};

struct LoadedCase {
  demogen::Case design;              // as the generator builds it
  State state;                       // as the readers fill it from demos/QMXVD.DMn and QMXSD.DMn
  std::vector<std::string> dialogs;  // anything the reading showed the user
};

// Reads case n once per test program (the re-entry surface takes a moment).
inline const LoadedCase& loaded_case(int n) {
  static std::map<int, std::unique_ptr<LoadedCase>> cache;
  auto& slot = cache[n];
  if (!slot) {
    auto c = std::make_unique<LoadedCase>();
    c->design = demogen::demonstration_case(n);
    TempDir dir;
    fs::copy_file(committed_dir() / demogen::gas_file_name(n), dir.path() / "QMXVD.DAT");
    fs::copy_file(committed_dir() / demogen::surface_file_name(n), dir.path() / "QMXSD.DAT");
    State& s = c->state;
    s.DIR = dir.path();
    ui::ScriptedToolkit ui;
    read_gas_data(s, ui);  // a fault throws, and the next test reads again
    read_surface_data(s);
    for (const auto& shown : ui.shown()) c->dialogs.push_back(shown.title + ": " + shown.text);
    slot = std::move(c);
  }
  return *slot;
}

}  // namespace qmxv::demo_test
