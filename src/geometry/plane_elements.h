// The elements of one plane of the division/element grid as rectangles of
// the plane's two other axes, for the pictures that fill a plane element by
// element (the geometry pictures and the flowfield display).
#pragma once

#include "run/state.h"

namespace qmxv {

// Grid counts and widths along axis a (1 x, 2 y, 3 z) [scaled m].
struct GridAxis {
  float lo, width, ddiv, del;
  int ndiv, nel;
};

inline GridAxis grid_axis(const State& s, int a) {
  if (a == 1) return {s.XMIN, s.XMAX - s.XMIN, s.DDX, s.DEX, s.NDIVX, s.NELX};
  if (a == 2) return {s.YMIN, s.YMAX - s.YMIN, s.DDY, s.DEY, s.NDIVY, s.NELY};
  return {s.ZMIN, s.ZMAX - s.ZMIN, s.DDZ, s.DEZ, s.NDIVZ, s.NELZ};
}

// The low edge of element ie of division id, computed in float as the grid
// set-up computes it; the high edge is the next element's low edge (the
// region's edge for the last), so neighbouring elements tile without gaps.
inline double element_low(const GridAxis& x, int id, int ie) {
  return static_cast<double>(x.lo + static_cast<float>(id - 1) * x.ddiv +
                             static_cast<float>(ie - 1) * x.del);
}
inline double element_high(const GridAxis& x, int id, int ie) {
  if (ie < x.nel) return element_low(x, id, ie + 1);
  if (id < x.ndiv) return element_low(x, id + 1, 1);
  return static_cast<double>(x.lo + x.width);
}

// Calls visit(d, e, x0, y0, x1, y1) for every element of the layer
// (division `division`, element `element`) across axis `axis`, row by row
// from the low end of the vertical axis v; d and e hold the division and
// element indices in x, y, z order, and the rectangle spans the element
// along the horizontal axis h and the vertical axis v.
template <typename Visit>
void for_each_plane_element(const State& s, int axis, int division, int element, int h, int v,
                            Visit visit) {
  const GridAxis ha = grid_axis(s, h), va = grid_axis(s, v);
  int d[3], e[3];
  d[axis - 1] = division;
  e[axis - 1] = element;
  for (int dv = 1; dv <= va.ndiv; ++dv)
    for (int ev = 1; ev <= va.nel; ++ev)
      for (int dh = 1; dh <= ha.ndiv; ++dh)
        for (int eh = 1; eh <= ha.nel; ++eh) {
          d[h - 1] = dh;
          e[h - 1] = eh;
          d[v - 1] = dv;
          e[v - 1] = ev;
          visit(d, e, element_low(ha, dh, eh), element_low(va, dv, ev), element_high(ha, dh, eh),
                element_high(va, dv, ev));
        }
}

}  // namespace qmxv
