// Puechmaille's counts of the clusters of one run: puechmaille_cases.txt holds the cases.
#include "analysis/puechmaille.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/cases.hpp"

namespace pelvano {
namespace {

template <class T>
std::vector<T> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<T> out;
  for (T w; in >> w;) out.push_back(w);
  return out;
}

TEST(Puechmaille, ClustersAbove) {
  for (const auto& row : test::table("analysis/puechmaille_cases.txt")) {
    std::string q = row.at(4);
    for (char& c : q) c = c == ';' ? ' ' : c;
    const auto [mean, median] =
        clusters_above(words<std::int64_t>(q), std::stoi(row[2]), words<std::string>(row[3]),
                       std::stoi(row[1]), threshold_of(row[0]));
    EXPECT_EQ(std::to_string(mean) + " " + std::to_string(median), row.at(5))
        << "threshold " << row[0] << ", memberships " << row[4];
  }
}

}  // namespace
}  // namespace pelvano
