// Fields of the report and the console: format_cases.txt holds the cases.
#include "base/format.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/cases.hpp"

namespace pelvano {
namespace {

TEST(Format, Fields) {
  for (const auto& row : test::table("base/format_cases.txt")) {
    const int w = std::stoi(row.at(2));
    std::string got;
    if (row[0] == "fixed") {
      got = fixedfield(std::strtod(row[1].c_str(), nullptr), w, std::stoi(row.at(3)));
    } else if (row[0] == "int") {
      got = intfield(std::stoll(row[1]), w);
    } else {
      got = textfield(row[1], w);
    }
    EXPECT_EQ("[" + got + "]", row.back()) << row[0] << " " << row[1];
  }
}

}  // namespace
}  // namespace pelvano
