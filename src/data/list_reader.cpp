#include "data/list_reader.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

#include "run/errors.h"

namespace qmxv {

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the run of digits starting at text[i].
std::size_t digits_at(std::string_view text, std::size_t i) {
  std::size_t n = 0;
  while (i + n < text.size() && is_digit(text[i + n])) ++n;
  return n;
}

}  // namespace

std::string Item::text() const {
  std::string t = name;
  if (rank > 0) {
    t += '(';
    for (int d = 0; d < rank; ++d) {
      if (d > 0) t += ',';
      t += std::to_string(index[d]);
    }
    t += ')';
  }
  if (surface > 0) {
    t += " (surface " + std::to_string(surface);
    if (where == Where::Point) t += ", point " + std::to_string(number);
    if (where == Where::Triangle) t += ", triangle " + std::to_string(number);
    t += ')';
  }
  return t;
}

NumberStatus parse_fortran_int(std::string_view text, int& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t n = digits_at(text, i);
  if (n == 0 || i + n != text.size()) return NumberStatus::NotANumber;
  std::int64_t v = 0;
  for (std::size_t k = i; k < text.size(); ++k) {
    v = v * 10 + (text[k] - '0');
    if (v > std::int64_t{1} << 32) return NumberStatus::OutOfRange;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return NumberStatus::OutOfRange;
  value = static_cast<int>(v);
  return NumberStatus::Ok;
}

NumberStatus parse_fortran_real(std::string_view text, float& value) {
  // Rewrite the Fortran form as [-]digits[.digits][e[-]digits] for from_chars
  // (which, unlike strtod, does not depend on the locale).
  std::string norm;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') norm += '-';
    ++i;
  }
  const std::size_t whole = digits_at(text, i);
  if (whole == 0) norm += '0';  // ".5" -> "0.5"
  norm.append(text.substr(i, whole));
  i += whole;
  std::size_t fraction = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    fraction = digits_at(text, i);
    norm += '.';
    norm.append(text.substr(i, fraction));
    if (fraction == 0) norm += '0';
    i += fraction;
  }
  if (whole + fraction == 0) return NumberStatus::NotANumber;
  if (i < text.size()) {
    const char c = text[i];
    const bool letter = c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q';
    if (!letter && c != '+' && c != '-') return NumberStatus::NotANumber;
    if (letter) ++i;
    norm += 'e';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      if (text[i] == '-') norm += '-';
      ++i;
    } else if (!letter) {
      return NumberStatus::NotANumber;
    }
    const std::size_t e = digits_at(text, i);
    if (e == 0 || i + e != text.size()) return NumberStatus::NotANumber;
    norm.append(text.substr(i, e));
  }
  double d = 0.0;
  const char* first = norm.data();
  const char* last = norm.data() + norm.size();
  auto [p, ec] = std::from_chars(first, last, d);
  if (p != last) return NumberStatus::NotANumber;
  if (ec == std::errc::result_out_of_range) {
    // Overflow or underflow of double: tell them apart by the exponent sign.
    const bool tiny = norm.find("e-") != std::string::npos;
    if (!tiny) return NumberStatus::OutOfRange;
    value = 0.0f;
    return NumberStatus::Ok;
  }
  if (ec != std::errc() || !std::isfinite(d)) return NumberStatus::NotANumber;
  if (std::fabs(d) > static_cast<double>(FLT_MAX)) return NumberStatus::OutOfRange;
  float f = 0.0f;
  auto [pf, ecf] = std::from_chars(first, last, f);
  // Below the normal single range from_chars reports out of range: round
  // from the double instead (to a subnormal or zero, as Fortran does).
  value = (ecf == std::errc() && pf == last) ? f : static_cast<float>(d);
  return NumberStatus::Ok;
}

ListReader::ListReader(const std::filesystem::path& path, std::string label)
    : label_(std::move(label)) {
  std::error_code ec;
  const bool exists = std::filesystem::exists(path, ec);
  if (!exists) {
    throw DataError(label_, 0, "", "the data file " + path.string(), "no such file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path, ec)) {
    throw DataError(label_, 0, "", "a readable data file " + path.string(),
                    "a file that cannot be read");
  }
  text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    throw DataError(label_, 0, "", "a readable data file " + path.string(), "a read error");
  }
  split_lines();
}

ListReader::ListReader(std::string label, std::string text, int)
    : label_(std::move(label)), text_(std::move(text)) {
  split_lines();
}

void ListReader::split_lines() {
  lines_.clear();
  const std::string_view all(text_);
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\n', start);
    if (end == std::string_view::npos) end = all.size();
    lines_.push_back(all.substr(start, end - start));
    start = end + 1;
  }
}

void ListReader::new_record() {
  if (record_started_) {
    li_ = static_cast<std::size_t>(last_line_) + 1;
    ci_ = 0;
  }
  record_started_ = false;
  comma_ok_ = false;
  repeat_left_ = 0;
}

ListReader::TokenKind ListReader::next_token() {
  if (repeat_left_ > 0) {
    --repeat_left_;
    token_ = repeat_token_;
    return repeat_null_ ? TokenKind::Null : TokenKind::Value;
  }
  for (;;) {
    if (li_ >= lines_.size()) return TokenKind::End;
    const std::string_view line = lines_[li_];
    while (ci_ < line.size() && is_blank(line[ci_])) ++ci_;
    if (ci_ >= line.size()) {
      ++li_;
      ci_ = 0;
      continue;
    }
    record_started_ = true;
    last_line_ = static_cast<int>(li_);
    const char c = line[ci_];
    if (c == ',') {
      ++ci_;
      if (comma_ok_) {
        comma_ok_ = false;
        continue;
      }
      token_ = {};
      return TokenKind::Null;  // two commas with nothing between them
    }
    if (c == '/') {
      token_ = line.substr(ci_, 1);
      return TokenKind::Slash;
    }
    const std::size_t start = ci_;
    while (ci_ < line.size() && !is_blank(line[ci_]) && line[ci_] != ',' && line[ci_] != '/') {
      ++ci_;
    }
    token_ = line.substr(start, ci_ - start);
    comma_ok_ = true;
    // A repeat count: "3*0.5" is three values 0.5, "3*" three empty values.
    const std::size_t star = token_.find('*');
    if (star != std::string_view::npos) {
      int count = 0;
      if (parse_fortran_int(token_.substr(0, star), count) == NumberStatus::Ok && count > 0 &&
          token_[0] != '+' && token_[0] != '-') {
        repeat_token_ = token_.substr(star + 1);
        repeat_null_ = repeat_token_.empty();
        repeat_left_ = count - 1;
        token_ = repeat_token_;
        return repeat_null_ ? TokenKind::Null : TokenKind::Value;
      }
    }
    return TokenKind::Value;
  }
}

std::string ListReader::found_text(TokenKind kind) const {
  switch (kind) {
    case TokenKind::End:
      return "end of file";
    case TokenKind::Null:
      return "an empty value";
    default: {
      constexpr std::size_t kMaxShown = 40;
      std::string t(token_.substr(0, kMaxShown));
      if (token_.size() > kMaxShown) t += "...";
      return "\"" + t + "\"";
    }
  }
}

void ListReader::fail(const Item& item, const std::string& expected, const std::string& found,
                      int line) const {
  throw DataError(label_, line, item.text(), expected, found);
}

std::string_view ListReader::take(const Item& item, const char* expected) {
  const TokenKind kind = next_token();
  if (kind == TokenKind::Value) return token_;
  const int line = kind == TokenKind::End ? static_cast<int>(lines_.size()) + 1 : last_line_ + 1;
  fail(item, expected, found_text(kind), line);
}

int ListReader::next_int(const Item& item) {
  const std::string_view t = take(item, "an integer");
  int v = 0;
  switch (parse_fortran_int(t, v)) {
    case NumberStatus::Ok:
      if (watch_) watch_(item, line(), v);
      return v;
    case NumberStatus::OutOfRange:
      fail(item, "an integer between -2147483648 and 2147483647", found_text(TokenKind::Value),
           line());
    default:
      fail(item, "an integer", found_text(TokenKind::Value), line());
  }
}

float ListReader::next_real(const Item& item) {
  const std::string_view t = take(item, "a real number");
  float v = 0.0f;
  switch (parse_fortran_real(t, v)) {
    case NumberStatus::Ok:
      if (watch_) watch_(item, line(), v);
      return v;
    case NumberStatus::OutOfRange:
      fail(item, "a real number within single precision (below 3.4E38 in size)",
           found_text(TokenKind::Value), line());
    default:
      fail(item, "a real number", found_text(TokenKind::Value), line());
  }
}

void ListReader::reject(const Item& item, const std::string& expected) const {
  fail(item, expected, found_text(TokenKind::Value), line());
}

void ListReader::fail_fixed(const std::string& text, const std::string& title) const {
  throw DataError(text, label_, line(), title);
}

}  // namespace qmxv
