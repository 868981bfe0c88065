// DIAG.TXT: the diagnostic file, recreated at every start and kept open for
// the whole run. Every stage writes its lines here in free format.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run/text_format.h"

namespace qmxv {

class DiagFile {
 public:
  // Creates (truncates) the file; lines written before open() are kept in
  // memory only. Returns false when the file cannot be created.
  bool open(const std::filesystem::path& path);
  void close();
  bool is_open() const { return out_.is_open(); }

  void line(const std::string& text);
  template <typename... Items>
  void write(const Items&... items) {
    line(free_line(items...));
  }
  void flush();

  // The last lines written (a bounded tail, for tests and for messages).
  const std::vector<std::string>& tail() const { return tail_; }
  bool contains(const std::string& text) const;

 private:
  static constexpr std::size_t kTailLines = 2000;
  std::ofstream out_;
  std::vector<std::string> tail_;
};

}  // namespace qmxv
