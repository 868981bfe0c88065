// The two readers on good data sets: every conditional record read or
// skipped as its condition says, values where the data model puts them,
// lengths and times scaled after their echo, and the summary lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "data/read_gas.h"
#include "data/read_surface.h"
#include "data_files.h"
#include "run/state.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

using test::GasFile;
using test::tagged;

// A summary file as lines, with look-ups by the text a line starts with.
struct Summary {
  std::vector<std::string> lines;

  bool has(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  bool has_prefix(const std::string& prefix) const { return index(prefix) >= 0; }
  int index(const std::string& prefix) const {
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
  }
};

struct Outcome {
  State& s;
  const Summary& gas;
  const Summary& surf;
};

struct GoodCase {
  std::string name;
  std::function<void(GasFile&)> gas;
  std::string surface;  // QMXSD.DAT
  std::function<void(const Outcome&)> check;
  bool crlf = false;  // both files with CR-LF line ends
};

std::string no_surfaces() {
  return tagged("0", "NSURF");
}

// Two species: argon (monatomic) and nitrogen with one vibrational mode whose
// collision number follows the temperature-dependent correlation.
void argon_and_nitrogen(GasFile& g) {
  g.counts = test::counts(2, 1, 0, 0, 0);
  g.species +=
      test::species(2, "4.17E-10", "0.74", "4.65E-26", 2, 5, true, {{"3371.", "9.1", "220."}});
  g.fractions = {"0.25", "0.75"};
}

// Oxygen and atomic oxygen with four reactions of every kind and one
// third-body table; oxygen rotates but the gas has no vibration.
void oxygen_chemistry(GasFile& g) {
  g.counts = test::counts(2, 0, 4, 1, 0);
  g.species = test::species(1, "4.07E-10", "0.77", "5.312E-26", 2, 5) +
              test::species(2, "3.0E-10", "0.8", "2.656E-26");
  auto reaction = [](int j, int le, int me, int kp, int lp, int mp) {
    const std::string J = std::to_string(j);
    return tagged(std::to_string(le), "LE(" + J + ")") +
           tagged(std::to_string(me), "ME(" + J + ")") +
           tagged(std::to_string(kp), "KP(" + J + ")") +
           tagged(std::to_string(lp), "LP(" + J + ")") +
           tagged(std::to_string(mp), "MP(" + J + ")") + tagged("1.5", "CI(" + J + ")") +
           tagged("8.197E-19", "AE(" + J + ")") + tagged("0.0332", "PX(" + J + ")") +
           tagged("-1.5", "CT(" + J + ")") +
           tagged(j == 1 ? "-8.197E-19" : "8.197E-19", "RE(" + J + ")");
  };
  g.reactions = reaction(1, 1, 1, 2, 2, 1)      // O2 + O2 -> O + O + O2
                + reaction(2, 2, 2, -1, 1, -1)  // O + O -> O2, third body from table 1
                + reaction(3, 2, 2, -1, 1, 1)   // O + O -> O2, third body O2
                + reaction(4, 1, 2, 0, 2, 1)    // exchange O2 + O -> O + O2
                + tagged("1.0", "TBP(1,1)") + tagged("2.5", "TBP(2,1)");
  g.fractions = {"1.0", "0.0"};
}

std::string solid_triangle_props(const std::string& t, int msp, int mnsr, int base) {
  std::string p = tagged("-300.", "TSURF" + t) + tagged("0.2", "FSPEC" + t);
  for (int L = 1; L <= msp; ++L) {
    p += tagged(std::to_string(base + 10 * L) + ".", "FADS" + std::to_string(L) + t);
    p += tagged(std::to_string(base + 10 * L + 1) + ".", "FOUT" + std::to_string(L) + t);
  }
  for (int J = 1; J <= mnsr; ++J)
    p += tagged("0.0" + std::to_string(J), "PSR" + std::to_string(J) + t);
  return p;
}

// Two surfaces: the first a solid triangle, two code-0 copies and a
// specified entry segment; the second begins with a copy of that segment
// (across the surface boundary), then a stream element and its copy.
std::string two_surfaces() {
  std::string s = tagged("2", "NSURF") + tagged("4", "NPTS(1)") + tagged("3", "NSTRIS(1)") +
                  tagged("1", "NFTRIS(1)") + tagged("3", "NPTS(2)") + tagged("0", "NSTRIS(2)") +
                  tagged("3", "NFTRIS(2)");
  s += tagged("0.1 0.0 0.0", "P1.1") + tagged("0.1 0.1 0.0", "P1.2") +
       tagged("0.1 0.1 0.1", "P1.3") + tagged("0.2 0.0 0.1", "P1.4");
  s += tagged("1 2 3", "T1.1") + tagged("1", "C1.1") + solid_triangle_props("1.1", 2, 0, 0);
  s += tagged("1 3 4", "T1.2") + tagged("0", "C1.2");
  s += tagged("2 3 4", "T1.3") + tagged("0", "C1.3");
  s += tagged("1 2 4", "T1.4") + tagged("2", "C1.4") + tagged("100.", "U") + tagged("-20.", "V") +
       tagged("5.", "W") + tagged("350.", "T") + tagged("2.0E19", "N") + tagged("0.6", "F1") +
       tagged("0.4", "F2");
  s +=
      tagged("0.9 0.0 0.0", "P2.1") + tagged("0.9 0.2 0.0", "P2.2") + tagged("0.9 0.0 0.2", "P2.3");
  s += tagged("1 2 3", "T2.1") + tagged("0", "C2.1");
  s += tagged("3 2 1", "T2.2") + tagged("3", "C2.2");
  s += tagged("1 3 2", "T2.3") + tagged("0", "C2.3");
  return s;
}

std::vector<GoodCase> good_cases() {
  std::vector<GoodCase> cases;

  cases.push_back(
      {"MonatomicSpeciesInVibratingGas", argon_and_nitrogen, no_surfaces(), [](const Outcome& o) {
         // Argon: no relaxation number, no mode count read.
         EXPECT_EQ(o.s.ISPR(1, 1), 0);
         EXPECT_EQ(o.s.ISPV(1), 0);
         EXPECT_EQ(o.s.ISPR(2, 2), 5);
         EXPECT_EQ(o.s.ISPV(2), 1);
         EXPECT_FLOAT_EQ(o.s.THETAV(1, 2), 3371.0f);
         EXPECT_FLOAT_EQ(o.s.SPVC(2, 1, 2), 220.0f);
         const int rot = o.gas.index("Species 1 has 0 rotational degrees of freedom");
         ASSERT_GE(rot, 0);
         EXPECT_EQ(o.gas.lines[rot + 1].rfind("The reference diameter of species 2", 0), 0u);
         EXPECT_FALSE(o.gas.has_prefix("Species 1 has 0 vibrational modes"));
         EXPECT_TRUE(o.gas.has("Char. temperature of mode 1 of species 2 is 3371"));
         EXPECT_FALSE(o.gas.has_prefix("The constant vibrational collision number"));
       }});

  cases.push_back({"RotatingSpeciesWithAndWithoutModes",
                   [](GasFile& g) {
                     g.counts = test::counts(3, 2, 0, 0, 0);
                     g.species = test::species(1, "4.07E-10", "0.77", "5.312E-26", 2, 5, true,
                                               {{"2256.", "50000.", "0."}}) +
                                 test::species(2, "5.6E-10", "0.93", "7.31E-26", 2, 5, true,
                                               {{"960.", "100.", "0."}, {"3380.", "200.", "0."}}) +
                                 test::species(3, "3.7E-10", "0.73", "4.65E-26", 2, 3, true, {});
                     g.fractions = {"0.2", "0.3", "0.5"};
                   },
                   no_surfaces(),
                   [](const Outcome& o) {
                     EXPECT_EQ(o.s.ISPV(1), 1);
                     EXPECT_EQ(o.s.ISPV(2), 2);
                     EXPECT_EQ(o.s.ISPV(3), 0);
                     EXPECT_FLOAT_EQ(o.s.THETAV(2, 2), 3380.0f);
                     EXPECT_FLOAT_EQ(o.s.SPVC(1, 2, 2), 200.0f);
                     EXPECT_EQ(o.s.ISPR(2, 3), 3);
                     EXPECT_TRUE(o.gas.has("The constant vibrational collision number is 50000"));
                     EXPECT_TRUE(o.gas.has("Species 3 has 0 vibrational modes"));
                     EXPECT_FALSE(o.gas.has_prefix("The constant C1"));
                   }});

  cases.push_back(
      {"RecombinationWithThirdBodyTable", oxygen_chemistry, no_surfaces(), [](const Outcome& o) {
         EXPECT_EQ(o.s.ISPV(1), 0);  // rotation without vibration: no mode count
         EXPECT_FALSE(o.gas.has_prefix("Species 1 has 0 vibrational"));
         EXPECT_EQ(o.s.KP(1), 2);
         EXPECT_EQ(o.s.MP(2), -1);
         EXPECT_EQ(o.s.KP(4), 0);
         EXPECT_EQ(o.s.LP(4), 2);
         EXPECT_FLOAT_EQ(o.s.RE(1), -8.197e-19f);
         EXPECT_FLOAT_EQ(o.s.TBP(2, 1), 2.5f);
         EXPECT_TRUE(o.gas.has("The reaction is an exchange reaction"));
       }});

  cases.push_back(
      {"TwoIncidentSurfaceReactions",
       [](GasFile& g) {
         g.counts = test::counts(3, 0, 0, 0, 3);
         g.species.clear();
         for (int L = 1; L <= 3; ++L) g.species += test::species(L, "4.0E-10", "0.75", "5.0E-26");
         // Records of one value each: one line per ISRI and ISRR value.
         auto column = [](std::vector<int> v, const std::string& name, int j) {
           std::string t;
           for (std::size_t k = 0; k < v.size(); ++k)
             t += tagged(std::to_string(v[k]),
                         name + "(" + std::to_string(k + 1) + "," + std::to_string(j) + ")");
           return t;
         };
         g.reactions = column({1, 2}, "ISRI", 1) + column({3, 0, 0, 0, 0, 0}, "ISRR", 1) +
                       tagged("1.0E-19", "ESR(1)") + column({2, 0}, "ISRI", 2) +
                       column({1, 1, 0, 0, 3, 0}, "ISRR", 2) + tagged("0.", "ESR(2)") +
                       column({3, 3}, "ISRI", 3) + column({0, 0, 0, 0, 0, 0}, "ISRR", 3) +
                       tagged("-2.0E-19", "ESR(3)");
         g.fractions = {"0.5", "0.5", "0.0"};
       },
       tagged("1", "NSURF") + tagged("3", "NPTS(1)") + tagged("1", "NSTRIS(1)") +
           tagged("0", "NFTRIS(1)") + tagged("0.5 0 0", "P1") + tagged("0.5 0.1 0", "P2") +
           tagged("0.5 0 0.1", "P3") + tagged("1 2 3", "T1") + tagged("1", "C1") +
           solid_triangle_props("1", 3, 3, 0),
       [](const Outcome& o) {
         // Species 1 takes part in reaction 1, species 2 in 1 and 2, species 3 in 3 once.
         EXPECT_EQ(o.s.NSRSP(1), 1);
         EXPECT_EQ(o.s.NSRSP(2), 2);
         EXPECT_EQ(o.s.ISRSP(2, 2), 2);
         EXPECT_EQ(o.s.NSRSP(3), 1);
         EXPECT_EQ(o.s.ISRSP(1, 3), 3);
         EXPECT_EQ(o.s.ISRR(5, 2), 3);
         EXPECT_FLOAT_EQ(o.s.ESR(3), -2.0e-19f);
         EXPECT_TRUE(o.gas.has("Species code of the fifth reflected molecule is 3"));
         EXPECT_FALSE(o.gas.has_prefix("Species code of the third reflected"));
         // Reaction 2 has no second incident molecule: one such line in all.
         EXPECT_EQ(std::count_if(o.gas.lines.begin(), o.gas.lines.end(),
                                 [](const std::string& l) {
                                   return l.rfind("Species code of the second incident", 0) == 0;
                                 }),
                   2);
         EXPECT_FLOAT_EQ(o.s.PSR(3, 1), 0.03f);
         EXPECT_TRUE(o.surf.has("The probability of surface reaction 3 is 0.03"));
       }});

  cases.push_back({"MovingWallUnsteadySampling",
                   [](GasFile& g) {
                     g.boundaries = test::set_value(g.boundaries, "IB(1)", "7");
                     g.wall = tagged("150.", "VWALL");
                     g.run = tagged("1.0E15", "FNUM") + tagged("1.0E-4", "TREF") +
                             tagged("0", "ISTEADY") + tagged("2.0", "ROUT") +
                             tagged("0.25", "FAVG") + tagged("10", "NSPI") +
                             tagged("100000", "MNM") + tagged("5", "NMCT") + tagged("3", "NMTT") +
                             tagged("0", "IINDEX") + tagged("1", "ISUBC");
                   },
                   no_surfaces(),
                   [](const Outcome& o) {
                     EXPECT_EQ(o.s.IB(1), 7);
                     EXPECT_FLOAT_EQ(o.s.VWALL, 150.0f);
                     EXPECT_FLOAT_EQ(o.s.FAVG, 0.25f);
                     EXPECT_EQ(o.s.ISUBC, 1);  // the last record, read in its place
                     EXPECT_TRUE(o.gas.has("The speed of the moving wall is 150"));
                     EXPECT_TRUE(o.gas.has("Fraction of time interval for time-averaging 0.25"));
                     EXPECT_FALSE(o.gas.has_prefix("Steady flow is assumed"));
                   }});

  cases.push_back(
      {"SeparationBoundarySteadyFlow",
       [](GasFile& g) {
         g.initial = tagged("2", "INIT") + tagged("1", "ISEP") + tagged("0.4", "XSEP") +
                     tagged("3.0E19", "FND2") + tagged("250.", "FTMP2") + tagged("-50.", "VFX2") +
                     tagged("0.", "VFY2") + tagged("10.", "VFZ2") + tagged("1.0", "FSP2(1)");
       },
       test::plate_surface(),
       [](const Outcome& o) {
         EXPECT_FLOAT_EQ(o.s.SCALE, 20.0f);  // 10 / smallest width 0.5
         EXPECT_FLOAT_EQ(o.s.YMIN, -5.0f);
         EXPECT_FLOAT_EQ(o.s.XSEP, 0.4f * 20.0f);
         EXPECT_FLOAT_EQ(o.s.TREF, 1.0e-4f * 20.0f);
         EXPECT_FLOAT_EQ(o.s.VFX2, -50.0f);  // velocities are not scaled
         EXPECT_EQ(o.s.NSTEADY, 5);
         EXPECT_TRUE(o.gas.has("The Scale Factor is 20"));
         EXPECT_FALSE(o.gas.has_prefix("Fraction of time interval"));
         // Points echoed as read, stored scaled.
         EXPECT_TRUE(o.surf.has("Point 2 is at 0.5 0.2 0"));
         EXPECT_FLOAT_EQ(o.s.YPT(2), 0.2f * 20.0f);
         EXPECT_FLOAT_EQ(o.s.TSURF(2), 300.0f);
       }});

  cases.push_back({"WideBoxKeepsUnitScaleAndWarnsOfUnusedSides",
                   [](GasFile& g) {
                     g.region = test::set_value(g.region, "XMAX", "12.0");
                     g.boundaries = test::set_value(g.boundaries, "IB(1)", "1");
                     g.boundaries = test::set_value(g.boundaries, "IB(4)", "5");
                     g.run = test::set_value(g.run, "IINDEX", "1");
                   },
                   no_surfaces(),
                   [](const Outcome& o) {
                     // Only the x width is tested against 10; the 0.5 widths do not matter.
                     EXPECT_FLOAT_EQ(o.s.SCALE, 1.0f);
                     EXPECT_FLOAT_EQ(o.s.TREF, 1.0e-4f);
                     EXPECT_EQ(o.s.NIR, 600000);
                     EXPECT_TRUE(o.s.DIAG.contains("(IB(1) = 1) is an axis of symmetry"));
                     EXPECT_TRUE(o.s.DIAG.contains("(IB(4) = 5) is a periodic boundary"));
                     EXPECT_FALSE(o.s.DIAG.contains("(IB(3)"));
                   }});

  cases.push_back(
      {"ChainsEntryAndStreamTrianglesOverTwoSurfaces", argon_and_nitrogen, two_surfaces(),
       [](const Outcome& o) {
         const State& s = o.s;
         EXPECT_EQ(s.NPT, 7);
         EXPECT_EQ(s.NTRI, 7);
         EXPECT_EQ(s.NSTRI, 3);
         EXPECT_EQ(s.NFTRI, 4);
         EXPECT_EQ(s.NTRISB(2), 4);
         const int property[7] = {1, 2, 3, -1, -2, -3, -4};
         for (int N = 1; N <= 7; ++N) {
           EXPECT_EQ(s.ITP(4, N), property[N - 1]) << "triangle " << N;
           EXPECT_EQ(s.ISURFT(N), N <= 4 ? 1 : 2);
         }
         for (int e = 1; e <= 4; ++e) EXPECT_EQ(s.IENTT(e), e + 3);
         // Surface-local point numbers become global ones.
         EXPECT_EQ(s.ITP(1, 6), 7);
         EXPECT_EQ(s.ITP(3, 6), 5);
         // The chain copies every solid property, FADS and FOUT per species.
         for (int t = 1; t <= 3; ++t) {
           EXPECT_FLOAT_EQ(s.TSURF(t), -300.0f);
           EXPECT_FLOAT_EQ(s.FADS(1, t), 10.0f);
           EXPECT_FLOAT_EQ(s.FOUT(2, t), 21.0f);
         }
         // Entry 2 copies the specified segment from the first surface.
         const float segment[5] = {100.0f, -20.0f, 5.0f, 350.0f, 2.0e19f};
         const float stream[5] = {500.0f, 0.0f, 0.0f, 300.0f, 1.0e20f};
         for (int k = 1; k <= 5; ++k) {
           EXPECT_FLOAT_EQ(s.ENTV(k, 1), segment[k - 1]);
           EXPECT_FLOAT_EQ(s.ENTV(k, 2), segment[k - 1]);
           EXPECT_FLOAT_EQ(s.ENTV(k, 3), stream[k - 1]);
           EXPECT_FLOAT_EQ(s.ENTV(k, 4), stream[k - 1]);
         }
         EXPECT_FLOAT_EQ(s.ENTFSP(2, 2), 0.4f);
         EXPECT_FLOAT_EQ(s.ENTFSP(2, 4), 0.75f);
         EXPECT_TRUE(o.surf.has("Triangle 1 has the same properties as triangle 4 of surface 1"));
         EXPECT_TRUE(o.surf.has("The number density is 2e+19"));
       }});

  // Fortran list-directed forms: CR-LF line ends, blank lines, D exponents,
  // a real without a point, commas, repeat counts and a record over lines.
  cases.push_back({"FortranListDirectedForms",
                   [](GasFile& g) {
                     g.stream_state = "\n\n" + tagged("1.0D20", "FND") + tagged("300", "FTMP") +
                                      tagged(".5E3,", "VFX") + tagged("0.0-3", "VFY") +
                                      tagged("+0.", "VFZ");
                     g.run = test::set_value(g.run, "FNUM", "1.0d15, 7");
                   },
                   tagged("1", "NSURF") + tagged("3", "NPTS(1)") + tagged("1", "NSTRIS(1)") +
                       tagged("0", "NFTRIS(1)") + tagged("2*0.5  0.0", "P1") + "0.5,\n\n" +
                       tagged("  0.25 , 0.0", "P2") + tagged("0.5 3*0.0", "P3") +
                       tagged("1,2,3", "T1") + tagged("1", "C1") + tagged("300.", "TSURF") +
                       tagged("0.0", "FSPEC") + tagged("0.0", "FADS") + tagged("0.0", "FOUT"),
                   [](const Outcome& o) {
                     EXPECT_FLOAT_EQ(o.s.FND, 1.0e20f);
                     EXPECT_FLOAT_EQ(o.s.VFX, 500.0f);
                     EXPECT_FLOAT_EQ(o.s.VFY, 0.0f);
                     EXPECT_FLOAT_EQ(o.s.FNUM, 1.0e15f);
                     EXPECT_FLOAT_EQ(o.s.XPT(1), 0.5f * 20.0f);
                     EXPECT_FLOAT_EQ(o.s.YPT(1), 0.5f * 20.0f);
                     EXPECT_FLOAT_EQ(o.s.YPT(2), 0.25f * 20.0f);
                     EXPECT_FLOAT_EQ(o.s.ZPT(3), 0.0f);
                     EXPECT_EQ(o.s.ITP(3, 1), 3);
                   },
                   true});
  return cases;
}

class GoodDataSet : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodDataSet, ReadsValuesScalingAndSummaries) {
  const GoodCase& c = GetParam();
  test::TempDir dir;
  GasFile gas;
  c.gas(gas);
  std::string gas_text = gas.text();
  std::string surf_text = c.surface;
  for (std::string* t : {&gas_text, &surf_text}) {
    std::string text;
    for (char ch : *t) text += ch == '\n' && c.crlf ? std::string("\r\n") : std::string(1, ch);
    *t = text;
  }
  test::write_file(dir.path() / "QMXVD.DAT", gas_text);
  test::write_file(dir.path() / "QMXSD.DAT", surf_text);

  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  read_gas_data(s, ui);
  read_surface_data(s);

  const Summary gas_summary{test::split_lines(test::read_file(dir.path() / "QMXVD.TXT"))};
  const Summary surf_summary{test::split_lines(test::read_file(dir.path() / "QMXSD.TXT"))};
  ASSERT_FALSE(gas_summary.lines.empty());
  EXPECT_EQ(gas_summary.lines.front(), "Data summary for program QMXV");
  EXPECT_EQ(gas_summary.lines.back(),
            s.ISUBC == 0 ? "There are no sub-cells" : "Transient sub-cells are implemented");
  EXPECT_EQ(surf_summary.lines.front(), "Surface data summary for program QMXV");
  EXPECT_TRUE(s.DIAG.contains("The data summary QMXVD.TXT has been written"));
  EXPECT_TRUE(s.DIAG.contains("Reading the data file QMXSD.DAT"));
  EXPECT_TRUE(s.DIAG.contains("Surface Data has been Read"));
  EXPECT_TRUE(ui.shown().empty());
  // The readers never write their input.
  EXPECT_EQ(test::read_file(dir.path() / "QMXVD.DAT"), gas_text);
  c.check(Outcome{s, gas_summary, surf_summary});
}

INSTANTIATE_TEST_SUITE_P(Readers, GoodDataSet, ::testing::ValuesIn(good_cases()),
                         [](const auto& info) { return info.param.name; });

// A second read into the same state starts from nothing: records the new
// data set leaves out are 0 again, not left over from the first.
TEST(GasReader, RereadClearsRecordsTheNewDataSetSkips) {
  test::TempDir dir;
  GasFile moving;
  moving.boundaries = test::set_value(moving.boundaries, "IB(1)", "7");
  moving.wall = tagged("150.", "VWALL");
  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  test::write_file(dir.path() / "QMXVD.DAT", moving.text());
  read_gas_data(s, ui);
  ASSERT_FLOAT_EQ(s.VWALL, 150.0f);
  test::write_file(dir.path() / "QMXVD.DAT", GasFile{}.text());
  read_gas_data(s, ui);
  EXPECT_FLOAT_EQ(s.VWALL, 0.0f);
  EXPECT_EQ(s.IB(1), 3);
}

}  // namespace
}  // namespace qmxv
