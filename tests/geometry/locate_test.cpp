#include "geometry/locate.h"

#include <gtest/gtest.h>

#include "geometry/grid_setup.h"
#include "surface_builders.h"

namespace qmxv {
namespace {

// Region -2..6 in x (4 divisions of 2, elements of 0.5), 0..3 in y (3
// divisions of 1, 2 elements of 0.5), 0..1 in z (1 division, 4 elements of
// 0.25): every boundary is exactly representable.
State small_grid() {
  State s;
  testing::set_box(s, {-2, 0, 0}, {6, 3, 1}, {4, 3, 1}, {4, 2, 4});
  set_grid_metrics(s);
  s.IELCELL.allocate(s.NDIVZ, s.NDIVY, s.NDIVX, s.NELZ, s.NELY, s.NELX);
  // Each element holds a code of its own: 1000 IDX + 100 IDY + 10 IEX + IEY
  // (IDZ = 1); z tells IEZ through the sign of the tenth.
  for (int idx = 1; idx <= 4; ++idx)
    for (int idy = 1; idy <= 3; ++idy)
      for (int iez = 1; iez <= 4; ++iez)
        for (int iey = 1; iey <= 2; ++iey)
          for (int iex = 1; iex <= 4; ++iex)
            s.IELCELL(1, idy, idx, iez, iey, iex) =
                10000 * iez + 1000 * idx + 100 * idy + 10 * iex + iey;
  return s;
}

struct LocateCase {
  const char* what;
  float x, y, z;
  int idx, idy, idz, iex, iey, iez;
};

void PrintTo(const LocateCase& c, std::ostream* os) {
  *os << c.what;
}

class LocateTest : public ::testing::TestWithParam<LocateCase> {};

TEST_P(LocateTest, FindsTheClampedDivisionAndElement) {
  const LocateCase& c = GetParam();
  State s = small_grid();
  const int cell = locate_cell(s, c.x, c.y, c.z);
  EXPECT_EQ(s.IDX, c.idx) << c.what;
  EXPECT_EQ(s.IDY, c.idy) << c.what;
  EXPECT_EQ(s.IDZ, c.idz) << c.what;
  EXPECT_EQ(s.IEX, c.iex) << c.what;
  EXPECT_EQ(s.IEY, c.iey) << c.what;
  EXPECT_EQ(s.IEZ, c.iez) << c.what;
  EXPECT_EQ(cell, 10000 * c.iez + 1000 * c.idx + 100 * c.idy + 10 * c.iex + c.iey) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Positions, LocateTest,
    ::testing::Values(LocateCase{"interior", 1.2f, 1.7f, 0.6f, 2, 2, 1, 3, 2, 3},
                      LocateCase{"low corner of the box", -2.0f, 0.0f, 0.0f, 1, 1, 1, 1, 1, 1},
                      LocateCase{"high faces clamp to the last division and element", 6.0f, 3.0f,
                                 1.0f, 4, 3, 1, 4, 2, 4},
                      LocateCase{"division boundary belongs to the higher division", 0.0f, 1.0f,
                                 0.25f, 2, 2, 1, 1, 1, 2},
                      LocateCase{"element boundary belongs to the higher element", 0.5f, 1.5f, 0.5f,
                                 2, 2, 1, 2, 2, 3},
                      LocateCase{"half a division below the box truncates to the first", -3.0f,
                                 -0.5f, -0.1f, 1, 1, 1, 1, 1, 1},
                      LocateCase{"one and a half divisions in", 1.0f, 1.5f, 0.0f, 2, 2, 1, 3, 2, 1},
                      LocateCase{"far outside below", -82.0f, -30.0f, -10.0f, 1, 1, 1, 1, 1, 1},
                      LocateCase{"far outside above", 1e30f, 1e30f, 1e30f, 4, 3, 1, 4, 2, 4}));

TEST(LocateInDivision, ClampsAPositionOfAnotherDivisionIntoTheCurrentOne) {
  State s = small_grid();
  locate_division_element(s, 1.2f, 1.7f, 0.6f);  // division (2, 2, 1)
  const int cell = locate_cell_in_division(s, 5.9f, -1.0f, 0.6f);
  EXPECT_EQ(s.IDX, 2);
  EXPECT_EQ(s.IDY, 2);
  EXPECT_EQ(s.IEX, 4);
  EXPECT_EQ(s.IEY, 1);
  EXPECT_EQ(s.IEZ, 3);
  EXPECT_EQ(cell, s.IELCELL(1, 2, 2, 3, 1, 4));
}

}  // namespace
}  // namespace qmxv
