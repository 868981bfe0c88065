#include <gtest/gtest.h>

#include "run/farray.h"

namespace {

TEST(FArray, IsOneBasedColumnMajorAndGrowsKeepingEntries) {
  qmxv::FArray2<int> ip(3, 4);
  for (int n = 1; n <= 4; ++n)
    for (int k = 1; k <= 3; ++k) ip(k, n) = 10 * n + k;
  // First index fastest in contiguous storage: a restart record is data()/size().
  EXPECT_EQ(ip.data()[0], 11);
  EXPECT_EQ(ip.data()[1], 12);
  EXPECT_EQ(ip.data()[3], 21);
  EXPECT_EQ(ip.size(), 12u);

  // Growing the molecule dimension keeps every molecule's record in place.
  ip.resize(3, 7);
  for (int n = 1; n <= 4; ++n)
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(ip(k, n), 10 * n + k);
  EXPECT_EQ(ip(2, 7), 0);

  // Changing the first extent moves entries to their new offsets.
  ip.resize(5, 2);
  EXPECT_EQ(ip(1, 2), 21);
  EXPECT_EQ(ip(3, 2), 23);
  EXPECT_EQ(ip(5, 2), 0);

  qmxv::FArray3<float> spvc(2, 3, 2);
  spvc(2, 3, 2) = 4.5f;
  spvc.resize(2, 4, 3);
  EXPECT_EQ(spvc(2, 3, 2), 4.5f);
}

}  // namespace
