// The division/element grid, the triangle geometry, the surface index lists
// and the surface-sample arrays: the part of the simulation state that the
// grid set-up (geometry/grid_setup.cpp) fills.
//
// The flow computation region is cut into NDIVX x NDIVY x NDIVZ divisions and
// every division into the same NELX x NELY x NELZ elements. A division is
// addressed by (IDX, IDY, IDZ), an element inside it by (IEX, IEY, IEZ), all
// from 1. Division arrays take the division indices z before y before x, the
// element arrays the element indices (z, y, x) after them, the first index
// running fastest.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <vector>

#include "run/farray.h"

namespace qmxv {

// A value per element of the whole grid, indexed (IDZ, IDY, IDX, IEZ, IEY,
// IEX) like the other element arrays: the division index runs fastest, so one
// element position of every division forms a contiguous block of NDIVT
// values. One contiguous store (data(), size()) for the restart records.
template <typename T>
class ElementArray {
 public:
  void allocate(int ndivz, int ndivy, int ndivx, int nelz, int nely, int nelx) {
    ext_ = {ndivz, ndivy, ndivx, nelz, nely, nelx};
    ndivt_ = static_cast<std::size_t>(ndivz) * ndivy * ndivx;
    data_.assign(ndivt_ * static_cast<std::size_t>(nelz) * nely * nelx, T{});
  }
  void clear() {
    data_.clear();
    data_.shrink_to_fit();
    ext_.fill(0);
    ndivt_ = 0;
  }

  // Offset of a division (its place among the NDIVT divisions) and of an
  // element position inside a division (its place among the NELD elements).
  std::size_t division_offset(int idz, int idy, int idx) const {
    assert(idz >= 1 && idz <= ext_[0] && idy >= 1 && idy <= ext_[1] && idx >= 1 && idx <= ext_[2] &&
           "division index out of bounds");
    return static_cast<std::size_t>(idz - 1) +
           static_cast<std::size_t>(ext_[0]) *
               (static_cast<std::size_t>(idy - 1) +
                static_cast<std::size_t>(ext_[1]) * static_cast<std::size_t>(idx - 1));
  }
  std::size_t element_offset(int iez, int iey, int iex) const {
    assert(iez >= 1 && iez <= ext_[3] && iey >= 1 && iey <= ext_[4] && iex >= 1 && iex <= ext_[5] &&
           "element index out of bounds");
    return static_cast<std::size_t>(iez - 1) +
           static_cast<std::size_t>(ext_[3]) *
               (static_cast<std::size_t>(iey - 1) +
                static_cast<std::size_t>(ext_[4]) * static_cast<std::size_t>(iex - 1));
  }
  std::size_t index(std::size_t division, std::size_t element) const {
    return division + ndivt_ * element;
  }

  T& operator()(int idz, int idy, int idx, int iez, int iey, int iex) {
    return data_[index(division_offset(idz, idy, idx), element_offset(iez, iey, iex))];
  }
  const T& operator()(int idz, int idy, int idx, int iez, int iey, int iex) const {
    return data_[index(division_offset(idz, idy, idx), element_offset(iez, iey, iex))];
  }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }

  int extent(int dim) const { return ext_[dim - 1]; }
  std::size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }
  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }
  std::size_t bytes() const { return data_.size() * sizeof(T); }
  void fill(const T& v) { std::fill(data_.begin(), data_.end(), v); }

 private:
  std::array<int, 6> ext_{};
  std::size_t ndivt_ = 0;
  std::vector<T> data_;
};

// Rows of the triangle record TRI(., N).
enum TriangleField : int {
  kTriNx = 1,  // unit normal (P2-P1) x (P3-P1) / |...|, pointing into the flow
  kTriNy = 2,
  kTriNz = 3,
  kTriD = 4,     // plane constant: n . P + d = 0 on the plane [scaled m]
  kTriArea = 5,  // [scaled m^2]
  kTriCx = 6,    // centroid (P1 + P2 + P3) * 0.333333 [scaled m]
  kTriCy = 7,
  kTriCz = 8,
  kTriFields = 8,
};

// Matching tolerance of the grid set-up [scaled m]: a point within TOL of a
// box face lies on it, and element sample lines keep TOL from the element's
// faces.
inline constexpr float TOL = 1.0e-5f;

struct GridData {
  // ---- grid metrics [scaled m] ----
  float WX = 0, WY = 0, WZ = 0;     // box widths
  float DDX = 0, DDY = 0, DDZ = 0;  // division widths
  float DEX = 0, DEY = 0, DEZ = 0;  // element widths
  int NDIVT = 0;                    // number of divisions
  int NELD = 0;                     // elements in one division
  int NELT = 0;                     // elements in the grid
  float DMIN = 0;                   // smallest division width
  float EMIN = 0;                   // smallest element width
  float EDIAG = 0;                  // element diagonal
  float EVOL = 0;                   // element volume [scaled m^3]

  // ---- current indices, set by every point location (geometry/locate.h) ----
  // Global on purpose: callers read them after locating, and the set-up uses
  // them as its loop variables. Take the values you need before locating again.
  int IDX = 1, IDY = 1, IDZ = 1;
  int IEX = 1, IEY = 1, IEZ = 1;

  // ---- triangle geometry (N = 1..NTRI) ----
  FArray2<float> TRI;   // (1..8, N), rows as TriangleField
  FArray1<int> ITRIAX;  // (N) projection axis: 1 uses (y,z), 2 (z,x), 3 (x,y)
  // (k, N): the triangle of the same surface across side k (point k to k+1,
  // side 3 from point 3 to 1), or -1..-6 when the side lies on the box face
  // XMIN, XMAX, YMIN, YMAX, ZMIN, ZMAX.
  FArray2<int> ICON;
  FArray1<int> ICLOSED;  // (S) 1 closed surface, 0 open (ends on the box faces)
  FArray1<int> NBSIDE;   // (1..6) triangle sides lying on each box face

  // ---- division and element tables ----
  // JDIV(1, IDZ, IDY, IDX): -n for the n-th surface division; level L >= 1
  // (distance in divisions from the flow next to the surfaces) for a flow
  // division without surfaces; 0 where the flow cannot reach; 100 everywhere
  // when there are no surfaces. Entries 2 and 3: the division's cell nodes and
  // the places before its first node in the division-ordered node list.
  FArray4<int> JDIV;
  int NSDIV = 0;  // surface divisions
  int NLEV = 0;   // highest division level
  int NFDIV = 0;  // flow divisions without surfaces (JDIV entry 1 > 0)
  // During the set-up the element code (-1 inside a body or not reached, 0 a
  // flow element); after cell formation the element's cell, -1 without flow.
  ElementArray<int> IELCELL;
  // IELVOL(n, IEZ, IEY, IEX): flow volume of the element of surface division n
  // in thousandths of the element volume (0 inside a body .. 1000 all flow).
  FArray4<int> IELVOL;
  double FLOWVOL = 0;  // total flow volume [m^3, unscaled]

  // ---- compact surface index, read by the molecule move ----
  FArray2<int> ISDIV;  // (1, n) triangles of surface division n; (2, n) places before them
  FArray1<int> ISTOT;  // the triangle numbers of all surface divisions, in division order

  // ---- surface index lists of the set-up (freed at its end) ----
  // MNSEG: last usable place of a division list; MAXSEL: surface-element
  // rows; MTRI: last usable place of an element list (initially the largest
  // number of triangles that share one point). Each grows on demand with an
  // "extended to" line in DIAG.TXT.
  int MNSEG = 0;
  int MAXSEL = 0;
  int MTRI = 0;
  int NSEL = 0;  // surface elements numbered so far
  // INDIV(p + 1, n), p = 0..MNSEG: place 0 the number of triangles listed for
  // surface division n, places 1.. their numbers in order of registration.
  // Rows exist only for surface divisions (n = -JDIV entry 1), since no other
  // division ever holds a triangle; the store grows geometrically underneath.
  FArray2<int> INDIV;
  // KSURFEL: 0 while no triangle touches the element, else its surface-element
  // number 1..NSEL.
  ElementArray<int> KSURFEL;
  // INDSURF(p + 1, k), p = 0..MTRI: place 0 the number of triangles listed for
  // surface element k, places 1.. their numbers; unused places are 0.
  FArray2<int> INDSURF;
  // IFACE(f, k): 1 when a surface crosses or covers face f of surface element
  // k (1 low x, 2 high x, 3 low y, 4 high y, 5 low z, 6 high z), or when the
  // face must be treated as closed; 0 when it is open to the flow; -1 when a
  // triangle lying in the face has its flow side outward (flow beyond it).
  FArray2<int> IFACE;
  // KCUT(k): 1 when a triangle enters surface element k or covers part of a
  // low face of it; 0 when its triangles only touch it (along an edge, at a
  // corner, in a high face), so it is wholly in the flow or wholly in a body.
  FArray1<int> KCUT;
};

}  // namespace qmxv
