#include "geometry/division_flow.h"

#include <vector>

#include "geometry/setup_progress.h"
#include "run/state.h"

namespace qmxv {
namespace {

constexpr int kFaceStep[6][3] = {{-1, 0, 0}, {1, 0, 0},  {0, -1, 0},
                                 {0, 1, 0},  {0, 0, -1}, {0, 0, 1}};

// The elements of one surface division and their codes in IELCELL.
class DivisionFlow {
 public:
  DivisionFlow(State& s, int idx, int idy, int idz)
      : s_(s),
        idx_(idx),
        idy_(idy),
        idz_(idz),
        n_(-s.JDIV(1, idz, idy, idx)),
        div_(s.IELCELL.division_offset(idz, idy, idx)) {}

  std::size_t at(int iex, int iey, int iez) const {
    return s_.IELCELL.index(div_, s_.IELCELL.element_offset(iez, iey, iex));
  }
  // An element a triangle enters or partly covers; every other element,
  // listed or not, lies wholly on one side of the surfaces.
  bool cut(std::size_t e) const {
    const int k = s_.KSURFEL[e];
    return k > 0 && s_.KCUT(k) == 1;
  }
  bool inside(int iex, int iey, int iez) const {
    return iex >= 1 && iex <= s_.NELX && iey >= 1 && iey <= s_.NELY && iez >= 1 && iez <= s_.NELZ;
  }
  template <typename F>
  void each_element(F f) {
    for (int iez = 1; iez <= s_.NELZ; ++iez)
      for (int iey = 1; iey <= s_.NELY; ++iey)
        for (int iex = 1; iex <= s_.NELX; ++iex) f(iex, iey, iez, at(iex, iey, iez));
  }

  // Surface elements are code 0, and each open face, or face with the flow
  // beyond, lets the flow into the element across it.
  void seed_from_open_faces() {
    ElementArray<int>& code = s_.IELCELL;
    each_element([&](int, int, int, std::size_t e) {
      if (cut(e)) code[e] = 0;
    });
    each_element([&](int iex, int iey, int iez, std::size_t e) {
      if (!cut(e)) return;
      const int k = s_.KSURFEL[e];
      for (int f = 0; f < 6; ++f) {
        if (s_.IFACE(f + 1, k) == 1) continue;
        const int jx = iex + kFaceStep[f][0], jy = iey + kFaceStep[f][1],
                  jz = iez + kFaceStep[f][2];
        if (inside(jx, jy, jz) && code[at(jx, jy, jz)] == -1) code[at(jx, jy, jz)] = 1;
      }
    });
  }

  // An element no surface touches, on the division's boundary, holds flow
  // when the element across the boundary in the other division does and no
  // surface lies between them: a flow division, an uncut flow element, or a
  // cut element whose face toward it is open or has the flow beyond. Returns
  // whether any element was seeded.
  bool seed_from_neighbour_divisions() {
    bool seeded = false;
    ElementArray<int>& code = s_.IELCELL;
    each_element([&](int iex, int iey, int iez, std::size_t e) {
      if (code[e] != -1 || cut(e)) return;
      for (int f = 0; f < 6 && code[e] == -1; ++f) {
        int ie[3] = {iex + kFaceStep[f][0], iey + kFaceStep[f][1], iez + kFaceStep[f][2]};
        if (inside(ie[0], ie[1], ie[2])) continue;
        const int jx = idx_ + kFaceStep[f][0], jy = idy_ + kFaceStep[f][1],
                  jz = idz_ + kFaceStep[f][2];
        if (jx < 1 || jx > s_.NDIVX || jy < 1 || jy > s_.NDIVY || jz < 1 || jz > s_.NDIVZ) continue;
        const int state = s_.JDIV(1, jz, jy, jx);
        bool flow = state > 0;
        if (state < 0) {
          if (ie[0] < 1) ie[0] = s_.NELX;
          if (ie[0] > s_.NELX) ie[0] = 1;
          if (ie[1] < 1) ie[1] = s_.NELY;
          if (ie[1] > s_.NELY) ie[1] = 1;
          if (ie[2] < 1) ie[2] = s_.NELZ;
          if (ie[2] > s_.NELZ) ie[2] = 1;
          const std::size_t other = code.index(code.division_offset(jz, jy, jx),
                                               code.element_offset(ie[2], ie[1], ie[0]));
          const int k = s_.KSURFEL[other];
          // The other element is uncut and in the flow, or cut with its face
          // toward this one open or covered with the flow beyond.
          const int toward = f % 2 == 0 ? f + 2 : f;
          const bool other_cut = k > 0 && s_.KCUT(k) == 1;
          flow = other_cut ? s_.IFACE(toward, k) != 1 : code[other] == 0;
        }
        if (flow) {
          code[e] = 1;
          seeded = true;
        }
      }
    });
    return seeded;
  }

  void flood() {
    ElementArray<int>& code = s_.IELCELL;
    bool changed = true;
    while (changed) {
      changed = false;
      each_element([&](int iex, int iey, int iez, std::size_t e) {
        if (code[e] != -1) return;
        for (int f = 0; f < 6; ++f) {
          const int jx = iex + kFaceStep[f][0], jy = iey + kFaceStep[f][1],
                    jz = iez + kFaceStep[f][2];
          if (inside(jx, jy, jz) && code[at(jx, jy, jz)] == 1) {
            code[e] = 1;
            changed = true;
            return;
          }
        }
      });
    }
  }

  // Flow elements on the boundary make the divisions without surfaces they
  // touch (faces, edges, corners) level 1; so does a cut element through a
  // face on the division boundary that no surface crosses or touches (the
  // flow lies beyond it). Without the second rule a division whose every
  // element is cut — a body filling it, elements as wide as the gap to the
  // body — would seal the flow outside it from the surfaces. Returns whether
  // any division became level 1.
  bool seed_levels() {
    bool seeded = false;
    auto mark = [&](int jx, int jy, int jz) {
      if (jx < 1 || jx > s_.NDIVX || jy < 1 || jy > s_.NDIVY || jz < 1 || jz > s_.NDIVZ) return;
      int& level = s_.JDIV(1, jz, jy, jx);
      if (level == 0) {
        level = 1;
        seeded = true;
      }
    };
    each_element([&](int iex, int iey, int iez, std::size_t e) {
      if (!cut(e)) return;
      const int k = s_.KSURFEL[e];
      for (int f = 0; f < 6; ++f) {
        if (s_.IFACE(f + 1, k) == 1) continue;
        if (inside(iex + kFaceStep[f][0], iey + kFaceStep[f][1], iez + kFaceStep[f][2])) continue;
        mark(idx_ + kFaceStep[f][0], idy_ + kFaceStep[f][1], idz_ + kFaceStep[f][2]);
      }
    });
    each_element([&](int iex, int iey, int iez, std::size_t e) {
      if (s_.IELCELL[e] != 1) return;
      const int xlo = iex == 1 ? -1 : 0, xhi = iex == s_.NELX ? 1 : 0;
      const int ylo = iey == 1 ? -1 : 0, yhi = iey == s_.NELY ? 1 : 0;
      const int zlo = iez == 1 ? -1 : 0, zhi = iez == s_.NELZ ? 1 : 0;
      for (int dz = zlo; dz <= zhi; ++dz)
        for (int dy = ylo; dy <= yhi; ++dy)
          for (int dx = xlo; dx <= xhi; ++dx) {
            const int jx = idx_ + dx, jy = idy_ + dy, jz = idz_ + dz;
            if (dx != 0 || dy != 0 || dz != 0) mark(jx, jy, jz);
          }
    });
    return seeded;
  }

  // Flow elements become code 0, holding the whole element volume.
  void finish() {
    each_element([&](int iex, int iey, int iez, std::size_t e) {
      if (s_.IELCELL[e] != 1) return;
      s_.IELCELL[e] = 0;
      s_.IELVOL(n_, iez, iey, iex) = 1000;
    });
  }

  // Uncut elements the flow never reached lie inside a body, whatever the
  // analysis of a listed one gave.
  void settle_unreached() {
    each_element([&](int iex, int iey, int iez, std::size_t e) {
      if (s_.IELCELL[e] == -1 && !cut(e)) s_.IELVOL(n_, iez, iey, iex) = 0;
    });
  }

 private:
  State& s_;
  int idx_, idy_, idz_;
  int n_;
  std::size_t div_;
};

template <typename F>
void each_division(const State& s, F f) {
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) f(idx, idy, idz);
}

// Breadth-first spreading of levels from the divisions `frontier` of level
// `from` through the divisions still at 0: a division with a neighbour of
// level L-1 gets level L, the same levels a sweep per level would give.
void spread_levels(State& s, std::vector<int> frontier, int from, SetupProgress* progress) {
  auto pack = [&](int idx, int idy, int idz) {
    return (idz - 1) + s.NDIVZ * ((idy - 1) + s.NDIVY * (idx - 1));
  };
  std::vector<int> next;
  for (int level = from + 1; !frontier.empty(); ++level) {
    if (progress) progress->advance(0.03333 * s.NDIVT);
    next.clear();
    for (int packed : frontier) {
      const int idz = packed % s.NDIVZ + 1;
      const int idy = packed / s.NDIVZ % s.NDIVY + 1;
      const int idx = packed / s.NDIVZ / s.NDIVY + 1;
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
          for (int dz = -1; dz <= 1; ++dz) {
            const int jx = idx + dx, jy = idy + dy, jz = idz + dz;
            if (jx < 1 || jx > s.NDIVX || jy < 1 || jy > s.NDIVY || jz < 1 || jz > s.NDIVZ)
              continue;
            int& j = s.JDIV(1, jz, jy, jx);
            if (j != 0) continue;
            j = level;
            next.push_back(pack(jx, jy, jz));
          }
    }
    if (!next.empty() && level > s.NLEV) s.NLEV = level;
    frontier.swap(next);
  }
}

std::vector<int> divisions_at_level(const State& s, int level) {
  std::vector<int> found;
  each_division(s, [&](int idx, int idy, int idz) {
    if (s.JDIV(1, idz, idy, idx) == level)
      found.push_back((idz - 1) + s.NDIVZ * ((idy - 1) + s.NDIVY * (idx - 1)));
  });
  return found;
}

}  // namespace

void set_surface_divisions(State& s, SetupProgress& progress) {
  each_division(s, [&](int idx, int idy, int idz) {
    progress.advance(0.1);
    if (s.JDIV(1, idz, idy, idx) >= 0) return;
    DivisionFlow d(s, idx, idy, idz);
    d.seed_from_open_faces();
    d.flood();
    d.seed_levels();
    d.finish();
  });
}

void set_outer_divisions(State& s, SetupProgress& progress) {
  std::vector<int> first = divisions_at_level(s, 1);
  s.NLEV = first.empty() ? 0 : 1;
  spread_levels(s, std::move(first), 1, &progress);

  // Flow passing between divisions through uncut elements, which the open
  // faces of the surface elements alone may not reveal (a body clipping the
  // corner of a division can close every face next to its flow elements).
  bool changed = true;
  while (changed) {
    changed = false;
    bool new_levels = false;
    each_division(s, [&](int idx, int idy, int idz) {
      if (s.JDIV(1, idz, idy, idx) >= 0) return;
      DivisionFlow d(s, idx, idy, idz);
      if (!d.seed_from_neighbour_divisions()) return;
      changed = true;
      d.flood();
      new_levels = d.seed_levels() || new_levels;
      d.finish();
    });
    if (new_levels) {
      // Spreading again from every level-1 division reaches only the
      // divisions still at 0, next to the new ones.
      std::vector<int> fresh = divisions_at_level(s, 1);
      if (s.NLEV < 1) s.NLEV = 1;
      spread_levels(s, std::move(fresh), 1, nullptr);
    }
  }
  each_division(s, [&](int idx, int idy, int idz) {
    if (s.JDIV(1, idz, idy, idx) < 0) DivisionFlow(s, idx, idy, idz).settle_unreached();
  });
}

}  // namespace qmxv
