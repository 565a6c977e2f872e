#include "textio/format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace pelvano {
namespace {

std::string blanks(int n) {
  return std::string(static_cast<std::size_t>(n), ' ');
}

struct FixedCase {
  double value;
  int width;
  int decimals;
  std::string expected;
};

void PrintTo(const FixedCase& c, std::ostream* os) {
  *os << c.value << " w" << c.width << " d" << c.decimals;
}

class FixedField : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedField, RendersAsTheReportShowsIt) {
  const FixedCase& c = GetParam();
  EXPECT_EQ(fixedfield(c.value, c.width, c.decimals), c.expected) << c.value;
}

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    WorkedResults, FixedField,
    ::testing::Values(FixedCase{-4512.3851, 14, 2, blanks(6) + "-4512.39"},
                      FixedCase{0.5, 14, 4, blanks(8) + "0.5000"},
                      FixedCase{0.125, 14, 2, blanks(10) + "0.12"},  // tie: even 2 stays
                      FixedCase{0.375, 14, 2, blanks(10) + "0.38"},  // tie: odd 7 goes up
                      FixedCase{0.03125, 14, 4, blanks(8) + "0.0312"},
                      FixedCase{-0.00004, 14, 4, blanks(8) + "0.0000"},
                      FixedCase{123456789012.5, 14, 2, std::string(14, '*')},
                      FixedCase{nan, 14, 4, blanks(11) + "NaN"},
                      FixedCase{inf, 14, 4, blanks(6) + "Infinity"},
                      FixedCase{-inf, 14, 4, blanks(5) + "-Infinity"},
                      FixedCase{2.675, 14, 2, blanks(10) + "2.67"},  // held just below 2.675
                      FixedCase{1.00005, 14, 4, blanks(8) + "1.0001"},
                      FixedCase{-0.0, 14, 4, blanks(8) + "0.0000"},
                      FixedCase{-0.000012, 14, 4, blanks(8) + "0.0000"},
                      FixedCase{-1e300, 14, 4, std::string(14, '*')},
                      FixedCase{-0.00005, 14, 4, blanks(7) + "-0.0001"},  // just above half
                      FixedCase{12.34567, 14, 4, blanks(7) + "12.3457"},
                      FixedCase{-4204.5, 14, 2, blanks(6) + "-4204.50"},
                      // Exactly 14 characters fit; 15 do not.
                      FixedCase{-1234567890.25, 14, 2, "-1234567890.25"},
                      FixedCase{-12345678901.5, 14, 2, std::string(14, '*')},
                      FixedCase{123456789012.0, 14, 1, "123456789012.0"},
                      // Narrow fields for the special values.
                      FixedCase{inf, 7, 1, "    Inf"}, FixedCase{-inf, 8, 1, "    -Inf"},
                      FixedCase{-inf, 3, 1, "***"}, FixedCase{nan, 2, 1, "**"},
                      FixedCase{1.5, 3, 1, "1.5"},
                      FixedCase{std::numeric_limits<double>::max(), 14, 4, std::string(14, '*')},
                      FixedCase{5e-324, 14, 4, blanks(8) + "0.0000"}));

TEST(IntField, WorkedResultsAndLimits) {
  EXPECT_EQ(intfield(0, 4), "   0");
  EXPECT_EQ(intfield(-999, 4), "-999");
  EXPECT_EQ(intfield(12345, 4), "****");
  EXPECT_EQ(intfield(-1000, 4), "****");
  EXPECT_EQ(intfield(9999, 4), "9999");
  EXPECT_EQ(intfield(2147483647, 10), "2147483647");
  EXPECT_EQ(intfield(-2147483647, 10), "**********");
  EXPECT_EQ(intfield(7, 10), "         7");
}

TEST(TextField, RightAlignsOrKeepsTheFirstCharacters) {
  EXPECT_EQ(textfield("DeltaK", 14), blanks(8) + "DeltaK");
  EXPECT_EQ(textfield("abcdefghijklmnop", 14), "abcdefghijklmn");
  EXPECT_EQ(textfield("abcdefghijklmn", 14), "abcdefghijklmn");
  EXPECT_EQ(textfield("", 3), "   ");
  EXPECT_EQ(textfield("K", 4), "   K");
}

TEST(Trim, RemovesBlanksOnly) {
  EXPECT_EQ(trim_right("ab  "), "ab");
  EXPECT_EQ(trim_right("   "), "");
  EXPECT_EQ(trim("  a b  "), "a b");
  EXPECT_EQ(trim_right("a\t"), "a\t");
}

}  // namespace
}  // namespace pelvano
