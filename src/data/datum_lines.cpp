#include "data/datum_lines.h"

#include <cstring>
#include <memory>
#include <new>

#include "data/read_gas.h"
#include "data/read_surface.h"
#include "run/errors.h"
#include "run/state.h"

namespace qmxv {

namespace {

bool same_item(const Item& a, const Item& b) {
  if (std::strcmp(a.name, b.name) != 0 || a.rank != b.rank || a.surface != b.surface ||
      a.where != b.where || a.number != b.number)
    return false;
  for (int d = 0; d < a.rank; ++d)
    if (a.index[d] != b.index[d]) return false;
  return true;
}

// Thrown by a watch to end the reading once the datum has been met.
struct Met {};

// Reads a data file again into a scratch state prepared by `prepare`, ending
// at the first value for which `watch` throws Met. Every fault of the reading
// (the file gone, changed, or its arrays no longer to be had) ends it too:
// the caller then keeps the line it had found so far, 0 if none.
template <typename Prepare, typename Read>
void read_again(Prepare&& prepare, Read&& read, const ValueWatch& watch) {
  try {
    auto scratch = std::make_unique<State>();
    prepare(*scratch);
    read(*scratch, watch);
  } catch (const Met&) {
  } catch (const UserError&) {
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

int gas_datum_line(const State& s, const Item& item, double value) {
  int line = 0;
  read_again([&](State& scratch) { scratch.DIR = s.DIR; }, read_gas_data_watched,
             [&](const Item& read, int at, double v) {
               if (!same_item(read, item)) return;
               if (v == value) line = at;
               throw Met{};
             });
  return line;
}

int triangle_record_line(const State& s, int t) {
  if (t < 1 || t > s.NTRI || s.ISURFT.empty() || s.NTRISB.empty() || s.NPTSB.empty()) return 0;
  const int surface = s.ISURFT(t);
  const int number = t - s.NTRISB(surface);
  int line = 0;
  read_again(
      [&](State& scratch) {
        scratch.DIR = s.DIR;
        static_cast<GasData&>(scratch) = static_cast<const GasData&>(s);
      },
      read_surface_data_watched,
      [&](const Item& read, int at, double v) {
        if (read.where != Item::Where::Triangle || read.surface != surface ||
            read.number != number || std::strcmp(read.name, "ITP") != 0)
          return;
        // ITP(1..3) are the record's first three values, surface-local.
        const int k = read.index[0];
        if (v != s.ITP(k, t) - s.NPTSB(surface)) {
          line = 0;
          throw Met{};
        }
        if (k == 1) line = at;
        if (k == 3) throw Met{};
      });
  return line;
}

}  // namespace qmxv
