#include "run/text_format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qmxv {

namespace {

struct Descriptor {
  char kind = 'G';  // F, E, S (for ES), G or I
  int width = 0;
  int digits = 0;
};

Descriptor parse(std::string_view d) {
  Descriptor r;
  std::size_t i = 0;
  while (i < d.size() && (d[i] == '(' || d[i] == ' ')) ++i;
  if (i < d.size()) r.kind = static_cast<char>(std::toupper(static_cast<unsigned char>(d[i++])));
  if (r.kind == 'E' && i < d.size() && (d[i] == 'S' || d[i] == 's')) {
    r.kind = 'S';
    ++i;
  }
  while (i < d.size() && std::isdigit(static_cast<unsigned char>(d[i])))
    r.width = r.width * 10 + (d[i++] - '0');
  if (i < d.size() && d[i] == '.') {
    ++i;
    while (i < d.size() && std::isdigit(static_cast<unsigned char>(d[i])))
      r.digits = r.digits * 10 + (d[i++] - '0');
  }
  return r;
}

std::string fit(std::string s, int width) {
  if (static_cast<int>(s.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
  return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

// Drops a leading "0" before the decimal point when the field is too narrow.
std::string squeeze_leading_zero(std::string s, int width) {
  if (static_cast<int>(s.size()) <= width) return s;
  if (s.rfind("0.", 0) == 0) return s.substr(1);
  if (s.rfind("-0.", 0) == 0) return s.erase(1, 1);
  return s;
}

bool is_zero_text(const std::string& s) {
  for (char c : s)
    if (c >= '1' && c <= '9') return false;
  return true;
}

std::string fixed_text(double v, int decimals) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s(buf);
  if (decimals == 0) s += '.';
  if (s[0] == '-' && is_zero_text(s)) s.erase(0, 1);
  return s;
}

std::string format_f(double v, int w, int d) {
  return fit(squeeze_leading_zero(fixed_text(v, d), w), w);
}

// Decimal digits of |v| rounded to `d` significant digits, and the exponent n
// with the value = 0.digits x 10^n.
void significant(double v, int d, std::string& digits, int& n) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%.*e", d - 1 > 0 ? d - 1 : 0, std::fabs(v));
  std::string s(buf);
  std::size_t e = s.find('e');
  digits.clear();
  for (std::size_t i = 0; i < e; ++i)
    if (s[i] != '.') digits += s[i];
  n = std::atoi(s.c_str() + e + 1) + 1;
  if (v == 0.0) n = 0;
}

std::string format_e(double v, int w, int d, bool scientific) {
  std::string digits;
  int n = 0;
  const int sig = scientific ? d + 1 : d;
  significant(v, sig, digits, n);
  if (scientific) n -= 1;
  const bool negative = v < 0.0 && !is_zero_text(digits);
  std::string mant;
  if (scientific) {
    mant = digits.substr(0, 1) + "." + digits.substr(1);
  } else {
    mant = "0." + digits;
  }
  if (d == 0 && !scientific) mant = "0.";
  std::string exp;
  const int a = std::abs(n);
  char buf[16];
  if (a <= 99) {
    std::snprintf(buf, sizeof buf, "E%c%02d", n < 0 ? '-' : '+', a);
  } else if (a <= 999) {
    std::snprintf(buf, sizeof buf, "%c%03d", n < 0 ? '-' : '+', a);
  } else {
    return std::string(static_cast<std::size_t>(w), '*');
  }
  exp = buf;
  std::string s = (negative ? "-" : "") + mant + exp;
  return fit(squeeze_leading_zero(s, w), w);
}

std::string format_g(double v, int w, int d) {
  if (d <= 0) return format_e(v, w, d, false);
  if (v == 0.0) {
    std::string f = format_f(0.0, w - 4, d - 1);
    if (f[0] == '*') return std::string(static_cast<std::size_t>(w), '*');
    return f + "    ";
  }
  std::string digits;
  int n = 0;
  significant(v, d, digits, n);
  if (n < 0 || n > d) return format_e(v, w, d, false);
  std::string f = format_f(v, w - 4, d - n);
  if (f[0] == '*') return std::string(static_cast<std::size_t>(w), '*');
  return f + "    ";
}

}  // namespace

std::string fortran_format(double value, std::string_view descriptor) {
  const Descriptor d = parse(descriptor);
  if (d.width <= 0) return {};
  if (!std::isfinite(value)) return fit(std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf"), d.width);
  switch (d.kind) {
    case 'I': {
      const double r = std::trunc(value);
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.0f", r == 0.0 ? 0.0 : r);
      return fit(buf, d.width);
    }
    case 'F':
      return format_f(value, d.width, d.digits);
    case 'E':
      return format_e(value, d.width, d.digits, false);
    case 'S':
      return format_e(value, d.width, d.digits, true);
    default:
      return format_g(value, d.width, d.digits);
  }
}

std::string free_item(float v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
  return buf;
}

std::string free_item(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.12g", v);
  return buf;
}

}  // namespace qmxv
