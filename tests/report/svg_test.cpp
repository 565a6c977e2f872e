// Texts fitted to a width: svg_fit_cases.txt holds the cases.
#include "report/svg.hpp"

#include <gtest/gtest.h>

#include "support/cases.hpp"

namespace pelvano {
namespace {

TEST(FitText, ShortenedOnlyWhereWordsEnd) {
  for (const auto& row : test::table("report/svg_fit_cases.txt")) {
    // At font size 10 a character takes 6.
    const double width = 6.0 * std::stoi(row.at(1));
    EXPECT_EQ(fit_text(row.at(0), 10, width), row.at(2)) << row[0];
  }
}

TEST(FitText, ShortenedTextKeepsTheWholeInItsTitle) {
  Svg svg;
  svg.width = 100;
  svg_text(svg, 0, 0, "start", 10, "", "alpha beta gamma", 72);
  EXPECT_EQ(svg.out,
            "<text x=\"0\" y=\"0\" font-size=\"10\">alpha beta …<title>alpha beta "
            "gamma</title></text>\n");
  svg.out.clear();
  svg_text(svg, 0, 0, "start", 10, "", "alpha", 72);
  EXPECT_EQ(svg.out, "<text x=\"0\" y=\"0\" font-size=\"10\">alpha</text>\n");
}

}  // namespace
}  // namespace pelvano
