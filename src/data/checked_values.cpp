#include "data/checked_values.h"

#include <cstdio>

#include "run/state.h"

namespace qmxv {

int read_int_between(ListReader& in, const Item& item, int lo, int hi,
                     const std::string& expected) {
  const int v = in.read_int(item);
  if (v < lo || v > hi) in.reject(item, expected);
  return v;
}

int read_species(ListReader& in, const Item& item, int msp, bool none_allowed) {
  const std::string range = " to MSP = " + std::to_string(msp);
  if (none_allowed) {
    return read_int_between(in, item, 0, msp, "a species code from 0" + range + " (0 for none)");
  }
  return read_int_between(in, item, 1, msp, "a species code from 1" + range);
}

float read_positive_real(ListReader& in, const Item& item) {
  const float v = in.read_real(item);
  if (!(v > 0.0f)) in.reject(item, "a positive real number");
  return v;
}

float read_nonnegative_real(ListReader& in, const Item& item) {
  const float v = in.read_real(item);
  if (!(v >= 0.0f)) in.reject(item, "a real number of 0 or more");
  return v;
}

void refuse_allocation(State& s, const ListReader& in, const std::string& diag_text,
                       const std::string& reason) {
  s.DIAG.line(diag_text);
  s.DIAG.write("The counts read up to", in.label(), "line", in.line(), "cannot be held:", reason);
  in.fail_fixed(diag_text);
}

void check_group_size(State& s, const ListReader& in, double bytes, const std::string& diag_text) {
  if (bytes <= kMaxGroupBytes) return;
  char reason[96];
  std::snprintf(reason, sizeof reason, "%.4g bytes are needed, more than the limit of %.4g", bytes,
                kMaxGroupBytes);
  refuse_allocation(s, in, diag_text, reason);
}

}  // namespace qmxv
