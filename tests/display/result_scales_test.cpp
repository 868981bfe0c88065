// The numbers of the result pictures: the colour tables, the colour ranges
// with their log switch and range steps, the colour bar's steps and labels,
// and the properties' units in the three unit systems.
#include "display/result_scales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/palettes.h"
#include "run/state.h"

namespace qmxv::display {
namespace {

// Neighbouring entries of a colour ramp differ by at most `step` summed over
// the channels, so the scale has no seams.
void expect_seamless(const ui::Palette& p, int first, int last, int step) {
  for (int i = first + 1; i <= last; ++i) {
    const int d = std::abs(p[i].r - p[i - 1].r) + std::abs(p[i].g - p[i - 1].g) +
                  std::abs(p[i].b - p[i - 1].b);
    EXPECT_LE(d, step) << "entry " << i;
  }
}

// The flowfield ramp runs from blue (1) through cyan, green and yellow to red
// (254) between black for no flow (0) and white (255).
TEST(FlowfieldColourTable, RampRunsFromBlueToRedWithoutSeams) {
  const ui::Palette& p = flowfield_colour_table();
  EXPECT_EQ(p[0], (ui::Rgb{0, 0, 0}));
  EXPECT_EQ(p[1], (ui::Rgb{0, 0, 255}));
  EXPECT_EQ(p[255], (ui::Rgb{255, 255, 255}));
  EXPECT_EQ(p[254].r, 255);
  EXPECT_EQ(p[254].b, 0);
  expect_seamless(p, 1, 254, 4);
}

// The surface scale from blue (1) through green to red (255); neighbours
// differ by 4 (3 + 3 where two channels meet at 252 and 255), black to blue
// is the one jump.
TEST(SurfaceColourTable, RunsFromBlueThroughGreenToRedWithoutSeams) {
  const ui::Palette& p = surface_colour_table();
  EXPECT_EQ(p[0], (ui::Rgb{0, 0, 0}));
  EXPECT_EQ(p[1], (ui::Rgb{0, 0, 255}));
  EXPECT_EQ(p[128], (ui::Rgb{0, 255, 0}));
  EXPECT_EQ(p[255], (ui::Rgb{255, 0, 0}));
  expect_seamless(p, 1, 255, 6);
}

TEST(FlowfieldColourTable, BandsHoldTheColourOfEachListedEntryUntilTheNext) {
  const ui::Palette& ramp = flowfield_colour_table();
  const ui::Palette bands = flowfield_banded_table({40, 100, 200});
  EXPECT_EQ(bands[0], ramp[0]);
  EXPECT_EQ(bands[255], ramp[255]);
  for (int i = 1; i < 40; ++i) EXPECT_EQ(bands[i], ramp[1]) << i;
  for (int i = 40; i < 100; ++i) EXPECT_EQ(bands[i], ramp[40]) << i;
  for (int i = 100; i < 200; ++i) EXPECT_EQ(bands[i], ramp[100]) << i;
  for (int i = 200; i <= 254; ++i) EXPECT_EQ(bands[i], ramp[200]) << i;
}

struct RangeCase {
  const char* what;
  Extremes e;
  int log, lo_steps, hi_steps;
  double low, high;
  bool log_after;
  int lo_steps_after;
};

TEST(FlowfieldRange, ExtremesLogSwitchAndRangeSteps) {
  const RangeCase cases[] = {
      {"number density near 1e20", {1e20, 3e20, true}, 0, 0, 0, 1e20, 3e20, false, 0},
      {"equal negative values", {-5, -5, true}, 0, 0, 0, -5.05, -4.95, false, 0},
      {"all zeros", {0, 0, true}, 0, 0, 0, -1e-6, 1e-6, false, 0},
      {"nothing counted", {0, 0, false}, 0, 0, 0, -1e-6, 1e-6, false, 0},
      {"log of 1..1000", {1, 1000, true}, 1, 0, 0, 0, 3, true, 0},
      {"log switched off by 1e-7", {1e-7, 10, true}, 1, 0, 0, 1e-7, 10, false, 0},
      {"steps widen both ends", {0, 10, true}, 0, 1, 2, 0.3, 10.6, false, 1},
      {"steps cross above zero", {0, 10, true}, 0, 20, -20, 4.925, 5.075, false, 20},
      {"steps cross below zero", {-10, 0, true}, 0, 20, -20, -5.075, -4.925, false, 20},
      {"log drops a negative low step", {1, 1000, true}, 1, -2, 1, 0, 3.09, true, 0},
  };
  for (const RangeCase& c : cases) {
    int log = c.log, lo = c.lo_steps;
    const ColourRange r = flowfield_range(c.e, log, lo, c.hi_steps);
    const double tol = 1e-9 * std::max(1.0, std::fabs(c.high));
    EXPECT_NEAR(r.low, c.low, tol) << c.what;
    EXPECT_NEAR(r.high, c.high, tol) << c.what;
    EXPECT_GT(r.span(), 0.0) << c.what;
    EXPECT_EQ(r.log, c.log_after) << c.what;
    EXPECT_EQ(log == 1, c.log_after) << c.what;
    EXPECT_EQ(lo, c.lo_steps_after) << c.what;
  }
}

TEST(SurfaceRange, NarrowRangesOpenByOnePerCentAndNothingCountedDrawsNothing) {
  const RangeCase cases[] = {
      {"equal positive values", {5, 5, true}, 0, 0, 0, 4.95, 5.05, false, 0},
      {"equal negative values", {-5, -5, true}, 0, 0, 0, -5.05, -4.95, false, 0},
      {"all zeros", {0, 0, true}, 0, 0, 0, -1e-6, 1e-6, false, 0},
      {"log switched off", {1e-7, 10, true}, 1, 0, 0, 1e-7, 10, false, 0},
      {"wide range", {1e20, 4e20, true}, 0, 0, 0, 1e20, 4e20, false, 0},
  };
  for (const RangeCase& c : cases) {
    int log = c.log, lo = c.lo_steps;
    ColourRange r;
    ASSERT_TRUE(surface_range(c.e, log, lo, c.hi_steps, r)) << c.what;
    const double tol = 1e-9 * std::max(1.0, std::fabs(c.high));
    EXPECT_NEAR(r.low, c.low, tol) << c.what;
    EXPECT_NEAR(r.high, c.high, tol) << c.what;
    EXPECT_EQ(log == 1, c.log_after) << c.what;
  }
  int log = 0, lo = 0;
  ColourRange r;
  EXPECT_FALSE(surface_range({0, 0, false}, log, lo, 0, r));
}

TEST(ColourIndex, EndsAreLimitedAndLogScalesSendSmallValuesToTheNoDataColour) {
  const ColourRange linear{100, 400, false}, logarithmic{0, 3, true};
  EXPECT_EQ(colour_index(100, linear, 254, 255), 1) << "the low end is the first colour";
  EXPECT_EQ(colour_index(50, linear, 254, 255), 1);
  EXPECT_EQ(colour_index(300, linear, 254, 255), 170);
  EXPECT_EQ(colour_index(400, linear, 254, 255), 254) << "the high end is the last colour";
  EXPECT_EQ(colour_index(400, linear, 255, 1), 255);
  EXPECT_EQ(colour_index(1e9, linear, 254, 255), 254);
  EXPECT_EQ(colour_index(100, logarithmic, 254, 255), 170) << "log10(100) = 2 of 0..3";
  EXPECT_EQ(colour_index(1e-7, logarithmic, 254, 255), 255);
  EXPECT_EQ(colour_index(-3, logarithmic, 255, 1), 1);
}

struct StepCase {
  double span;
  int exponent;
  double major, minor;
};

TEST(ScaleSteps, MantissaClassesChooseTheMajorAndMinorSteps) {
  const StepCase cases[] = {
      {1.0, 0, 0.2, 0.05},   {1.78, 0, 0.2, 0.05}, {1.8, 0, 0.4, 0.1},    {2.38, 0, 0.4, 0.1},
      {2.4, 0, 0.5, 0.1},    {4.48, 0, 0.5, 0.1},  {4.5, 0, 1.0, 0.2},    {5.98, 0, 1.0, 0.2},
      {6.0, 0, 2.0, 0.5},    {10.0, 0, 2.0, 0.5},  {0.1, 1, 0.2, 0.05},   {3e-5, 5, 0.5, 0.1},
      {5e20, -20, 1.0, 0.2}, {80, -1, 2.0, 0.5},   {0.0021, 3, 0.4, 0.1},
  };
  for (const StepCase& c : cases) {
    const ScaleSteps st = scale_steps(c.span);
    EXPECT_EQ(st.exponent, c.exponent) << c.span;
    EXPECT_DOUBLE_EQ(st.major, c.major) << c.span;
    EXPECT_DOUBLE_EQ(st.minor, c.minor) << c.span;
    EXPECT_GE(st.mantissa, 1.0) << c.span;
    EXPECT_LE(st.mantissa, 10.0) << c.span;
  }
}

TEST(ScaleLabels, MultiplesOfTheMajorStepWrittenF5Point1OrWider) {
  auto texts = [](const ColourRange& r) {
    std::vector<std::string> t;
    for (const ScaleLabel& l : scale_labels(r, scale_steps(r.span()))) t.push_back(l.text);
    return t;
  };
  // Span 10.3: mantissa 1.03 at 10^-1, so labels every 0.2 x 10.
  EXPECT_EQ(texts({0.3, 10.6, false}),
            (std::vector<std::string>{"  0.2", "  0.4", "  0.6", "  0.8", "  1.0"}));
  // 1000 .. 1010: labels of 1000 and more need F6.1.
  EXPECT_EQ(texts({1000, 1010, false}), (std::vector<std::string>{"1000.0", "1002.0", "1004.0",
                                                                  "1006.0", "1008.0", "1010.0"}));
  // Span 2: steps of 0.4 from the first multiple above -1; zero without a sign.
  EXPECT_EQ(texts({-1, 1, false}),
            (std::vector<std::string>{" -0.8", " -0.4", "  0.0", "  0.4", "  0.8"}));
  // The label's place is its value in range units.
  const auto labels = scale_labels({2e20, 3.5e20, false}, scale_steps(1.5e20));
  ASSERT_EQ(labels.size(), 8u);
  EXPECT_NEAR(labels.front().value, 2e20, 1e11);
  EXPECT_EQ(labels.front().text, "  2.0");
  EXPECT_EQ(labels.back().text, "  3.4");
  // A span of exactly ten is not above ten: its mantissa stays 10, steps of 2.
  EXPECT_EQ(scale_steps(10.0).exponent, 0);
  EXPECT_EQ(scale_steps(10.0).major, 2.0);
}

struct UnitCase {
  bool surface;
  int units, k;
  double si, shown;
  const char* unit;
};

// A stream of speed 1000 m/s, 1e20 per cu m, 1e-3 kg per cu m (q = 500 Pa)
// at 300 K and 0.4 Pa.
TEST(ShownProperties, UnitConversionsOfBothPanels) {
  State s;
  s.VSTRM = 1000;
  s.FND = 1e20f;
  s.FDEN = 1e-3f;
  s.FTMP = 300;
  s.FPR = 0.4f;
  s.MSP = 2;
  const UnitCase cases[] = {
      {false, 1, 10, 300, 300, "K"},
      {false, 2, 10, 300, 80.6, "F"},
      {false, 2, 7, 0, -459.4, "F"},
      {false, 2, 4, 100, 328.084, "ft/s"},
      {false, 2, 16, 1, 3.28084, "ft/s"},
      {false, 2, 2, 1e20, 2.8317e18, "/ cu ft"},
      {false, 2, 3, 1, 0.062428, "lbm / cu ft"},
      {false, 2, 17, 1, 0.0208854, "lbf / sq ft"},
      {false, 2, 13, 1e-5, 1e-5, "sec"},
      {false, 2, 14, 1, 3.28084, "ft"},
      {false, 3, 5, 500, 0.5, "/ Stream Speed"},
      {false, 3, 2, 2e20, 2, "/ Stream Number Density"},
      {false, 3, 3, 2e-3, 2, "/ Stream Density"},
      {false, 3, 9, 600, 2, "/ Stream Temperature"},
      {false, 3, 17, 0.2, 0.5, "/ Stream Pressure"},
      {false, 3, 13, 1e-5, 1e-5, "sec"},
      {false, 3, 14, 0.01, 0.01, "m"},
      {false, 3, 11, 5, 5, ""},
      {true, 1, 2, 1, 1, "/sq m /s"},
      {true, 2, 2, 1, 0.092903, "/sq ft /s"},
      {true, 3, 2, 1e23, 1, "/ Stream N. Dens.*Speed"},
      {true, 2, 3, 1, 0.0208854, "lbf/sq ft"},
      {true, 3, 6, 250, 0.5, "Coefficient"},
      {true, 2, 9, 1, 8.8114e-05, "Btu/sq ft/s"},
      {true, 3, 7, 5e5, 1, "Coefficient"},
      {true, 2, 10, 300, 80.6, "F"},
      {true, 3, 10, 150, 0.5, "/ Stream Temperature"},
  };
  for (const UnitCase& c : cases) {
    s.IUNITS = c.units;
    const ShownProperty p = c.surface ? surface_property(s, c.k) : flow_property(s, c.k);
    // The stream values are floats: a relative 1e-6.
    EXPECT_NEAR(p.shown(c.si), c.shown, 1e-6 * std::max(1.0, std::fabs(c.shown)))
        << (c.surface ? "surface " : "flowfield ") << c.k << " units " << c.units;
    EXPECT_EQ(p.unit, c.unit) << (c.surface ? "surface " : "flowfield ") << c.k;
  }
}

TEST(ShownProperties, GasAtRestKeepsVelocitiesInSIWhenNonDimensional) {
  State s;
  s.IUNITS = 3;
  s.FND = 1e20f;
  s.VSTRM = 0;
  const ShownProperty u = flow_property(s, 4);
  EXPECT_EQ(u.unit, "m/s");
  EXPECT_DOUBLE_EQ(u.shown(12.5), 12.5);
  EXPECT_EQ(flow_property(s, 2).unit, "/ Stream Number Density");
  s.ISCREEN = 800;
  EXPECT_EQ(flow_property(s, 2).unit, "") << "no room for the long labels";
}

}  // namespace
}  // namespace qmxv::display
