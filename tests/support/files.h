// Scratch directories and whole-file reads and writes for the tests.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qmxv::support {

namespace fs = std::filesystem;

// A fresh directory under the system temporary directory, unique to this
// process and object, removed at the end.
class TempDir {
 public:
  explicit TempDir(const std::string& stem = "qmxv_test") {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            (stem + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline void write_file(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

inline std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace qmxv::support
