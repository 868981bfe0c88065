// Text formats of the panels and the text files.
//
// Panels show numbers through Fortran edit descriptors ("(G13.7)", "(F10.0)",
// "(I4)", "(E12.5)"); DIAG.TXT, the data summaries and NODES.TXT are written
// in one free format: items separated by one blank, integers in full, single
// reals to 7 significant digits, double reals to 12 ("%.7g", "%.12g"), so a
// reader parses them with any strtod.
#pragma once

#include <concepts>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

namespace qmxv {

// Formats `value` with one Fortran edit descriptor: Fw.d, Ew.d, ESw.d, Gw.d or
// Iw, with or without the surrounding parentheses. The result is exactly w
// characters, right-justified; a field too narrow is w asterisks, as Fortran
// writes it. Reals under G take the fixed form when 0.1 <= |x| < 10^d after
// rounding to d significant digits (followed by 4 blanks), else the E form.
// Negative values that round to zero are written without a sign.
std::string fortran_format(double value, std::string_view descriptor);

// One free-format item.
inline std::string free_item(std::string_view s) {
  std::size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  std::size_t e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}
inline std::string free_item(const char* s) { return free_item(std::string_view(s)); }
inline std::string free_item(const std::string& s) { return free_item(std::string_view(s)); }
std::string free_item(float v);
std::string free_item(double v);
template <std::integral I>
std::string free_item(I v) {
  return std::to_string(v);
}

// A free-format line: the items joined by one blank (texts lose their
// surrounding blanks, so " NM" and "NM" read alike).
template <typename... Items>
std::string free_line(const Items&... items) {
  std::string line;
  auto add = [&line](const std::string& item) {
    if (item.empty()) return;
    if (!line.empty()) line += ' ';
    line += item;
  };
  (add(free_item(items)), ...);
  return line;
}

}  // namespace qmxv
