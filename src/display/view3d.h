// The transformation of the 3-D surface picture, shared by the desktop's
// OpenGL view and the CPU rasteriser so both show the same picture.
//
// Model: M = T(xt, yt, -5) . R(A, x axis) . R(B, (cos A, -sin A, 0)) . S(s),
// applied to a point p as M p (column vectors, p in model coordinates).
// Projection: perspective with a vertical field of view of 30 degrees, the
// window's aspect ratio, near plane 0.1 and far plane 100 (gluPerspective).
#pragma once

#include <array>

#include "ui/toolkit.h"

namespace qmxv::display {

using Mat4 = std::array<float, 16>;  // column-major, as OpenGL takes it

inline constexpr float kFieldOfViewDeg = 30.0f;
inline constexpr float kNear = 0.1f;
inline constexpr float kFar = 100.0f;

Mat4 model_matrix(const ui::View3& view);
Mat4 projection_matrix(float aspect);
Mat4 multiply(const Mat4& a, const Mat4& b);
// Clip coordinates of a model point: P . M . (x, y, z, 1).
std::array<float, 4> transform(const Mat4& m, const std::array<float, 3>& p);

// The start view of the surface picture, seen from (-20, -40, 5):
// A = -90 - theta, B = -phi (theta the azimuth of (-20, -40), phi the elevation), s = 0.2.
ui::View3 default_surface_view();

}  // namespace qmxv::display
