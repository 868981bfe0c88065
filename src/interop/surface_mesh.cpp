#include "interop/surface_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <numeric>
#include <queue>
#include <unordered_map>

namespace qmxv::interop {

namespace {

Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

std::string coords(const Vec3& p) {
  char b[96];
  std::snprintf(b, sizeof b, "(%.7g, %.7g, %.7g)", p[0], p[1], p[2]);
  return b;
}

std::string facet_name(const Facet& f) {
  return "facet " + std::to_string(f.number) + " of " + f.file;
}

// Corners within `tol` of an earlier point become that point. A hash of
// cubes of side `tol` finds the candidates: any point within `tol` lies in
// one of the 27 cubes around the corner's own.
class PointMerger {
 public:
  explicit PointMerger(double tol) : tol_(tol) {}

  int add(const Vec3& p, bool& merged) {
    const Key k = key_of(p);
    for (std::int64_t i = -1; i <= 1; ++i)
      for (std::int64_t j = -1; j <= 1; ++j)
        for (std::int64_t l = -1; l <= 1; ++l) {
          auto it = cubes_.find(Key{k[0] + i, k[1] + j, k[2] + l});
          if (it == cubes_.end()) continue;
          for (int q : it->second)
            if (norm(sub(points_[static_cast<std::size_t>(q)], p)) <= tol_) {
              merged = true;
              return q;
            }
        }
    merged = false;
    const int n = static_cast<int>(points_.size());
    points_.push_back(p);
    cubes_[k].push_back(n);
    return n;
  }
  const std::vector<Vec3>& points() const { return points_; }

 private:
  using Key = std::array<std::int64_t, 3>;
  struct KeyHash {
    std::size_t operator()(const Key& k) const {
      return static_cast<std::size_t>(k[0] * 73856093 ^ k[1] * 19349663 ^ k[2] * 83492791);
    }
  };
  Key key_of(const Vec3& p) const {
    return {static_cast<std::int64_t>(std::floor(p[0] / tol_)),
            static_cast<std::int64_t>(std::floor(p[1] / tol_)),
            static_cast<std::int64_t>(std::floor(p[2] / tol_))};
  }
  double tol_;
  std::vector<Vec3> points_;
  std::unordered_map<Key, std::vector<int>, KeyHash> cubes_;
};

struct EdgeUse {
  int triangle;
};

int find_root(std::vector<int>& parent, int t) {
  while (parent[static_cast<std::size_t>(t)] != t) {
    parent[static_cast<std::size_t>(t)] =
        parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(t)])];
    t = parent[static_cast<std::size_t>(t)];
  }
  return t;
}

}  // namespace

double enclosed_volume(const Shell& shell) {
  double v = 0;
  for (const auto& t : shell.triangles)
    v += dot(shell.points[static_cast<std::size_t>(t[0])],
             cross(shell.points[static_cast<std::size_t>(t[1])],
                   shell.points[static_cast<std::size_t>(t[2])]));
  return v / 6.0;
}

double surface_area(const Shell& shell) {
  double a = 0;
  for (const auto& t : shell.triangles) {
    const Vec3& p1 = shell.points[static_cast<std::size_t>(t[0])];
    a += 0.5 * norm(cross(sub(shell.points[static_cast<std::size_t>(t[1])], p1),
                          sub(shell.points[static_cast<std::size_t>(t[2])], p1)));
  }
  return a;
}

bool has_fatal_defects(const Body& body) {
  return std::any_of(body.defects.begin(), body.defects.end(), [](const MeshDefect& d) {
    return d.kind == MeshDefect::Kind::NonManifoldEdge || d.kind == MeshDefect::Kind::NonOrientable;
  });
}

Body build_body(const std::vector<Facet>& facets, const MeshOptions& options) {
  Body body;
  using Kind = MeshDefect::Kind;

  // Corners in the coordinates of QMXSD.DAT.
  std::vector<std::array<Vec3, 3>> corners(facets.size());
  Vec3 lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
  for (std::size_t f = 0; f < facets.size(); ++f)
    for (int c = 0; c < 3; ++c)
      for (int a = 0; a < 3; ++a) {
        const double x = facets[f].corner[static_cast<std::size_t>(c)][static_cast<std::size_t>(a)] *
                             options.scale +
                         options.translate[static_cast<std::size_t>(a)];
        corners[f][static_cast<std::size_t>(c)][static_cast<std::size_t>(a)] = x;
        lo[static_cast<std::size_t>(a)] = std::min(lo[static_cast<std::size_t>(a)], x);
        hi[static_cast<std::size_t>(a)] = std::max(hi[static_cast<std::size_t>(a)], x);
      }
  if (facets.empty()) return body;
  const double diagonal = norm(sub(hi, lo));
  double tol = options.merge_tolerance > 0 ? options.merge_tolerance * std::abs(options.scale)
                                           : 1e-6 * diagonal;
  if (!(tol > 0)) tol = 1e-30;

  // Merged points; degenerate and repeated facets are dropped with a report.
  PointMerger merger(tol);
  std::vector<std::array<int, 3>> tris;
  std::vector<std::size_t> source;  // facet of each kept triangle
  std::map<std::array<int, 3>, std::size_t> seen;
  for (std::size_t f = 0; f < facets.size(); ++f) {
    std::array<int, 3> t{};
    for (int c = 0; c < 3; ++c) {
      bool merged = false;
      t[static_cast<std::size_t>(c)] = merger.add(corners[f][static_cast<std::size_t>(c)], merged);
      if (merged) ++body.merged_points;
    }
    const auto& P = merger.points();
    const Vec3& p1 = P[static_cast<std::size_t>(t[0])];
    const Vec3& p2 = P[static_cast<std::size_t>(t[1])];
    const Vec3& p3 = P[static_cast<std::size_t>(t[2])];
    const std::string where = coords(p1) + ", " + coords(p2) + ", " + coords(p3);
    if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) {
      body.defects.push_back({Kind::Degenerate, "Degenerate " + facet_name(facets[f]) +
                                                    " dropped: corners within the merge tolerance "
                                                    "of each other at " + where});
      continue;
    }
    // A facet thinner than rounding: its normal is noise.
    if (norm(cross(sub(p2, p1), sub(p3, p1))) <= 1e-12 * diagonal * diagonal) {
      body.defects.push_back(
          {Kind::Degenerate, "Degenerate " + facet_name(facets[f]) +
                                 " dropped: its corners lie on one line at " + where});
      continue;
    }
    std::array<int, 3> sorted = t;
    std::sort(sorted.begin(), sorted.end());
    if (auto [it, fresh] = seen.emplace(sorted, f); !fresh) {
      body.defects.push_back({Kind::Degenerate, "Repeated " + facet_name(facets[f]) +
                                                    " dropped: it covers " +
                                                    facet_name(facets[it->second]) + " at " + where});
      continue;
    }
    tris.push_back(t);
    source.push_back(f);
  }
  const auto& P = merger.points();
  const int nt = static_cast<int>(tris.size());

  // Edges and the triangles using them.
  std::map<std::pair<int, int>, std::vector<EdgeUse>> edges;
  for (int t = 0; t < nt; ++t)
    for (int k = 0; k < 3; ++k) {
      const int a = tris[static_cast<std::size_t>(t)][static_cast<std::size_t>(k)];
      const int b = tris[static_cast<std::size_t>(t)][static_cast<std::size_t>((k + 1) % 3)];
      edges[{std::min(a, b), std::max(a, b)}].push_back({t});
    }

  // Shells: triangles joined through shared edges.
  std::vector<int> parent(static_cast<std::size_t>(nt));
  std::iota(parent.begin(), parent.end(), 0);
  std::vector<bool> open_triangle(static_cast<std::size_t>(nt), false);
  for (const auto& [e, uses] : edges) {
    const std::string ends = coords(P[static_cast<std::size_t>(e.first)]) + " to " +
                             coords(P[static_cast<std::size_t>(e.second)]);
    if (uses.size() == 1) {
      open_triangle[static_cast<std::size_t>(uses[0].triangle)] = true;
      body.defects.push_back(
          {Kind::OpenEdge, "Open edge " + ends + " of " +
                               facet_name(facets[source[static_cast<std::size_t>(uses[0].triangle)]]) +
                               ": no other facet shares it; it must lie on a face of the region"});
    } else if (uses.size() > 2) {
      std::string names;
      for (const EdgeUse& u : uses)
        names += (names.empty() ? "" : ", ") +
                 facet_name(facets[source[static_cast<std::size_t>(u.triangle)]]);
      body.defects.push_back({Kind::NonManifoldEdge, "Non-manifold edge " + ends + " is shared by " +
                                                         std::to_string(uses.size()) +
                                                         " facets: " + names});
    }
    for (std::size_t u = 1; u < uses.size(); ++u)
      parent[static_cast<std::size_t>(find_root(parent, uses[u].triangle))] =
          find_root(parent, uses[0].triangle);
  }

  // Consistent winding by a walk across the manifold edges: the two triangles
  // of an edge must run it in opposite directions.
  std::vector<int> flip(static_cast<std::size_t>(nt), -1);
  std::vector<std::vector<std::pair<int, std::pair<int, int>>>> neighbours(
      static_cast<std::size_t>(nt));
  for (const auto& [e, uses] : edges)
    if (uses.size() == 2) {
      neighbours[static_cast<std::size_t>(uses[0].triangle)].push_back({uses[1].triangle, e});
      neighbours[static_cast<std::size_t>(uses[1].triangle)].push_back({uses[0].triangle, e});
    }
  auto runs_forward = [&](int t, const std::pair<int, int>& e) {
    const auto& tri = tris[static_cast<std::size_t>(t)];
    for (int k = 0; k < 3; ++k)
      if (tri[static_cast<std::size_t>(k)] == e.first)
        return tri[static_cast<std::size_t>((k + 1) % 3)] == e.second;
    return false;
  };

  std::map<int, std::vector<int>> members;
  for (int t = 0; t < nt; ++t) members[find_root(parent, t)].push_back(t);

  for (auto& [root, list] : members) {
    bool orientable = true;
    std::queue<int> queue;
    flip[static_cast<std::size_t>(list[0])] = 0;
    queue.push(list[0]);
    while (!queue.empty()) {
      const int t = queue.front();
      queue.pop();
      for (const auto& [u, e] : neighbours[static_cast<std::size_t>(t)]) {
        const bool t_fwd = runs_forward(t, e) != (flip[static_cast<std::size_t>(t)] == 1);
        const int want = (runs_forward(u, e) == t_fwd) ? 1 : 0;
        if (flip[static_cast<std::size_t>(u)] < 0) {
          flip[static_cast<std::size_t>(u)] = want;
          queue.push(u);
        } else if (flip[static_cast<std::size_t>(u)] != want && orientable) {
          orientable = false;
          body.defects.push_back(
              {Kind::NonOrientable,
               "The shell of " + facet_name(facets[source[static_cast<std::size_t>(t)]]) +
                   " cannot be wound consistently (a one-sided surface, or facets meeting "
                   "wrongly) at the edge " + coords(P[static_cast<std::size_t>(e.first)]) +
                   " to " + coords(P[static_cast<std::size_t>(e.second)])});
        }
      }
    }

    Shell shell;
    shell.closed = std::none_of(list.begin(), list.end(), [&](int t) {
      return open_triangle[static_cast<std::size_t>(t)];
    });
    std::unordered_map<int, int> local;
    for (int t : list) {
      std::array<int, 3> tri = tris[static_cast<std::size_t>(t)];
      if (flip[static_cast<std::size_t>(t)] == 1) std::swap(tri[1], tri[2]);
      for (int& p : tri) {
        auto [it, fresh] = local.emplace(p, static_cast<int>(shell.points.size()));
        if (fresh) shell.points.push_back(P[static_cast<std::size_t>(p)]);
        p = it->second;
      }
      shell.triangles.push_back(tri);
      shell.flipped += flip[static_cast<std::size_t>(t)];
    }
    // A closed shell encloses a body, so its normals point outward, into the
    // flow; an open one ends on the region's faces and keeps the side most of
    // its facets gave. `reverse` puts the flow on the other side.
    const int n = static_cast<int>(shell.triangles.size());
    bool turn = shell.closed ? enclosed_volume(shell) < 0 : 2 * shell.flipped > n;
    if (options.reverse) turn = !turn;
    if (turn) {
      for (auto& tri : shell.triangles) std::swap(tri[1], tri[2]);
      shell.flipped = n - shell.flipped;
    }
    body.shells.push_back(std::move(shell));
  }
  return body;
}

}  // namespace qmxv::interop
