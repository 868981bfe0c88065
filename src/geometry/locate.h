// Point location: a position to its division, element and cell by direct
// arithmetic on the regular grid. O(1), no search, no allocation; called for
// every molecule at every step, so everything here is inline.
//
// Conversions truncate toward zero and the indices are then clamped to their
// range: a position outside the box lands in the nearest boundary division and
// element, and a position on an interior boundary belongs to the division or
// element with the higher index (up to float rounding).
#pragma once

#include "run/state.h"

namespace qmxv {

// trunc(n * (x - lo) / width + 1) clamped to 1..n. The clamp is applied to the
// real value before the conversion, which gives the same index for every
// finite position and keeps far-away (or non-finite) positions from
// overflowing the integer conversion.
inline int lattice_index(int n, float x, float lo, float width) {
  float v = static_cast<float>(n) * (x - lo) / width + 1.0f;
  const float top = static_cast<float>(n);
  v = v < top ? v : top;
  v = v > 1.0f ? v : 1.0f;
  return static_cast<int>(v);
}

// Element index along one axis inside division `id` of that axis.
inline int element_index(int nel, float x, float lo, int id, float ddiv) {
  const float x0 = static_cast<float>(id - 1) * ddiv + lo;
  return lattice_index(nel, x, x0, ddiv);
}

// Sets the current indices IDX, IDY, IDZ, IEX, IEY, IEZ of (x, y, z).
inline void locate_division_element(State& s, float x, float y, float z) {
  s.IDX = lattice_index(s.NDIVX, x, s.XMIN, s.WX);
  s.IDY = lattice_index(s.NDIVY, y, s.YMIN, s.WY);
  s.IDZ = lattice_index(s.NDIVZ, z, s.ZMIN, s.WZ);
  s.IEX = element_index(s.NELX, x, s.XMIN, s.IDX, s.DDX);
  s.IEY = element_index(s.NELY, y, s.YMIN, s.IDY, s.DDY);
  s.IEZ = element_index(s.NELZ, z, s.ZMIN, s.IDZ, s.DDZ);
}

// Sets the six current indices and returns the element's IELCELL entry: after
// cell formation its cell, or -1 for an element that holds no flow.
inline int locate_cell(State& s, float x, float y, float z) {
  locate_division_element(s, x, y, z);
  return s.IELCELL(s.IDZ, s.IDY, s.IDX, s.IEZ, s.IEY, s.IEX);
}

// As locate_cell, but the division is taken as already set (IDX, IDY, IDZ):
// only IEX, IEY, IEZ are found, clamped into the current division even for a
// position outside it.
inline int locate_cell_in_division(State& s, float x, float y, float z) {
  s.IEX = element_index(s.NELX, x, s.XMIN, s.IDX, s.DDX);
  s.IEY = element_index(s.NELY, y, s.YMIN, s.IDY, s.DDY);
  s.IEZ = element_index(s.NELZ, z, s.ZMIN, s.IDZ, s.DDZ);
  return s.IELCELL(s.IDZ, s.IDY, s.IDX, s.IEZ, s.IEY, s.IEX);
}

// Where the IELCELL entry of (x, y, z) lives, without touching the current
// indices: the move prefetches it for a molecule a few places ahead, since
// the element map of a large grid is far bigger than the caches and its
// entries for consecutive molecules lie far apart.
inline const int* cell_entry_of(const State& s, float x, float y, float z) {
  const int idx = lattice_index(s.NDIVX, x, s.XMIN, s.WX);
  const int idy = lattice_index(s.NDIVY, y, s.YMIN, s.WY);
  const int idz = lattice_index(s.NDIVZ, z, s.ZMIN, s.WZ);
  return &s.IELCELL(idz, idy, idx, element_index(s.NELZ, z, s.ZMIN, idz, s.DDZ),
                    element_index(s.NELY, y, s.YMIN, idy, s.DDY),
                    element_index(s.NELX, x, s.XMIN, idx, s.DDX));
}

// Point-in-box test with the limits included.
inline bool in_box(const State& s, float x, float y, float z) {
  return x >= s.XMIN && x <= s.XMAX && y >= s.YMIN && y <= s.YMAX && z >= s.ZMIN && z <= s.ZMAX;
}

}  // namespace qmxv
