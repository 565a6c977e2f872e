// Clusters aligned across K: alignment_cases.txt holds the cases.
#include "analysis/alignment.hpp"
#include "analysis/assignment.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/cases.hpp"

namespace pelvano {
namespace {

std::vector<std::int64_t> numbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::int64_t> out;
  for (std::string w; in >> w;) {
    if (w != "|") out.push_back(std::stoll(w));
  }
  return out;
}

template <class T>
std::string shown(const std::vector<T>& v) {
  std::string s;
  for (const T& x : v) s += (s.empty() ? "" : " ") + std::to_string(x);
  return s;
}

TEST(Alignment, Cases) {
  for (const test::Block& b : test::blocks("analysis/alignment_cases.txt")) {
    const std::vector<std::string>& lines = b.lines;
    std::string got;
    if (lines[0].starts_with("assign")) {
      // The largest total weight: the least total of the weights negated.
      std::vector<double> cost;
      int rows = 0, cols = 0;
      for (std::size_t i = 1; i + 1 < lines.size(); ++i, ++rows) {
        const std::vector<std::int64_t> w = numbers(lines[i]);
        cols = static_cast<int>(w.size());
        for (const std::int64_t x : w) cost.push_back(-static_cast<double>(x));
      }
      got = shown(least_assignment(cost, rows, cols));
    } else {
      const std::vector<std::int64_t> head = numbers(lines[0].substr(5));
      std::vector<std::vector<std::int64_t>> q;
      for (std::size_t i = 1; i + 1 < lines.size(); ++i) q.push_back(numbers(lines[i]));
      for (const auto& colours : align_colours(q, static_cast<std::int32_t>(head.at(0)),
                                               static_cast<std::int32_t>(head.at(1)))) {
        got += (got.empty() ? "" : " ; ") + shown(colours);
      }
    }
    EXPECT_EQ("= " + got, lines.back()) << b.title;
  }
}

}  // namespace
}  // namespace pelvano
