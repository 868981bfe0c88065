// Meshes for the import tests: a geodesic sphere generated in code and
// writers of both STL forms, so a test states its body in a few lines.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "interop/surface_mesh.h"

namespace qmxv::test {

using interop::Vec3;
using Soup = std::vector<std::array<Vec3, 3>>;

// An icosahedron subdivided `levels` times onto the sphere of `radius` about
// `centre`, wound outward.
inline Soup sphere(Vec3 centre, double radius, int levels) {
  const double t = (1 + std::sqrt(5.0)) / 2;
  std::vector<Vec3> v = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                         {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  std::vector<std::array<int, 3>> f = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                       {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                       {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                       {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  auto unit = [](Vec3 p) {
    const double n = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    return Vec3{p[0] / n, p[1] / n, p[2] / n};
  };
  for (auto& p : v) p = unit(p);
  for (int l = 0; l < levels; ++l) {
    std::map<std::pair<int, int>, int> mid;
    auto middle = [&](int a, int b) {
      auto key = std::minmax(a, b);
      auto it = mid.find(key);
      if (it != mid.end()) return it->second;
      const Vec3& p = v[static_cast<std::size_t>(a)];
      const Vec3& q = v[static_cast<std::size_t>(b)];
      v.push_back(unit({p[0] + q[0], p[1] + q[1], p[2] + q[2]}));
      return mid[key] = static_cast<int>(v.size()) - 1;
    };
    std::vector<std::array<int, 3>> g;
    for (auto [a, b, c] : f) {
      const int ab = middle(a, b), bc = middle(b, c), ca = middle(c, a);
      g.push_back({a, ab, ca});
      g.push_back({b, bc, ab});
      g.push_back({c, ca, bc});
      g.push_back({ab, bc, ca});
    }
    f = g;
  }
  Soup soup;
  for (auto [a, b, c] : f) {
    std::array<Vec3, 3> tri;
    const int idx[3] = {a, b, c};
    for (int k = 0; k < 3; ++k)
      for (int x = 0; x < 3; ++x)
        tri[static_cast<std::size_t>(k)][static_cast<std::size_t>(x)] =
            centre[static_cast<std::size_t>(x)] +
            radius * v[static_cast<std::size_t>(idx[k])][static_cast<std::size_t>(x)];
    soup.push_back(tri);
  }
  return soup;
}

inline void write_ascii_stl(const std::filesystem::path& p, const Soup& soup) {
  std::ofstream out(p);
  out.precision(9);
  out << "solid body\n";
  for (const auto& t : soup) {
    out << "  facet normal 0 0 0\n    outer loop\n";
    for (const auto& c : t) out << "      vertex " << c[0] << " " << c[1] << " " << c[2] << "\n";
    out << "    endloop\n  endfacet\n";
  }
  out << "endsolid body\n";
}

inline void write_binary_stl(const std::filesystem::path& p, const Soup& soup) {
  std::ofstream out(p, std::ios::binary);
  std::string header(80, ' ');
  header.replace(0, 12, "solid binary");  // binary files may begin like ASCII ones
  out.write(header.data(), 80);
  auto u32 = [&](std::uint32_t u) {
    for (int k = 0; k < 4; ++k) out.put(static_cast<char>((u >> (8 * k)) & 0xff));
  };
  auto f32 = [&](double x) {
    const float f = static_cast<float>(x);
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    u32(u);
  };
  u32(static_cast<std::uint32_t>(soup.size()));
  for (const auto& t : soup) {
    for (int k = 0; k < 3; ++k) f32(0);
    for (const auto& c : t)
      for (double x : c) f32(x);
    out.put(0);
    out.put(0);
  }
}

inline std::vector<interop::Facet> facets_of(const Soup& soup) {
  std::vector<interop::Facet> f;
  for (std::size_t n = 0; n < soup.size(); ++n)
    f.push_back({soup[n], {0, 0, 0}, "mesh.stl", static_cast<int>(n) + 1});
  return f;
}

}  // namespace qmxv::test
