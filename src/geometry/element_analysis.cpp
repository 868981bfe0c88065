#include "geometry/element_analysis.h"

#include <algorithm>
#include <cmath>

#include "geometry/triangles.h"
#include "run/state.h"

namespace qmxv {
namespace {

constexpr double kTol = static_cast<double>(TOL);
// Tolerance of the point-in-triangle tests of the analysis [scaled m^2].
constexpr double kInsideTol = 1.0e-8;
// Normal components below this are taken as parallel to the axis.
constexpr double kParallel = 1.0e-6;
// Sample points along a trace in face 1.
constexpr int kTraceSamples = 50;

int nearest_tenth(double offset, double width) {
  const long k = std::lround(10.0 * offset / width);  // halves away from zero
  return static_cast<int>(std::clamp(k, 0L, 10L));
}

// Faces an element edge belongs to, and where it lies: an edge parallel to
// `axis` through the corner (low or high along the other two axes).
struct EdgeSpec {
  int axis;
  bool high_x, high_y, high_z;  // the corner, for the two axes across the edge
  int face_a, face_b;
};
constexpr EdgeSpec kEdges[12] = {
    {3, false, false, false, 1, 3}, {3, false, true, false, 1, 4},  {3, true, false, false, 2, 3},
    {3, true, true, false, 2, 4},   {2, false, false, false, 1, 5}, {2, false, false, true, 1, 6},
    {2, true, false, false, 2, 5},  {2, true, false, true, 2, 6},   {1, false, false, false, 5, 3},
    {1, false, false, true, 6, 3},  {1, false, true, false, 5, 4},  {1, false, true, true, 6, 4},
};

double component(const State& s, int t, int axis) {
  return s.TRI(axis, t);
}

}  // namespace

ElementBox element_box(const State& s, int idx, int idy, int idz, int iex, int iey, int iez) {
  ElementBox b;
  const float x0 = s.XMIN + static_cast<float>(idx - 1) * s.DDX;
  const float y0 = s.YMIN + static_cast<float>(idy - 1) * s.DDY;
  const float z0 = s.ZMIN + static_cast<float>(idz - 1) * s.DDZ;
  b.x1 = x0 + static_cast<float>(iex - 1) * s.DEX;
  b.x2 = x0 + static_cast<float>(iex) * s.DEX;
  b.y1 = y0 + static_cast<float>(iey - 1) * s.DEY;
  b.y2 = y0 + static_cast<float>(iey) * s.DEY;
  b.z1 = z0 + static_cast<float>(iez - 1) * s.DEZ;
  b.z2 = z0 + static_cast<float>(iez) * s.DEZ;
  if (idx == 1 && iex == 1) b.x1 = s.XMIN + TOL / 5.0f;
  b.dex = s.DEX;
  b.dey = s.DEY;
  b.dez = s.DEZ;
  b.ediag = s.EDIAG;
  return b;
}

// Lattice node positions in face 1, kept TOL inside the element's edges.
double ElementAnalysis::node_y(int i) const {
  double y = box_.y1 + i * (box_.dey / 10.0);
  if (i == 0) y += kTol;
  if (i == 10) y -= kTol;
  return y;
}
double ElementAnalysis::node_z(int j) const {
  double z = box_.z1 + j * (box_.dez / 10.0);
  if (j == 0) z += kTol;
  if (j == 10) z -= kTol;
  return z;
}

// Step 1: a triangle that crosses an element edge flags the two faces that
// meet there. A crossing within TOL of an end of the edge counts only when
// the edge goes on into the body, so a surface that merely touches a corner
// does not close the faces.
void ElementAnalysis::edge_crossings(const State& s, int t) {
  for (const EdgeSpec& e : kEdges) {
    const double na = component(s, t, e.axis);
    if (std::fabs(na) <= kParallel) continue;
    double foot[3] = {e.high_x ? box_.x2 : box_.x1, e.high_y ? box_.y2 : box_.y1,
                      e.high_z ? box_.z2 : box_.z1};
    if (!inside_triangle(s, t, e.axis, foot[0], foot[1], foot[2], kInsideTol)) continue;
    foot[e.axis - 1] = 0.0;
    const double rest = plane_value(s, t, foot[0], foot[1], foot[2]);
    const double c = -rest / na;
    const double lo = e.axis == 1 ? box_.x1 : (e.axis == 2 ? box_.y1 : box_.z1);
    const double hi = e.axis == 1 ? box_.x2 : (e.axis == 2 ? box_.y2 : box_.z2);
    if (!(c > lo - kTol && c < hi + kTol)) continue;
    bool counts = true;
    if (std::fabs(c - lo) < kTol)
      counts = rest + na * hi <= 0.0;
    else if (std::fabs(c - hi) < kTol)
      counts = !(rest + na * lo > 0.0);
    if (counts) face_[e.face_a - 1] = face_[e.face_b - 1] = 1;
  }
}

// Step 2: a triangle lying in a face of the element closes every face but the
// opposite one. In face 1 it also codes the lattice nodes it covers with the
// side of the element interior; in another face it tells the state of the
// whole element (INNO) for when no line decides it. When it covers the face's
// centre with its flow side facing out of the element, the face is marked as
// one with the flow beyond it.
void ElementAnalysis::triangle_in_face(const State& s, int t) {
  const double yc = 0.5 * (box_.y1 + box_.y2), zc = 0.5 * (box_.z1 + box_.z2);
  const double xc = 0.5 * (box_.x1 + box_.x2);
  for (int f = 1; f <= 6; ++f) {
    const int axis = (f + 1) / 2;
    const bool high = f % 2 == 0;
    if (std::fabs(std::fabs(component(s, t, axis)) - 1.0) >= 1.0e-5) continue;
    double centre[3] = {xc, yc, zc};
    double opposite[3] = {xc, yc, zc};
    const double lo = axis == 1 ? box_.x1 : (axis == 2 ? box_.y1 : box_.z1);
    const double hi = axis == 1 ? box_.x2 : (axis == 2 ? box_.y2 : box_.z2);
    centre[axis - 1] = high ? hi : lo;
    opposite[axis - 1] = high ? lo : hi;
    if (std::fabs(plane_value(s, t, centre[0], centre[1], centre[2])) >= kTol) continue;
    const double f_opposite = plane_value(s, t, opposite[0], opposite[1], opposite[2]);
    const int opposite_face = high ? f - 1 : f + 1;
    if (f == 1) {
      for (int g = 1; g <= 6; ++g)
        if (g != opposite_face) face_[g - 1] = 1;
      const int code = f_opposite > 0.0 ? 1 : -1;
      if (code == -1 && inside_triangle(s, t, 1, centre[0], centre[1], centre[2], kInsideTol))
        beyond_[0] = true;
      for (int j = 0; j <= 10; ++j)
        for (int i = 0; i <= 10; ++i)
          if (inside_triangle(s, t, 1, box_.x1, node_y(i), node_z(j), kInsideTol)) {
            Node& n = node_[i + 11 * j];
            n.code = code;
            n.set = 1;
          }
      continue;
    }
    if (!inside_triangle(s, t, axis, centre[0], centre[1], centre[2], kInsideTol)) continue;
    for (int g = 1; g <= 6; ++g)
      if (g != opposite_face) face_[g - 1] = 1;
    if (f_opposite > 0.0) inno_ = 1;
    if (f_opposite < 0.0) {
      inno_ = -1;
      beyond_[f - 1] = true;
    }
  }
}

// Step 3a: the trace of triangle t's plane on face 1, from its intersections
// with the face's edges (at most two distinct ones within TOL of the face).
// A trace shorter than TOL is dropped, and so is a trace that also lies in
// the plane of another triangle of the element when the two planes fold
// there (their values on a point of the face beside the trace have opposite
// signs): along such a crease neither plane alone tells the sides apart.
bool ElementAnalysis::face1_trace(const State& s, int t, Trace& tr) const {
  const double nx = s.TRI(kTriNx, t), ny = s.TRI(kTriNy, t), nz = s.TRI(kTriNz, t);
  const double d = s.TRI(kTriD, t);
  const double x1 = box_.x1;
  double cy[4], cz[4];
  int n = 0;
  auto add = [&](double y, double z) {
    for (int k = 0; k < n; ++k)
      if (std::fabs(cy[k] - y) < kTol && std::fabs(cz[k] - z) < kTol) return;
    cy[n] = y;
    cz[n] = z;
    ++n;
  };
  if (std::fabs(nz) > kParallel)
    for (double y : {box_.y1, box_.y2}) {
      const double z = -(nx * x1 + ny * y + d) / nz;
      if (z >= box_.z1 - kTol && z <= box_.z2 + kTol) add(y, z);
    }
  if (std::fabs(ny) > kParallel)
    for (double z : {box_.z1, box_.z2}) {
      const double y = -(nx * x1 + nz * z + d) / ny;
      if (y >= box_.y1 - kTol && y <= box_.y2 + kTol) add(y, z);
    }
  if (n < 2) return false;
  tr.triangle = t;
  tr.ya = cy[0];
  tr.za = cz[0];
  tr.yb = cy[1];
  tr.zb = cz[1];
  const double dy = tr.yb - tr.ya, dz = tr.zb - tr.za;
  const double length = std::hypot(dy, dz);
  if (length < kTol) return false;

  const double off = 0.1 * box_.ediag / length;
  const double py = 0.5 * (tr.ya + tr.yb) - dz * off, pz = 0.5 * (tr.za + tr.zb) + dy * off;
  for (int k = 0; k < ntri_; ++k) {
    const int u = tri_[k];
    if (u == t) continue;
    if (std::fabs(plane_value(s, u, x1, tr.ya, tr.za)) >= kTol ||
        std::fabs(plane_value(s, u, x1, tr.yb, tr.zb)) >= kTol)
      continue;
    const double ft = plane_value(s, t, x1, py, pz), fu = plane_value(s, u, x1, py, pz);
    if ((ft > 0.0 && fu < 0.0) || (ft < 0.0 && fu > 0.0)) return false;
  }

  // The part of the trace on the triangle itself: clip the line against the
  // triangle's sides in its own projection plane.
  const int axis = s.ITRIAX(t);
  double u[3], v[3], ua, va, ub, vb;
  for (int k = 0; k < 3; ++k) {
    const int p = s.ITP(k + 1, t);
    project(axis, s.XPT(p), s.YPT(p), s.ZPT(p), u[k], v[k]);
  }
  project(axis, x1, tr.ya, tr.za, ua, va);
  project(axis, x1, tr.yb, tr.zb, ub, vb);
  // Within the tolerance of the inside tests for the samples; exactly for
  // the distances to the part, so that parts meeting at a corner of the
  // trace end at the same point.
  auto clip = [&](double tol, double& lo, double& hi) {
    lo = 0.0;
    hi = 1.0;
    for (int k = 0; k < 3; ++k) {
      const int a = k, b = (k + 1) % 3, c = (k + 2) % 3;
      const double du = v[b] - v[a], dv = u[a] - u[b], cc = u[b] * v[a] - u[a] * v[b];
      const double gc = du * u[c] + dv * v[c] + cc;
      if (gc == 0.0) continue;
      const double o = gc > 0.0 ? 1.0 : -1.0;
      const double ga = o * (du * ua + dv * va + cc), gb = o * (du * ub + dv * vb + cc);
      if (ga == gb) {
        if (ga < -tol) hi = -1.0;
        continue;
      }
      const double root = (-tol - ga) / (gb - ga);
      if (gb > ga)
        lo = std::max(lo, root);
      else
        hi = std::min(hi, root);
    }
  };
  double lo, hi, exact_lo, exact_hi;
  clip(kInsideTol, lo, hi);
  clip(0.0, exact_lo, exact_hi);
  tr.t0 = lo;
  tr.t1 = hi;
  tr.on_triangle = lo <= hi;
  if (tr.on_triangle) {
    if (exact_lo > exact_hi) exact_lo = exact_hi = 0.5 * (lo + hi);
    tr.y0 = tr.ya + exact_lo * dy;
    tr.z0 = tr.za + exact_lo * dz;
    tr.y1 = tr.ya + exact_hi * dy;
    tr.z1 = tr.za + exact_hi * dz;
    const double norm = std::hypot(ny, nz);
    tr.gy = ny / norm;
    tr.gz = nz / norm;
    tr.g0 = (nx * x1 + d) / norm;
  }
  return true;
}

// Step 3b: samples along the trace that lie on the triangle code their
// nearest node firmly with its side of the surface, and the unset lattice
// neighbours on the other side provisionally with theirs. The sample
// is tested in the triangle's own projection plane: projected along x, a
// triangle parallel to x would contain every point of its trace. Besides 50
// samples spread along the trace, every point where the part of the trace on
// the triangle crosses a lattice line is a sample, so both ends of every
// lattice step the surface crosses are coded however short that part is, and
// the flood of step 6 cannot pass the trace.
void ElementAnalysis::sample_trace(const State& s, const Trace& tr) {
  const int t = tr.triangle;
  const int axis = s.ITRIAX(t);
  for (int k = 1; k <= kTraceSamples; ++k) {
    const double f = (k - 0.5) / kTraceSamples;
    const double y = tr.ya + f * (tr.yb - tr.ya), z = tr.za + f * (tr.zb - tr.za);
    if (inside_triangle(s, t, axis, box_.x1, y, z, kInsideTol)) code_nodes_at(s, t, y, z);
  }
  const double lo = std::max(tr.t0, 0.0), hi = std::min(tr.t1, 1.0);
  if (lo > hi) return;
  const double dy = tr.yb - tr.ya, dz = tr.zb - tr.za;
  for (int q = 0; q <= 10; ++q) {
    if (dy != 0.0) {
      const double f = (node_y(q) - tr.ya) / dy;
      if (f >= lo && f <= hi) code_nodes_at(s, t, node_y(q), tr.za + f * dz);
    }
    if (dz != 0.0) {
      const double f = (node_z(q) - tr.za) / dz;
      if (f >= lo && f <= hi) code_nodes_at(s, t, tr.ya + f * dy, node_z(q));
    }
  }
}

void ElementAnalysis::code_nodes_at(const State& s, int t, double y, double z) {
  const int i = nearest_tenth(y - box_.y1, box_.dey);
  const int j = nearest_tenth(z - box_.z1, box_.dez);
  Node& n = node_[i + 11 * j];
  // A node already firm keeps its code (a triangle lying in face 1 set it,
  // or an earlier sample), but its neighbours across the trace still need
  // theirs, or the flood would pass the trace there.
  if (n.set != 1) n = Node{side_of(s, t, node_y(i), node_z(j)), 1};
  const int code = n.code;
  const int di[4] = {-1, 1, 0, 0}, dj[4] = {0, 0, -1, 1};
  for (int q = 0; q < 4; ++q) {
    const int ni = i + di[q], nj = j + dj[q];
    if (ni < 0 || ni > 10 || nj < 0 || nj > 10) continue;
    Node& m = node_[ni + 11 * nj];
    if (m.set != 0) continue;
    const int other = side_of(s, t, node_y(ni), node_z(nj));
    if (other != code) m = Node{other, -1};
  }
}

// The side of the surface a point of face 1 lies on (1 flow, -1 body), from
// the trace nearest to it: near the end of one triangle's part of the trace
// the point may lie beyond the next triangle's, where the first plane's side
// is not the surface's. Where the nearest point is shared by several traces
// (a corner of the trace), their distances signed by side are summed: the
// corner's bisector decides, for convex and concave corners alike. Triangle
// t, whose sample coded the point, decides when no trace part is known.
int ElementAnalysis::side_of(const State& s, int t, double y, double z) const {
  double best = 1e300;
  for (const Trace& tr : traces_) {
    if (!tr.on_triangle) continue;
    best = std::min(best, tr.distance(y, z));
  }
  if (best == 1e300) return plane_value(s, t, box_.x1, y, z) < 0.0 ? -1 : 1;
  // Parts of traces that meet at a corner of the trace end at the same point
  // up to rounding: as near as this, they tie.
  const double same = best + 1.0e-5 * std::min(box_.dey, box_.dez);
  double sum = 0.0;
  for (const Trace& tr : traces_)
    if (tr.on_triangle && tr.distance(y, z) <= same) sum += tr.signed_distance(y, z);
  return sum < 0.0 ? -1 : 1;
}

// Step 6: unknown nodes take the code of a known lattice neighbour (previous
// row, next row, previous column, next column; the last one wins), in place,
// sweeping with y fastest until a sweep changes nothing.
void ElementAnalysis::flood_nodes() {
  bool changed = true;
  while (changed) {
    changed = false;
    for (int j = 0; j <= 10; ++j)
      for (int i = 0; i <= 10; ++i) {
        Node& n = node_[i + 11 * j];
        if (n.code != 0) continue;
        int code = 0;
        if (i > 0 && node_[i - 1 + 11 * j].code != 0) code = node_[i - 1 + 11 * j].code;
        if (i < 10 && node_[i + 1 + 11 * j].code != 0) code = node_[i + 1 + 11 * j].code;
        if (j > 0 && node_[i + 11 * (j - 1)].code != 0) code = node_[i + 11 * (j - 1)].code;
        if (j < 10 && node_[i + 11 * (j + 1)].code != 0) code = node_[i + 11 * (j + 1)].code;
        if (code != 0) {
          n.code = code;
          changed = true;
        }
      }
  }
}

// The faces of the lattice edges a line lies on: row 0 face 3, row 10 face 4,
// column 0 face 5, column 10 face 6.
void ElementAnalysis::set_line_faces(int i, int j) {
  if (i == 0) face_[2] = 1;
  if (i == 10) face_[3] = 1;
  if (j == 0) face_[4] = 1;
  if (j == 10) face_[5] = 1;
}

// Step 7 and 8: the flow length of every line, summed with the trapezoidal
// weights, in units of 1/4000 of the element. Lines are taken with y fastest.
// A face is flagged where a line meets it inside a body.
int ElementAnalysis::integrate_lines(const State& s) {
  // The triangles a line parallel to x can cross, with the y-z box (widened
  // by the inside test's tolerance) outside which they cannot.
  line_triangles_.clear();
  for (int k = 0; k < ntri_; ++k) {
    const int t = tri_[k];
    LineTriangle lt;
    lt.t = t;
    lt.nx = s.TRI(kTriNx, t);
    if (std::fabs(lt.nx) <= kParallel) continue;
    lt.ny = s.TRI(kTriNy, t);
    lt.nz = s.TRI(kTriNz, t);
    lt.d = s.TRI(kTriD, t);
    double shortest = 1e300;
    lt.ylo = lt.zlo = 1e300;
    lt.yhi = lt.zhi = -1e300;
    for (int q = 1; q <= 3; ++q) {
      const int p = s.ITP(q, t), p2 = s.ITP(q % 3 + 1, t);
      lt.ylo = std::min(lt.ylo, double(s.YPT(p)));
      lt.yhi = std::max(lt.yhi, double(s.YPT(p)));
      lt.zlo = std::min(lt.zlo, double(s.ZPT(p)));
      lt.zhi = std::max(lt.zhi, double(s.ZPT(p)));
      shortest = std::min(shortest,
                          std::hypot(double(s.YPT(p2)) - s.YPT(p), double(s.ZPT(p2)) - s.ZPT(p)));
    }
    const double widen = shortest > 0.0 ? std::max(kTol, 2.0 * kInsideTol / shortest) : 1e300;
    lt.ylo -= widen;
    lt.yhi += widen;
    lt.zlo -= widen;
    lt.zhi += widen;
    line_triangles_.push_back(lt);
  }

  int sum = 0;
  int unassigned = 0;  // weight x 10 of the lines with no crossing and no node code
  int pending = 0;     // of those met before any line with crossings
  int last_start = 0;  // start of the last line with crossings: 1 flow, -1 body
  pending_lines_.clear();
  for (int j = 0; j <= 10; ++j)
    for (int i = 0; i <= 10; ++i) {
      const int w = 4 / ((i == 0 || i == 10) ? 2 : 1) / ((j == 0 || j == 10) ? 2 : 1);
      const double y = node_y(i), z = node_z(j);
      Node& n = node_[i + 11 * j];

      crossings_.clear();
      for (const LineTriangle& lt : line_triangles_) {
        if (y < lt.ylo || y > lt.yhi || z < lt.zlo || z > lt.zhi) continue;
        const double x = -(lt.ny * y + lt.nz * z + lt.d) / lt.nx;
        if (!(x > box_.x1 + kTol && x < box_.x2 - kTol)) continue;
        if (!inside_triangle(s, lt.t, 1, x, y, z, kInsideTol)) continue;
        crossings_.push_back({x, nearest_tenth(x - box_.x1, box_.dex),
                              plane_value(s, lt.t, box_.x1, y, z) >= 0.0 ? 1 : -1});
      }
      // Crossings in order along the line; two less than two tenths apart
      // are one crossing seen twice (a shared edge or vertex: same sign) or
      // a graze in and out again (opposite signs), which is dropped.
      std::stable_sort(crossings_.begin(), crossings_.end(),
                       [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
      std::size_t kept = 0;
      for (const Crossing& c : crossings_) {
        if (kept > 0 && std::abs(c.p - crossings_[kept - 1].p) < 2) {
          if (c.sign != crossings_[kept - 1].sign) --kept;
          continue;
        }
        crossings_[kept++] = c;
      }
      const int count = static_cast<int>(std::min<std::size_t>(kept, 2));

      if (n.code == -1) {
        face_[0] = 1;
        set_line_faces(i, j);
      }
      int length = 0;
      if (count == 0) {
        if (n.code == 0) {
          unassigned += 10 * w;
          if (last_start == 1) {
            sum += 10 * w;
          } else if (last_start == -1) {
            face_[0] = face_[1] = 1;
            set_line_faces(i, j);
          } else {
            pending_lines_.push_back(i + 11 * j);
            pending += 10 * w;
          }
          continue;
        }
        if (n.code == 1) length = 10;
        if (n.code == -1) face_[1] = 1;
      } else {
        set_line_faces(i, j);
        const Crossing& first = crossings_[0];
        const bool body_start = first.sign < 0;
        if (count == 1) {
          length = body_start ? 10 - first.p : first.p;
          face_[body_start ? 0 : 1] = 1;
        } else {
          const int p1 = first.p, p2 = crossings_[1].p;
          length = body_start ? p2 - p1 : p1 + 10 - p2;
          if (body_start) face_[0] = face_[1] = 1;
        }
        n.code = body_start ? -1 : 1;
        last_start = body_start ? -1 : 1;
        if (pending > 0 && !body_start) sum += pending;
        if (pending > 0 && body_start) {
          face_[0] = face_[1] = 1;
          for (int q : pending_lines_) set_line_faces(q % 11, q / 11);
        }
        pending = 0;
        pending_lines_.clear();
      }
      sum += w * length;
    }
  all_unassigned_ = unassigned == 4000;
  return sum;
}

ElementCut ElementAnalysis::analyse(const State& s, const ElementBox& box, const int* tri,
                                    int ntri) {
  tri_ = tri;
  ntri_ = ntri;
  box_ = box;
  face_.fill(0);
  inno_ = 0;
  beyond_.fill(false);
  node_.fill(Node{});
  traces_.clear();

  for (int k = 0; k < ntri; ++k) edge_crossings(s, tri[k]);
  for (int k = 0; k < ntri; ++k) triangle_in_face(s, tri[k]);
  for (int k = 0; k < ntri; ++k) {
    Trace tr;
    if (face1_trace(s, tri[k], tr)) traces_.push_back(tr);
  }
  for (const Trace& tr : traces_) sample_trace(s, tr);
  // Step 5: a body node closes face 1 and the faces of the lattice edges it
  // lies on.
  for (int j = 0; j <= 10; ++j)
    for (int i = 0; i <= 10; ++i)
      if (node_[i + 11 * j].code == -1) {
        face_[0] = 1;
        set_line_faces(i, j);
      }
  flood_nodes();

  int sum = integrate_lines(s);
  if (all_unassigned_) {
    // No line and no node decides: the element is whole, in the flow or in
    // a body, told by a triangle lying in one of its faces or else by the
    // side of the triangles' planes its centre lies on.
    int state = inno_;
    if (state == 0 && ntri > 0) {
      const double xc = 0.5 * (box_.x1 + box_.x2), yc = 0.5 * (box_.y1 + box_.y2),
                   zc = 0.5 * (box_.z1 + box_.z2);
      state = -1;
      for (int k = 0; k < ntri; ++k)
        if (plane_value(s, tri[k], xc, yc, zc) >= 0.0) {
          state = 1;
          break;
        }
    }
    sum = state == 1 ? 4000 : 0;
    if (state == -1) face_.fill(1);
  }

  ElementCut cut;
  cut.cut = cuts_element(s);
  cut.volume = sum / 4;
  // A practically empty element blocks the spreading of the flow through it.
  if (cut.volume < 2) face_.fill(1);
  // A face covered by a triangle whose flow side faces out tells that the
  // element beyond it is in the flow.
  for (int f = 0; f < 6; ++f)
    if (beyond_[f]) face_[f] = -1;
  cut.face = face_;
  return cut;
}

// Whether a triangle of the list enters the element or covers part of its
// low face in some axis. A triangle that only touches the element along an
// edge, at a corner or in a high face (listed from a sample beside a vertex)
// does not cut it: the element is wholly in the flow or wholly in a body.
bool ElementAnalysis::cuts_element(const State& s) const {
  const double margin = kTouchMargin;
  const double c[3] = {0.5 * (box_.x1 + box_.x2), 0.5 * (box_.y1 + box_.y2),
                       0.5 * (box_.z1 + box_.z2)};
  const double half[3] = {0.5 * (box_.x2 - box_.x1), 0.5 * (box_.y2 - box_.y1),
                          0.5 * (box_.z2 - box_.z1)};
  for (int k = 0; k < ntri_; ++k) {
    const int t = tri_[k];
    double v[3][3];
    for (int q = 0; q < 3; ++q) {
      const int p = s.ITP(q + 1, t);
      v[q][0] = s.XPT(p);
      v[q][1] = s.YPT(p);
      v[q][2] = s.ZPT(p);
    }
    double h[3], centre[3];
    for (int a = 0; a < 3; ++a) {
      // Along the normal of a triangle parallel to a face, the box keeps its
      // low face and gives up its high one: a triangle lying in the low face
      // belongs to the element, one lying in the high face to the element
      // above, as every position on a boundary does.
      const bool normal_along = std::fabs(std::fabs(double(s.TRI(a + 1, t))) - 1.0) < 1.0e-6;
      h[a] = normal_along ? half[a] : half[a] - margin;
      centre[a] = normal_along ? c[a] - margin : c[a];
    }
    if (triangle_overlaps_box(v, centre, h)) return true;
  }
  return false;
}

void analyse_current_element(State& s, ElementAnalysis& work) {
  const int k = s.KSURFEL(s.IDZ, s.IDY, s.IDX, s.IEZ, s.IEY, s.IEX);
  const int n = -s.JDIV(1, s.IDZ, s.IDY, s.IDX);
  const ElementBox box = element_box(s, s.IDX, s.IDY, s.IDZ, s.IEX, s.IEY, s.IEZ);
  const ElementCut cut = work.analyse(s, box, &s.INDSURF(2, k), s.INDSURF(1, k));
  s.IELVOL(n, s.IEZ, s.IEY, s.IEX) = cut.volume;
  for (int f = 1; f <= 6; ++f) s.IFACE(f, k) = cut.face[f - 1];
  s.KCUT(k) = cut.cut ? 1 : 0;
}

}  // namespace qmxv
