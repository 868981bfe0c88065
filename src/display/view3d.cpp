// The matrices of the 3-D surface picture and the CPU rasteriser that draws
// it the way the fixed-function OpenGL pipeline does: model transformation,
// perspective projection, clipping against the near and far planes, viewport
// mapping, flat-coloured triangles with a depth buffer and back-face culling.
#include "display/view3d.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "display/canvas.h"

namespace qmxv::display {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;

// Column-major storage: element (row, col) at col * 4 + row.
constexpr int at(int row, int col) {
  return col * 4 + row;
}

Mat4 identity() {
  Mat4 m{};
  for (int i = 0; i < 4; ++i) m[at(i, i)] = 1.0f;
  return m;
}

Mat4 translation(double x, double y, double z) {
  Mat4 m = identity();
  m[at(0, 3)] = static_cast<float>(x);
  m[at(1, 3)] = static_cast<float>(y);
  m[at(2, 3)] = static_cast<float>(z);
  return m;
}

// Rotation by `deg` degrees about the axis (x, y, z), counter-clockwise when
// the axis points at the viewer (the right-hand rule, as glRotate).
Mat4 rotation(double deg, double x, double y, double z) {
  const double len = std::sqrt(x * x + y * y + z * z);
  if (len == 0.0) return identity();
  x /= len;
  y /= len;
  z /= len;
  const double c = std::cos(deg * kDegree), s = std::sin(deg * kDegree), t = 1.0 - c;
  Mat4 m = identity();
  m[at(0, 0)] = static_cast<float>(x * x * t + c);
  m[at(0, 1)] = static_cast<float>(x * y * t - z * s);
  m[at(0, 2)] = static_cast<float>(x * z * t + y * s);
  m[at(1, 0)] = static_cast<float>(y * x * t + z * s);
  m[at(1, 1)] = static_cast<float>(y * y * t + c);
  m[at(1, 2)] = static_cast<float>(y * z * t - x * s);
  m[at(2, 0)] = static_cast<float>(x * z * t - y * s);
  m[at(2, 1)] = static_cast<float>(y * z * t + x * s);
  m[at(2, 2)] = static_cast<float>(z * z * t + c);
  return m;
}

Mat4 scaling(double s) {
  Mat4 m = identity();
  for (int i = 0; i < 3; ++i) m[at(i, i)] = static_cast<float>(s);
  return m;
}

}  // namespace

Mat4 multiply(const Mat4& a, const Mat4& b) {
  Mat4 m{};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k)
        sum += static_cast<double>(a[at(r, k)]) * static_cast<double>(b[at(k, c)]);
      m[at(r, c)] = static_cast<float>(sum);
    }
  return m;
}

std::array<float, 4> transform(const Mat4& m, const std::array<float, 3>& p) {
  std::array<float, 4> out{};
  for (int r = 0; r < 4; ++r) {
    const double v = static_cast<double>(m[at(r, 0)]) * p[0] +
                     static_cast<double>(m[at(r, 1)]) * p[1] +
                     static_cast<double>(m[at(r, 2)]) * p[2] + static_cast<double>(m[at(r, 3)]);
    out[static_cast<std::size_t>(r)] = static_cast<float>(v);
  }
  return out;
}

Mat4 model_matrix(const ui::View3& view) {
  const double a = view.a_deg * kDegree;
  Mat4 m = translation(view.xt, view.yt, -5.0);
  m = multiply(m, rotation(view.a_deg, 1.0, 0.0, 0.0));
  m = multiply(m, rotation(view.b_deg, std::cos(a), -std::sin(a), 0.0));
  return multiply(m, scaling(view.scale));
}

Mat4 projection_matrix(float aspect) {
  // gluPerspective: f = cot(fovy / 2); depth mapped so that the near plane
  // goes to -1 and the far plane to +1 in normalised device coordinates.
  const double f = 1.0 / std::tan(0.5 * kFieldOfViewDeg * kDegree);
  const double n = kNear, fa = kFar;
  Mat4 m{};
  m[at(0, 0)] = static_cast<float>(f / (aspect > 0.0f ? aspect : 1.0f));
  m[at(1, 1)] = static_cast<float>(f);
  m[at(2, 2)] = static_cast<float>((fa + n) / (n - fa));
  m[at(2, 3)] = static_cast<float>(2.0 * fa * n / (n - fa));
  m[at(3, 2)] = -1.0f;
  return m;
}

ui::View3 default_surface_view() {
  // The view point (-20, -40, 5): theta its azimuth in the x-y plane, phi its
  // elevation above that plane.
  const double vx = -20.0, vy = -40.0, vz = 5.0;
  const double theta = std::atan2(vy, vx) / kDegree;
  const double phi = std::atan2(vz, std::hypot(vx, vy)) / kDegree;
  ui::View3 v;
  v.xt = 0.0f;
  v.yt = 0.0f;
  v.a_deg = static_cast<float>(-90.0 - theta);
  v.b_deg = static_cast<float>(-phi);
  v.scale = 0.2f;
  return v;
}

// ------------------------------------------------------------ rasteriser --

namespace {

// A vertex in clip coordinates (x, y, z, w).
struct Clip {
  double x, y, z, w;
};

Clip lerp(const Clip& a, const Clip& b, double t) {
  return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z),
          a.w + t * (b.w - a.w)};
}

// Sutherland-Hodgman clipping of a convex polygon against the near plane
// (z >= -w) and the far plane (z <= w) of the view volume. The side planes
// need no clipping: pixels outside the raster are never visited, and every
// vertex left has w >= near > 0, so its projection is finite.
std::vector<Clip> clip_depth(std::vector<Clip> poly) {
  for (int plane = 0; plane < 2; ++plane) {
    auto dist = [plane](const Clip& v) { return plane == 0 ? v.z + v.w : v.w - v.z; };
    std::vector<Clip> out;
    for (std::size_t i = 0; i < poly.size(); ++i) {
      const Clip& a = poly[i];
      const Clip& b = poly[(i + 1) % poly.size()];
      const double da = dist(a), db = dist(b);
      if (da >= 0.0) out.push_back(a);
      if ((da >= 0.0) != (db >= 0.0)) out.push_back(lerp(a, b, da / (da - db)));
    }
    poly = std::move(out);
    if (poly.size() < 3) return {};
  }
  return poly;
}

// A vertex on the raster: column and row coordinates (rows down, pixel
// centres at half-integers) and the window depth in [0, 1].
struct Screen {
  double x, y, depth;
};

class Raster {
 public:
  Raster(int width, int height, ui::Rgb background)
      : w_(width),
        h_(height),
        colour_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background),
        depth_(colour_.size(), 1.0),
        tolerance_(colour_.size(), 0.0) {}

  // The viewport transformation of glViewport(0, 0, w, h) with the default
  // depth range, rows counted from the top.
  Screen to_screen(const Clip& c) const {
    const double x = c.x / c.w, y = c.y / c.w, z = c.z / c.w;
    return {(x + 1.0) * 0.5 * w_, (1.0 - y) * 0.5 * h_, (z + 1.0) * 0.5};
  }

  // Fills the pixels whose centres lie inside the triangle; a centre exactly
  // on an edge goes to the one triangle on the edge's left-top side (the
  // rule OpenGL implementations use), so two triangles sharing an edge never
  // both draw, nor both miss, a pixel. Depth is interpolated linearly in
  // screen space, which is exact for z/w; a fragment is kept when it is
  // nearer than what the pixel holds.
  //
  // Each pixel also keeps the depth tolerance its triangle grants lines:
  // twice the triangle's steepest depth change per pixel plus a constant
  // (the offset glPolygonOffset(2, 1) gives on a 24-bit depth buffer), so a
  // line drawn on a surface stays in front of it however the surface is
  // tilted. Triangles compare plain depths with each other, so where a front
  // and a back face meet at a silhouette the nearer one still wins.
  void triangle(Screen a, Screen b, Screen c, ui::Rgb colour) {
    double area = edge(a, b, c.x, c.y);
    if (area == 0.0 || !std::isfinite(area)) return;
    if (area < 0.0) {
      std::swap(b, c);
      area = -area;
    }
    const double gx =
        (-(c.y - b.y) * a.depth - (a.y - c.y) * b.depth - (b.y - a.y) * c.depth) / area;
    const double gy =
        ((c.x - b.x) * a.depth + (a.x - c.x) * b.depth + (b.x - a.x) * c.depth) / area;
    const double offset = kSlopeFactor * std::max(std::abs(gx), std::abs(gy)) + kDepthUnit;
    const int c0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int c1 = std::min(w_ - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int r0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int r1 = std::min(h_ - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    for (int r = r0; r <= r1; ++r) {
      const double py = r + 0.5;
      for (int col = c0; col <= c1; ++col) {
        const double px = col + 0.5;
        const double e0 = edge(b, c, px, py), e1 = edge(c, a, px, py), e2 = edge(a, b, px, py);
        if (!inside(e0, b, c) || !inside(e1, c, a) || !inside(e2, a, b)) continue;
        const double depth = (e0 * a.depth + e1 * b.depth + e2 * c.depth) / area;
        if (!(depth < depth_[index(col, r)])) continue;
        store(col, r, depth, offset, colour);
      }
    }
  }

  // A line stepped one pixel at a time along its longer axis (a digital
  // differential analyser), each step drawing the pixel that holds the
  // point of the line reached, at that point's depth.
  void line(Screen a, Screen b, ui::Rgb colour) {
    // Cut the segment to the raster (one pixel of margin) first, so a line
    // reaching far outside costs no more than one across the picture.
    if (!cut_to_raster(a, b)) return;
    const long long n =
        static_cast<long long>(std::ceil(std::max(std::abs(b.x - a.x), std::abs(b.y - a.y))));
    for (long long k = 0; k <= n; ++k) {
      const double t = n == 0 ? 0.0 : static_cast<double>(k) / static_cast<double>(n);
      const double col = std::floor(a.x + t * (b.x - a.x));
      const double row = std::floor(a.y + t * (b.y - a.y));
      if (col < 0 || row < 0 || col >= w_ || row >= h_) continue;
      const int c = static_cast<int>(col), r = static_cast<int>(row);
      const double depth = a.depth + t * (b.depth - a.depth);
      if (depth < depth_[index(c, r)] + tolerance_[index(c, r)]) store(c, r, depth, 0.0, colour);
    }
  }

  Image image() && {
    Image img;
    img.width = w_;
    img.height = h_;
    img.pixels = std::move(colour_);
    return img;
  }

 private:
  static constexpr double kSlopeFactor = 2.0;
  static constexpr double kDepthUnit = 1.0 / 16777216.0;

  // Liang-Barsky clipping of the segment to [-1, w + 1] x [-1, h + 1];
  // false when nothing of it is left.
  bool cut_to_raster(Screen& a, Screen& b) const {
    const double dx = b.x - a.x, dy = b.y - a.y, dd = b.depth - a.depth;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x + 1.0, w_ + 1.0 - a.x, a.y + 1.0, h_ + 1.0 - a.y};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0.0) {
        if (q[i] < 0.0) return false;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0.0)
        t0 = std::max(t0, t);
      else
        t1 = std::min(t1, t);
    }
    if (!(t0 <= t1)) return false;
    const Screen start = a;
    a = {start.x + t0 * dx, start.y + t0 * dy, start.depth + t0 * dd};
    b = {start.x + t1 * dx, start.y + t1 * dy, start.depth + t1 * dd};
    return true;
  }

  // Twice the signed area of (a, b, p) on the row-down raster; positive when
  // p lies to the right of a -> b as seen on the screen (a, b, p clockwise).
  static double edge(const Screen& a, const Screen& b, double px, double py) {
    return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
  }

  // Inside an edge, or on it when the edge is a left or top edge of the
  // triangle: its inward normal (-(b.y - a.y), b.x - a.x) points right, or
  // straight down.
  static bool inside(double e, const Screen& a, const Screen& b) {
    if (e > 0.0) return true;
    if (e < 0.0) return false;
    const double nx = -(b.y - a.y), ny = b.x - a.x;
    return nx > 0.0 || (nx == 0.0 && ny > 0.0);
  }

  std::size_t index(int col, int row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(w_) +
           static_cast<std::size_t>(col);
  }

  void store(int col, int row, double depth, double tolerance, ui::Rgb colour) {
    const std::size_t i = index(col, row);
    depth_[i] = depth;
    tolerance_[i] = tolerance;
    colour_[i] = colour;
  }

  int w_, h_;
  std::vector<ui::Rgb> colour_;
  std::vector<double> depth_;
  std::vector<double> tolerance_;  // how far behind depth_ a line still shows
};

Clip to_clip(const Mat4& m, const std::array<float, 3>& p) {
  const auto c = transform(m, p);
  return {c[0], c[1], c[2], c[3]};
}

}  // namespace

Image render3(const ui::Scene3& scene, const ui::View3& view, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  Raster raster(width, height, scene.background);
  if (width == 0 || height == 0) return std::move(raster).image();
  const Mat4 m = multiply(projection_matrix(static_cast<float>(width) / static_cast<float>(height)),
                          model_matrix(view));

  for (const ui::Triangle3& t : scene.triangles) {
    const std::vector<Clip> poly =
        clip_depth({to_clip(m, t.p[0]), to_clip(m, t.p[1]), to_clip(m, t.p[2])});
    if (poly.empty()) continue;
    std::vector<Screen> s;
    s.reserve(poly.size());
    for (const Clip& c : poly) s.push_back(raster.to_screen(c));
    // Facing from the signed area of the projected polygon, as OpenGL decides
    // it: counter-clockwise on the screen (y up) is the front. On the row-down
    // raster that is a negative shoelace sum.
    double sum = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
      const Screen& a = s[i];
      const Screen& b = s[(i + 1) % s.size()];
      sum += a.x * b.y - b.x * a.y;
    }
    if (scene.cull_back_faces && sum >= 0.0) continue;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) raster.triangle(s[0], s[i], s[i + 1], t.colour);
  }

  for (const ui::Line3& l : scene.lines) {
    Clip a = to_clip(m, l.a), b = to_clip(m, l.b);
    // Clip the segment to the near and far planes.
    bool visible = true;
    for (int plane = 0; plane < 2 && visible; ++plane) {
      const double da = plane == 0 ? a.z + a.w : a.w - a.z;
      const double db = plane == 0 ? b.z + b.w : b.w - b.z;
      if (da < 0.0 && db < 0.0)
        visible = false;
      else if (da < 0.0)
        a = lerp(a, b, da / (da - db));
      else if (db < 0.0)
        b = lerp(a, b, da / (da - db));
    }
    if (visible) raster.line(raster.to_screen(a), raster.to_screen(b), l.colour);
  }
  return std::move(raster).image();
}

}  // namespace qmxv::display
