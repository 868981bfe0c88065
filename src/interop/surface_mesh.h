// Triangulated bodies from CAD meshes: the facets of one or more STL files
// turned into the surfaces of QMXSD.DAT.
//
// A CAD export is a "triangle soup": every facet carries its own copy of its
// corners, neighbours are implied only by equal coordinates, and the winding
// is often inconsistent. The program's geometry set-up needs, per surface,
// shared point numbers, every side shared by exactly two triangles (or lying
// on a face of the region) and normals (P2-P1) x (P3-P1) that point into the
// flow. build_body makes that of the soup and reports what it cannot mend.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace qmxv::interop {

using Vec3 = std::array<double, 3>;

// One facet as read, with where it came from for the messages.
struct Facet {
  std::array<Vec3, 3> corner;
  Vec3 normal{0, 0, 0};  // the file's facet normal (may be zero or wrong)
  std::string file;
  int number = 0;  // 1-based facet number in its file
};

// One surface: its own points and triangles (0-based point indices, wound so
// that the normal points into the flow).
struct Shell {
  std::vector<Vec3> points;
  std::vector<std::array<int, 3>> triangles;
  bool closed = false;
  int flipped = 0;  // triangles whose winding was reversed from the file's
};

// Something the import found in the mesh, with the coordinates to find it by.
struct MeshDefect {
  enum class Kind { Degenerate, OpenEdge, NonManifoldEdge, NonOrientable };
  Kind kind;
  std::string text;  // a full sentence naming the facet(s) and the coordinates
};

struct Body {
  std::vector<Shell> shells;
  std::vector<MeshDefect> defects;
  int merged_points = 0;  // facet corners merged into an earlier point
};

struct MeshOptions {
  // Corners closer than this are one point [input units]; 0 takes 1e-6 of the
  // diagonal of the bounding box, below any feature a DSMC grid resolves.
  double merge_tolerance = 0;
  double scale = 1;            // applied before the translation
  Vec3 translate{0, 0, 0};
  bool reverse = false;        // flow inside closed shells (a chamber wall)
};

// Merges corners, drops degenerate facets, splits the rest into edge-connected
// shells, winds each consistently and turns every closed shell outward (its
// enclosed volume positive), or inward with `reverse`. An open shell keeps the
// winding most of its facets had in the file. Never throws for a bad mesh:
// every defect is listed in the result; non-manifold edges and non-orientable
// shells make it unusable (has_fatal_defects).
Body build_body(const std::vector<Facet>& facets, const MeshOptions& options);

bool has_fatal_defects(const Body& body);

// The volume enclosed by a closed shell (positive when its normals point
// outward) and its area, by the divergence theorem over its triangles.
double enclosed_volume(const Shell& shell);
double surface_area(const Shell& shell);

}  // namespace qmxv::interop
