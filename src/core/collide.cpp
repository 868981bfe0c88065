#include "core/collide.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

#include "core/chemistry.h"
#include "core/indexing.h"
#include "core/molecules.h"
#include "run/constants.h"
#include "run/state.h"

namespace qmxv {

namespace {

// The 26 neighbours of a sub-cell: every offset in -1, 0, +1 along x, y, z
// but the sub-cell itself, x fastest.
struct Offset {
  int dx, dy, dz;
};
constexpr auto kNeighbours = [] {
  std::array<Offset, 26> t{};
  int k = 0;
  for (int dz = -1; dz <= 1; ++dz)
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (dx != 0 || dy != 0 || dz != 0) t[k++] = {dx, dy, dz};
  return t;
}();

// A position 1..n drawn uniformly: int((n - 0.0001) RF) + 1.
int draw_position(State& s, int n) {
  return static_cast<int>((static_cast<float>(n) - 0.0001f) * s.RF()) + 1;
}

// Transient sub-cells of one cell: the cell's bounding box cut into ns^3
// equal boxes, the cell's molecules listed by sub-cell.
struct SubCells {
  int ns = 1;
  float lo[3], scale[3];  // index = int((x - lo) scale + 1)
};

int sub_index(float x, float lo, float scale, int ns) {
  const int i = static_cast<int>((x - lo) * scale + 1.0f);
  return std::clamp(i, 1, ns);
}

int sub_number(int ix, int iy, int iz, int ns) { return ix + ns * ((iy - 1) + ns * (iz - 1)); }

// Grows a sub-cell array to hold n entries of two integers: released and
// allocated anew (its contents are rebuilt per cell), capacity kept in cap.
void ensure_capacity(State& s, FArray2<int>& a, int& cap, int n, const char* name) {
  if (n <= cap) return;
  a.clear();
  try {
    a.allocate(2, n);
  } catch (const std::bad_alloc&) {
    s.DIAG.write("PROGRAM COULD NOT ALLOCATE", name);
    throw;
  }
  cap = n;
  s.DIAG.write(std::string(name) + " extended to", n);
}

// Sets up the sub-cells of cell c: IPS(1, k) the sub-cell of list position
// k, IPS(2, .) the molecules ordered by sub-cell, ISCH(1..2, j) the start and
// count of sub-cell j in that order.
SubCells setup_subcells(State& s, int c, const CellList& cl) {
  SubCells sc;
  if (cl.n < 2) return sc;
  ensure_capacity(s, s.IPS, s.MNIPS, cl.n, "IPS");
  sc.ns = static_cast<int>(std::pow(static_cast<float>(cl.n) / s.CELL(kCellFill, c), 0.33333f));
  if (sc.ns < 2) {
    sc.ns = 1;
    return sc;
  }
  const int ns = sc.ns;
  const int nsub = ns * ns * ns;
  ensure_capacity(s, s.ISCH, s.MNSUBC, nsub, "ISCH");
  for (int a = 0; a < 3; ++a) {
    const float lo = s.CELL(kCellXLo + 2 * a, c), hi = s.CELL(kCellXHi + 2 * a, c);
    sc.lo[a] = lo;
    sc.scale[a] = static_cast<float>(ns) / (hi - lo);
  }
  for (int j = 1; j <= nsub; ++j) s.ISCH(2, j) = 0;
  for (int k = 1; k <= cl.n; ++k) {
    const int m = cl.at(k);
    const int j = sub_number(sub_index(s.PP(1, m), sc.lo[0], sc.scale[0], ns),
                             sub_index(s.PP(2, m), sc.lo[1], sc.scale[1], ns),
                             sub_index(s.PP(3, m), sc.lo[2], sc.scale[2], ns), ns);
    s.IPS(1, k) = j;
    s.ISCH(2, j) += 1;
  }
  int start = 0;
  for (int j = 1; j <= nsub; ++j) {
    s.ISCH(1, j) = start;
    start += s.ISCH(2, j);
    s.ISCH(2, j) = 0;
  }
  for (int k = 1; k <= cl.n; ++k) {
    const int j = s.IPS(1, k);
    s.ISCH(2, j) += 1;
    s.IPS(2, s.ISCH(1, j) + s.ISCH(2, j)) = cl.at(k);
  }
  return sc;
}

int draw_from_cell(State& s, const CellList& cl) { return cl.at(draw_position(s, cl.n)); }

// The collision partner of the molecule at list position k1 (molecule m1).
int second_molecule(State& s, const CellList& cl, const SubCells& sc, int k1, int m1) {
  int m2 = m1;
  if (sc.ns < 2) {
    for (int i = 0; i < 20 && m2 == m1; ++i) m2 = draw_from_cell(s, cl);
    return m2;
  }
  const int ns = sc.ns;
  const int j = s.IPS(1, k1);
  const int count = s.ISCH(2, j);
  if (count >= 2) {
    for (int i = 0; i < 10 && m2 == m1; ++i) m2 = s.IPS(2, s.ISCH(1, j) + draw_position(s, count));
    return m2;
  }
  // Alone in its sub-cell: the nearest occupied neighbour, visited from a
  // random place in the fixed table.
  const int jz = (j - 1) / (ns * ns) + 1;
  const int jy = ((j - 1) / ns) % ns + 1;
  const int jx = (j - 1) % ns + 1;
  const int r = static_cast<int>(25.9999f * s.RF());
  for (int i = 0; i < 26 && m2 == m1; ++i) {
    const Offset& o = kNeighbours[(r + i) % 26];
    const int ix = jx + o.dx, iy = jy + o.dy, iz = jz + o.dz;
    if (ix < 1 || ix > ns || iy < 1 || iy > ns || iz < 1 || iz > ns) continue;
    const int nb = sub_number(ix, iy, iz, ns);
    const int cnt = s.ISCH(2, nb);
    if (cnt == 0) continue;
    m2 = cnt == 1 ? s.IPS(2, s.ISCH(1, nb) + 1) : s.IPS(2, s.ISCH(1, nb) + draw_position(s, cnt));
  }
  while (m2 == m1) m2 = draw_from_cell(s, cl);
  return m2;
}

}  // namespace

float LBS(State& s, float a, float b) {
  for (;;) {
    const float r = s.RF();
    float p;
    if (a < 1.0e-6f) {
      p = std::pow(1.0f - r, b);
      if (b < 1.0e-6f) p = std::pow(1.0f - r, a);
    } else if (b < 1.0e-6f) {
      p = std::pow(1.0f - r, a);
    } else {
      p = std::pow((a + b) * r / a, a) * std::pow((a + b) * (1.0f - r) / b, b);
    }
    if (s.RF() < p) return r;
  }
}

namespace {

// Quantum vibrational exchange of mode K of molecule n (Bergemann & Boyd
// 1994): with probability 1/Z_v the level is redrawn from the equilibrium
// distribution over the energy E = E_c + i k theta by acceptance-rejection.
void exchange_vibration(State& s, int c, int n, int L, int K, float omega, float& ec) {
  const float theta = s.THETAV(K, L);
  const int level = s.IPVIB(K, n);
  const float ktheta = BOLTZ * theta;
  const float e = ec + static_cast<float>(level) * ktheta;
  const float c1 = s.SPVC(1, K, L), c2 = s.SPVC(2, K, L);
  float zv;
  if (c2 <= 0.0f) {
    zv = c1;
  } else {
    float T = -1.0f;
    (void)c;  // the cell's sampled temperature takes over once the results land
    if (T <= 0.0f) {
      const float zeta = level > 0 ? 2.0f * static_cast<float>(level) *
                                         std::log(1.0f + 1.0f / static_cast<float>(level))
                                   : 0.0f;
      T = e / ((0.5f * zeta + 2.5f - omega) * BOLTZ);
    }
    const float x = c2 * std::pow(T, -0.33333333f);
    zv = x >= 50.0f ? 1.0e7f : c1 / std::pow(T, omega) * std::exp(x);
  }
  if (!(s.RF() < 1.0f / zv)) return;
  const int imax = static_cast<int>(e / ktheta);
  int i;
  for (;;) {
    do {
      i = std::min(static_cast<int>((static_cast<float>(imax) + 0.99999f) * s.RF()), 127);
    } while (!(static_cast<float>(i) * ktheta < e));
    if (std::pow(1.0f - static_cast<float>(i) * ktheta / e, 1.5f - omega) > s.RF()) break;
  }
  s.IPVIB(K, n) = static_cast<std::int8_t>(i);
  ec = e - static_cast<float>(i) * ktheta;
}

// Larsen-Borgnakke exchange (Borgnakke & Larsen, J. Comput. Phys. 18, 1975)
// of one molecule: the share of E_c + its rotational energy that goes to
// rotation is drawn from the equilibrium distribution of the ratio.
void exchange_rotation(State& s, int n, int L, float omega, float p7, float& ec) {
  if (s.ISPR(1, L) <= 0 || !(s.RF() < p7)) return;
  const float e = ec + s.PV(4, n);
  float r;
  if (s.ISPR(1, L) == 2)
    r = 1.0f - std::pow(s.RF(), 1.0f / (2.5f - omega));
  else
    r = LBS(s, 0.5f * static_cast<float>(s.ISPR(1, L)) - 1.0f, 1.5f - omega);
  s.PV(4, n) = r * e;
  ec = e - s.PV(4, n);
}

void exchange_internal_energy(State& s, CollisionPair& p) {
  const float omega = s.SPM(3, p.L, p.M);
  const float p7 = s.SPM(7, p.L, p.M);
  const float mr = s.SPM(1, p.L, p.M);
  float ec = 0.5f * mr * p.cr2;
  const int mol[2] = {p.m1, p.m2};
  const int sp[2] = {p.L, p.M};
  for (int i = 0; i < 2; ++i) {
    const int n = mol[i], L = sp[i];
    if (s.MMVM > 0)
      for (int K = 1; K <= s.ISPV(L); ++K) exchange_vibration(s, p.cell, n, L, K, omega, ec);
    exchange_rotation(s, n, L, omega, p7, ec);
  }
  p.cr2 = 2.0f * ec / mr;
  p.cr = std::sqrt(p.cr2);
}

// Isotropic scattering in the centre-of-mass frame (the VHS model).
void scatter(State& s, const CollisionPair& p) {
  const float cosx = 2.0f * s.RF() - 1.0f;
  const float sinx = std::sqrt(1.0f - cosx * cosx);
  const float eps = PI2 * s.RF();
  const float cr[3] = {p.cr * cosx, p.cr * sinx * std::cos(eps), p.cr * sinx * std::sin(eps)};
  for (int i = 0; i < 3; ++i) {
    s.PV(i + 1, p.m1) = p.vm[i] + p.rm1 * cr[i];
    s.PV(i + 1, p.m2) = p.vm[i] - p.rm2 * cr[i];
  }
}

bool any_rotation(const State& s, int L, int M) { return s.ISPR(1, L) > 0 || s.ISPR(1, M) > 0; }

// Molecules marked by the chemistry (negative cell entry) leave the cell's
// list right after its pairs under continuous indexing.
void remove_marked_in_cell(State& s, int c) {
  for (int k = s.ICELL(2, c); k >= 1; --k) {
    int m = s.IR(s.ICELL(1, c) + k);
    if (s.IP(2, m) < 0) remove_molecule(s, m, c);
  }
}

void settle_marked(State& s) {
  for (int n = 1; n <= s.NM; ++n) {
    if (s.IP(2, n) >= 0) continue;
    if (s.IINDEX == 1) {
      s.IP(2, n) = -s.IP(2, n);
      add_to_cell(s, s.IP(2, n), n);
    } else {
      int m = n;
      remove_molecule(s, m, -s.IP(2, n));
      n = m;
    }
  }
}

}  // namespace

void collide(State& s) {
  const bool reactions = s.MNR > 0;
  const float sc2 = s.SCALE * s.SCALE;
  for (int c = 1; c <= s.NCELLS; ++c) {
    const float tc = s.CELL(13, c);
    if (!(tc < s.TIME - s.CTIME(c))) continue;
    s.CTIME(c) += 2.0 * tc;
    CellList cl = cell_list(s, c);
    // The molecules of the next cell are fetched while this one collides:
    // their velocities are what the pair loop waits for.
    if (c < s.NCELLS) {
      const CellList next = cell_list(s, c + 1);
      for (int k = 1; k <= next.n; ++k) __builtin_prefetch(&s.PV(1, next.at(k)));
    }
    const float nmol = static_cast<float>(cl.n);
    float a = 0.5f * nmol * (nmol - 1.0f) * s.FNUM * s.CELL(14, c) * 2.0f * tc * sc2 /
                  s.CELL(kCellVolume, c) +
              s.CELL(12, c);
    if (a < 0.0f) a = 0.0f;
    const int nsel = static_cast<int>(a);
    s.CELL(12, c) = a - static_cast<float>(nsel);
    if (nsel <= 0) continue;
    SubCells sc;
    if (s.ISUBC == 1) sc = setup_subcells(s, c, cl);

    for (int sel = 0; sel < nsel; ++sel) {
      // Only the chemistry marks molecules (negative cell entries), so
      // without reactions no entry needs reading.
      int k1, m1, m2;
      for (;;) {
        do {
          k1 = draw_position(s, cl.n);
          m1 = cl.at(k1);
        } while (reactions && s.IP(2, m1) < 0);
        m2 = second_molecule(s, cl, sc, k1, m1);
        if (m2 != m1 && (!reactions || s.IP(2, m2) > 0)) break;
      }
      CollisionPair p;
      p.cell = c;
      p.m1 = m1;
      p.m2 = m2;
      float* v1 = &s.PV(1, m1);
      float* v2 = &s.PV(1, m2);
      const float gx = v1[0] - v2[0], gy = v1[1] - v2[1], gz = v1[2] - v2[2];
      p.cr2 = gx * gx + gy * gy + gz * gz;
      if (p.cr2 <= 1.0e-6f) {
        s.CELL(12, c) = 0.99f;
        continue;
      }
      p.cr = std::sqrt(p.cr2);
      p.L = s.species(m1);
      p.M = s.species(m2);
      if (reactions) {
        p.L = std::abs(p.L);
        p.M = std::abs(p.M);
      }
      const int L = p.L, M = p.M;
      const float sigma_cr =
          p.cr * s.SPM(2, L, M) *
          std::pow(BOLTZ2 * s.SPM(5, L, M) / (s.SPM(1, L, M) * p.cr2), s.SPM(3, L, M) - 0.5f) *
          s.SPM(6, L, M);
      if (sigma_cr > s.CELL(14, c)) s.CELL(14, c) = sigma_cr;
      if (!(s.RF() < sigma_cr / s.CELL(14, c))) continue;

      s.TOTCOL += 1.0;
      s.CCOLL(c) += 1.0;
      s.CSPCOLL(L, M) += 1.0;
      if (L != M) s.CSPCOLL(M, L) += 1.0;
      const float sx = s.PP(1, m1) - s.PP(1, m2), sy = s.PP(2, m1) - s.PP(2, m2),
                  sz = s.PP(3, m1) - s.PP(3, m2);
      s.CSEP(c) += std::sqrt(sx * sx + sy * sy + sz * sz);
      const float mL = s.SP(4, L), mM = s.SP(4, M);
      p.rm1 = mM / (mL + mM);
      p.rm2 = mL / (mL + mM);
      for (int i = 0; i < 3; ++i) p.vm[i] = p.rm2 * v1[i] + p.rm1 * v2[i];

      // A dissociation may have grown the store: the list is found again.
      if (reactions && react(s, p)) cl = cell_list(s, c);
      if (any_rotation(s, p.L, p.M)) exchange_internal_energy(s, p);
      scatter(s, p);
    }
    if (reactions && s.IINDEX == 1) remove_marked_in_cell(s, c);
  }
  if (reactions) settle_marked(s);
}

}  // namespace qmxv
