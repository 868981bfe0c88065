#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "run/random.h"

namespace {

// Independent reference: each Lehmer generator by direct 64-bit modular
// multiplication (no Schrage factorisation), combined by difference.
struct Reference {
  std::int64_t s1 = 2147483562, s2 = 2147483398;
  std::int64_t next_difference() {
    s1 = (s1 * 40014) % 2147483563;
    s2 = (s2 * 40692) % 2147483399;
    std::int64_t z = s1 - s2;
    if (z < 1) z += 2147483562;
    return z;
  }
};

TEST(Random, MatchesDirectModularArithmeticOverAMillionDraws) {
  qmxv::Random rng;
  Reference ref;
  for (int i = 0; i < 1000000; ++i) {
    const std::int64_t z = ref.next_difference();
    const float expected = static_cast<float>(z) * 4.656613e-10f;
    ASSERT_EQ(rng.next(), expected) << "draw " << i;
  }
}

TEST(Random, UniformMeanAndVarianceWithinFourSigma) {
  qmxv::Random rng;
  const int n = 200000;
  double sum = 0, sum2 = 0;
  for (int i = 0; i < n; ++i) {
    const double r = rng.next();
    sum += r;
    sum2 += r * r;
  }
  const double mean = sum / n, var = sum2 / n - mean * mean;
  // sigma of the mean = sqrt(1/12/n); of the variance about sqrt(1/180/n).
  EXPECT_NEAR(mean, 0.5, 4.0 * std::sqrt(1.0 / 12.0 / n));
  EXPECT_NEAR(var, 1.0 / 12.0, 4.0 * std::sqrt(1.0 / 180.0 / n));
}

}  // namespace
