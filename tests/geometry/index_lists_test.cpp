#include "geometry/index_lists.h"

#include <gtest/gtest.h>

#include <string>

#include "geometry/grid_setup.h"
#include "surface_builders.h"

namespace qmxv {
namespace {

// Box 0..4 cube, 2 divisions of 4 elements of 0.5 along each axis, lists at
// their first capacities: 6 places per division and per element, 10 rows.
State listed_grid() {
  State s;
  testing::set_box(s, {0, 0, 0}, {4, 4, 4}, {2, 2, 2}, {4, 4, 4});
  set_grid_metrics(s);
  s.JDIV.allocate(3, s.NDIVZ, s.NDIVY, s.NDIVX);
  s.MTRI = 6;
  s.MNSEG = 6;
  s.MAXSEL = 10;
  allocate_index_lists(s);
  return s;
}

int last_value_after(const State& s, const std::string& text) {
  int value = -1;
  for (const std::string& line : s.DIAG.tail())
    if (line.rfind(text, 0) == 0) value = std::stoi(line.substr(text.size()));
  return value;
}

TEST(IndexLists, MarkingAgainLeavesTheListsAsTheyWere) {
  State s = listed_grid();
  mark_position(s, 0.1f, 0.1f, 0.1f, 5);
  mark_position(s, 0.2f, 0.3f, 0.1f, 5);  // same element, same triangle
  mark_position(s, 0.2f, 0.3f, 0.1f, 7);
  mark_position(s, 0.2f, 0.3f, 0.1f, 7);
  EXPECT_EQ(s.NSEL, 1);
  EXPECT_EQ(s.NSDIV, 1);
  EXPECT_EQ(s.JDIV(1, 1, 1, 1), -1);
  EXPECT_EQ(s.KSURFEL(1, 1, 1, 1, 1, 1), 1);
  EXPECT_EQ(s.INDSURF(1, 1), 2);
  EXPECT_EQ(s.INDSURF(2, 1), 5);
  EXPECT_EQ(s.INDSURF(3, 1), 7);
  EXPECT_EQ(s.INDIV(1, 1), 2);
}

TEST(IndexLists, BoxFacesAreInsideAndBeyondIsIgnored) {
  State s = listed_grid();
  mark_position(s, 4.0f, 4.0f, 4.0f, 1);
  EXPECT_EQ(s.KSURFEL(2, 2, 2, 4, 4, 4), 1);
  EXPECT_EQ(s.JDIV(1, 2, 2, 2), -1);
  mark_position(s, 4.001f, 2.0f, 2.0f, 2);
  mark_position(s, 2.0f, -0.001f, 2.0f, 2);
  EXPECT_EQ(s.NSEL, 1);
  EXPECT_EQ(s.NSDIV, 1);
}

TEST(IndexLists, SurfaceDivisionsAreNumberedInOrderOfFirstTouch) {
  State s = listed_grid();
  mark_position(s, 3.0f, 1.0f, 1.0f, 1);  // division (2,1,1)
  mark_position(s, 1.0f, 1.0f, 3.0f, 1);  // division (1,1,2)
  mark_position(s, 3.5f, 1.0f, 1.0f, 2);  // (2,1,1) again
  EXPECT_EQ(s.JDIV(1, 1, 1, 2), -1);
  EXPECT_EQ(s.JDIV(1, 2, 1, 1), -2);
  EXPECT_EQ(s.NSEL, 3);
  pack_surface_index(s);
  ASSERT_EQ(s.ISTOT.size(), 3u);
  EXPECT_EQ(s.ISDIV(1, 1), 2);
  EXPECT_EQ(s.ISDIV(2, 1), 0);
  EXPECT_EQ(s.ISDIV(1, 2), 1);
  EXPECT_EQ(s.ISDIV(2, 2), 2);
  EXPECT_EQ(s.ISTOT(1), 1);
  EXPECT_EQ(s.ISTOT(2), 2);
  EXPECT_EQ(s.ISTOT(3), 1);
}

TEST(IndexLists, AnEleventhSurfaceElementExtendsTheRowsToThirteen) {
  State s = listed_grid();
  for (int k = 0; k < 11; ++k)
    mark_position(s, 0.25f + 0.5f * static_cast<float>(k % 4),
                  0.25f + 0.5f * static_cast<float>(k / 4), 0.25f, 9);
  EXPECT_EQ(s.NSEL, 11);
  EXPECT_EQ(s.MAXSEL, 13);
  EXPECT_EQ(last_value_after(s, "MAXSEL extended to "), 13);
  for (int k = 1; k <= 11; ++k) {
    EXPECT_EQ(s.INDSURF(1, k), 1) << "row " << k;
    EXPECT_EQ(s.INDSURF(2, k), 9) << "row " << k;
  }
}

TEST(IndexLists, ListsGrowPastTheirFirstCapacityKeepingEveryEntry) {
  State s = listed_grid();
  // 200 triangles in one element: the element places grow by a fifth each
  // time (6, 8, 10, 13, 16, ...), the division list by one place each time.
  for (int t = 1; t <= 200; ++t) mark_position(s, 1.1f, 1.1f, 1.1f, t);
  EXPECT_EQ(last_value_after(s, "MTRI extended to "), 207);
  EXPECT_TRUE(s.DIAG.contains("MTRI extended to 8"));
  EXPECT_TRUE(s.DIAG.contains("MTRI extended to 10"));
  EXPECT_TRUE(s.DIAG.contains("MTRI extended to 13"));
  EXPECT_EQ(s.MTRI, 207);
  EXPECT_TRUE(s.DIAG.contains("MNSEG extended to 7"));
  EXPECT_EQ(s.MNSEG, 200);
  EXPECT_EQ(last_value_after(s, "MNSEG extended to "), 200);
  const int k = s.KSURFEL(1, 1, 1, 3, 3, 3);
  ASSERT_EQ(s.INDSURF(1, k), 200);
  ASSERT_EQ(s.INDIV(1, 1), 200);
  for (int t = 1; t <= 200; ++t) {
    EXPECT_EQ(s.INDSURF(t + 1, k), t);
    EXPECT_EQ(s.INDIV(t + 1, 1), t);
  }
}

}  // namespace
}  // namespace qmxv
