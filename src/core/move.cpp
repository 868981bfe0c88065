#include "core/move.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/indexing.h"
#include "core/molecules.h"
#include "core/reflect.h"
#include "geometry/crossing.h"
#include "geometry/locate.h"
#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {

namespace {

// The geometric tolerance [scaled m]. Far from the origin 1e-5 is below the
// float spacing of the coordinates (above about 128 scaled m), so a point
// put "epsilon inside" a face would round back onto it: there the tolerance
// is taken relative to the face coordinate instead (about 16 float spacings).
constexpr float kEps = 1.0e-5f;
float face_eps(float face) { return std::max(kEps, 1.0e-6f * std::fabs(face)); }

// Where a molecule's path is followed: in a division without triangles
// (step 4a), in one with triangles (4b), or across divisions (5).
enum class Path { FreeDivision, SurfaceDivision, DivisionChange };

// What every move of a pass shares: the box faces with their tolerances,
// the displacement limits, and the index factors n/width of the lattice
// formulas int(n (x - lo)/width + 1), formed once per pass.
struct Box {
  float xlo, xhi, ylo, yhi, zlo, zhi;
  float exlo, exhi, eylo, eyhi, ezlo, ezhi;  // face tolerances
  float limx, limy, limz;                    // division widths less epsilon
  float fdx, fdy, fdz;                       // divisions per unit length
  float fex, fey, fez;                       // elements per unit length of a division
};

Box box_of(const State& s) {
  Box b{};
  b.xlo = s.XMIN;
  b.xhi = s.XMAX;
  b.ylo = s.YMIN;
  b.yhi = s.YMAX;
  b.zlo = s.ZMIN;
  b.zhi = s.ZMAX;
  b.exlo = face_eps(s.XMIN);
  b.exhi = face_eps(s.XMAX);
  b.eylo = face_eps(s.YMIN);
  b.eyhi = face_eps(s.YMAX);
  b.ezlo = face_eps(s.ZMIN);
  b.ezhi = face_eps(s.ZMAX);
  b.limx = s.DDX - kEps;
  b.limy = s.DDY - kEps;
  b.limz = s.DDZ - kEps;
  b.fdx = static_cast<float>(s.NDIVX) / s.WX;
  b.fdy = static_cast<float>(s.NDIVY) / s.WY;
  b.fdz = static_cast<float>(s.NDIVZ) / s.WZ;
  b.fex = static_cast<float>(s.NELX) / s.DDX;
  b.fey = static_cast<float>(s.NELY) / s.DDY;
  b.fez = static_cast<float>(s.NELZ) / s.DDZ;
  return b;
}

// int(f (x - lo) + 1) clamped to 1..n, the clamp applied before the
// conversion so that far-off positions cannot overflow it.
inline int scaled_index(int n, float x, float lo, float f) {
  float v = (x - lo) * f + 1.0f;
  const float top = static_cast<float>(n);
  v = v < top ? v : top;
  v = v > 1.0f ? v : 1.0f;
  return static_cast<int>(v);
}

// The cell of a point in division (idx, idy, idz): the element found by the
// lattice formulas inside that division (clamped into it).
inline int cell_in_division(State& s, const Box& b, int idx, int idy, int idz, float x, float y,
                            float z) {
  const float x0 = static_cast<float>(idx - 1) * s.DDX + s.XMIN;
  const float y0 = static_cast<float>(idy - 1) * s.DDY + s.YMIN;
  const float z0 = static_cast<float>(idz - 1) * s.DDZ + s.ZMIN;
  s.IDX = idx;
  s.IDY = idy;
  s.IDZ = idz;
  s.IEX = scaled_index(s.NELX, x, x0, b.fex);
  s.IEY = scaled_index(s.NELY, y, y0, b.fey);
  s.IEZ = scaled_index(s.NELZ, z, z0, b.fez);
  return s.IELCELL(idz, idy, idx, s.IEZ, s.IEY, s.IEX);
}

struct Trial {
  float x, y, z;     // trial end point
  float dx, dy, dz;  // displacement
  float u, v, w;     // velocity
  int idx;           // x division index (changed by a periodic face)
};

// The six face conditions applied to the trial end point. Returns the
// fraction of the displacement at which a reflecting plane was reached
// (1.1 when none; 1 after a periodic x face), or -1 when the molecule
// leaves the flow.
float boundary_check(State& s, const Box& b, int L, Trial& t) {
  float f = 1.1f;
  bool remove = false;
  if (t.x <= b.xlo) {
    const int code = s.IB(1);
    if (code == 2 || code == 5) {
      const float g = (t.dx - t.x + b.xlo + b.exlo) / t.dx;
      if (g < 1.1f) {
        f = std::max(g, 1.0e-5f);
        if (code == 2) {
          t.x = b.xlo + b.exlo;
          t.u = -t.u;
        } else {
          t.idx = s.NDIVX;
          t.x = b.xhi - b.exhi;
          f = 1.0f;
        }
      }
    } else if (code != 7) {  // a moving wall acts only on contact (below)
      remove = true;
      if (code == 6) s.BLEAVE(1, L) += 1.0;
    }
  }
  if (t.x >= b.xhi) {
    const int code = s.IB(2);
    if (code == 2 || code == 5) {
      const float g = (t.dx - t.x + b.xhi - b.exhi) / t.dx;
      if (g < f) f = std::max(g, 1.0e-5f);
      if (code == 2) {
        t.x = b.xhi - b.exhi;
        t.u = -t.u;
      } else {
        t.idx = 1;
        t.x = b.xlo + b.exlo;
        f = 1.0f;
      }
    } else if (f > 1.0f) {
      remove = true;
      if (code == 6) s.BLEAVE(2, L) += 1.0;
    }
  }
  // A plane of symmetry on a y or z side reflects even after an earlier
  // face: the coordinate is reset and the component reversed; only the
  // fraction keeps the smaller value.
  auto side = [&](int k, float& c, float d, float& vel, float face, float eps, float sign) {
    if (s.IB(k) == 2) {
      const float g = (d - c + face + sign * eps) / d;
      if (g < f) f = std::max(g, 1.0e-5f);
      c = face + sign * eps;
      vel = -vel;
    } else if (f > 1.0f) {
      remove = true;
    }
  };
  if (t.y <= b.ylo) side(3, t.y, t.dy, t.v, b.ylo, b.eylo, 1.0f);
  if (t.y >= b.yhi) side(4, t.y, t.dy, t.v, b.yhi, b.eyhi, -1.0f);
  if (t.z <= b.zlo) side(5, t.z, t.dz, t.w, b.zlo, b.ezlo, 1.0f);
  if (t.z >= b.zhi) side(6, t.z, t.dz, t.w, b.zhi, b.ezhi, -1.0f);
  return remove ? -1.0f : f;
}

// The specular wall at XMIN moving into the flow at VWALL: a molecule that
// ends behind the wall's position is reflected at the point of contact with
// u' = 2 VWALL - u and completes its move with the new velocity.
void moving_wall_check(const State& s, double t_end, float dt, float t_rem, float x0, Trial& t,
                       float& f) {
  const float vw = s.VWALL;
  const float x_end = s.XMIN + vw * static_cast<float>(t_end);
  if (!(t.x <= x_end)) return;
  const float x_start = s.XMIN + vw * static_cast<float>(t_end - t_rem - dt);
  const float g = (x_start - x0) / ((t.u - vw) * dt);
  if (!(g < 1.1f)) return;
  f = std::max(g, 1.0e-5f);
  const float contact = x0 + f * t.dx;
  t.u = 2.0f * vw - t.u;
  t.x = contact + (1.0f - f) * t.u * dt;
}

// The nudge of a point that lies in no cell: up to 100 attempts, the k-th
// displaced by (2 RF - 1) k 0.005 D_e from the original point in each
// direction; a point that leaves the inside of the box ends the search.
int nudge(State& s, float& x, float& y, float& z) {
  const float x0 = x, y0 = y, z0 = z;
  int cell = -1;
  for (int k = 1; cell < 0 && k < 100; ++k) {
    const float step = static_cast<float>(k) * 0.005f * s.EDIAG;
    x = x0 + (2.0f * s.RF() - 1.0f) * step;
    y = y0 + (2.0f * s.RF() - 1.0f) * step;
    z = z0 + (2.0f * s.RF() - 1.0f) * step;
    if (!(x > s.XMIN && x < s.XMAX && y > s.YMIN && y < s.YMAX && z > s.ZMIN && z < s.ZMAX)) break;
    cell = locate_cell(s, x, y, z);
  }
  return cell;
}

// A division of the grid by its three indices.
struct Division {
  int x, y, z;
  bool operator==(const Division& o) const { return x == o.x && y == o.y && z == o.z; }
};

// The triangles a path can meet are tested once each per move: a stamp per
// triangle marks those already tested in this move.
struct TestedTriangles {
  std::vector<unsigned> stamp;
  unsigned current = 0;
  void start(int ntri) {
    if (stamp.size() != static_cast<std::size_t>(ntri) + 1) {
      stamp.assign(static_cast<std::size_t>(ntri) + 1, 0u);
      current = 0;
    }
    if (++current == 0) {  // the counter wrapped: forget every old mark
      std::fill(stamp.begin(), stamp.end(), 0u);
      current = 1;
    }
  }
  bool first_time(int t) {
    if (stamp[static_cast<std::size_t>(t)] == current) return false;
    stamp[static_cast<std::size_t>(t)] = current;
    return true;
  }
};

// The triangles of the surface division with code `code` (< 0) that the path
// from p0 along the displacement meets from the flow side (u.n <= 0): the
// smallest fraction wins, the first tested on a tie.
void test_division_triangles(const State& s, int code, const float p0[3], const Trial& t,
                             TestedTriangles* tested, double& smin, int& hit) {
  const int e = -code;
  const int count = s.ISDIV(1, e), before = s.ISDIV(2, e);
  for (int k = 1; k <= count; ++k) {
    const int tri = s.ISTOT(before + k);
    if (tested && !tested->first_time(tri)) continue;
    const float un = t.u * s.TRI(kTriNx, tri) + t.v * s.TRI(kTriNy, tri) + t.w * s.TRI(kTriNz, tri);
    if (un > 0.0f) continue;  // moving away from the flow side: passes through
    const double f = segment_crossing(s, tri, p0[0], p0[1], p0[2], t.dx, t.dy, t.dz);
    if (f < smin) {
      smin = f;
      hit = tri;
    }
  }
}

// The divisions a path from division a to division b can cross: a, b and,
// when two or three indices change, every division formed from a mix of the
// start and end indices (a displacement is shorter than a division width).
int divisions_crossed(const Division& a, const Division& b, Division out[8]) {
  int n = 0;
  auto add = [&](const Division& d) {
    for (int i = 0; i < n; ++i)
      if (out[i] == d) return;
    out[n++] = d;
  };
  add(a);
  add(b);
  const int xs[2] = {a.x, b.x}, ys[2] = {a.y, b.y}, zs[2] = {a.z, b.z};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 2; ++k) add({xs[i], ys[j], zs[k]});
  return n;
}

// The first triangle the path meets, over the divisions it can cross, with
// its fraction of the displacement; 0 and 1.1 when it meets none.
int first_surface_hit(State& s, TestedTriangles& tested, const Division& from, const Division& to,
                      const float p0[3], const Trial& t, double& smin) {
  smin = 1.1;
  int hit = 0;
  if (from == to) {
    test_division_triangles(s, s.JDIV(1, from.z, from.y, from.x), p0, t, nullptr, smin, hit);
    return hit;
  }
  Division d[8];
  const int nd = divisions_crossed(from, to, d);
  int minlev = 1;
  for (int i = 0; i < nd; ++i) minlev = std::min(minlev, s.JDIV(1, d[i].z, d[i].y, d[i].x));
  if (minlev >= 1) return 0;
  tested.start(s.NTRI);
  for (int i = 0; i < nd; ++i) {
    const int code = s.JDIV(1, d[i].z, d[i].y, d[i].x);
    if (code < 0) test_division_triangles(s, code, p0, t, &tested, smin, hit);
  }
  return hit;
}

// The molecule's end point (x, y, z) to its cell — within division `in` when
// given, else by the full point location — nudged when it lies in no cell.
// Stores the position and the cell, keeps the continuous index current and
// counts a crossing of the separation plane. Returns 1, or -1 when no cell
// could be found (the molecule is removed and counted in NROUND).
int settle(State& s, const Box& b, int& n, int& c, const Division* in, float x, float y, float z,
           float x0, int L, float& t_rem) {
  int cell = in ? cell_in_division(s, b, in->x, in->y, in->z, x, y, z)
                : cell_in_division(s, b, scaled_index(s.NDIVX, x, b.xlo, b.fdx),
                                   scaled_index(s.NDIVY, y, b.ylo, b.fdy),
                                   scaled_index(s.NDIVZ, z, b.zlo, b.fdz), x, y, z);
  if (cell < 0) cell = nudge(s, x, y, z);
  if (cell < 0) {
    remove_molecule(s, n, c);
    s.NROUND += 1;
    t_rem = 0.0f;
    return -1;
  }
  s.PP(1, n) = x;
  s.PP(2, n) = y;
  s.PP(3, n) = z;
  if (cell != c) {
    if (s.IINDEX == 1) remove_from_cell(s, c, n);
    s.IP(2, n) = cell;
    if (s.IINDEX == 1) add_to_cell(s, cell, n);
    c = cell;
  }
  if (s.IB(1) == 6 && s.ISEP == 1) {
    if (x0 < s.XSEP && x > s.XSEP) s.XSEPNET(L) += 1.0;
    if (x0 > s.XSEP && x < s.XSEP) s.XSEPNET(L) -= 1.0;
  }
  return 1;
}

int move_one(State& s, const Box& b, TestedTriangles& tested, int& n, int& c, float dt,
             float& t_rem) {
  const float x0 = s.PP(1, n), y0 = s.PP(2, n), z0 = s.PP(3, n);
  const Division from{scaled_index(s.NDIVX, x0 + kEps, b.xlo, b.fdx),
                      scaled_index(s.NDIVY, y0 + kEps, b.ylo, b.fdy),
                      scaled_index(s.NDIVZ, z0 + kEps, b.zlo, b.fdz)};

  // The displacement stays below one division width in every direction.
  Trial t{};
  t.u = s.PV(1, n);
  t.v = s.PV(2, n);
  t.w = s.PV(3, n);
  const float dt_in = dt;
  if (std::fabs(t.u) * dt > b.limx) dt = b.limx / std::fabs(t.u);
  if (std::fabs(t.v) * dt > b.limy) dt = b.limy / std::fabs(t.v);
  if (std::fabs(t.w) * dt > b.limz) dt = b.limz / std::fabs(t.w);
  t_rem = dt_in - dt;
  t.dx = t.u * dt;
  t.dy = t.v * dt;
  t.dz = t.w * dt;
  t.x = x0 + t.dx;
  t.y = y0 + t.dy;
  t.z = z0 + t.dz;
  const Division to{scaled_index(s.NDIVX, t.x + kEps, b.xlo, b.fdx),
                    scaled_index(s.NDIVY, t.y + kEps, b.ylo, b.fdy),
                    scaled_index(s.NDIVZ, t.z + kEps, b.zlo, b.fdz)};
  t.idx = from.x;

  Path path = Path::FreeDivision;
  if (to == from) {
    if (s.JDIV(1, from.z, from.y, from.x) < 0) path = Path::SurfaceDivision;
  } else {
    path = Path::DivisionChange;
  }
  const int L = s.species(n);

  if (path != Path::FreeDivision) {
    const float p0[3] = {x0, y0, z0};
    double smin = 1.1;
    const int tri = first_surface_hit(s, tested, from, to, p0, t, smin);
    if (tri > 0 && smin <= 1.01) {
      s.TOTREF += 1.0;
      // Back off from the impact point along the path, so that the molecule
      // stays on the flow side whatever the rounding: within a division by
      // a tenth of an element diagonal more.
      double back;
      if (path == Path::SurfaceDivision) {
        const double len = std::sqrt(static_cast<double>(t.dx) * t.dx +
                                     static_cast<double>(t.dy) * t.dy +
                                     static_cast<double>(t.dz) * t.dz);
        back = smin - 0.01 - 0.1 * s.EDIAG / len;
      } else {
        back = smin - 0.015;
      }
      const float x = static_cast<float>(x0 + back * t.dx);
      const float y = static_cast<float>(y0 + back * t.dy);
      const float z = static_cast<float>(z0 + back * t.dz);
      s.PP(1, n) = x;
      s.PP(2, n) = y;
      s.PP(3, n) = z;
      const double t_hit = s.MNSR > 0 ? s.PTIM(n) - (1.0 - back) * dt : s.PTIM(n);
      int status = 1;
      reflect_molecule(s, n, tri, c, status, x, y, z, t_hit);
      if (status == -1) {
        t_rem = 0.0f;
        return -1;
      }
      // A back-off that stays in the start division is located within it;
      // one that lands elsewhere, or any after a division change, in full.
      const Division at{scaled_index(s.NDIVX, x, b.xlo, b.fdx),
                        scaled_index(s.NDIVY, y, b.ylo, b.fdy),
                        scaled_index(s.NDIVZ, z, b.zlo, b.fdz)};
      const bool within = path == Path::SurfaceDivision && at == from;
      return settle(s, b, n, c, within ? &from : nullptr, x, y, z, x0, L, t_rem);
    }
  }

  float f = boundary_check(s, b, L, t);
  if (s.IB(1) == 7 && f >= 0.0f) moving_wall_check(s, s.PTIM(n), dt, t_rem, x0, t, f);
  if (f < 0.0f) {
    remove_molecule(s, n, c);
    s.TOTREM += 1.0;
    t_rem = 0.0f;
    return -1;
  }
  if (f < 0.99999f && path != Path::FreeDivision) {
    t.x = x0 + f * t.dx;
    t.y = y0 + f * t.dy;
    t.z = z0 + f * t.dz;
  }
  s.PV(1, n) = t.u;
  s.PV(2, n) = t.v;
  s.PV(3, n) = t.w;
  const Division in{t.idx, from.y, from.z};
  return settle(s, b, n, c, path == Path::DivisionChange ? nullptr : &in, t.x, t.y, t.z, x0, L,
                t_rem);
}

}  // namespace

int move_molecule(State& s, int& n, int& c, float dt, float& t_rem) {
  TestedTriangles tested;
  return move_one(s, box_of(s), tested, n, c, dt, t_rem);
}

void move_molecules(State& s, ui::Toolkit& ui) {
  (void)ui;
  const Box b = box_of(s);
  TestedTriangles tested;
  // Most molecules end a move in the element they started in: fetching the
  // element map entry and the cell record of a molecule kPrefetch places
  // ahead hides the memory latency of both (they dominate the move of a
  // large grid otherwise).
  // Without an element map (a bare cell set, as in unit checks of the loop)
  // there is nothing to fetch ahead.
  constexpr int kPrefetch = 16;
  const bool have_map = !s.IELCELL.empty();
  for (int n = 1; n <= s.NM; ++n) {
    if (n + kPrefetch <= s.NM) {
      const int a = n + kPrefetch;
      if (have_map) __builtin_prefetch(cell_entry_of(s, s.PP(1, a), s.PP(2, a), s.PP(3, a)));
      __builtin_prefetch(&s.CELL(13, s.IP(2, a)));
    }
    int c = s.IP(2, n);
    const float tc = s.CELL(13, c);
    if (!(tc < s.TIME - s.PTIM(n))) continue;
    const float dt = 2.0f * tc;
    s.PTIM(n) += dt;
    s.TOTMOV += 1.0;
    float t_rem = 0.0f;
    move_one(s, b, tested, n, c, dt, t_rem);
  }
}

}  // namespace qmxv
