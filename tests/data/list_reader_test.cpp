// Fortran list-directed reading: which texts are numbers, and where each
// record starts and ends.
#include "data/list_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "run/errors.h"

namespace qmxv {
namespace {

struct RealCase {
  const char* text;
  NumberStatus status;
  float value;
};

class FortranReal : public ::testing::TestWithParam<RealCase> {};

TEST_P(FortranReal, ParsesFortranFormsAndRefusesTheRest) {
  const RealCase& c = GetParam();
  float v = -999.0f;
  EXPECT_EQ(parse_fortran_real(c.text, v), c.status) << c.text;
  if (c.status == NumberStatus::Ok) {
    EXPECT_EQ(v, c.value) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FortranReal,
    ::testing::Values(RealCase{"300", NumberStatus::Ok, 300.0f},
                      RealCase{".5", NumberStatus::Ok, 0.5f},
                      RealCase{"-.5", NumberStatus::Ok, -0.5f},
                      RealCase{"5.", NumberStatus::Ok, 5.0f},
                      RealCase{"1.0E-10", NumberStatus::Ok, 1.0e-10f},
                      RealCase{"1.0D-10", NumberStatus::Ok, 1.0e-10f},
                      RealCase{"1.0d+10", NumberStatus::Ok, 1.0e10f},
                      RealCase{"2.5-3", NumberStatus::Ok, 2.5e-3f},  // exponent without letter
                      RealCase{"+6.63E-26", NumberStatus::Ok, 6.63e-26f},
                      RealCase{"1E5", NumberStatus::Ok, 1.0e5f},
                      // Rounded once to single precision, not via double.
                      RealCase{"0.1", NumberStatus::Ok, 0.1f},
                      RealCase{"1.0E-60", NumberStatus::Ok, 0.0f},  // underflows to zero
                      RealCase{"1.0E39", NumberStatus::OutOfRange, 0.0f},
                      RealCase{"1.0D400", NumberStatus::OutOfRange, 0.0f},
                      RealCase{"warm", NumberStatus::NotANumber, 0.0f},
                      RealCase{"1.0.0", NumberStatus::NotANumber, 0.0f},
                      RealCase{"E5", NumberStatus::NotANumber, 0.0f},
                      RealCase{".", NumberStatus::NotANumber, 0.0f},
                      RealCase{"1.0E", NumberStatus::NotANumber, 0.0f},
                      RealCase{"1.0+", NumberStatus::NotANumber, 0.0f},
                      RealCase{"300K", NumberStatus::NotANumber, 0.0f},
                      RealCase{"NaN", NumberStatus::NotANumber, 0.0f},
                      RealCase{"Infinity", NumberStatus::NotANumber, 0.0f}));

TEST(FortranInteger, OnlyWholeNumbersWithin32Bits) {
  int v = 0;
  EXPECT_EQ(parse_fortran_int("+7", v), NumberStatus::Ok);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(parse_fortran_int("-2147483648", v), NumberStatus::Ok);
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_EQ(parse_fortran_int("2147483648", v), NumberStatus::OutOfRange);
  EXPECT_EQ(parse_fortran_int("99999999999999999999", v), NumberStatus::OutOfRange);
  EXPECT_EQ(parse_fortran_int("1.0", v), NumberStatus::NotANumber);
  EXPECT_EQ(parse_fortran_int("1E3", v), NumberStatus::NotANumber);
  EXPECT_EQ(parse_fortran_int("-", v), NumberStatus::NotANumber);
}

// Records start on a new line and ignore the rest of their last line; a
// record of several values continues over lines, blank ones skipped.
TEST(ListReader, RecordsStartOnNewLinesAndRunOverLines) {
  auto in = ListReader::from_text("T.DAT",
                                  "1 2 3 comment\n"
                                  "\n"
                                  "  4.5,\n"
                                  "\n"
                                  "5.5 , 6.5 7.5\n"
                                  "2*8 9\n"
                                  "10\n");
  EXPECT_EQ(in.read_int(Item("A")), 1);
  EXPECT_EQ(in.line(), 1);
  in.new_record();
  EXPECT_FLOAT_EQ(in.next_real(Item("X")), 4.5f);
  EXPECT_FLOAT_EQ(in.next_real(Item("Y")), 5.5f);
  EXPECT_FLOAT_EQ(in.next_real(Item("Z")), 6.5f);
  EXPECT_EQ(in.line(), 5);
  in.new_record();
  EXPECT_EQ(in.next_int(Item("P")), 8);
  EXPECT_EQ(in.next_int(Item("Q")), 8);
  EXPECT_EQ(in.read_int(Item("R")), 10);
  try {
    in.read_int(Item("S", 2));
    FAIL();
  } catch (const DataError& e) {
    EXPECT_STREQ(e.what(), "T.DAT line 8, item S(2): expected an integer, found end of file");
  }
}

TEST(ListReader, MissingFileNamesTheFileAndItsDirectory) {
  try {
    ListReader in("/nonexistent/dir/QMXVD.DAT", "QMXVD.DAT");
    FAIL();
  } catch (const DataError& e) {
    EXPECT_EQ(e.exit_status(), kExitBadData);
    EXPECT_STREQ(
        e.what(),
        "QMXVD.DAT: expected the data file /nonexistent/dir/QMXVD.DAT, found no such file");
  }
}

}  // namespace
}  // namespace qmxv
