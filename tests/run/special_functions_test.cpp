#include <gtest/gtest.h>

#include <cmath>

#include "run/constants.h"

namespace {

TEST(SpecialFunctions, GammaAndErrorFunctionWithinTheirApproximationsAccuracy) {
  // Hastings' polynomial for Gamma(1+y) has |relative error| < 5e-5; the
  // recurrence multiplies exactly, so the relative error stays below that
  // (plus single-precision rounding of the product).
  for (float x : {0.05f, 0.3f, 0.5f, 0.999f, 1.0f, 1.25f, 1.5f, 2.0f, 2.5f, 3.3f, 4.0f, 5.5f, 7.8f}) {
    const double exact = std::tgamma(static_cast<double>(x));
    EXPECT_NEAR(qmxv::GAM(x) / exact, 1.0, 6e-5) << "GAM(" << x << ")";
  }
  // Abramowitz & Stegun 7.1.26: |absolute error| < 1.5e-7, plus float rounding.
  for (float x : {-5.0f, -3.99f, -1.0f, -0.3f, 0.0f, 0.1f, 0.5f, 1.0f, 2.0f, 3.5f, 3.999f, 4.0f, 9.0f}) {
    EXPECT_NEAR(qmxv::ERF(x), std::erf(static_cast<double>(x)), 4e-7) << "ERF(" << x << ")";
  }
  // Odd, and exactly 1 from |x| = 4 on.
  EXPECT_EQ(qmxv::ERF(-0.7f), -qmxv::ERF(0.7f));
  EXPECT_EQ(qmxv::ERF(4.0f), 1.0f);
  EXPECT_EQ(qmxv::ERF(-6.0f), -1.0f);
}

}  // namespace
