// What the user got wrong, and how the program ends because of it.
//
// Library code never exits: it throws one of these, the run driver catches it
// once, writes the message to DIAG.TXT and to the terminal or a message box,
// and the program ends with the exit status below.
#pragma once

#include <stdexcept>
#include <string>

namespace qmxv {

// Documented exit statuses of the qmxv program.
enum ExitStatus : int {
  kExitNormal = 0,
  kExitUsage = 1,
  kExitBadData = 2,
  kExitBadRestart = 3,
  kExitGeometry = 4,
  kExitInterrupted = 130,
};

class UserError : public std::runtime_error {
 public:
  UserError(std::string message, int exit_status, std::string title = "QMXV")
      : std::runtime_error(std::move(message)), exit_status_(exit_status),
        title_(std::move(title)) {}
  int exit_status() const { return exit_status_; }
  // Title of the message box that shows the error on the desktop.
  const std::string& title() const { return title_; }

 private:
  int exit_status_;
  std::string title_;
};

// Where a datum stands, as every message names it: "QMXSD.DAT line 40", or
// the file alone when the line is not known (0).
inline std::string file_and_line(const std::string& file, int line) {
  return line > 0 ? file + " line " + std::to_string(line) : file;
}

// A fault in a data file, located to the line and the item of the data model:
//   QMXVD.DAT line 24, item FTMP: expected a real number, found "warm"
class DataError : public UserError {
 public:
  DataError(std::string file, int line, std::string item, std::string expected,
            std::string found)
      : UserError(compose(file, line, item, expected, found), kExitBadData, "Error in " + file),
        file_(std::move(file)), line_(line), item_(std::move(item)) {}

  // A fault with a fixed text of its own ("No values available for previous
  // triangle"), followed by where it was found; `title` names the message box
  // that shows it (the moving-wall fault has a box title of its own), else
  // "Error in <file>".
  DataError(std::string text, std::string file, int line, std::string title = {})
      : UserError(text + " (" + file_and_line(file, line) + ")", kExitBadData,
                  title.empty() ? "Error in " + file : title),
        file_(std::move(file)), line_(line) {}

  const std::string& file() const { return file_; }
  int line() const { return line_; }
  const std::string& item() const { return item_; }

 private:
  static std::string compose(const std::string& file, int line, const std::string& item,
                             const std::string& expected, const std::string& found) {
    std::string m = file_and_line(file, line);
    if (!item.empty()) m += ", item " + item;
    m += ": expected " + expected;
    if (!found.empty()) m += ", found " + found;
    return m;
  }

  std::string file_;
  int line_ = 0;
  std::string item_;
};

// A bad or missing set of restart files.
class RestartError : public UserError {
 public:
  explicit RestartError(std::string message)
      : UserError(std::move(message), kExitBadRestart, "Restart Files") {}
};

// Geometry that cannot be gridded (surfaces that do not connect, a grid that
// leaves the flow without a cell), named after the datum responsible:
//   QMXSD.DAT line 40: Side 2 of triangle 13 has no connectivity: ...
// A line of 0 (the file could not be read again) names the file alone.
class GeometryError : public UserError {
 public:
  GeometryError(std::string file, int line, const std::string& text,
                std::string title = "Surface Geometry Error")
      : UserError(file_and_line(file, line) + ": " + text, kExitGeometry, std::move(title)),
        file_(std::move(file)),
        line_(line) {}

  const std::string& file() const { return file_; }
  int line() const { return line_; }

 private:
  std::string file_;
  int line_ = 0;
};

// A wrong command line, or scripted answers that ran out.
class UsageError : public UserError {
 public:
  explicit UsageError(std::string message) : UserError(std::move(message), kExitUsage) {}
};

// The user closed the main window or pressed Ctrl-C: not an error, the run
// ends at once. `status` is 0 for a window close and 130 for an interrupt.
struct StopRequest {
  int status = kExitNormal;
};

}  // namespace qmxv
