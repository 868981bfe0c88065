#include <gtest/gtest.h>

#include "run/text_format.h"

namespace {

struct Case {
  double value;
  const char* descriptor;
  const char* expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.value << " " << c.descriptor; }

class FortranFormat : public ::testing::TestWithParam<Case> {};

TEST_P(FortranFormat, WritesTheFieldAsFortranWould) {
  const Case& c = GetParam();
  const std::string out = qmxv::fortran_format(c.value, c.descriptor);
  EXPECT_EQ(out, c.expected) << c.value << " with " << c.descriptor;
}

INSTANTIATE_TEST_SUITE_P(
    EditDescriptors, FortranFormat,
    ::testing::Values(
        // G: fixed form with 4 trailing blanks while 0.1 <= |x| < 10^d ...
        Case{1.0, "(G13.7)", " 1.000000    "}, Case{12345.678, "(G13.7)", " 12345.68    "},
        Case{0.25, "(G13.7)", "0.2500000    "}, Case{0.0, "(G13.7)", " 0.000000    "},
        Case{-2.5, "(G12.6)", "-2.50000    "},
        // ... and the E form outside, decided after rounding to d digits.
        Case{1.0e7, "(G13.7)", "0.1000000E+08"}, Case{0.05, "(G13.7)", "0.5000000E-01"},
        Case{9999999.6, "(G13.7)", "0.1000000E+08"}, Case{999.6, "(G10.3)", " 0.100E+04"},
        Case{0.09996, "(G10.3)", " 0.100    "}, Case{1.5e-4, "(G12.6)", "0.150000E-03"},
        // A leading zero is dropped before the field overflows.
        Case{-1.0e7, "(G13.7)", "-.1000000E+08"},
        // F: the trailing point of F w.0; overflow gives asterisks.
        Case{12345.0, "(F13.0)", "       12345."}, Case{0.4, "(F10.0)", "        0."},
        Case{1.0e12, "(F10.0)", "**********"}, Case{3.14159, "(F8.3)", "   3.142"},
        Case{-0.5, "F4.2", "-.50"},
        // Negative values that round to zero carry no sign.
        Case{-0.001, "(F5.2)", " 0.00"}, Case{-0.0, "(G10.3)", "  0.00    "},
        // E and ES, including a three-digit exponent.
        Case{-123.456, "(E12.5)", "-0.12346E+03"}, Case{1.0e-120, "(E12.4)", "  0.1000-119"},
        Case{123.456, "(ES12.4)", "  1.2346E+02"},
        // I: right-justified, truncated, asterisks when too wide.
        Case{7, "(I4)", "   7"}, Case{-42, "(I4)", " -42"}, Case{12345, "(I4)", "****"},
        Case{3.9, "(I3)", "  3"}));

TEST(FreeFormat, JoinsItemsWithOneBlankAndTrimsTexts) {
  EXPECT_EQ(qmxv::free_line("TIME", 0.5f, " NM", 10, " COLLS", 1234567.0), "TIME 0.5 NM 10 COLLS 1234567");
  EXPECT_EQ(qmxv::free_line("x =", 1.0f / 3.0f), "x = 0.3333333");
  EXPECT_EQ(qmxv::free_line(1.0e-23f), "1e-23");
  // Doubles keep 12 digits: run totals stay exact far beyond float range.
  EXPECT_EQ(qmxv::free_line(123456789012.0), "123456789012");
}

}  // namespace
