// The 2-D rasteriser: window mapping, which pixels each primitive covers,
// and text placement.
#include "display/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "display/font.h"

namespace qmxv::display {
namespace {

// Pixels of `colour`: their count and bounding box (left, top, right, bottom
// inclusive; left > right when there are none).
struct Ink {
  int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Ink ink(const Canvas2D& c, int colour) {
  Ink k;
  for (int r = 0; r < c.height(); ++r)
    for (int x = 0; x < c.width(); ++x)
      if (c.index_at(x, r) == colour) {
        ++k.count;
        k.left = std::min(k.left, x);
        k.right = std::max(k.right, x);
        k.top = std::min(k.top, r);
        k.bottom = std::max(k.bottom, r);
      }
  return k;
}

struct MappingCase {
  const char* name;
  double x0, y0, x1, y1;  // window
  double x, y;            // a window point
  double px, py;          // its pixel coordinates on a 200 x 100 raster
};

TEST(Canvas2D, MapsWindowEdgesOntoRasterEdges) {
  const MappingCase cases[] = {
      {"unit window", 0, 0, 1, 1, 0.25, 0.75, 50, 25},
      {"offset window", -10, 5, 10, 15, 0, 5, 100, 100},
      {"y runs downward", 0, 100, 200, 0, 20, 30, 20, 30},
      {"x runs leftward", 10, 0, 0, 1, 10, 1, 0, 0},
      {"far corner", 0, 0, 4, 2, 4, 0, 200, 100},
  };
  for (const auto& t : cases) {
    Canvas2D c(200, 100);
    c.set_window(t.x0, t.y0, t.x1, t.y1);
    EXPECT_DOUBLE_EQ(c.to_px(t.x), t.px) << t.name;
    EXPECT_DOUBLE_EQ(c.to_py(t.y), t.py) << t.name;
    EXPECT_NEAR(c.from_px(t.px), t.x, 1e-12) << t.name;
    EXPECT_NEAR(c.from_py(t.py), t.y, 1e-12) << t.name;
  }
}

TEST(Canvas2D, DegenerateWindowKeepsThePreviousMapping) {
  Canvas2D c(10, 10);
  c.set_window(0, 0, 10, 10);
  c.set_window(3, 0, 3, 10);
  EXPECT_DOUBLE_EQ(c.to_px(5), 5.0);
}

struct FillCase {
  const char* name;
  double x0, y0, x1, y1;
  int left, top, right, bottom;  // covered pixels, inclusive; count 0 when empty
  int count;
};

// Window (0, 0)..(10, 8) on a 10 x 8 raster: one unit per pixel, y up, so a
// window y spans rows 8 - y; pixel centres sit at half units.
TEST(Canvas2D, FillCoversPixelsWhoseCentresLieInside) {
  const FillCase cases[] = {
      {"whole pixels", 2, 1, 5, 3, 2, 5, 4, 6, 6},
      {"corners swapped", 5, 3, 2, 1, 2, 5, 4, 6, 6},
      {"edges through centres: low side in", 2.5, 1.5, 4.5, 3.5, 2, 4, 3, 5, 4},
      {"edges past centres", 2.6, 1.6, 4.4, 3.4, 3, 5, 3, 5, 1},
      {"thin: no centre inside", 2.6, 1, 3.4, 3, 0, 0, 0, 0, 0},
      {"zero width", 3, 1, 3, 3, 0, 0, 0, 0, 0},
      {"whole window", 0, 0, 10, 8, 0, 0, 9, 7, 80},
      {"beyond the window is clipped", -50, -50, 1, 100, 0, 0, 0, 7, 8},
      {"entirely outside", 11, 1, 20, 3, 0, 0, 0, 0, 0},
  };
  for (const auto& t : cases) {
    Canvas2D c(10, 8);
    c.set_window(0, 0, 10, 8);
    c.clear(0);
    c.fill_rect(7, t.x0, t.y0, t.x1, t.y1);
    const Ink k = ink(c, 7);
    EXPECT_EQ(k.count, t.count) << t.name;
    if (t.count == 0) continue;
    EXPECT_EQ(k.left, t.left) << t.name;
    EXPECT_EQ(k.top, t.top) << t.name;
    EXPECT_EQ(k.right, t.right) << t.name;
    EXPECT_EQ(k.bottom, t.bottom) << t.name;
    EXPECT_EQ(k.count, (k.right - k.left + 1) * (k.bottom - k.top + 1)) << t.name;
  }
}

// Cells of a plane picture are rectangles sharing edges at arbitrary window
// coordinates: they must tile the raster with no pixel left or drawn twice.
TEST(Canvas2D, RectanglesSharingEdgesTileWithoutGapOrOverlap) {
  Canvas2D c(97, 61);
  c.set_window(-1.3, 2.0, 2.9, -0.7);  // y downward, odd extents
  const int nx = 7, ny = 5;
  std::vector<int> covered(97 * 61, 0);
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j) {
      c.clear(0);
      const double xa = -1.3 + 4.2 * i / nx, xb = -1.3 + 4.2 * (i + 1) / nx;
      const double ya = 2.0 - 2.7 * j / ny, yb = 2.0 - 2.7 * (j + 1) / ny;
      c.fill_rect(1, xa, ya, xb, yb);
      for (std::size_t p = 0; p < covered.size(); ++p) covered[p] += c.indices()[p];
    }
  EXPECT_TRUE(std::all_of(covered.begin(), covered.end(), [](int n) { return n == 1; }));
}

struct LineCase {
  const char* name;
  double x0, y0, x1, y1;
  int c0, r0, c1, r1;  // end pixels
  int count;           // pixels on the raster
};

TEST(Canvas2D, LineRunsBetweenTheEndPixelsOnePixelPerMajorStep) {
  // Window (0, 0)..(20, 10) on 20 x 10: pixel (c, r) holds x in [c, c+1),
  // y in (9 - r, 10 - r].
  const LineCase cases[] = {
      {"horizontal", 2.5, 4.5, 12.2, 4.5, 2, 5, 12, 5, 11},
      {"vertical", 3.5, 0.5, 3.5, 9.5, 3, 9, 3, 0, 10},
      {"diagonal", 0.5, 0.5, 9.5, 9.5, 0, 9, 9, 0, 10},
      {"shallow", 1.5, 1.5, 17.5, 6.5, 1, 8, 17, 3, 17},
      {"steep, reversed", 6.5, 9.5, 4.5, 0.5, 6, 0, 4, 9, 10},
      {"one point", 7.2, 3.3, 7.7, 3.9, 7, 6, 7, 6, 1},
      {"window corners (closed window)", 0, 0, 20, 10, 0, 9, 19, 0, 20},
      // Only the part on the raster is drawn, without stepping along the rest.
      {"from far off the raster", -1e12, 4.5, 5.5, 4.5, 0, 5, 5, 5, 6},
      {"diagonal, both ends outside", -30.5, -30.5, 40.5, 40.5, 0, 9, 9, 0, 10},
  };
  for (const auto& t : cases) {
    Canvas2D c(20, 10);
    c.set_window(0, 0, 20, 10);
    c.clear(0);
    c.line(3, t.x0, t.y0, t.x1, t.y1);
    EXPECT_EQ(c.index_at(t.c0, t.r0), 3) << t.name;
    EXPECT_EQ(c.index_at(t.c1, t.r1), 3) << t.name;
    const Ink k = ink(c, 3);
    EXPECT_EQ(k.count, t.count) << t.name;
    // Connected along the major axis: every column (or row) it spans holds
    // exactly one pixel.
    const bool shallow = k.right - k.left >= k.bottom - k.top;
    for (int m = shallow ? k.left : k.top; m <= (shallow ? k.right : k.bottom); ++m) {
      int n = 0;
      for (int o = 0; o < (shallow ? 10 : 20); ++o)
        n += (shallow ? c.index_at(m, o) : c.index_at(o, m)) == 3;
      EXPECT_EQ(n, 1) << t.name << " at " << m;
    }
  }
}

TEST(Canvas2D, PolylineJoinsConsecutivePoints) {
  Canvas2D c(20, 10);
  c.set_window(0, 0, 20, 10);
  c.clear(0);
  c.polyline(2, {1.5, 1.5, 10.5, 1.5, 10.5, 8.5});
  EXPECT_EQ(ink(c, 2).count, 10 + 8 - 1);
  EXPECT_EQ(c.index_at(1, 8), 2);
  EXPECT_EQ(c.index_at(10, 1), 2);
}

TEST(Canvas2D, TextSitsOnItsBaselineInTheAlignedCells) {
  struct TextCase {
    const char* name;
    ui::TextAlign align;
    int first_column;  // left edge of the first cell for a 3-letter string at column 40
  };
  const TextCase cases[] = {{"left", ui::TextAlign::Left, 40},
                            {"centre", ui::TextAlign::Centre, 28},
                            {"right", ui::TextAlign::Right, 16}};
  for (const auto& t : cases) {
    Canvas2D c(100, 40);
    c.set_window(0, 40, 100, 0);  // pixel units, y downward
    c.clear(0);
    c.text(9, 40.2, 20.7, "HIH", t.align);
    const Ink k = ink(c, 9);
    ASSERT_GT(k.count, 20) << t.name;
    EXPECT_GE(k.left, t.first_column) << t.name;
    EXPECT_LT(k.right, t.first_column + 3 * kFontWidth) << t.name;
    EXPECT_GT(k.right - k.left, 2 * kFontWidth) << t.name;
    // Capitals stand on the baseline (row 20) and rise 7 rows.
    EXPECT_EQ(k.bottom, 20) << t.name;
    EXPECT_EQ(k.top, 14) << t.name;
  }
}

TEST(Canvas2D, TextGlyphsDifferAndDescendersFallBelowTheBaseline) {
  auto draw = [](const std::string& s) {
    Canvas2D c(40, 30);
    c.set_window(0, 30, 40, 0);
    c.clear(0);
    c.text(1, 4, 15, s);
    return c;
  };
  EXPECT_NE(draw("O").indices(), draw("Q").indices());
  EXPECT_NE(draw("1").indices(), draw("l").indices());
  EXPECT_EQ(ink(draw(" "), 1).count, 0);
  EXPECT_GT(ink(draw("g"), 1).bottom, 15);
  EXPECT_EQ(ink(draw("a"), 1).bottom, 15);
  // Every printable character but the space leaves ink.
  for (char ch = 33; ch < 127; ++ch) EXPECT_GT(ink(draw(std::string(1, ch)), 1).count, 0) << ch;
}

}  // namespace
}  // namespace qmxv::display
