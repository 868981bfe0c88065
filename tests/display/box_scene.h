// A closed box [-h, h]^3 for the 3-D picture tests, shared by the CPU
// rasteriser's tests and the OpenGL preview's.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "ui/toolkit.h"

namespace qmxv::test {

// Twelve triangles, one colour per face in the order -x, +x, -y, +y, -z, +z.
// The normals (P2-P1)x(P3-P1) point outward, or inward when `inward` (as the
// walls of a vacuum chamber face the gas inside).
inline std::vector<ui::Triangle3> box_triangles(float h, const std::array<ui::Rgb, 6>& colours,
                                                bool inward = false) {
  std::vector<ui::Triangle3> tris;
  for (int axis = 0; axis < 3; ++axis)
    for (int sign = -1; sign <= 1; sign += 2) {
      const int u = (axis + 1) % 3, w = (axis + 2) % 3;
      auto corner = [&](float a, float b) {
        std::array<float, 3> p{};
        p[axis] = sign * h;
        p[u] = a * h;
        p[w] = b * h * sign;  // mirrored on the negative side: e_u x e_w = e_axis
        return p;
      };
      const ui::Rgb col = colours[static_cast<std::size_t>(2 * axis + (sign + 1) / 2)];
      for (auto t : {std::array{corner(-1, -1), corner(1, -1), corner(1, 1)},
                     std::array{corner(-1, -1), corner(1, 1), corner(-1, 1)}}) {
        if (inward) std::swap(t[1], t[2]);
        tris.push_back({t, col});
      }
    }
  return tris;
}

}  // namespace qmxv::test
