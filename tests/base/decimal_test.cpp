// Doubles against decimal thresholds, exactly: decimal_cases.txt holds the cases.
#include "base/decimal.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/cases.hpp"

namespace pelvano {
namespace {

TEST(Decimal, AtLeastAThreshold) {
  for (const auto& row : test::table("base/decimal_cases.txt")) {
    const double value = std::strtod(row.at(0).c_str(), nullptr);
    EXPECT_EQ(at_least(value, row.at(1)) ? "yes" : "no", row.at(2))
        << row.at(0) << " " << row.at(1);
  }
}

}  // namespace
}  // namespace pelvano
