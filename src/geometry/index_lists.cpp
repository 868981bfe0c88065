#include "geometry/index_lists.h"

#include <algorithm>
#include <new>

#include "geometry/locate.h"
#include "run/state.h"

namespace qmxv {
namespace {

// Rows of INDIV held before the first growth of the store.
constexpr int kFirstDivisionRows = 256;

int grown_by_a_fifth(int n) {
  return static_cast<int>(static_cast<float>(n) * 1.2f + 1.0f);
}

// Room for surface division n: rows double underneath.
void ensure_division_row(State& s, int n) {
  if (n <= s.INDIV.extent(2)) return;
  const int rows = std::max(n, 2 * s.INDIV.extent(2));
  allocate_or_report(s, "INDIV", [&] { s.INDIV.resize(s.INDIV.extent(1), rows); });
}

// One place more in every division list; the store doubles underneath so the
// copies stay linear in all.
void extend_division_places(State& s) {
  s.MNSEG += 1;
  s.DIAG.write("MNSEG extended to", s.MNSEG);
  if (s.MNSEG + 1 > s.INDIV.extent(1)) {
    const int places = std::max(s.MNSEG + 1, 2 * s.INDIV.extent(1));
    allocate_or_report(s, "INDIV", [&] { s.INDIV.resize(places, s.INDIV.extent(2)); });
  }
}

void extend_element_rows(State& s) {
  s.MAXSEL = grown_by_a_fifth(s.MAXSEL);
  s.DIAG.write("MAXSEL extended to", s.MAXSEL);
  allocate_or_report(s, "INDSURF", [&] { s.INDSURF.resize(s.MTRI + 1, s.MAXSEL); });
}

void extend_element_places(State& s) {
  s.MTRI = grown_by_a_fifth(s.MTRI);
  s.DIAG.write("MTRI extended to", s.MTRI);
  allocate_or_report(s, "INDSURF", [&] { s.INDSURF.resize(s.MTRI + 1, s.MAXSEL); });
}

}  // namespace

void allocate_or_report(State& s, const std::string& what, const std::function<void()>& allocate) {
  try {
    allocate();
  } catch (const std::bad_alloc&) {
    s.DIAG.line("PROGRAM COULD NOT ALLOCATE " + what);
    throw;
  }
}

void allocate_index_lists(State& s) {
  s.NSEL = 0;
  s.NSDIV = 0;
  s.KSURFEL.allocate(s.NDIVZ, s.NDIVY, s.NDIVX, s.NELZ, s.NELY, s.NELX);
  s.INDSURF.allocate(s.MTRI + 1, s.MAXSEL);
  s.INDIV.allocate(s.MNSEG + 1, std::min(s.NDIVT, kFirstDivisionRows));
}

void list_in_division(State& s, int idx, int idy, int idz, int t) {
  int& code = s.JDIV(1, idz, idy, idx);
  if (code == 0) {
    s.NSDIV += 1;
    code = -s.NSDIV;
    ensure_division_row(s, s.NSDIV);
  }
  const int n = -code;
  int c = s.INDIV(1, n);
  if (c > 0 && s.INDIV(c + 1, n) == t) return;
  c += 1;
  if (c > s.MNSEG) extend_division_places(s);
  s.INDIV(c + 1, n) = t;
  s.INDIV(1, n) = c;
}

void mark_position(State& s, float x, float y, float z, int t) {
  if (!in_box(s, x, y, z)) return;
  locate_division_element(s, x, y, z);
  list_in_division(s, s.IDX, s.IDY, s.IDZ, t);

  const std::size_t e = s.KSURFEL.index(s.KSURFEL.division_offset(s.IDZ, s.IDY, s.IDX),
                                        s.KSURFEL.element_offset(s.IEZ, s.IEY, s.IEX));
  const int k = s.KSURFEL[e];
  if (k == 0) {
    s.NSEL += 1;
    if (s.NSEL > s.MAXSEL) extend_element_rows(s);
    s.KSURFEL[e] = s.NSEL;
    s.INDSURF(2, s.NSEL) = t;
    s.INDSURF(1, s.NSEL) = 1;
    return;
  }
  int j = s.INDSURF(1, k);
  if (s.INDSURF(j + 1, k) == t) return;
  j += 1;
  if (j > s.MTRI) extend_element_places(s);
  s.INDSURF(j + 1, k) = t;
  s.INDSURF(1, k) = j;
}

void pack_surface_index(State& s) {
  allocate_or_report(s, "SURFACE INDEX", [&] { s.ISDIV.allocate(2, s.NSDIV); });
  long long total = 0;
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        const int code = s.JDIV(1, idz, idy, idx);
        if (code >= 0) continue;
        s.ISDIV(1, -code) = s.INDIV(1, -code);
        total += s.INDIV(1, -code);
      }
  allocate_or_report(s, "TOTAL SURFACE INDEX", [&] { s.ISTOT.allocate(total); });
  int before = 0;
  for (int n = 1; n <= s.NSDIV; ++n) {
    s.ISDIV(2, n) = before;
    for (int j = 1; j <= s.ISDIV(1, n); ++j) s.ISTOT(before + j) = s.INDIV(j + 1, n);
    before += s.ISDIV(1, n);
  }
}

void free_index_lists(State& s) {
  s.INDIV.clear();
  s.KSURFEL.clear();
  s.INDSURF.clear();
  s.IFACE.clear();
  s.KCUT.clear();
}

}  // namespace qmxv
