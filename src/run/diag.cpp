#include "run/diag.h"

#include <algorithm>

namespace qmxv {

bool DiagFile::open(const std::filesystem::path& path) {
  out_.close();
  out_.open(path, std::ios::out | std::ios::trunc);
  return out_.is_open();
}

void DiagFile::close() {
  if (out_.is_open()) out_.close();
}

void DiagFile::line(const std::string& text) {
  // Flushed line by line: after a crash DIAG.TXT still says how far the run got.
  if (out_.is_open()) out_ << text << std::endl;
  if (tail_.size() >= kTailLines) tail_.erase(tail_.begin(), tail_.begin() + kTailLines / 2);
  tail_.push_back(text);
}

void DiagFile::flush() {
  if (out_.is_open()) out_.flush();
}

bool DiagFile::contains(const std::string& text) const {
  return std::any_of(tail_.begin(), tail_.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

}  // namespace qmxv
