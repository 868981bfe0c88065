// Element analysis: how much of an element cut by surface triangles is open to
// the flow, and which of its six faces a surface crosses.
//
// The element is sampled by 11 x 11 lines parallel to x, a tenth of the
// element width apart in y and z; the crossings of each line with the
// element's triangles give its flow length in tenths, and the trapezoidal rule
// in y and z (weights 4, 2 at the lattice edges, 1 at the corners, 400 in all)
// gives the flow volume in units of 1/4000 of the element. Lines that cross
// no triangle take their state from the lattice of nodes on the element's
// low-x face (face 1), coded from the traces of the triangles' planes on it.
#pragma once

#include <array>
#include <cmath>
#include <vector>

namespace qmxv {
struct State;

// Faces: 1 low x, 2 high x, 3 low y, 4 high y, 5 low z, 6 high z.
using FaceFlags = std::array<int, 6>;

struct ElementBox {
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0, z1 = 0, z2 = 0;  // limits [scaled m]
  double dex = 0, dey = 0, dez = 0;                       // element widths
  double ediag = 0;                                       // element diagonal
};

struct ElementCut {
  int volume = 0;  // flow volume in thousandths of the element, 0..1000
  // Per face: 0 open to the flow; 1 crossed, covered or closed; -1 covered by
  // a triangle lying in it whose flow side faces out, so the flow is beyond.
  FaceFlags face{};
  bool cut = false;  // a triangle enters the element or covers part of a low face
};

// The limits of element (iex, iey, iez) of division (idx, idy, idz). The
// first element of the first division in x starts TOL/5 inside the box, so a
// surface lying in the inflow face is not taken as crossing its lines.
ElementBox element_box(const State& s, int idx, int idy, int idz, int iex, int iey, int iez);

// Working storage of the analysis, reused from element to element.
class ElementAnalysis {
 public:
  // Analyses the element `box` cut by the triangles `tri[0..ntri-1]`
  // (triangle numbers; the triangle geometry TRI, ITRIAX must be set).
  ElementCut analyse(const State& s, const ElementBox& box, const int* tri, int ntri);

  // A node of the face-1 lattice: code 1 flow, -1 body, 0 not known; set 1
  // firm, -1 provisional, 0 unset.
  struct Node {
    int code = 0;
    int set = 0;
  };
  const Node& node(int i, int j) const { return node_[i + 11 * j]; }

 private:
  // The trace of a triangle's plane on face 1: y, z of its two ends, and the
  // part [t0, t1] of it that lies on the triangle itself.
  struct Trace {
    int triangle = 0;
    double ya = 0, za = 0, yb = 0, zb = 0;
    double t0 = 0, t1 = 0;
    // The part on the triangle, (y0, z0) to (y1, z1), and the plane's
    // in-face signed distance gy*y + gz*z + g0 (positive on the flow side).
    bool on_triangle = false;
    double y0 = 0, z0 = 0, y1 = 0, z1 = 0;
    double gy = 0, gz = 0, g0 = 0;
    double signed_distance(double y, double z) const { return gy * y + gz * z + g0; }
    double distance(double y, double z) const {
      const double sy = y1 - y0, sz = z1 - z0, len2 = sy * sy + sz * sz;
      double u = len2 > 0.0 ? ((y - y0) * sy + (z - z0) * sz) / len2 : 0.0;
      u = u < 0.0 ? 0.0 : (u > 1.0 ? 1.0 : u);
      const double cy = y0 + u * sy - y, cz = z0 + u * sz - z;
      return std::sqrt(cy * cy + cz * cz);
    }
  };

  void edge_crossings(const State& s, int t);
  void triangle_in_face(const State& s, int t);
  bool face1_trace(const State& s, int t, Trace& trace) const;
  void sample_trace(const State& s, const Trace& trace);
  void code_nodes_at(const State& s, int t, double y, double z);
  int side_of(const State& s, int t, double y, double z) const;
  bool cuts_element(const State& s) const;
  void flood_nodes();
  int integrate_lines(const State& s);
  void set_line_faces(int i, int j);

  double node_y(int i) const;
  double node_z(int j) const;

  const int* tri_ = nullptr;
  int ntri_ = 0;
  ElementBox box_;
  FaceFlags face_{};
  int inno_ = 0;
  std::array<bool, 6> beyond_{};
  bool all_unassigned_ = false;
  std::array<Node, 121> node_{};
  std::vector<Trace> traces_;
  struct Crossing {
    double x;
    int p;     // position in tenths, 0..10
    int sign;  // +1 the line starts in the flow, -1 in a body
  };
  std::vector<Crossing> crossings_;
  struct LineTriangle {
    int t;
    double nx, ny, nz, d;
    double ylo, yhi, zlo, zhi;
  };
  std::vector<LineTriangle> line_triangles_;
  std::vector<int> pending_lines_;
};

// Analyses the element at the current indices (IDX..IEZ) from its triangle
// list (INDSURF through KSURFEL) and writes IELVOL of its surface division,
// its face flags IFACE and whether a triangle cuts it (KCUT).
void analyse_current_element(State& s, ElementAnalysis& work);

}  // namespace qmxv
