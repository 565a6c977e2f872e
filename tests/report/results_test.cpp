#include "report/results.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace pelvano {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

ReportValues example() {
  ReportValues v;
  v.fname = "pelvano.par";
  v.filelistname = "/data/str/K.list";
  v.nind = 100;
  v.nrun = 3;
  v.kstart = 1;
  v.kend = 4;
  v.mean = {-4512.3851, -4204.5, -4150.7449, -4160.1};
  v.deltak = {0, 12.34567, 3.25, 0};
  v.parsimony = {-1e300, 0.5, 0.41234, -0.000012};
  v.evanno = 2;
  v.pritchard = 3;
  v.parsimony_k = 2;
  v.best_run = 2;
  v.best_file = "/data/str/K2_run2_f";
  return v;
}

TEST(Report, TheExampleReport) {
  const std::vector<std::string> expected = {
      "Input file for Pelvano: pelvano.par",
      "Structure output file names in file: /data/str/K.list",
      "Number of sampled individuals: 100",
      "Number of runs per K value: 3",
      "Range of K values: [1, 4]",
      "",
      "----------------------------------------------",
      "   K  Mean_Ln(D|K)        DeltaK     Parsimony",
      "----------------------------------------------",
      "   1      -4512.39             -**************",
      "   2      -4204.50       12.3457        0.5000",
      "   3      -4150.74        3.2500        0.4123",
      "   4      -4160.10             -        0.0000",
      "",
      "--------------------",
      "    Method    Best_K",
      "--------------------",
      "    Evanno         2",
      " Pritchard         3",
      " Parsimony         2",
      "",
      "------------------",
      "Parsimony method:",
      "------------------",
      "  Best K = 2",
      "  Best replicate run = 2",
      "  Best output file = /data/str/K2_run2_f",
  };
  const std::string text = report_text(example());
  EXPECT_EQ(lines_of(text), expected);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(Report, SpecialValuesAndMissingChoices) {
  ReportValues v = example();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  v.kstart = 9998;
  v.kend = 10001;
  v.mean = {-1234567890.25, -99999999999.995, nan, -inf};
  v.deltak = {0, nan, inf, 0};
  v.evanno = 0;
  v.best_run = 0;
  v.best_file = "";
  v.parsimony_k = 1234567890;
  const auto lines = lines_of(report_text(v));
  EXPECT_EQ(lines[4], "Range of K values: [9998, 10001]");
  EXPECT_EQ(lines[9], "9998-1234567890.25             -**************");
  EXPECT_EQ(lines[10], "9999**************           NaN        0.5000");
  EXPECT_EQ(lines[11], "****           NaN      Infinity        0.4123");
  EXPECT_EQ(lines[12], "****     -Infinity             -        0.0000");
  EXPECT_EQ(lines[17], "    Evanno         0");
  EXPECT_EQ(lines[19], " Parsimony1234567890");
  EXPECT_EQ(lines[24], "  Best K = 1234567890");
  EXPECT_EQ(lines[25], "  Best replicate run = 0");
  EXPECT_EQ(lines[26], "  Best output file = none");
  for (std::size_t i = 7; i <= 12; ++i) EXPECT_EQ(lines[i].size(), 46u) << i;
  for (std::size_t i = 14; i <= 19; ++i) EXPECT_EQ(lines[i].size(), 20u) << i;
}

TEST(Report, OneKHasADashInTheDeltaKColumn) {
  ReportValues v = example();
  v.kstart = v.kend = 3;
  v.mean = {-10};
  v.deltak = {0};
  v.parsimony = {0.25};
  const auto lines = lines_of(report_text(v));
  EXPECT_EQ(lines[9], "   3        -10.00             -        0.2500");
  EXPECT_EQ(lines[10], "");
}

TEST(Report, LongNamesAreWrittenWhole) {
  ReportValues v = example();
  v.fname = std::string(199, 'p');
  v.best_file = std::string(999, 'f');
  const auto lines = lines_of(report_text(v));
  EXPECT_EQ(lines[0], "Input file for Pelvano: " + std::string(199, 'p'));
  EXPECT_EQ(lines.back(), "  Best output file = " + std::string(999, 'f'));
}

}  // namespace
}  // namespace pelvano
