// Range-checked records and guarded allocations shared by the two readers.
//
// A value the data model cannot hold (a count of 0 where one is needed, a
// species code beyond MSP) is refused where it stands, naming the file, line
// and item, before it can size an array or index one.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "data/list_reader.h"

namespace qmxv {

struct State;

// An integer record within lo..hi; `expected` says what the range means.
int read_int_between(ListReader& in, const Item& item, int lo, int hi, const std::string& expected);
inline int read_positive_int(ListReader& in, const Item& item) {
  return read_int_between(in, item, 1, INT32_MAX, "a positive integer");
}
inline int read_count(ListReader& in, const Item& item) {
  return read_int_between(in, item, 0, INT32_MAX, "an integer of 0 or more");
}
inline int read_switch(ListReader& in, const Item& item) {
  return read_int_between(in, item, 0, 1, "0 or 1");
}
// A species code 1..msp, or 0..msp when `none_allowed` (0 for none).
int read_species(ListReader& in, const Item& item, int msp, bool none_allowed);

float read_positive_real(ListReader& in, const Item& item);
float read_nonnegative_real(ListReader& in, const Item& item);

// Every group of arrays a data file sizes must fit in this many bytes. A
// corrupt count (MSP = 2000000000) is refused with the allocation message
// instead of exhausting the machine; genuine data sets stay far below it.
inline constexpr double kMaxGroupBytes = 1024.0 * 1024.0 * 1024.0;

// Error codes written after "PROGRAM COULD NOT ALLOCATE SPACE FOR ...".
inline constexpr int kAllocOverBudget = 1;
inline constexpr int kAllocRefused = 2;

// Ends reading because a group of arrays cannot be allocated: writes
// `diag_text` ("PROGRAM COULD NOT ALLOCATE ...") and `reason` to DIAG.TXT and
// throws a DataError with the text, located at the last value read (the
// count that sized the group).
[[noreturn]] void refuse_allocation(State& s, const ListReader& in, const std::string& diag_text,
                                    const std::string& reason);

// Refuses a group of arrays of `bytes` beyond kMaxGroupBytes.
void check_group_size(State& s, const ListReader& in, double bytes, const std::string& diag_text);

// Runs `allocate`; if the system refuses the memory, reports it likewise.
template <typename Allocate>
void allocate_group(State& s, const ListReader& in, const std::string& diag_text,
                    Allocate&& allocate) {
  try {
    allocate();
  } catch (const std::bad_alloc&) {
    refuse_allocation(s, in, diag_text, "the system refused the memory");
  } catch (const std::length_error&) {
    refuse_allocation(s, in, diag_text, "the arrays exceed the largest possible size");
  }
}

}  // namespace qmxv
