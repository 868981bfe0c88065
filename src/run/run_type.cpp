#include "run/run_type.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "run/errors.h"
#include "run/info_pages.h"
#include "run/state.h"

namespace qmxv {

namespace fs = std::filesystem;

ui::RadioDialog run_type_dialog() {
  ui::RadioDialog d;
  d.title = "Run Type";
  d.labels = {"Continue the Current Run",
              "Adapt Cells and Continue",
              "Start the Delta Wing Demo",
              "Start the Vacuum System Demo",
              "Start the STS Re-entry Demo",
              "Start a New Run from QMXVD.DAT and QMXSD.DAT",
              "About Program and Method"};
  d.values = {kContinueRun,     kAdaptAndContinue, kDeltaWingDemo, kVacuumSystemDemo,
              kReentryDemo,     kOwnCase,          kAboutProgram};
  d.notes = run_type_notes();
  return d;
}

ui::RadioDialog options_dialog() {
  ui::RadioDialog d;
  d.title = "Non-standard Program Options";
  d.labels = {"Use the Current Non-standard Options", "Restore Options to the Standard Values",
              "Review / Revise the Current Options"};
  d.values = {1, 2, 3};
  return d;
}

ui::RadioDialog information_dialog() {
  ui::RadioDialog d;
  d.title = "Type of Information";
  d.labels = {"The DSMC Method", "FAQ about DSMC", "The QMXV Program", "FAQ about QMXV"};
  d.values = {1, 2, 3, 4};
  return d;
}

int choose_run_type(State& s, ui::Toolkit& ui) {
  s.NRUNTYPE = kAboutProgram;
  for (;;) {
    s.NRUNTYPE = ui.choose(run_type_dialog(), s.NRUNTYPE);
    const bool new_run = (s.NRUNTYPE >= kDeltaWingDemo && s.NRUNTYPE <= kReentryDemo) ||
                         s.NRUNTYPE == kOwnCase;
    if (new_run && s.IUNITCFG != 1) {
      s.IOPTCHOICE = 1;
      s.IOPTCHOICE = ui.choose(options_dialog(), s.IOPTCHOICE);
      if (s.IOPTCHOICE == 2) {
        s.IUNITCFG = 1;
        write_config(s, 1);
      }
    }
    if (s.NRUNTYPE != kAboutProgram) return s.NRUNTYPE;
    s.IINFO = ui.choose(information_dialog(), s.IINFO);
    const InfoPage& page = info_page(s.IINFO);
    ui.show_page(page.title, page.text);
  }
}

void write_config(const State& s, int iunitcfg) {
  const fs::path p = s.file("QMXV.CFG");
  const fs::path tmp = s.file("QMXV.CFG.tmp");
  {
    std::ofstream out(tmp, std::ios::trunc);
    out << iunitcfg << '\n';
    if (!out) return;  // a read-only directory: the run goes on with the value in memory
  }
  std::error_code ec;
  fs::rename(tmp, p, ec);
}

void read_config(State& s) {
  const fs::path p = s.file("QMXV.CFG");
  std::ifstream in(p);
  if (!in) {
    s.IUNITCFG = 1;
    write_config(s, 1);
    return;
  }
  std::string text;
  std::getline(in, text);
  std::istringstream is(text);
  long long v = 0;
  std::string rest;
  if (!(is >> v) || v < 1 || v > 3) {
    s.DIAG.write("QMXV.CFG held", "\"" + text + "\"",
                 "instead of a unit system 1, 2 or 3; it has been recreated with 1 (SI units)");
    s.IUNITCFG = 1;
    write_config(s, 1);
    return;
  }
  s.IUNITCFG = static_cast<int>(v);
}

std::optional<fs::path> find_demo_pair(const State& s, int k) {
  const std::string v = "QMXVD.DM" + std::to_string(k);
  const std::string d = "QMXSD.DM" + std::to_string(k);
  // The working directory first; then QMXV_DEMO_DIR when it is set, else the
  // installed demos folder (beside the executable or at the install prefix)
  // and, for a program run from its build tree, the source tree's demos/.
  std::vector<fs::path> places = {s.DIR};
  std::error_code ec;
  if (const char* env = std::getenv("QMXV_DEMO_DIR")) {
    places.emplace_back(env);
  } else {
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) places.push_back(exe.parent_path().parent_path() / "share" / "qmxv" / "demos");
#ifdef QMXV_DEMO_DIR
    places.emplace_back(QMXV_DEMO_DIR);
#endif
#ifdef QMXV_SOURCE_DEMO_DIR
    places.emplace_back(QMXV_SOURCE_DEMO_DIR);
#endif
  }
  for (const auto& dir : places)
    if (fs::is_regular_file(dir / v, ec) && fs::is_regular_file(dir / d, ec)) return dir;
  return std::nullopt;
}

namespace {

bool same_contents(const fs::path& a, const fs::path& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  std::stringstream sa, sb;
  sa << fa.rdbuf();
  sb << fb.rdbuf();
  return fa && fb && sa.str() == sb.str();
}

void replace_with_copy(State& s, const fs::path& from, const char* dat, const char* bak) {
  const fs::path to = s.file(dat);
  std::error_code ec;
  if (fs::exists(to, ec) && !same_contents(from, to)) {
    // Never overwrite an earlier backup: QMXVD.BAK, then QMXVD.BAK2, ...
    std::string name = bak;
    for (int n = 2; fs::exists(s.file(name.c_str()), ec); ++n) name = std::string(bak) + std::to_string(n);
    fs::rename(to, s.file(name.c_str()), ec);
    if (!ec) s.DIAG.write("The previous", dat, "has been kept as", name);
  }
  fs::remove(to, ec);
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec)
    throw UserError("Could not copy " + from.string() + " to " + to.string() + ": " + ec.message(),
                    kExitBadData, "Demonstration Files");
}

}  // namespace

void install_demo_files(State& s, int k) {
  const auto dir = find_demo_pair(s, k);
  if (!dir) {
    throw UserError("The demonstration data files QMXVD.DM" + std::to_string(k) + " and QMXSD.DM" +
                        std::to_string(k) +
                        " were found neither in the working directory nor in the installed demos "
                        "folder; QMXVD.DAT and QMXSD.DAT have not been touched.",
                    kExitBadData, "Demonstration Files");
  }
  replace_with_copy(s, *dir / ("QMXVD.DM" + std::to_string(k)), "QMXVD.DAT", "QMXVD.BAK");
  replace_with_copy(s, *dir / ("QMXSD.DM" + std::to_string(k)), "QMXSD.DAT", "QMXSD.BAK");
}

}  // namespace qmxv
