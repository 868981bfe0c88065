#include "output/export_files.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <iostream>
#include <system_error>

#include "core/reflect.h"
#include "run/state.h"

namespace qmxv::export_files {

namespace fs = std::filesystem;

// to_chars never consults the locale.
void append_number(std::string& out, float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 9);
  out.append(buf, r.ptr);
}
void append_number(std::string& out, double v) {
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
  out.append(buf, r.ptr);
}
void append_number(std::string& out, int v) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

fs::path results_dir(const State& s) {
  return s.DIR / "results";
}

std::string numbered(const char* stem, int nout, const char* extension) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s_%04d%s", stem, nout, extension);
  return buf;
}

bool is_numbered(std::string_view name, std::string_view stem, std::string_view extension) {
  if (!name.starts_with(stem) || !name.ends_with(extension) ||
      name.size() <= stem.size() + extension.size())
    return false;
  const std::string_view digits =
      name.substr(stem.size(), name.size() - stem.size() - extension.size());
  return digits.find_first_not_of("0123456789") == std::string_view::npos;
}

PartFile::PartFile(const fs::path& path) : path_(path), part_(path.string() + ".part") {
  file_ = std::fopen(part_.c_str(), "wb");
  if (!file_) {
    fail(std::strerror(errno));
    return;
  }
  created_ = true;
  buffer_.reserve(kChunk + 4096);
}

PartFile::~PartFile() {
  if (file_) std::fclose(file_);
  if (created_ && !finished_) {
    std::error_code ec;
    fs::remove(part_, ec);
  }
}

void PartFile::fail(const std::string& why) {
  if (reason_.empty()) reason_ = why;
}

void PartFile::flush() {
  if (file_ && reason_.empty() && !buffer_.empty() &&
      std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    fail(std::strerror(errno));
  buffer_.clear();
}

std::string PartFile::finish() {
  flush();
  if (file_) {
    if (std::fclose(file_) != 0) fail(std::strerror(errno));
    file_ = nullptr;
  }
  if (reason_.empty()) {
    std::error_code ec;
    fs::rename(part_, path_, ec);
    if (ec) fail(ec.message());
  }
  finished_ = reason_.empty();
  return reason_;
}

void report(State& s, const std::string& message) {
  s.DIAG.line(message);
  std::cerr << "qmxv: " << message << '\n';
}

bool finish(State& s, PartFile& f) {
  const std::string reason = f.finish();
  if (reason.empty()) return true;
  report(s, "Results file " + f.path().string() + " not written (" + reason +
                "); the previous file, if any, is kept");
  return false;
}

std::vector<int> triangles_of_solids(const State& s) {
  std::vector<int> triangle(s.NSTRI + 1, 0);
  for (int N = 1; N <= s.NTRI; ++N)
    if (s.ITP(4, N) > 0 && s.ITP(4, N) <= s.NSTRI) triangle[s.ITP(4, N)] = N;
  return triangle;
}

void shear_in_axes(const State& s, int j, int N, float shear[3]) {
  shear[0] = shear[1] = shear[2] = 0.0f;
  if (N > 0) to_global(s, N, LocalVelocity{0.0f, s.VARS(4, j), s.VARS(5, j)}, shear);
}

}  // namespace qmxv::export_files
