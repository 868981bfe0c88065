#include "geometry/surface_marking.h"

#include <algorithm>
#include <cmath>

#include "geometry/index_lists.h"
#include "geometry/locate.h"
#include "geometry/triangles.h"
#include "run/state.h"

namespace qmxv {
namespace {

// Tolerance of the point-in-triangle test of the marking sweep [scaled m^2].
constexpr double kMarkInsideTol = 1.0e-12;

// Global element index (1 .. NDIVX*NELX) along one axis of a position.
int global_element(int ndiv, int nel, float x, float lo, float width, float ddiv) {
  const int id = lattice_index(ndiv, x, lo, width);
  return (id - 1) * nel + element_index(nel, x, lo, id, ddiv);
}

// Lower limit of global element g along one axis, as the element's own
// limits are computed.
double element_low(int g, int nel, float lo, float ddiv, float del) {
  const int id = (g - 1) / nel + 1, ie = (g - 1) % nel + 1;
  return lo + static_cast<float>(id - 1) * ddiv + static_cast<float>(ie - 1) * del;
}

// Every element triangle t meets, found exactly: for each column of elements
// along the triangle's projection axis, the elements between the plane's
// heights at the column's corners are tested by the separating-axis test.
// One it enters (it meets the element shrunk by kTouchMargin) is marked at
// its centre; one it only touches is listed in its division.
void mark_overlapped_elements(State& s, int t) {
  double v[3][3];
  for (int k = 0; k < 3; ++k) {
    const int p = s.ITP(k + 1, t);
    v[k][0] = s.XPT(p);
    v[k][1] = s.YPT(p);
    v[k][2] = s.ZPT(p);
  }
  const double margin = kTouchMargin;
  const int ndiv[3] = {s.NDIVX, s.NDIVY, s.NDIVZ}, nel[3] = {s.NELX, s.NELY, s.NELZ};
  const float lo[3] = {s.XMIN, s.YMIN, s.ZMIN}, wid[3] = {s.WX, s.WY, s.WZ};
  const float ddiv[3] = {s.DDX, s.DDY, s.DDZ}, del[3] = {s.DEX, s.DEY, s.DEZ};
  auto global = [&](int q, double x) {
    return global_element(ndiv[q], nel[q], static_cast<float>(x), lo[q], wid[q], ddiv[q]);
  };
  auto low = [&](int q, int g) { return element_low(g, nel[q], lo[q], ddiv[q], del[q]); };
  auto high = [&](int q, int g) {
    return g == ndiv[q] * nel[q] ? double(lo[q] + wid[q]) : low(q, g + 1);
  };
  int first[3], last[3];
  double tmin[3], tmax[3];
  for (int q = 0; q < 3; ++q) {
    tmin[q] = std::min({v[0][q], v[1][q], v[2][q]});
    tmax[q] = std::max({v[0][q], v[1][q], v[2][q]});
    first[q] = global(q, tmin[q] - margin);
    last[q] = global(q, tmax[q] + margin);
  }
  const double n[3] = {s.TRI(kTriNx, t), s.TRI(kTriNy, t), s.TRI(kTriNz, t)};
  const double d = s.TRI(kTriD, t);
  const int a = s.ITRIAX(t) - 1, u = (a + 1) % 3, w = (a + 2) % 3;
  for (int gw = first[w]; gw <= last[w]; ++gw)
    for (int gu = first[u]; gu <= last[u]; ++gu) {
      int ga_lo = first[a], ga_hi = last[a];
      if (n[a] != 0.0) {
        // Heights of the plane over the column's corners bound the elements
        // along the axis that the triangle can reach in this column.
        double hmin = 1e300, hmax = -1e300;
        for (double cu : {low(u, gu) - margin, high(u, gu) + margin})
          for (double cw : {low(w, gw) - margin, high(w, gw) + margin}) {
            const double h = -(n[u] * cu + n[w] * cw + d) / n[a];
            hmin = std::min(hmin, h);
            hmax = std::max(hmax, h);
          }
        hmin = std::max(hmin, tmin[a]);
        hmax = std::min(hmax, tmax[a]);
        if (hmin > hmax + margin) continue;
        ga_lo = std::max(ga_lo, global(a, hmin - margin));
        ga_hi = std::min(ga_hi, global(a, hmax + margin));
      }
      for (int ga = ga_lo; ga <= ga_hi; ++ga) {
        int g[3];
        g[a] = ga;
        g[u] = gu;
        g[w] = gw;
        double c[3], h[3], inner[3];
        for (int q = 0; q < 3; ++q) {
          const double l = low(q, g[q]), r = high(q, g[q]);
          c[q] = 0.5 * (l + r);
          h[q] = 0.5 * (r - l) + margin;
          inner[q] = 0.5 * (r - l) - margin;
        }
        if (!triangle_overlaps_box(v, c, h)) continue;
        // A triangle lying in the element's low face belongs to it, as every
        // position on a boundary belongs to the element above.
        const bool in_low_face =
            std::fabs(std::fabs(n[a]) - 1.0) < 1e-6 && std::fabs(v[0][a] - low(a, ga)) <= margin;
        if (in_low_face || triangle_overlaps_box(v, c, inner)) {
          mark_position(s, static_cast<float>(c[0]), static_cast<float>(c[1]),
                        static_cast<float>(c[2]), t);
        } else {
          // Touching only: the division lists it, so no molecule or level
          // passes the surface along the boundary; the element stays uncut.
          const int div[3] = {(g[0] - 1) / nel[0] + 1, (g[1] - 1) / nel[1] + 1,
                              (g[2] - 1) / nel[2] + 1};
          list_in_division(s, div[0], div[1], div[2], t);
        }
      }
    }
}

}  // namespace

// Registers triangle t in every division and element it touches, by marking
// positions on it:
//  a. its vertices, whose elements together bound the sweep below;
//  b. for each axis the triangle is not parallel to, the points where the
//     element edges along that axis pierce it;
//  c. a fan of points from side P2-P3 to P1, less than a third of an element
//     diagonal apart;
//  d. 26 points around each vertex, 1/100 of an element diagonal away, so a
//     vertex on an element or division boundary registers on every side;
//  e. every element the triangle enters, found exactly: a corner or an edge
//     of the triangle that only clips an element can pass between the
//     samples, and a list without it would let molecules through the surface
//     and the flow through the element's faces. An element the triangle only
//     touches (along an edge, at a corner, or lying in its upper face) stays
//     uncut, but its division lists the triangle.
void mark_triangle(State& s, int t) {
  const int p[3] = {s.ITP(1, t), s.ITP(2, t), s.ITP(3, t)};
  double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
  for (int k = 0; k < 3; ++k) {
    const float x = s.XPT(p[k]), y = s.YPT(p[k]), z = s.ZPT(p[k]);
    mark_position(s, x, y, z, t);
    locate_division_element(s, x, y, z);
    const float ex =
        s.XMIN + static_cast<float>(s.IDX - 1) * s.DDX + static_cast<float>(s.IEX - 1) * s.DEX;
    const float ey =
        s.YMIN + static_cast<float>(s.IDY - 1) * s.DDY + static_cast<float>(s.IEY - 1) * s.DEY;
    const float ez =
        s.ZMIN + static_cast<float>(s.IDZ - 1) * s.DDZ + static_cast<float>(s.IEZ - 1) * s.DEZ;
    lo[0] = std::min(lo[0], double(ex));
    hi[0] = std::max(hi[0], double(ex + s.DEX));
    lo[1] = std::min(lo[1], double(ey));
    hi[1] = std::max(hi[1], double(ey + s.DEY));
    lo[2] = std::min(lo[2], double(ez));
    hi[2] = std::max(hi[2], double(ez + s.DEZ));
  }

  const double n[3] = {s.TRI(kTriNx, t), s.TRI(kTriNy, t), s.TRI(kTriNz, t)};
  const double d = s.TRI(kTriD, t);
  const double width[3] = {s.DEX, s.DEY, s.DEZ};
  for (int a = 0; a < 3; ++a) {
    if (std::fabs(n[a]) <= 1.0e-4) continue;
    const int u = (a + 1) % 3, v = (a + 2) % 3;
    const int nu = static_cast<int>((hi[u] - lo[u]) / width[u] + 1.0) + 1;
    const int nv = static_cast<int>((hi[v] - lo[v]) / width[v] + 1.0) + 1;
    for (int jv = 0; jv < nv; ++jv)
      for (int ju = 0; ju < nu; ++ju) {
        double q[3];
        q[u] = lo[u] + ju * width[u];
        q[v] = lo[v] + jv * width[v];
        q[a] = 0.0;
        if (!inside_triangle(s, t, a + 1, q[0], q[1], q[2], kMarkInsideTol)) continue;
        q[a] = -(n[u] * q[u] + n[v] * q[v] + d) / n[a];
        mark_position(s, static_cast<float>(q[0]), static_cast<float>(q[1]),
                      static_cast<float>(q[2]), t);
      }
  }

  const double ediag = s.EDIAG;
  const double p1[3] = {s.XPT(p[0]), s.YPT(p[0]), s.ZPT(p[0])};
  const double p2[3] = {s.XPT(p[1]), s.YPT(p[1]), s.ZPT(p[1])};
  const double p3[3] = {s.XPT(p[2]), s.YPT(p[2]), s.ZPT(p[2])};
  const double side = std::hypot(p3[0] - p2[0], p3[1] - p2[1], p3[2] - p2[2]);
  const int m = static_cast<int>(3.0 * side / ediag + 2.0);
  for (int i = 0; i < m; ++i) {
    double q[3];
    for (int c = 0; c < 3; ++c) q[c] = p2[c] + i * (p3[c] - p2[c]) / (m - 1);
    const double reach = std::hypot(p1[0] - q[0], p1[1] - q[1], p1[2] - q[2]);
    const int kk = static_cast<int>(3.0 * reach / ediag + 1.0);
    for (int j = 1; j <= kk; ++j) {
      const double f = (j - 0.5) / kk;
      mark_position(s, static_cast<float>(q[0] + f * (p1[0] - q[0])),
                    static_cast<float>(q[1] + f * (p1[1] - q[1])),
                    static_cast<float>(q[2] + f * (p1[2] - q[2])), t);
    }
  }

  const float step = 0.01f * s.EDIAG;
  for (int k = 0; k < 3; ++k)
    for (int dz = -1; dz <= 1; ++dz)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          if (dx == 0 && dy == 0 && dz == 0) continue;
          mark_position(s, s.XPT(p[k]) + static_cast<float>(dx) * step,
                        s.YPT(p[k]) + static_cast<float>(dy) * step,
                        s.ZPT(p[k]) + static_cast<float>(dz) * step, t);
        }

  mark_overlapped_elements(s, t);
}

}  // namespace qmxv
