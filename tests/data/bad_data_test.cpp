// Malformed data sets: each gives one DataError naming the right file, line
// and item, exit status 2, and leaves both .DAT files as they were.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/read_gas.h"
#include "data/read_surface.h"
#include "data_files.h"
#include "run/errors.h"
#include "run/state.h"
#include "ui/scripted/scripted_toolkit.h"

namespace qmxv {
namespace {

using test::GasFile;
using test::set_value;
using test::tagged;

const char* kMissing = "<no file>";
const char* kEndOfFile = "<end of file>";

struct Files {
  std::string gas;
  std::string surface;
};

struct BadCase {
  std::string name;
  std::function<Files()> files;
  std::string file;        // the file the message names
  std::string line_tag;    // the line it names: a tag, kEndOfFile, or "" for no line
  std::string item;        // the item it names ("" for fixed texts)
  std::string message;     // a part of the message
  std::string diag = {};   // a line DIAG.TXT must hold
  std::string title = {};  // the title of the driver's message box, if not the default
};

Files plate(const std::string& gas) {
  return {gas, test::plate_surface()};
}

// Two species and one recombination O + O -> O2 with a third-body table.
GasFile recombination_gas() {
  GasFile g;
  g.counts = test::counts(2, 0, 1, 1, 0);
  g.species += test::species(2, "3.0E-10", "0.8", "2.656E-26");
  g.reactions = tagged("2", "LE(1)") + tagged("2", "ME(1)") + tagged("-1", "KP(1)") +
                tagged("1", "LP(1)") + tagged("-1", "MP(1)") + tagged("0.", "CI(1)") +
                tagged("0.", "AE(1)") + tagged("0.01", "PX(1)") + tagged("-0.5", "CT(1)") +
                tagged("8.2E-19", "RE(1)") + tagged("1.", "TBP(1,1)") + tagged("1.", "TBP(2,1)");
  g.fractions = {"1.0", "0.0"};
  return g;
}

// Three species and one surface reaction.
GasFile surface_reaction_gas() {
  GasFile g = recombination_gas();
  g.counts = test::counts(3, 0, 0, 0, 1);
  g.species += test::species(3, "3.0E-10", "0.8", "2.656E-26");
  g.reactions = tagged("1", "ISRI(1,1)") + tagged("2", "ISRI(2,1)");
  for (int k = 1; k <= 6; ++k)
    g.reactions += tagged(k == 1 ? "3" : "0", "ISRR(" + std::to_string(k) + ",1)");
  g.reactions += tagged("0.", "ESR(1)");
  g.fractions = {"1.0", "0.0", "0.0"};
  return g;
}

// Argon and nitrogen with one vibrational mode.
GasFile nitrogen_gas() {
  GasFile g;
  g.counts = test::counts(2, 1, 0, 0, 0);
  g.species +=
      test::species(2, "4.17E-10", "0.74", "4.65E-26", 2, 5, true, {{"3371.", "9.1", "220."}});
  g.fractions = {"0.5", "0.5"};
  return g;
}

GasFile unsteady_gas() {
  GasFile g;
  g.run = tagged("1.0E15", "FNUM") + tagged("1.0E-4", "TREF") + tagged("0", "ISTEADY") +
          tagged("2.0", "ROUT") + tagged("0.5", "FAVG") + tagged("10", "NSPI") +
          tagged("100000", "MNM") + tagged("5", "NMCT") + tagged("3", "NMTT") +
          tagged("0", "IINDEX") + tagged("0", "ISUBC");
  return g;
}

std::vector<BadCase> bad_cases() {
  const std::string V = "QMXVD.DAT";
  const std::string S = "QMXSD.DAT";
  const std::string real = "expected a real number";
  const std::string positive = "expected a positive integer";
  const std::string positive_real = "expected a positive real number";
  const std::string switch01 = "expected 0 or 1, found";
  auto on = [](GasFile (*make)(), const std::string& tag, const std::string& v) {
    return [make, tag, v] { return plate(set_value(make().text(), tag, v)); };
  };
  auto gas = [](const std::string& tag, const std::string& v) {
    return [tag, v] { return plate(set_value(GasFile{}.text(), tag, v)); };
  };
  auto surf = [](const std::string& tag, const std::string& v) {
    return [tag, v] { return Files{GasFile{}.text(), set_value(test::plate_surface(), tag, v)}; };
  };

  return {
      {"MissingGasFile",
       [] {
         return Files{kMissing, test::plate_surface()};
       },
       V, "", "", "no such file"},
      {"TruncatedGasFile", [] { return plate(test::cut_after(GasFile{}.text(), "MNM")); }, V,
       kEndOfFile, "NMCT", "expected an integer, found end of file"},
      {"WordWhereRealBelongs", gas("FTMP", "warm"), V, "FTMP", "FTMP",
       "item FTMP: expected a real number, found \"warm\""},
      {"RealWhereIntegerBelongs", gas("NDIVY", "3.0"), V, "NDIVY", "NDIVY",
       "expected an integer, found \"3.0\""},
      {"EmptyValueBetweenCommas", gas("NSPI", ",10"), V, "NSPI", "NSPI", "found an empty value"},
      {"XWidthNotPositive", gas("XMAX", "0.0"), V, "XMAX", "XMAX",
       "expected a real number greater than XMIN = 0"},
      {"NoDivisions", gas("NDIVZ", "0"), V, "NDIVZ", "NDIVZ", positive},
      {"NoSpecies", gas("MSP", "0"), V, "MSP", "MSP", positive},
      {"CorruptSpeciesCount", gas("MSP", "2000000000"), V, "MSP", "",
       "PROGRAM COULD NOT ALLOCATE NUMBER OF SPECIES",
       "PROGRAM COULD NOT ALLOCATE NUMBER OF SPECIES"},
      {"CorruptModeCount", gas("MMVM", "1000000000"), V, "MMVM", "",
       "PROGRAM COULD NOT ALLOCATE VIBRATIONAL MODES",
       "PROGRAM COULD NOT ALLOCATE VIBRATIONAL MODES"},
      {"CorruptThirdBodyCount", gas("MTBP", "2000000000"), V, "MTBP", "",
       "PROGRAM COULD NOT ALLOCATE REACTION INPUT", "PROGRAM COULD NOT ALLOCATE REACTION INPUT"},
      {"IntegerBeyond32Bits", gas("MNM", "3000000000"), V, "MNM", "MNM",
       "expected an integer between -2147483648 and 2147483647"},
      {"ZeroDiameter", gas("SP(1,1)", "0."), V, "SP(1,1)", "SP(1,1)", positive_real},
      {"MoreModesThanMMVM", on(nitrogen_gas, "ISPV(2)", "2"), V, "ISPV(2)", "ISPV(2)",
       "from 0 to MMVM = 1, found \"2\""},
      {"ReactionSpeciesBeyondMSP", on(recombination_gas, "LE(1)", "3"), V, "LE(1)", "LE(1)",
       "a species code from 1 to MSP = 2"},
      {"RecombinationWithoutThirdBody", on(recombination_gas, "MP(1)", "0"), V, "MP(1)", "MP(1)",
       "minus a third-body table number from -1 to -MTBP = -1, found \"0\""},
      {"ThirdBodyTableBeyondMTBP", on(recombination_gas, "MP(1)", "-2"), V, "MP(1)", "MP(1)",
       "found \"-2\""},
      {"SurfaceReactionWithoutIncidentSpecies", on(surface_reaction_gas, "ISRI(1,1)", "0"), V,
       "ISRI(1,1)", "ISRI(1,1)", "a species code from 1 to MSP = 3"},
      {"ReflectedSpeciesBeyondMSP", on(surface_reaction_gas, "ISRR(3,1)", "4"), V, "ISRR(3,1)",
       "ISRR(3,1)", "from 0 to MSP = 3 (0 for none)"},
      {"NegativeStreamDensity", gas("FND", "-1.0E20"), V, "FND", "FND", "0 or more"},
      {"ZeroStreamTemperature", gas("FTMP", "0"), V, "FTMP", "FTMP", positive_real},
      {"BoundaryCodeBeyondSeven", gas("IB(4)", "8"), V, "IB(4)", "IB(4)",
       "expected a boundary code from 1 to 7"},
      // The fixed text, then where it was found.
      {"MovingWallOnSideThree", gas("IB(3)", "7"), V, "IB(3)", "",
       "Boundary   3 has been set as a moving wall!  (. Only boundary 1 at x=XMIN can move.) "
       "(QMXVD.DAT line ",
       "", "Illegal Boundary Specification"},
      {"InitialStateThree", gas("INIT", "3"), V, "INIT", "INIT", "expected 1 or 2"},
      {"SeparationSwitchTwo", gas("ISEP", "2"), V, "ISEP", "ISEP", switch01},
      {"ZeroFNUM", gas("FNUM", "0.0"), V, "FNUM", "FNUM", positive_real},
      {"NegativeTREF", gas("TREF", "-1.0E-4"), V, "TREF", "TREF", positive_real},
      {"FAVGAboveOne", on(unsteady_gas, "FAVG", "1.5"), V, "FAVG", "FAVG",
       "greater than 0 and at most 1"},
      {"FAVGZero", on(unsteady_gas, "FAVG", "0."), V, "FAVG", "FAVG", "greater than 0"},
      {"NoMolecules", gas("MNM", "0"), V, "MNM", "MNM", positive},
      {"NegativeMovesPerTransit", gas("NMTT", "-1"), V, "NMTT", "NMTT", positive},
      {"SubCellSwitchFive", gas("ISUBC", "5"), V, "ISUBC", "ISUBC", switch01},
      {"ContinuousIndexListBeyond32Bits",
       [] {
         return plate(set_value(set_value(GasFile{}.text(), "MNM", "400000000"), "IINDEX", "1"));
       },
       V, "IINDEX", "IINDEX", "6 x MNM = 2400000000"},

      {"MissingSurfaceFile",
       [] {
         return Files{GasFile{}.text(), kMissing};
       },
       S, "", "", "no such file"},
      {"NegativeSurfaceCount", surf("NSURF", "-1"), S, "NSURF", "NSURF", "0 or more"},
      {"WordForPointCount", surf("NPTS(1)", "four"), S, "NPTS(1)", "NPTS(1)",
       "expected an integer, found \"four\""},
      {"PointRecordShortOfValues", surf("P4", "0.5 0.0"), S, "P4", "ZPT (surface 1, point 4)",
       "expected a real number, found \"!\""},
      {"PointNumberBeyondSurface", surf("T2", "1 3 5"), S, "T2", "ITP(3) (surface 1, triangle 2)",
       "a point number of surface 1 from 1 to NPTS(1) = 4"},
      {"RepeatedPointInTriangle", surf("T1", "1 1 3"), S, "T1", "ITP(2) (surface 1, triangle 1)",
       "three different points"},
      {"TriangleCodeFour", surf("ITCODE1", "4"), S, "ITCODE1", "ITCODE (surface 1, triangle 1)",
       "a triangle type code from 0 to 3"},
      {"FirstTriangleCopiesNothing", surf("ITCODE1", "0"), S, "ITCODE1", "",
       "No values available for previous triangle", "No values available for previous triangle"},
      {"EntryTriangleOnSolidOnlySurface", surf("ITCODE2", "2"), S, "ITCODE2",
       "ITCODE (surface 1, triangle 2)", "NFTRIS(1) = 0 flow entry triangles"},
      {"CopiedSolidBeyondNSTRIS",
       [] {
         return Files{
             GasFile{}.text(),
             set_value(set_value(test::plate_surface(), "NSTRIS(1)", "1"), "NFTRIS(1)", "1")};
       },
       S, "ITCODE2", "ITCODE (surface 1, triangle 2)",
       "this copy of a solid triangle would be number 2"},
      {"TruncatedInSolidProperties",
       [] {
         return Files{GasFile{}.text(), test::cut_after(test::plate_surface(), "FSPEC1")};
       },
       S, kEndOfFile, "FADS(1) (surface 1, triangle 1)", "found end of file"},
      {"CorruptPointCount", surf("NPTS(1)", "2000000000"), S, "NFTRIS(1)", "",
       "PROGRAM COULD NOT ALLOCATE NUMBER OF POINTS",
       "PROGRAM COULD NOT ALLOCATE NUMBER OF POINTS"},
      {"PointTotalBeyond32Bits",
       [] {
         return Files{GasFile{}.text(), tagged("2", "NSURF") + tagged("2000000000", "NPTS(1)") +
                                            tagged("0", "NSTRIS(1)") + tagged("0", "NFTRIS(1)") +
                                            tagged("2000000000", "NPTS(2)") +
                                            tagged("0", "NSTRIS(2)") + tagged("0", "NFTRIS(2)")};
       },
       S, "NPTS(2)", "", "PROGRAM COULD NOT ALLOCATE NUMBER OF POINTS",
       "more than 2147483647 points"},
      {"EntryTemperatureZero",
       [] {
         return Files{GasFile{}.text(),
                      tagged("1", "NSURF") + tagged("3", "NPTS(1)") + tagged("0", "NSTRIS(1)") +
                          tagged("1", "NFTRIS(1)") + tagged("0 0 0", "P1") + tagged("0 1 0", "P2") +
                          tagged("0 0 1", "P3") + tagged("1 2 3", "T1") + tagged("2", "C1") +
                          tagged("10.", "U") + tagged("0.", "V") + tagged("0.", "W") +
                          tagged("0.", "T") + tagged("1.E20", "N") + tagged("1.", "F1")};
       },
       S, "T", "ENTV(4) (surface 1, triangle 1)", positive_real},
  };
}

class BadDataSet : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadDataSet, OneMessageNamingFileLineAndItemAndFilesUntouched) {
  const BadCase& c = GetParam();
  const Files files = c.files();
  test::TempDir dir;
  const auto gas_path = dir.path() / "QMXVD.DAT";
  const auto surf_path = dir.path() / "QMXSD.DAT";
  if (files.gas != kMissing) test::write_file(gas_path, files.gas);
  if (files.surface != kMissing) test::write_file(surf_path, files.surface);

  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  const std::string& faulty = c.file == "QMXVD.DAT" ? files.gas : files.surface;
  int expected_line = 0;
  if (c.line_tag == kEndOfFile) {
    expected_line = static_cast<int>(test::split_lines(faulty).size()) + 1;
  } else if (!c.line_tag.empty()) {
    expected_line = test::line_of(faulty, c.line_tag);
  }

  bool gas_read = false;
  try {
    read_gas_data(s, ui);
    gas_read = true;
    read_surface_data(s);
    FAIL() << "no error for " << c.name;
  } catch (const DataError& e) {
    const std::string message = e.what();
    EXPECT_EQ(gas_read, c.file == "QMXSD.DAT") << message;
    EXPECT_EQ(e.file(), c.file) << message;
    EXPECT_EQ(e.line(), expected_line) << message;
    EXPECT_EQ(e.item(), c.item) << message;
    EXPECT_EQ(e.exit_status(), kExitBadData);
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    if (expected_line > 0) {
      EXPECT_NE(message.find(c.file + " line " + std::to_string(expected_line)), std::string::npos)
          << message;
    }
    if (!c.diag.empty()) {
      EXPECT_TRUE(s.DIAG.contains(c.diag)) << c.diag;
    }
    if (!c.title.empty()) {
      EXPECT_EQ(e.title(), c.title);
    }
  }
  if (files.gas != kMissing) {
    EXPECT_EQ(test::read_file(gas_path), files.gas);
  }
  if (files.surface != kMissing) {
    EXPECT_EQ(test::read_file(surf_path), files.surface);
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, BadDataSet, ::testing::ValuesIn(bad_cases()),
                         [](const auto& info) { return info.param.name; });

// The missing-copy text ends the surface summary, where the program has
// always put it.
TEST(BadDataSet, MissingCopyTextEndsTheSurfaceSummary) {
  test::TempDir dir;
  test::write_file(dir.path() / "QMXVD.DAT", GasFile{}.text());
  test::write_file(dir.path() / "QMXSD.DAT", set_value(test::plate_surface(), "ITCODE1", "0"));
  State s;
  s.DIR = dir.path();
  ui::ScriptedToolkit ui;
  read_gas_data(s, ui);
  EXPECT_THROW(read_surface_data(s), DataError);
  const auto summary = test::split_lines(test::read_file(dir.path() / "QMXSD.TXT"));
  ASSERT_FALSE(summary.empty());
  EXPECT_EQ(summary.back(), "No values available for previous triangle");
}

}  // namespace
}  // namespace qmxv
