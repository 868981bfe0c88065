// Fortran list-directed reading of the data files, one record at a time.
//
// The data files are free-format text read the way a Fortran `READ (unit, *)`
// reads them, so files prepared for older programs of this kind read alike:
//   - every record (one read) starts on a new line;
//   - blank lines are skipped, and a record may run over several lines until
//     it has all its values;
//   - the rest of the record's last line is ignored, so text after the values
//     is a comment;
//   - values are separated by blanks, tabs or one comma; "r*c" stands for r
//     copies of c; a line end counts as a blank (CR of CR-LF files too).
// Integers must be written as integers; reals take every Fortran form: 300,
// .5, 5., 1.0E-10, 1.0D-10, 1.0-10 (an exponent without its letter).
//
// Every fault throws a DataError naming the file, the 1-based line, the item
// of the data model, what was expected and what was found.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qmxv {

// The name of a data-model item as a message shows it: "SP(1,2)", or with
// the surface file's context "FADS(2) (surface 1, triangle 3)". Built cheaply
// for every value; the text is only composed when a message needs it.
struct Item {
  enum class Where { None, Point, Triangle };

  const char* name = "";
  int index[3] = {0, 0, 0};
  int rank = 0;
  int surface = 0;  // > 0: the item belongs to this surface...
  Where where = Where::None;
  int number = 0;  // ...and to this surface-local point or triangle

  Item() = default;
  explicit Item(const char* n) : name(n) {}
  Item(const char* n, int i) : name(n), index{i, 0, 0}, rank(1) {}
  Item(const char* n, int i, int j) : name(n), index{i, j, 0}, rank(2) {}
  Item(const char* n, int i, int j, int k) : name(n), index{i, j, k}, rank(3) {}

  Item& on_point(int surf, int p) {
    surface = surf;
    where = Where::Point;
    number = p;
    return *this;
  }
  Item& on_triangle(int surf, int t) {
    surface = surf;
    where = Where::Triangle;
    number = t;
    return *this;
  }

  std::string text() const;
};

// Told of every value a reader takes, with its item and 1-based line: how a
// fault found after reading finds the line of a datum (data/datum_lines.h).
using ValueWatch = std::function<void(const Item& item, int line, double value)>;

// Outcome of converting one value's text.
enum class NumberStatus { Ok, NotANumber, OutOfRange };

// Fortran integer: optional sign and digits, within 32 bits.
NumberStatus parse_fortran_int(std::string_view text, int& value);
// Fortran real (see above), rounded once to single precision; values beyond
// the single-precision range are OutOfRange, NaN and infinities NotANumber.
NumberStatus parse_fortran_real(std::string_view text, float& value);

class ListReader {
 public:
  // Reads the whole file; a missing or unreadable file is a DataError.
  // `label` is how messages name the file ("QMXVD.DAT").
  ListReader(const std::filesystem::path& path, std::string label);
  // Reads from text in memory (tests, and files already loaded).
  static ListReader from_text(std::string label, std::string text) {
    return ListReader(std::move(label), std::move(text), 0);
  }

  // The lines are views into the text held here: no copies, no moves.
  ListReader(const ListReader&) = delete;
  ListReader& operator=(const ListReader&) = delete;

  // Starts a new record: the next value comes from the line after the one
  // that held the previous record's last value.
  void new_record();

  // The next value of the current record, which may continue on later lines.
  int next_int(const Item& item);
  float next_real(const Item& item);

  // One record of one value.
  int read_int(const Item& item) {
    new_record();
    return next_int(item);
  }
  float read_real(const Item& item) {
    new_record();
    return next_real(item);
  }

  // From now on every value read is also given to `watch`.
  void watch(ValueWatch watch) { watch_ = std::move(watch); }

  // Throws the DataError for a value already read that the data model does
  // not allow: "... item NSPI: expected a positive integer, found "0"".
  [[noreturn]] void reject(const Item& item, const std::string& expected) const;

  // A fault with a fixed text, located at the last value read.
  [[noreturn]] void fail_fixed(const std::string& text, const std::string& title = {}) const;

  const std::string& label() const { return label_; }
  // 1-based line of the last value read (0 before the first).
  int line() const { return last_line_ + 1; }

 private:
  ListReader(std::string label, std::string text, int);
  void split_lines();

  enum class TokenKind { Value, Null, Slash, End };
  // Takes the next value of the current record into token_; returns its kind.
  TokenKind next_token();
  // The value's text for a DataError ("\"warm\"", "end of file", ...).
  std::string found_text(TokenKind kind) const;
  [[noreturn]] void fail(const Item& item, const std::string& expected, const std::string& found,
                         int line) const;
  std::string_view take(const Item& item, const char* expected);

  std::string label_;
  std::string text_;
  std::vector<std::string_view> lines_;
  std::size_t li_ = 0;  // current line (0-based)
  std::size_t ci_ = 0;  // current column
  int last_line_ = -1;  // 0-based line of the last value read
  bool record_started_ = false;
  bool comma_ok_ = false;  // one comma may follow a value as its separator
  int repeat_left_ = 0;    // copies still to give of an "r*c" value
  bool repeat_null_ = false;
  std::string_view token_;
  std::string_view repeat_token_;
  ValueWatch watch_;
};

}  // namespace qmxv
