// qmxv: the desktop program, or a headless run with --batch.
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "interop/commands.h"
#include "run/driver.h"
#include "run/errors.h"
#include "run/state.h"
#include "ui/scripted/scripted_toolkit.h"

#if defined(QMXV_WITH_QT) && __has_include("ui/qt/qt_toolkit.h")
#include "ui/qt/qt_toolkit.h"
#define QMXV_HAVE_DESKTOP 1
#endif

namespace {

constexpr const char* kUsage = R"(Usage:
  qmxv [--dir D] [--export none|csv|vtk|all] [--molecules-per-cell N]
                                      open the desktop program (needs a display)
  qmxv --batch --run-type N [--outputs K | --steps S | --until SECONDS] [--dir D]
       [--export none|csv|vtk|all] [--molecules-per-cell N]
                                      run without a display, progress on the terminal
  qmxv import-surface MESH.stl ... [options]
                                      write QMXSD.DAT from CAD meshes (--help for more)
  qmxv new-case [options]             write a QMXVD.DAT around the surfaces (--help)

Run types (N):
  1  continue the current run from its restart files
  2  adapt the cells and continue
  3  start the delta wing demonstration
  4  start the vacuum system demonstration
  5  start the STS re-entry demonstration
  7  start a new run from QMXVD.DAT and QMXSD.DAT in the working directory

Options:
  --outputs K      stop after K outputs of this session (each writes the results and
                   restart files): with --run-type 1 the run makes K more
  --steps S        stop after S time steps; --steps 0 on a new run stops after the
                   grid and cells are formed (a geometry check: writes NODES.TXT,
                   DSCELLS.BMP and DIAG.TXT, no restart files)
  --until SECONDS  stop once the flow time has reached SECONDS (physical time)
  --molecules-per-cell N
                   the simulated molecules per cell that run type 2 (adapt the cells
                   and continue) adapts the cells to: at least 1, default 15; ten
                   to twenty are sound
  --dir D          work in directory D (default: the current directory)
  --export MODE    the results files of every output, under results/ in the
                   working directory: csv the CSV tables, vtk the VTK XML files for
                   ParaView (flow.pvd, surface.pvd), all both (the default), none
                   no files
  --help           show this text
  --version        show the version

Exit status: 0 normal end, 1 usage, 2 bad data, 3 bad or missing restart files,
4 geometry fault, 130 stopped by Ctrl-C.
)";

[[noreturn]] void usage_error(const std::string& what) {
  std::cerr << "qmxv: " << what << "\nTry 'qmxv --help'." << std::endl;
  std::exit(qmxv::kExitUsage);
}

template <typename T>
T parse_number(const std::string& option, const char* text) {
  T value{};
  const char* end = text + std::strlen(text);
  auto [p, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || p != end) usage_error(option + " expects a number, found \"" + text + "\"");
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  bool interop_command = false;
  const int interop_status = qmxv::interop::run_interop_command(argc, argv, interop_command);
  if (interop_command) return interop_status;
  bool batch = false;
  bool check_display = false;
  int run_type = 0;
  std::string dir = ".";
  bool export_csv = true, export_vtk = true;
  qmxv::RunLimits limits;
  int bounds = 0;
  int molecules_per_cell = qmxv::RunData{}.TARGET_PER_CELL;

  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) usage_error(a + " needs a value");
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--version") {
      std::cout << "qmxv " << QMXV_VERSION << std::endl;
      return 0;
    } else if (a == "--batch") {
      batch = true;
    } else if (a == "--check-display") {
      check_display = true;
    } else if (a == "--run-type") {
      run_type = parse_number<int>(a, value());
    } else if (a == "--outputs") {
      limits.outputs = parse_number<int>(a, value());
      ++bounds;
      if (*limits.outputs < 1) usage_error("--outputs must be at least 1");
    } else if (a == "--steps") {
      limits.steps = parse_number<long long>(a, value());
      ++bounds;
      if (*limits.steps < 0) usage_error("--steps must be 0 or more");
    } else if (a == "--until") {
      limits.until_seconds = parse_number<double>(a, value());
      ++bounds;
      if (!(*limits.until_seconds > 0)) usage_error("--until must be a positive flow time in seconds");
    } else if (a == "--molecules-per-cell") {
      molecules_per_cell = parse_number<int>(a, value());
      if (molecules_per_cell < 1) usage_error("--molecules-per-cell must be at least 1");
    } else if (a == "--dir") {
      dir = value();
    } else if (a == "--export") {
      const std::string v = value();
      if (v != "none" && v != "csv" && v != "vtk" && v != "all")
        usage_error("--export expects none, csv, vtk or all, found \"" + v + "\"");
      export_csv = v == "csv" || v == "all";
      export_vtk = v == "vtk" || v == "all";
    } else {
      usage_error("unknown option \"" + a + "\"");
    }
  }
  if (bounds > 1) usage_error("give at most one of --outputs, --steps and --until");

  if (check_display) {
#ifdef QMXV_HAVE_DESKTOP
    std::string why;
    return qmxv::ui::qt_display_available(&why) ? 0 : 1;
#else
    return 1;
#endif
  }

  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) usage_error("--dir: no directory \"" + dir + "\"");

  qmxv::State state;
  state.DIR = dir;
  state.EXPORT_CSV = export_csv;
  state.EXPORT_VTK = export_vtk;
  state.TARGET_PER_CELL = molecules_per_cell;

  if (!batch) {
    if (bounds > 0 || run_type != 0)
      usage_error("--run-type, --outputs, --steps and --until are for runs with --batch");
#ifdef QMXV_HAVE_DESKTOP
    std::string why;
    if (!qmxv::ui::qt_display_available(&why)) {
      std::cerr << "qmxv: no display could be opened (" << why
                << "); to run without one use: qmxv --batch --run-type N (see qmxv --help)"
                << std::endl;
      return qmxv::kExitUsage;
    }
    auto ui = qmxv::ui::make_qt_toolkit(argc, argv);
    const qmxv::RunResult r = qmxv::run_program(state, *ui);
    return r.status;
#else
    std::cerr << "qmxv: this build has no desktop face; run without a display with: "
                 "qmxv --batch --run-type N (see qmxv --help)"
              << std::endl;
    return qmxv::kExitUsage;
#endif
  }

  if (run_type == 0) usage_error("--batch needs --run-type N");
  qmxv::ui::install_interrupt_handler();
  qmxv::ui::ScriptedToolkit ui({run_type});
  const qmxv::RunResult r = qmxv::run_program(state, ui, limits, &std::cout);
  if (!r.message.empty()) std::cerr << "qmxv: " << r.message << std::endl;
  if (qmxv::ui::interrupted()) {
    std::cerr << "qmxv: stopped by Ctrl-C; the restart files of the last output stay valid"
              << std::endl;
    return qmxv::kExitInterrupted;
  }
  return r.status;
}
