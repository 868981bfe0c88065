// The readable summary a data reader writes while it reads (QMXVD.TXT,
// QMXSD.TXT): one free-format line per datum, right after the datum is read,
// so after a fault the last line shows where reading stopped.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "run/errors.h"
#include "run/text_format.h"

namespace qmxv {

class SummaryFile {
 public:
  SummaryFile(const std::filesystem::path& path, const std::string& label) {
    out_.open(path, std::ios::out | std::ios::trunc);
    if (!out_) {
      throw DataError(label, 0, "",
                      "a summary file that can be created in " + path.parent_path().string(),
                      "a directory that cannot be written");
    }
  }

  // A summary that writes nothing: a data file read again only to locate a
  // datum leaves the summary of the first reading as it was.
  SummaryFile() = default;

  template <typename... Items>
  void write(const Items&... items) {
    if (out_.is_open()) out_ << free_line(items...) << '\n';
  }
  void line(const std::string& text) {
    if (out_.is_open()) out_ << text << '\n';
  }
  void close() { out_.close(); }

 private:
  std::ofstream out_;
};

}  // namespace qmxv
