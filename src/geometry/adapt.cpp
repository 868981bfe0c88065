#include "geometry/adapt.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <utility>
#include <vector>

#include "core/indexing.h"
#include "core/molecules.h"
#include "geometry/cells.h"
#include "geometry/geometry_pictures.h"
#include "geometry/index_lists.h"
#include "geometry/locate.h"
#include "output/sampling.h"
#include "run/errors.h"
#include "run/state.h"
#include "ui/toolkit.h"

namespace qmxv {
namespace {

// Marks of the elements of the division being given its nodes. A mark of 1,
// 2, ... means "in layer 1, 2, ... of the current draw list".
constexpr int kCandidate = -1;    // may carry a node, not listed yet
constexpr int kUsed = 0;          // carries a node already
constexpr int kNoNode = 1000000;  // not wholly in the flow: a node there could lie in a body

// Draws after which an element is taken whatever its density.
constexpr int kAcceptAfter = 1000;
// Layer sweeps of one division after which its placement stops.
constexpr int kMaxSweeps = 999;
// Divisions between two polls of the user-interface events.
constexpr int kPollEvery = 256;

// The new node positions XNCL, YNCL, ZNCL and the old cell at each. The
// capacity starts at 1.1 NM / target and grows by a tenth (at least one
// place) when full.
class NewNodes {
 public:
  NewNodes(State& s, int capacity) : s_(s) {
    allocate_or_report(s_, "XNCL", [&] { resize(std::max(capacity, 0)); });
  }

  void add(float x, float y, float z, int old_cell) {
    if (count_ == capacity_) {
      const int grown =
          std::max(static_cast<int>(static_cast<float>(capacity_) * 1.1f), capacity_ + 1);
      allocate_or_report(s_, "XNCLT", [&] { resize(grown); });
      s_.DIAG.write("XNCL,YNCL,ZNCL extended to", capacity_);
    }
    XNCL[count_] = x;
    YNCL[count_] = y;
    ZNCL[count_] = z;
    old_cell_[count_] = old_cell;
    ++count_;
  }

  int count() const { return count_; }
  // Node c (from 1) and the old cell at it.
  float x(int c) const { return XNCL[c - 1]; }
  float y(int c) const { return YNCL[c - 1]; }
  float z(int c) const { return ZNCL[c - 1]; }
  int old_cell(int c) const { return old_cell_[c - 1]; }

 private:
  void resize(int capacity) {
    const auto n = static_cast<std::size_t>(capacity);
    XNCL.resize(n);
    YNCL.resize(n);
    ZNCL.resize(n);
    old_cell_.resize(n);
    capacity_ = capacity;
  }

  State& s_;
  std::vector<float> XNCL, YNCL, ZNCL;  // [scaled m]
  std::vector<int> old_cell_;
  int capacity_ = 0;
  int count_ = 0;
};

// What the old cells say about one division's flow.
struct DivisionFlow {
  double expected = 0;  // simulated molecules expected in its flow volume
  float dmax = 0;       // largest density of the old cells met [kg/m^3]
  int wholly_flow = 0;  // elements wholly in the flow (those that may carry a node)
  int last = -1;        // the last of them, as a place in the division
};

// Places the nodes division by division (z outermost, x innermost), carrying
// the fractional remainder of each division's node count into the next, so
// that the rounding adds up to nothing over the region.
class NodePlacement {
 public:
  NodePlacement(State& s, NewNodes& nodes, double target)
      : s_(s), nodes_(nodes), target_(target), mark_(static_cast<std::size_t>(s.NELD)) {
    list_.reserve(static_cast<std::size_t>(s.NELD));
  }

  void place_in_division(int idx, int idy, int idz) {
    const DivisionFlow f = survey(idx, idy, idz);
    const double share = f.expected / target_ + carry_;
    int n = static_cast<int>(share);
    carry_ = share - n;
    n = std::min(n, f.wholly_flow);
    if (n == 0) {
      // A division a surface passes through keeps one node even where the
      // flow is thin: its cut elements then join a cell beside the surface
      // rather than one of a neighbouring division.
      if (s_.JDIV(1, idz, idy, idx) < 0 && f.wholly_flow > 0) add_node(idx, idy, idz, f.last);
      return;
    }
    sweeps_ = 0;
    for (int k = 0; k < n && sweeps_ <= kMaxSweeps; ++k) {
      const int count = build_draw_list();
      if (count == 0) break;
      const int e = draw(f, idx, idy, idz, count);
      mark_[static_cast<std::size_t>(e)] = kUsed;
      add_node(idx, idy, idz, e);
    }
  }

 private:
  struct Element {
    int iex, iey, iez;
  };
  int place(int iex, int iey, int iez) const {
    return (iex - 1) + s_.NELX * ((iey - 1) + s_.NELY * (iez - 1));
  }
  Element element(int e) const {
    return {e % s_.NELX + 1, (e / s_.NELX) % s_.NELY + 1, e / (s_.NELX * s_.NELY) + 1};
  }

  // Sums the molecules expected in the division's flow from the number
  // density of the old cells, n V / (SCALE^3 FNUM), keeps the largest density
  // met, and marks the elements wholly in the flow as candidates.
  DivisionFlow survey(int idx, int idy, int idz) {
    DivisionFlow f;
    const int code = s_.JDIV(1, idz, idy, idx);
    const double scale3 = static_cast<double>(s_.SCALE) * s_.SCALE * s_.SCALE;
    const double per_molecule = 1.0 / (scale3 * s_.FNUM);
    for (int iez = 1; iez <= s_.NELZ; ++iez)
      for (int iey = 1; iey <= s_.NELY; ++iey)
        for (int iex = 1; iex <= s_.NELX; ++iex) {
          const int e = place(iex, iey, iez);
          const int c = s_.IELCELL(idz, idy, idx, iez, iey, iex);
          const int flow = code < 0 ? s_.IELVOL(-code, iez, iey, iex) : 1000;
          int& mark = mark_[static_cast<std::size_t>(e)];
          if (c < 1) {
            mark = kNoNode;
            continue;
          }
          const double volume = code < 0 ? flow * 0.001 * s_.EVOL : s_.EVOL;
          f.expected += static_cast<double>(s_.VAR(2, c)) * volume * per_molecule;
          f.dmax = std::max(f.dmax, s_.VAR(3, c));
          if (flow < 1000) {
            mark = kNoNode;
            continue;
          }
          mark = kCandidate;
          ++f.wholly_flow;
          f.last = e;
        }
    return f;
  }

  // The draw list of the next node: the candidates layer by layer inward
  // from the division's faces, each layer the candidates touching (across a
  // face, an edge or a corner) an element of the layer before. Returns its
  // length.
  int build_draw_list() {
    for (int& m : mark_)
      if (m > 0 && m != kNoNode) m = kCandidate;
    list_.clear();
    ++sweeps_;
    for (int iez = 1; iez <= s_.NELZ; ++iez)
      for (int iey = 1; iey <= s_.NELY; ++iey)
        for (int iex = 1; iex <= s_.NELX; ++iex) {
          const bool boundary = iex == 1 || iex == s_.NELX || iey == 1 || iey == s_.NELY ||
                                iez == 1 || iez == s_.NELZ;
          const int e = place(iex, iey, iez);
          if (boundary && mark_[static_cast<std::size_t>(e)] == kCandidate) {
            mark_[static_cast<std::size_t>(e)] = 1;
            list_.push_back(e);
          }
        }
    std::size_t begin = 0;
    for (int layer = 2; begin < list_.size() && sweeps_ <= kMaxSweeps; ++layer) {
      const std::size_t end = list_.size();
      ++sweeps_;
      for (std::size_t k = begin; k < end; ++k) {
        const Element a = element(list_[k]);
        for (int dz = -1; dz <= 1; ++dz)
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
              const int ix = a.iex + dx, iy = a.iey + dy, iz = a.iez + dz;
              if (ix < 1 || ix > s_.NELX || iy < 1 || iy > s_.NELY || iz < 1 || iz > s_.NELZ)
                continue;
              const int e = place(ix, iy, iz);
              if (mark_[static_cast<std::size_t>(e)] != kCandidate) continue;
              mark_[static_cast<std::size_t>(e)] = layer;
              list_.push_back(e);
            }
      }
      begin = end;
    }
    return static_cast<int>(list_.size());
  }

  // An element of the list drawn uniformly and accepted with the probability
  // density / largest density of the division, so the nodes crowd where the
  // gas is dense; after kAcceptAfter draws the draw stands as it is.
  int draw(const DivisionFlow& f, int idx, int idy, int idz, int count) {
    for (int draws = 1;; ++draws) {
      const int k = std::min(static_cast<int>(static_cast<float>(count) * s_.RF() + 1.0f), count);
      const int e = list_[static_cast<std::size_t>(k - 1)];
      if (draws >= kAcceptAfter || !(f.dmax > 0.0f)) return e;
      const Element a = element(e);
      const int c = s_.IELCELL(idz, idy, idx, a.iez, a.iey, a.iex);
      if (s_.RF() < s_.VAR(3, c) / f.dmax) return e;
    }
  }

  // A node at the centre of element e of the division.
  void add_node(int idx, int idy, int idz, int e) {
    const Element a = element(e);
    const float x = s_.XMIN + static_cast<float>(idx - 1) * s_.DDX +
                    (static_cast<float>(a.iex) - 0.5f) * s_.DEX;
    const float y = s_.YMIN + static_cast<float>(idy - 1) * s_.DDY +
                    (static_cast<float>(a.iey) - 0.5f) * s_.DEY;
    const float z = s_.ZMIN + static_cast<float>(idz - 1) * s_.DDZ +
                    (static_cast<float>(a.iez) - 0.5f) * s_.DEZ;
    nodes_.add(x, y, z, s_.IELCELL(idz, idy, idx, a.iez, a.iey, a.iex));
  }

  State& s_;
  NewNodes& nodes_;
  double target_;
  double carry_ = 0;
  std::vector<int> mark_;  // per element place of the current division
  std::vector<int> list_;  // the draw list, element places in layer order
  int sweeps_ = 0;
};

void place_nodes(State& s, ui::Toolkit& ui, NewNodes& nodes, double target) {
  StepProgress progress(ui, "Adapting the Flowfield Cells - Please Wait",
                        "Setting Locations of Cell Nodes", s.NDIVT, kPollEvery);
  NodePlacement placement(s, nodes, target);
  for (int idz = 1; idz <= s.NDIVZ; ++idz)
    for (int idy = 1; idy <= s.NDIVY; ++idy)
      for (int idx = 1; idx <= s.NDIVX; ++idx) {
        if (s.JDIV(1, idz, idy, idx) != 0) placement.place_in_division(idx, idy, idz);
        progress.advance();
      }
}

// The new cells in CELL and ICELL, every element with flow to be combined
// again. Each new cell starts its collision remainder at 0 and takes its
// time step, largest sigma c_r and collision clock from the old cell at its
// node, so the collision rate carries on undisturbed.
void replace_cells(State& s, const NewNodes& nodes) {
  FArray2<float> old_cells(std::move(s.CELL));
  FArray1<double> old_ctime(std::move(s.CTIME));
  const int n = nodes.count();
  allocate_or_report(s, "NEW CELLS", [&] {
    s.CELL.allocate(static_cast<int>(kCellFields), n);
    s.ICELL.allocate(3, n);
    s.CTIME.allocate(n);
  });
  s.NCELLS = s.MNCELLS = n;
  for (int c = 1; c <= n; ++c) {
    const int old = nodes.old_cell(c);
    assert(old >= 1 && old <= old_cells.extent(2) && "a node lies in an element without a cell");
    s.CELL(kCellX, c) = nodes.x(c);
    s.CELL(kCellY, c) = nodes.y(c);
    s.CELL(kCellZ, c) = nodes.z(c);
    s.CELL(12, c) = 0.0f;
    s.CELL(13, c) = old_cells(13, old);
    s.CELL(14, c) = old_cells(14, old);
    s.CTIME(c) = old_ctime.extent(1) >= old ? old_ctime(old) : s.TIME;
  }
  for (std::size_t i = 0; i < s.IELCELL.size(); ++i)
    if (s.IELCELL[i] >= 1) s.IELCELL[i] = 0;
}

// The wholly-flow element nearest to (x, y, z) among the 27 around the
// element of that position; its cell, or 0 when none of them is wholly in
// the flow. (x, y, z) moves to the element's centre.
int nearest_flow_element(State& s, float& x, float& y, float& z) {
  locate_division_element(s, x, y, z);
  const int gx = (s.IDX - 1) * s.NELX + s.IEX, gy = (s.IDY - 1) * s.NELY + s.IEY,
            gz = (s.IDZ - 1) * s.NELZ + s.IEZ;
  float best = 0.0f, centre[3] = {0, 0, 0};
  int cell = 0;
  for (int jz = gz - 1; jz <= gz + 1; ++jz)
    for (int jy = gy - 1; jy <= gy + 1; ++jy)
      for (int jx = gx - 1; jx <= gx + 1; ++jx) {
        if (jx < 1 || jx > s.NDIVX * s.NELX || jy < 1 || jy > s.NDIVY * s.NELY || jz < 1 ||
            jz > s.NDIVZ * s.NELZ)
          continue;
        const int idx = (jx - 1) / s.NELX + 1, iex = (jx - 1) % s.NELX + 1;
        const int idy = (jy - 1) / s.NELY + 1, iey = (jy - 1) % s.NELY + 1;
        const int idz = (jz - 1) / s.NELZ + 1, iez = (jz - 1) % s.NELZ + 1;
        const int c = s.IELCELL(idz, idy, idx, iez, iey, iex);
        const int code = s.JDIV(1, idz, idy, idx);
        if (c < 1 || (code < 0 && s.IELVOL(-code, iez, iey, iex) < 1000)) continue;
        const float p[3] = {
            s.XMIN + static_cast<float>(idx - 1) * s.DDX + (static_cast<float>(iex) - 0.5f) * s.DEX,
            s.YMIN + static_cast<float>(idy - 1) * s.DDY + (static_cast<float>(iey) - 0.5f) * s.DEY,
            s.ZMIN + static_cast<float>(idz - 1) * s.DDZ +
                (static_cast<float>(iez) - 0.5f) * s.DEZ};
        const float d2 =
            (p[0] - x) * (p[0] - x) + (p[1] - y) * (p[1] - y) + (p[2] - z) * (p[2] - z);
        if (cell == 0 || d2 < best) {
          best = d2;
          cell = c;
          std::copy(p, p + 3, centre);
        }
      }
  if (cell > 0) {
    x = centre[0];
    y = centre[1];
    z = centre[2];
  }
  return cell;
}

// Every molecule to the cell of its position. One that lies in no cell (an
// element without flow, reached by round-off at a surface) moves to the
// centre of the nearest wholly-flow element, or is removed when none is
// next to it.
void assign_molecules(State& s) {
  const float unscale = 1.0f / s.SCALE;
  std::vector<int> stranded;
  int placed = 0;
  for (int n = 1; n <= s.NM; ++n) {
    float x = s.PP(1, n), y = s.PP(2, n), z = s.PP(3, n);
    const int c = locate_cell(s, x, y, z);
    if (c >= 1 && c <= s.NCELLS) {
      s.IP(2, n) = c;
      continue;
    }
    s.DIAG.write("Mol", n, "out of cell range at x,y,z", x * unscale, y * unscale, z * unscale);
    const int near = nearest_flow_element(s, x, y, z);
    if (near > 0) {
      s.PP(1, n) = x;
      s.PP(2, n) = y;
      s.PP(3, n) = z;
      s.IP(2, n) = near;
      ++placed;
    } else {
      s.IP(2, n) = 1;  // a valid cell until it is removed below
      stranded.push_back(n);
    }
  }
  if (!stranded.empty()) {
    // Removal under continuous indexing takes the molecule out of its
    // cell's list, so the list must exist first.
    rebuild_index(s);
    for (auto it = stranded.rbegin(); it != stranded.rend(); ++it) {
      int m = *it;
      remove_molecule(s, m, 1);
    }
  }
  s.DIAG.write("Molecules in no adapted cell:", placed, " moved to the nearest flow element,",
               static_cast<int>(stranded.size()), " removed");
}

// The per-cell arrays of the core and the sample for the new cell count;
// the sample restarts, and the results of the old cells are gone with them.
void resize_cell_arrays(State& s) {
  const int cells = std::max(1, s.NCELLS);
  if (s.IINDEX == 1) s.IRCELL.allocate(cells);
  s.CSAMP.allocate(s.CSAMP.extent(1), cells, s.CSAMP.extent(3));
  s.CCOLL.allocate(cells);
  s.CSEP.allocate(cells);
  s.VAR.allocate(s.VAR.extent(1), cells);
  s.VARSP.allocate(s.VARSP.extent(1), cells, s.VARSP.extent(3));
  s.ICSAMPLE.allocate(cells);
  reset_sample(s);
}

}  // namespace

void adapt_cells(State& s, ui::Toolkit& ui) {
  s.DIAG.write("CELLS BEFORE ADAPTION", s.NCELLS);
  show_cell_picture(s, ui);
  if (ui.poll() == ui::Event::Close) throw StopRequest{};

  const float target = static_cast<float>(std::max(s.TARGET_PER_CELL, 1));
  NewNodes nodes(s, static_cast<int>(1.1f * static_cast<float>(s.NM) / target));
  place_nodes(s, ui, nodes, target);
  if (nodes.count() == 0)
    throw UserError(
        "Cell adaption found no sampled molecules in the flowfield results of the restart "
        "files (a set written before the first output): continue the run (run type 1) until "
        "an output has been made, then adapt the cells",
        kExitBadRestart, "Cell Adaption");
  s.DIAG.write(nodes.count(), " adapted cells have been set");

  replace_cells(s, nodes);
  combine_and_show_cells(s, ui);

  assign_molecules(s);
  resize_cell_arrays(s);
}

}  // namespace qmxv
