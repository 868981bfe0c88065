#include "core/indexing.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "run/state.h"

namespace qmxv {

namespace {

// The per-cell allowance of continuous indexing, MNM / NCELLS (at least 1
// place when a full cell has to grow from nothing).
int base_allowance(const State& s) { return s.NCELLS > 0 ? s.MNM / s.NCELLS : 0; }

}  // namespace

int listed_molecule(const State& s, int p) { return s.IINDEX == 1 ? s.IR(p) : s.IP(1, p); }

CellList cell_list(const State& s, int c) {
  const int* base = s.IINDEX == 1 ? s.IR.data() : s.IP.row(1).data();
  return {base + s.ICELL(1, c) - 1, s.ICELL(2, c)};
}

void index_molecules(State& s) {
  const int ncells = s.NCELLS;
  int* icell = s.ICELL.data();  // (1, c) at 2(c-1), (2, c) at 2(c-1)+1
  const int stride = s.ICELL.extent(1);
  for (int c = 0; c < ncells; ++c) icell[stride * c + 1] = 0;
  const int nm = s.NM;
  if (nm == 0) return;
  const int* cell = s.IP.row(2).data();
  for (int n = 0; n < nm; ++n) icell[stride * (std::abs(cell[n]) - 1) + 1] += 1;
  int m = 0;
  for (int c = 0; c < ncells; ++c) {
    icell[stride * c] = m;
    m += icell[stride * c + 1];
    icell[stride * c + 1] = 0;
  }
  int* list = s.IP.row(1).data();
  for (int n = 0; n < nm; ++n) {
    int* e = icell + stride * (std::abs(cell[n]) - 1);
    e[1] += 1;
    list[e[0] + e[1] - 1] = n + 1;
  }
}

void reset_continuous_index(State& s) {
  s.DIAG.line("RESETTING CONTINUOUS INDEXING");
  if (s.IRCELL.extent(1) < s.NCELLS) s.IRCELL.allocate(s.NCELLS);
  for (int c = 1; c <= s.NCELLS; ++c) s.ICELL(2, c) = 0;
  for (int n = 1; n <= s.NM; ++n) s.ICELL(2, std::abs(s.IP(2, n))) += 1;
  // Capacities and starts are set even without molecules, so that a vacuum
  // start gives every cell its allowance instead of overlapping empty lists.
  const float b = static_cast<float>(base_allowance(s));
  int start = 0;
  for (int c = 1; c <= s.NCELLS; ++c) {
    s.IRCELL(c) = static_cast<int>(4.95f * static_cast<float>(s.ICELL(2, c)) + b);
    s.ICELL(1, c) = start;
    start += s.IRCELL(c);
    s.ICELL(2, c) = 0;
  }
  for (int n = 1; n <= s.NM; ++n) {
    const int c = std::abs(s.IP(2, n));
    s.ICELL(2, c) += 1;
    const int p = s.ICELL(1, c) + s.ICELL(2, c);
    s.IP(1, n) = p;
    s.IR(p) = n;
  }
}

void remove_from_cell(State& s, int c, int n) {
  const int p = s.IP(1, n);
  const int q = s.ICELL(1, c) + s.ICELL(2, c);
  s.ICELL(2, c) -= 1;
  if (p > 0 && p < q) {
    const int m = s.IR(q);
    s.IR(p) = m;
    s.IP(1, m) = p;
  }
}

void add_to_cell(State& s, int c, int n) {
  if (s.ICELL(2, c) >= s.IRCELL(c)) {
    const int old_cap = s.IRCELL(c);
    const int grown = static_cast<int>(4.95f * static_cast<float>(old_cap));
    const int new_cap = std::max(grown, old_cap + std::max(base_allowance(s), 1));
    const int g = new_cap - old_cap;
    const int last = s.NCELLS;
    if (static_cast<long long>(s.IRCELL(last)) + s.ICELL(1, last) + g > s.NIR) {
      // No room left: rebuild the whole index. IP(2, n) = c already, so the
      // reset places n in cell c.
      reset_continuous_index(s);
      return;
    }
    s.IRCELL(c) = new_cap;
    for (int k = last; k > c; --k) {
      const int first = s.ICELL(1, k);
      for (int p = first + s.ICELL(2, k); p > first; --p) {
        const int m = s.IR(p);
        s.IR(p + g) = m;
        s.IP(1, m) = p + g;
      }
      s.ICELL(1, k) += g;
    }
  }
  s.ICELL(2, c) += 1;
  const int p = s.ICELL(1, c) + s.ICELL(2, c);
  s.IR(p) = n;
  s.IP(1, n) = p;
}

int check_index(State& s) {
  std::vector<int> count;
  try {
    count.assign(static_cast<std::size_t>(s.NCELLS) + 1, 0);
  } catch (const std::bad_alloc&) {
    s.DIAG.line("PROGRAM COULD NOT ALLOCATE MOLS PER CELL");
    return 0;
  }
  s.DIAG.line("CHECKING INDEX");
  int faults = 0;
  for (int n = 1; n <= s.NM; ++n) {
    const int c = std::abs(s.IP(2, n));
    if (c < 1 || c > s.NCELLS) {
      s.DIAG.write("MOLECULE", n, "HAS NO VALID CELL", s.IP(2, n));
      ++faults;
      continue;
    }
    count[c] += 1;
  }
  for (int c = 1; c <= s.NCELLS; ++c) {
    if (count[c] != s.ICELL(2, c)) {
      s.DIAG.write(count[c], "MOLS IN CELL", c, "/= ICELL(2, OF", s.ICELL(2, c), "CELL AT",
                   s.CELL(kCellX, c) / s.SCALE, s.CELL(kCellY, c) / s.SCALE);
      ++faults;
    }
  }
  for (int c = 1; c <= s.NCELLS; ++c) {
    if (s.ICELL(2, c) < 0) {
      s.DIAG.write(s.ICELL(2, c), "NEGATIVE MOLECULES IN CELL", c);
      ++faults;
      continue;
    }
    for (int k = s.ICELL(1, c) + 1; k <= s.ICELL(1, c) + s.ICELL(2, c); ++k) {
      const int m = s.IR(k);
      if (m < 1 || m > s.NM) {
        s.DIAG.write("INCORRECT INDEX, CELL", c, "MOL", m, "CELL", 0);
        ++faults;
        continue;
      }
      if (std::abs(s.IP(2, m)) != c) {
        s.DIAG.write("INCORRECT INDEX, CELL", c, "MOL", m, "CELL", s.IP(2, m));
        ++faults;
      }
      if (s.IP(1, m) != k) {
        s.DIAG.write("INCORRECT X-REF, CELL", c, "MOL", m, "IP(1,K)", s.IP(1, m));
        ++faults;
      }
    }
  }
  if (faults > 0) reset_continuous_index(s);
  return faults;
}

void rebuild_index(State& s) {
  if (s.IINDEX == 1)
    reset_continuous_index(s);
  else
    index_molecules(s);
}

}  // namespace qmxv
