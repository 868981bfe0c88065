#include "geometry/connectivity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <vector>

#include "data/datum_lines.h"
#include "geometry/setup_progress.h"
#include "run/errors.h"
#include "run/state.h"

namespace qmxv {
namespace {

struct SideRecord {
  std::uint64_t key;  // the side's two point numbers, smaller first
  int triangle;
  int side;
};

std::uint64_t side_key(int a, int b) {
  const auto lo = static_cast<std::uint64_t>(std::min(a, b));
  const auto hi = static_cast<std::uint64_t>(std::max(a, b));
  return (lo << 32) | hi;
}

// The fault message, located at the line of QMXSD.DAT where the triangle's
// record starts, followed by how the user recognises the triangle there: its
// surface, its place in that surface, its three points as numbered in the
// surface's point list and their coordinates as given.
[[noreturn]] void connectivity_fault(const State& s, int k, int t, const char* what) {
  const int surface = s.ISURFT(t);
  const int point_base = s.NPTSB.empty() ? 0 : s.NPTSB(surface);
  const int triangle_base = s.NTRISB.empty() ? 0 : s.NTRISB(surface);
  std::ostringstream m;
  m << free_line("Side", k, "of triangle", t, what) << ": surface " << surface << ", triangle "
    << t - triangle_base << " of the surface, points";
  for (int j = 1; j <= 3; ++j) m << ' ' << s.ITP(j, t) - point_base;
  for (int j = 1; j <= 3; ++j) {
    const int p = s.ITP(j, t);
    m << (j == 1 ? " at (" : " (") << free_item(s.XPT(p) / s.SCALE) << ", "
      << free_item(s.YPT(p) / s.SCALE) << ", " << free_item(s.ZPT(p) / s.SCALE) << ")";
  }
  throw GeometryError("QMXSD.DAT", triangle_record_line(s, t), m.str());
}

// The box face (1 XMIN .. 6 ZMAX) of an unshared side whose both end points
// lie within TOL of it, tested in that order; 0 for none. A side on a second
// face (a box edge) is counted there too and reported.
void assign_box_face(State& s, int k, int t) {
  const int a = s.ITP(k, t), b = s.ITP(k % 3 + 1, t);
  const float face_value[6] = {s.XMIN, s.XMAX, s.YMIN, s.YMAX, s.ZMIN, s.ZMAX};
  for (int f = 1; f <= 6; ++f) {
    const FArray1<float>& c = f <= 2 ? s.XPT : (f <= 4 ? s.YPT : s.ZPT);
    const float v = face_value[f - 1];
    if (std::fabs(c(a) - v) <= TOL && std::fabs(c(b) - v) <= TOL) {
      s.NBSIDE(f) += 1;
      if (s.ICON(k, t) == 0)
        s.ICON(k, t) = -f;
      else
        s.DIAG.write("Side", k, "of triangle", t, "more than one connectivity");
    }
  }
}

}  // namespace

void connect_surfaces(State& s, SetupProgress* progress) {
  s.ICON.allocate(3, s.NTRI);
  s.NBSIDE.allocate(6);
  s.ICLOSED.allocate(s.NSURF);

  // Sides sorted by their point pair: the triangles sharing a side are one
  // run of equal keys, in ascending triangle order, so each side finds its
  // partners at once and in the order a scan of the surface would meet them.
  std::vector<SideRecord> sides;
  sides.reserve(static_cast<std::size_t>(s.NTRI) * 3);
  for (int t = 1; t <= s.NTRI; ++t)
    for (int k = 1; k <= 3; ++k)
      sides.push_back({side_key(s.ITP(k, t), s.ITP(k % 3 + 1, t)), t, k});
  std::sort(sides.begin(), sides.end(), [](const SideRecord& a, const SideRecord& b) {
    if (a.key != b.key) return a.key < b.key;
    if (a.triangle != b.triangle) return a.triangle < b.triangle;
    return a.side < b.side;
  });
  // run_of[(t-1)*3 + k-1]: first record of the run holding side k of t.
  std::vector<int> run_of(sides.size());
  for (std::size_t i = 0, start = 0; i < sides.size(); ++i) {
    if (sides[i].key != sides[start].key) start = i;
    run_of[static_cast<std::size_t>(sides[i].triangle - 1) * 3 + sides[i].side - 1] =
        static_cast<int>(start);
  }

  for (int t = 1; t <= s.NTRI; ++t) {
    for (int k = 1; k <= 3; ++k) {
      const std::uint64_t key = side_key(s.ITP(k, t), s.ITP(k % 3 + 1, t));
      for (std::size_t i = run_of[static_cast<std::size_t>(t - 1) * 3 + k - 1];
           i < sides.size() && sides[i].key == key; ++i) {
        const int u = sides[i].triangle;
        if (u == t || s.ISURFT(u) != s.ISURFT(t)) continue;
        if (s.ICON(k, t) != 0) connectivity_fault(s, k, t, "connects with more than one triangle");
        s.ICON(k, t) = u;
      }
      if (s.ICON(k, t) == 0) assign_box_face(s, k, t);
      if (s.ICON(k, t) == 0) connectivity_fault(s, k, t, "has no connectivity");
    }
    if (progress) progress->advance(0.1);
  }

  for (int surface = 1; surface <= s.NSURF; ++surface) s.ICLOSED(surface) = 1;
  for (int t = 1; t <= s.NTRI; ++t)
    for (int k = 1; k <= 3; ++k)
      if (s.ICON(k, t) < 0) s.ICLOSED(s.ISURFT(t)) = 0;
  for (int surface = 1; surface <= s.NSURF; ++surface)
    s.DIAG.write("Surface", surface,
                 s.ICLOSED(surface) == 1 ? "is a closed surface" : "is an open surface");
}

}  // namespace qmxv
