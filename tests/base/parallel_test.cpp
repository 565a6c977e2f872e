// Work over the cores with its failures in the order of the tasks: parallel_cases.txt holds
// the cases.
#include "base/parallel.hpp"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <stdexcept>

#include "support/cases.hpp"

namespace pelvano {
namespace {

std::set<std::size_t> numbers(const std::string& field) {
  std::set<std::size_t> out;
  std::istringstream in(field == "-" ? "" : field);
  for (std::size_t i; in >> i;) out.insert(i);
  return out;
}

TEST(Parallel, FailuresInTheOrderOfTheTasks) {
  for (const auto& row : test::table("base/parallel_cases.txt")) {
    const std::size_t n = std::stoul(row.at(0));
    const std::set<std::size_t> throwing = numbers(row.at(1)), stopping = numbers(row.at(2)),
                                failing_then = numbers(row.at(3));
    for (int repeat = 0; repeat < 200; ++repeat) {
      std::string thens, failure = "none";
      try {
        for_each_in_order(
            n,
            [&](std::size_t i, NoState&) {
              if (throwing.count(i) != 0) throw std::runtime_error("task " + std::to_string(i));
              return stopping.count(i) == 0;
            },
            [&](std::size_t i) {
              thens += (thens.empty() ? "" : " ") + std::to_string(i);
              if (failing_then.count(i) != 0) {
                throw std::runtime_error("then " + std::to_string(i));
              }
            });
      } catch (const std::runtime_error& e) {
        failure = e.what();
      }
      ASSERT_EQ(thens.empty() ? "-" : thens, row.at(4)) << "tasks " << n << ", run " << repeat;
      ASSERT_EQ(failure, row.at(5)) << "tasks " << n << ", run " << repeat;
    }
  }
}

}  // namespace
}  // namespace pelvano
