#include "geometry/cells.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "data/datum_lines.h"
#include "geometry/crossing.h"
#include "geometry/geometry_pictures.h"
#include "geometry/index_lists.h"
#include "geometry/locate.h"
#include "run/errors.h"
#include "run/state.h"
#include "run/text_format.h"
#include "ui/toolkit.h"

namespace qmxv {
namespace {

struct Offset {
  int dx, dy, dz;
};

// The 26 neighbours of a division, in the order the nearest-node search
// visits them (a tie in distance goes to the node found first, so the order
// is part of the result): the ring in the own z-plane, starting at -y and
// turning through +x; then the plane below, straight down first and then the
// same ring; then the plane above likewise.
//
// A node in neighbour k is hidden by the triangles of the block of divisions
// spanned by the own division and the neighbour: every offset whose
// components are each 0 or the neighbour's (2 divisions across a face, 4
// across an edge, 8 across a corner), the own division first. A straight
// path from a point of the own division to a point of the neighbour stays in
// that block.
struct NeighbourTable {
  Offset offset[26];
  int nblock[26];
  Offset block[26][8];
};

constexpr NeighbourTable make_neighbour_table() {
  constexpr int ring[8][2] = {{-1, 0}, {-1, 1}, {0, 1},  {1, 1},
                              {1, 0},  {1, -1}, {0, -1}, {-1, -1}};  // (dy, dx)
  NeighbourTable table{};
  int k = 0;
  for (const int dz : {0, -1, 1}) {
    if (dz != 0) table.offset[k++] = {0, 0, dz};
    for (const auto& r : ring) table.offset[k++] = {r[1], r[0], dz};
  }
  for (k = 0; k < 26; ++k) {
    const Offset o = table.offset[k];
    int n = 0;
    for (int m = 0; m < 8; ++m) {
      const bool take_x = (m & 1) != 0, take_y = (m & 2) != 0, take_z = (m & 4) != 0;
      if ((take_x && o.dx == 0) || (take_y && o.dy == 0) || (take_z && o.dz == 0)) continue;
      table.block[k][n++] = {take_x ? o.dx : 0, take_y ? o.dy : 0, take_z ? o.dz : 0};
    }
    table.nblock[k] = n;
  }
  return table;
}

constexpr NeighbourTable kNeighbours = make_neighbour_table();

// The nearest-node search of one element at a time. Holds the per-triangle
// stamps that keep a triangle listed in several divisions of a block from
// being tested twice for the same candidate node.
class NodeSearch {
 public:
  explicit NodeSearch(const State& s)
      : s_(s),
        tested_(static_cast<std::size_t>(s.NTRI) + 1, 0u),
        diag2_(s.WX * s.WX + s.WY * s.WY + s.WZ * s.WZ) {
    const float lo[3] = {s.XMIN, s.YMIN, s.ZMIN}, w[3] = {s.WX, s.WY, s.WZ};
    const float ddiv[3] = {s.DDX, s.DDY, s.DDZ};
    for (int a = 0; a < 3; ++a)
      slack_[a] = 1.0e-4 * ddiv[a] + 1.0e-5 * (static_cast<double>(w[a]) + std::fabs(lo[a]));
    // The box around each solid triangle, widened by the slack; an entry
    // triangle gets an empty box, since it never hides a node.
    box_.assign(6 * (static_cast<std::size_t>(s.NTRI) + 1), 0.0);
    for (int t = 1; t <= s.NTRI; ++t) {
      double* b = &box_[6 * static_cast<std::size_t>(t)];
      for (int a = 0; a < 3; ++a) {
        b[a] = std::numeric_limits<double>::infinity();
        b[a + 3] = -std::numeric_limits<double>::infinity();
      }
      if (s.ITP(4, t) <= 0) continue;
      for (int k = 1; k <= 3; ++k) {
        const int q = s.ITP(k, t);
        const double x[3] = {s.XPT(q), s.YPT(q), s.ZPT(q)};
        for (int a = 0; a < 3; ++a) {
          b[a] = std::min(b[a], x[a] - slack_[a]);
          b[a + 3] = std::max(b[a + 3], x[a] + slack_[a]);
        }
      }
    }
  }

  // The cell of element (iex, iey, iez) of division (idx, idy, idz).
  int cell_of_element(int idx, int idy, int idz, int iex, int iey, int iez) {
    const int id[3] = {idx, idy, idz}, ie[3] = {iex, iey, iez};
    const float lo[3] = {s_.XMIN, s_.YMIN, s_.ZMIN};
    const float ddiv[3] = {s_.DDX, s_.DDY, s_.DDZ}, del[3] = {s_.DEX, s_.DEY, s_.DEZ};
    float centre[3], low[3], high[3];
    for (int a = 0; a < 3; ++a) {
      const float base = lo[a] + static_cast<float>(id[a] - 1) * ddiv[a];
      centre[a] = base + (static_cast<float>(ie[a]) - 0.5f) * del[a];
      low[a] = base + static_cast<float>(ie[a] - 1) * del[a];
      high[a] = low[a] + del[a];
    }
    // Try 1 searches from the centre; tries 2..9 from the eight corners
    // (x fastest), try 10 from the last corner again. Nodes of the own
    // division must be visible on tries 1..5, nodes of the neighbours on
    // tries 1..9; try 10 needs no visibility at all.
    for (int attempt = 1; attempt <= 10; ++attempt) {
      float p[3];
      if (attempt == 1) {
        p[0] = centre[0], p[1] = centre[1], p[2] = centre[2];
      } else {
        const int corner = attempt <= 9 ? attempt - 2 : 7;
        p[0] = (corner & 1) ? high[0] : low[0];
        p[1] = (corner & 2) ? high[1] : low[1];
        p[2] = (corner & 4) ? high[2] : low[2];
      }
      best_ = diag2_;
      node_ = 0;
      search_own_division(idx, idy, idz, p, attempt <= 5);
      search_neighbours(idx, idy, idz, p, attempt <= 9);
      if (node_ > 0) return node_;
    }
    // Try 11: no node within the own and the neighbouring divisions at all.
    return nearest_node(centre);
  }

 private:
  // The straight path from a search point to a node, and the box around it.
  struct Path {
    double start[3], d[3], lo[3], hi[3];
  };
  Path path_to(const float p[3], int c) const {
    Path path;
    const float end[3] = {s_.CELL(kCellX, c), s_.CELL(kCellY, c), s_.CELL(kCellZ, c)};
    for (int a = 0; a < 3; ++a) {
      path.start[a] = p[a];
      path.d[a] = static_cast<double>(end[a]) - path.start[a];
      path.lo[a] = std::min<double>(p[a], end[a]);
      path.hi[a] = std::max<double>(p[a], end[a]);
    }
    return path;
  }

  // Whether solid triangle t lies across the path (entry triangles never
  // block). A crossing at either end does not count, nor one in the last
  // thousandth before the node: a node is a triangle's own centroid. A
  // triangle whose widened box misses the path's box cannot be met (the
  // crossing point lies on the path and, up to the rounding the slack
  // covers, on the triangle), which spares most triangles the full test.
  bool blocks(int t, const Path& path) const {
    const double* b = &box_[6 * static_cast<std::size_t>(t)];
    if (b[0] > path.hi[0] || b[3] < path.lo[0] || b[1] > path.hi[1] || b[4] < path.lo[1] ||
        b[2] > path.hi[2] || b[5] < path.lo[2])
      return false;
    const double f = segment_crossing(s_, t, path.start[0], path.start[1], path.start[2], path.d[0],
                                      path.d[1], path.d[2]);
    return f > 0.0 && f < 0.999;
  }

  float distance2(const float p[3], int c) const {
    const float dx = s_.CELL(kCellX, c) - p[0];
    const float dy = s_.CELL(kCellY, c) - p[1];
    const float dz = s_.CELL(kCellZ, c) - p[2];
    return dx * dx + dy * dy + dz * dz;
  }

  bool visible_in_own_division(int code, const float p[3], int c) const {
    if (code >= 0) return true;  // a division without surfaces hides nothing
    const Path path = path_to(p, c);
    const int n = -code;
    const int first = s_.ISDIV(2, n), count = s_.ISDIV(1, n);
    for (int k = first + 1; k <= first + count; ++k)
      if (blocks(s_.ISTOT(k), path)) return false;
    return true;
  }

  bool visible_across_block(int k, int idx, int idy, int idz, const float p[3], int c) {
    if (++stamp_ == 0) {  // the stamps wrapped around: start afresh
      std::fill(tested_.begin(), tested_.end(), 0u);
      stamp_ = 1;
    }
    const Path path = path_to(p, c);
    for (int b = 0; b < kNeighbours.nblock[k]; ++b) {
      const Offset& o = kNeighbours.block[k][b];
      const int jx = idx + o.dx, jy = idy + o.dy, jz = idz + o.dz;
      if (jx < 1 || jx > s_.NDIVX || jy < 1 || jy > s_.NDIVY || jz < 1 || jz > s_.NDIVZ) continue;
      const int code = s_.JDIV(1, jz, jy, jx);
      if (code >= 0) continue;
      const int first = s_.ISDIV(2, -code), count = s_.ISDIV(1, -code);
      for (int q = first + 1; q <= first + count; ++q) {
        const int t = s_.ISTOT(q);
        if (tested_[t] == stamp_) continue;
        tested_[t] = stamp_;
        if (blocks(t, path)) return false;
      }
    }
    return true;
  }

  void search_own_division(int idx, int idy, int idz, const float p[3], bool need_visible) {
    const int code = s_.JDIV(1, idz, idy, idx);
    const int first = s_.JDIV(3, idz, idy, idx), count = s_.JDIV(2, idz, idy, idx);
    for (int k = first + 1; k <= first + count; ++k) {
      const int c = s_.ICELL(3, k);
      const float d2 = distance2(p, c);
      if (!(d2 < best_)) continue;
      if (need_visible && !visible_in_own_division(code, p, c)) continue;
      best_ = d2;
      node_ = c;
    }
  }

  // A lower bound of the squared distance from p to every node listed in
  // division (jx, jy, jz): the distance to the division's box widened by a
  // slack that covers the rounding of the node positions, of their division
  // indices and of the distances, and open outward at the region's faces
  // (a node outside the region is listed in the division it is clamped to).
  // A division whose bound is not below the best distance holds no better
  // node, so skipping it leaves the result as it is.
  double bound2(const float p[3], int jx, int jy, int jz) const {
    const int j[3] = {jx, jy, jz}, n[3] = {s_.NDIVX, s_.NDIVY, s_.NDIVZ};
    const float lo[3] = {s_.XMIN, s_.YMIN, s_.ZMIN}, ddiv[3] = {s_.DDX, s_.DDY, s_.DDZ};
    double d2 = 0.0;
    for (int a = 0; a < 3; ++a) {
      const double low = static_cast<double>(lo[a]) + (j[a] - 1) * static_cast<double>(ddiv[a]);
      const double gap_below = low - slack_[a] - p[a];
      const double gap_above = p[a] - (low + ddiv[a] + slack_[a]);
      if (j[a] > 1 && gap_below > 0.0) d2 += gap_below * gap_below;
      if (j[a] < n[a] && gap_above > 0.0) d2 += gap_above * gap_above;
    }
    return d2;
  }

  void search_neighbours(int idx, int idy, int idz, const float p[3], bool need_visible) {
    for (int k = 0; k < 26; ++k) {
      const Offset& o = kNeighbours.offset[k];
      const int jx = idx + o.dx, jy = idy + o.dy, jz = idz + o.dz;
      if (jx < 1 || jx > s_.NDIVX || jy < 1 || jy > s_.NDIVY || jz < 1 || jz > s_.NDIVZ) continue;
      const int first = s_.JDIV(3, jz, jy, jx), count = s_.JDIV(2, jz, jy, jx);
      if (count == 0 || !(bound2(p, jx, jy, jz) < best_)) continue;
      for (int q = first + 1; q <= first + count; ++q) {
        const int c = s_.ICELL(3, q);
        const float d2 = distance2(p, c);
        if (!(d2 < best_)) continue;
        if (need_visible && !visible_across_block(k, idx, idy, idz, p, c)) continue;
        best_ = d2;
        node_ = c;
      }
    }
  }

  int nearest_node(const float p[3]) const {
    float best = std::numeric_limits<float>::max();
    int node = 0;
    for (int c = 1; c <= s_.NCELLS; ++c) {
      const float d2 = distance2(p, c);
      if (d2 < best) {
        best = d2;
        node = c;
      }
    }
    return node;
  }

  const State& s_;
  std::vector<std::uint32_t> tested_;
  std::uint32_t stamp_ = 0;
  float diag2_;
  double slack_[3];
  std::vector<double> box_;  // (lo x, y, z, hi x, y, z) of triangle t at 6 t
  float best_ = 0.0f;
  int node_ = 0;
};

// Writes NODES.TXT through a temporary name, so a failed run never leaves
// half a list where a good one stood.
class NodeList {
 public:
  explicit NodeList(const State& s)
      : path_(s.file("NODES.TXT")), part_(s.file("NODES.TXT.part")), out_(part_) {}
  template <typename... Items>
  void write(const Items&... items) {
    if (out_) out_ << free_line(items...) << '\n';
  }
  bool finish() {
    out_.close();
    std::error_code ec;
    if (out_.fail()) {
      std::filesystem::remove(part_, ec);
      return false;
    }
    std::filesystem::rename(part_, path_, ec);
    return !ec;
  }

 private:
  std::filesystem::path path_, part_;
  std::ofstream out_;
};

// A new node: cell c at (x, y, z), its record cleared.
void set_node(State& s, int c, float x, float y, float z) {
  for (int f = 1; f <= kCellFields; ++f) s.CELL(f, c) = 0.0f;
  s.CELL(kCellX, c) = x;
  s.CELL(kCellY, c) = y;
  s.CELL(kCellZ, c) = z;
  for (int f = 1; f <= 3; ++f) s.ICELL(f, c) = 0;
}

// Nodes at the centroids of the solid triangles, then at the centres of the
// flow divisions without surfaces (z outermost, x innermost), whose elements
// all become 0, "to be combined". Positions are listed unscaled.
void place_nodes(State& s) {
  NodeList list(s);
  const float unscale = 1.0f / s.SCALE;
  int c = 0;
  list.write("SURFACE NODES");
  for (int t = 1; t <= s.NTRI; ++t) {
    if (s.ITP(4, t) <= 0) continue;
    ++c;
    set_node(s, c, s.TRI(kTriCx, t), s.TRI(kTriCy, t), s.TRI(kTriCz, t));
    list.write("POINT, X,Y,Z", c, s.CELL(kCellX, c) * unscale, s.CELL(kCellY, c) * unscale,
               s.CELL(kCellZ, c) * unscale);
  }
  list.write("NUMBER OF SURFACE POINTS IS", c);
  list.write("INTERIOR DIVISION NODES");
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        if (s.JDIV(1, idz, idy, idx) <= 0) continue;
        ++c;
        set_node(s, c, s.XMIN + (static_cast<float>(idx) - 0.5f) * s.DDX,
                 s.YMIN + (static_cast<float>(idy) - 0.5f) * s.DDY,
                 s.ZMIN + (static_cast<float>(idz) - 0.5f) * s.DDZ);
        list.write("POINT, X,Y,Z", c, s.CELL(kCellX, c) * unscale, s.CELL(kCellY, c) * unscale,
                   s.CELL(kCellZ, c) * unscale);
        for (int iex = 1; iex <= s.NELX; ++iex)
          for (int iey = 1; iey <= s.NELY; ++iey)
            for (int iez = 1; iez <= s.NELZ; ++iez) s.IELCELL(idz, idy, idx, iez, iey, iex) = 0;
      }
  if (!list.finish()) s.DIAG.line("NODES.TXT could not be written in " + s.DIR.string());
  s.DIAG.write("TOTAL NUMBER OF CELLS IS", s.NCELLS);
}

// Nodes are the centroids of the solid triangles and the centres of the flow
// divisions without surfaces; with neither, no element with flow has a cell.
// The flow has a volume and the triangles none, so finer divisions always
// leave some division with flow clear of the (flow entry) triangles: the
// division counts are the data to change, and the message points at them.
[[noreturn]] void refuse_flow_without_nodes(const State& s) {
  const std::string counts =
      std::to_string(s.NDIVX) + ", " + std::to_string(s.NDIVY) + ", " + std::to_string(s.NDIVZ);
  throw GeometryError("QMXVD.DAT", gas_datum_line(s, Item("NDIVX"), s.NDIVX),
                      "No cell node exists for the flow: there is no solid triangle in QMXSD.DAT "
                      "and every division with flow holds a surface; divide the region more "
                      "finely than NDIVX, NDIVY, NDIVZ = " +
                          counts + " so that a division without surfaces holds a node",
                      "Cell Formation");
}

int count_flow_divisions(const State& s) {
  int n = 0;
  for (int idx = 1; idx <= s.NDIVX; ++idx)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idz = 1; idz <= s.NDIVZ; ++idz)
        if (s.JDIV(1, idz, idy, idx) > 0) ++n;
  return n;
}

int count_solid_triangles(const State& s) {
  int n = 0;
  for (int t = 1; t <= s.NTRI; ++t)
    if (s.ITP(4, t) > 0) ++n;
  return n;
}

}  // namespace

void sort_nodes_into_divisions(State& s) {
  allocate_or_report(s, "CELL DIVISIONS", [&] { s.NODEDIV.allocate(3, s.NCELLS); });
  for (int idx = 1; idx <= s.NDIVX; ++idx)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idz = 1; idz <= s.NDIVZ; ++idz) s.JDIV(2, idz, idy, idx) = 0;
  for (int c = 1; c <= s.NCELLS; ++c) {
    const int idx = lattice_index(s.NDIVX, s.CELL(kCellX, c), s.XMIN, s.WX);
    const int idy = lattice_index(s.NDIVY, s.CELL(kCellY, c), s.YMIN, s.WY);
    const int idz = lattice_index(s.NDIVZ, s.CELL(kCellZ, c), s.ZMIN, s.WZ);
    s.NODEDIV(1, c) = idx;
    s.NODEDIV(2, c) = idy;
    s.NODEDIV(3, c) = idz;
    ++s.JDIV(2, idz, idy, idx);
  }
  int before = 0;
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        s.JDIV(3, idz, idy, idx) = before;
        before += s.JDIV(2, idz, idy, idx);
        s.JDIV(2, idz, idy, idx) = 0;
      }
  for (int c = 1; c <= s.NCELLS; ++c) {
    const int idx = s.NODEDIV(1, c), idy = s.NODEDIV(2, c), idz = s.NODEDIV(3, c);
    const int place = s.JDIV(3, idz, idy, idx) + ++s.JDIV(2, idz, idy, idx);
    s.ICELL(3, place) = c;
  }
  s.NODEDIV.clear();
}

void combine_elements(State& s, ui::Toolkit& ui) {
  StepProgress progress(ui, "Setting the Flowfield Cells - Please Wait",
                        "Combining Elements to Form Cells", static_cast<long long>(s.NELT));
  for (int c = 1; c <= s.NCELLS; ++c) {
    s.CELL(kCellVolume, c) = 0.0f;
    s.CELL(kCellXLo, c) = s.XMAX;
    s.CELL(kCellXHi, c) = s.XMIN;
    s.CELL(kCellYLo, c) = s.YMAX;
    s.CELL(kCellYHi, c) = s.YMIN;
    s.CELL(kCellZLo, c) = s.ZMAX;
    s.CELL(kCellZHi, c) = s.ZMIN;
    s.CELL(kCellFill, c) = 0.0f;
  }
  // Volumes are summed in double and stored once, so the cells add up to the
  // grid's flow volume to the precision of a float however many elements a
  // cell holds.
  std::vector<double> volume(static_cast<std::size_t>(s.NCELLS) + 1, 0.0);
  const double evol = s.EVOL;
  const float half[3] = {0.5f * s.DEX, 0.5f * s.DEY, 0.5f * s.DEZ};
  NodeSearch search(s);

  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        const int code = s.JDIV(1, idz, idy, idx);
        const float base[3] = {s.XMIN + static_cast<float>(idx - 1) * s.DDX,
                               s.YMIN + static_cast<float>(idy - 1) * s.DDY,
                               s.ZMIN + static_cast<float>(idz - 1) * s.DDZ};
        for (int iez = 1; iez <= s.NELZ; ++iez)
          for (int iey = 1; iey <= s.NELY; ++iey)
            for (int iex = 1; iex <= s.NELX; ++iex) {
              progress.advance();
              int& cell = s.IELCELL(idz, idy, idx, iez, iey, iex);
              const int flow = code < 0 ? s.IELVOL(-code, iez, iey, iex) : 1000;
              if (code < 0 && flow == 0) {
                cell = -1;
                continue;
              }
              if (cell != 0) continue;
              const int c = search.cell_of_element(idx, idy, idz, iex, iey, iez);
              if (c <= 0) refuse_flow_without_nodes(s);
              cell = c;
              volume[c] += code < 0 ? static_cast<double>(flow) * 0.001 * evol : evol;
              const float centre[3] = {base[0] + (static_cast<float>(iex) - 0.5f) * s.DEX,
                                       base[1] + (static_cast<float>(iey) - 0.5f) * s.DEY,
                                       base[2] + (static_cast<float>(iez) - 0.5f) * s.DEZ};
              for (int a = 0; a < 3; ++a) {
                float& lo = s.CELL(kCellXLo + 2 * a, c);
                float& hi = s.CELL(kCellXHi + 2 * a, c);
                if (centre[a] - half[a] < lo) lo = centre[a] - half[a];
                if (centre[a] + half[a] > hi) hi = centre[a] + half[a];
              }
            }
      }

  const double unscale3 = 1.0 / (static_cast<double>(s.SCALE) * s.SCALE * s.SCALE);
  for (int c = 1; c <= s.NCELLS; ++c) {
    s.CELL(kCellVolume, c) = static_cast<float>(volume[c]);
    if (volume[c] < 0.001 * evol)
      s.DIAG.write("Volume of cell", c, " is", static_cast<float>(volume[c] * unscale3));
    // A cell that received no element keeps its inverted box and a fill
    // ratio of 0.
    const double wx = s.CELL(kCellXHi, c) - s.CELL(kCellXLo, c);
    const double wy = s.CELL(kCellYHi, c) - s.CELL(kCellYLo, c);
    const double wz = s.CELL(kCellZHi, c) - s.CELL(kCellZLo, c);
    if (wx > 0.0 && wy > 0.0 && wz > 0.0)
      s.CELL(kCellFill, c) = static_cast<float>(volume[c] / (wx * wy * wz));
  }
}

void form_cells(State& s, ui::Toolkit& ui) {
  allocate_or_report(s, "ICHECK", [&] { s.ICHECK.allocate(8 * s.MNSEG); });
  s.NCELLS = count_solid_triangles(s) + count_flow_divisions(s);
  s.MNCELLS = s.NCELLS;
  allocate_or_report(s, "CELL", [&] {
    s.CELL.allocate(static_cast<int>(kCellFields), s.NCELLS);
    s.ICELL.allocate(3, s.NCELLS);
  });
  place_nodes(s);
  combine_and_show_cells(s, ui);
}

void combine_and_show_cells(State& s, ui::Toolkit& ui) {
  sort_nodes_into_divisions(s);
  combine_elements(s, ui);

  s.DIAG.write("CALLING GRAPHICS");
  show_cell_picture(s, ui);
  if (ui.poll() == ui::Event::Close) throw StopRequest{};
  double total = 0.0;
  for (int c = 1; c <= s.NCELLS; ++c) total += s.CELL(kCellVolume, c);
  s.DIAG.write("Total flow volume from cells",
               total / (static_cast<double>(s.SCALE) * s.SCALE * s.SCALE));
}

}  // namespace qmxv
