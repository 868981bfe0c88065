// The interchange commands of the qmxv program, run before (and instead of)
// the simulation:
//   qmxv import-surface body.stl [more.stl] [--out QMXSD.DAT] ...
//   qmxv new-case [--surface QMXSD.DAT] [--out QMXVD.DAT] [--gas argon] ...
// `args` are the words after the command name. Reports go to `out`, faults to
// `err`; the result is the program's exit status (run/errors.h).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qmxv::interop {

int import_surface_command(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err);
int new_case_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Runs the command argv[1] names, setting `handled`; leaves it false for any
// other first word, so the caller goes on to its own options.
int run_interop_command(int argc, char** argv, bool& handled);

}  // namespace qmxv::interop
