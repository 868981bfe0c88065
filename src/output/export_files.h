// What the CSV and the VTK results files share: where they go, how numbers
// are written, the temporary-name write that never leaves half a file, the
// report of a file that could not be written, and the solid triangles in the
// order both surface files list them. For src/output only.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qmxv {
struct State;

namespace export_files {

// Locale-independent numbers: floats to 9 significant digits and doubles to
// 17, the fewest that read back to the same bits ("%.9g" / "%.17g").
void append_number(std::string& out, float v);
void append_number(std::string& out, double v);
void append_number(std::string& out, int v);

std::filesystem::path results_dir(const State& s);

// "cells_0012.csv": the stem, the output number in at least four digits and
// the extension (with its dot).
std::string numbered(const char* stem, int nout, const char* extension);

// True for "<stem><digits><extension>", the name `numbered` gives.
bool is_numbered(std::string_view name, std::string_view stem, std::string_view extension);

// One results file. The text goes to <name>.part and the finished file is
// renamed over the old one, so a reader (or a crash) never meets half a file
// and a failed write keeps the previous file whole. The text is held in a
// buffer and written in large pieces; the first failure is kept as the reason.
class PartFile {
 public:
  explicit PartFile(const std::filesystem::path& path);
  ~PartFile();
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  // The text not yet written: append to it, then call flush_if_full.
  std::string& text() { return buffer_; }
  void flush_if_full() {
    if (buffer_.size() >= kChunk) flush();
  }
  // Refuses the file (it is not renamed into place); the first reason stays.
  void fail(const std::string& why);
  // Closes and renames into place; the reason of a failure, or "".
  std::string finish();
  const std::filesystem::path& path() const { return path_; }

 private:
  static constexpr std::size_t kChunk = 1 << 20;
  void flush();

  std::filesystem::path path_, part_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  std::string reason_;
  bool created_ = false;
  bool finished_ = false;
};

// A write that failed leaves the old file; the run goes on, but the user is
// told which file and why, in DIAG.TXT and on the terminal.
void report(State& s, const std::string& message);

// Finishes `f` and reports a failure; whether the file was written.
bool finish(State& s, PartFile& f);

// Triangle number N of each solid triangle j = 1..NSTRI (index j; 0 when no
// triangle points to j): the order of the surface files' rows and cells.
std::vector<int> triangles_of_solids(const State& s);

// The shear stress on solid triangle j (triangle N) in global axes [Pa]: the
// sampled components along the tangents t1, t2 turned into x, y, z.
void shear_in_axes(const State& s, int j, int N, float shear[3]);

}  // namespace export_files
}  // namespace qmxv
