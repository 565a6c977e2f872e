// Doubles against decimal thresholds, exactly: decimal_cases.txt holds the cases.
#include "base/decimal.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/cases.hpp"

namespace pelvano {
namespace {

TEST(Decimal, AtLeastAThreshold) {
  for (const auto& row : test::table("base/decimal_cases.txt")) {
    const double value = std::strtod(row.at(0).c_str(), nullptr);
    Threshold t;
    ASSERT_TRUE(read_threshold(row.at(1), t)) << row.at(1);
    EXPECT_EQ(at_least(value, t) ? "yes" : "no", row.at(2)) << row.at(0) << " " << row.at(1);
  }
}

TEST(Decimal, PrintedReals) {
  for (const auto& row : test::table("base/printed_real_cases.txt")) {
    PrintedReal p;
    std::string got = "no";
    if (read_printed_real(row.at(0), p)) {
      got = std::string(p.negative ? "yes" : "no") + (p.above_one ? " yes " : " no ") +
            std::to_string(p.decimals);
    }
    EXPECT_EQ(got, row.at(1)) << row.at(0);
    std::int64_t units = 0;
    EXPECT_EQ(exact_units(row.at(0), 5, units) ? std::to_string(units) : "no", row.at(2))
        << row.at(0);
  }
}

}  // namespace
}  // namespace pelvano
