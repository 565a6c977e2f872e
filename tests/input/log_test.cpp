// Reading the logs of ADMIXTURE, NGSadmix and fastStructure: log_cases.txt holds the cases.
#include <gtest/gtest.h>

#include "input/run_logs.hpp"
#include "support/cases.hpp"

namespace pelvano {
namespace {

std::string shown(double v) {
  return test::number(v);
}

std::string read_log(const std::string& program, const std::string& text) {
  std::string out;
  if (program == "admixture") {
    const AdmixtureLog log = read_admixture_log(text, "log.out");
    if (!log.admixture) return "not ADMIXTURE's\n";
    for (const AdmixtureResult& r : log.results) {
      out += "line " + std::to_string(r.line) + ": K " + std::to_string(r.k) + ", " +
             (r.has_loglikelihood ? "loglikelihood " + shown(r.loglikelihood)
                                  : std::string("no loglikelihood")) +
             ", " + (r.has_cv ? "cv " + shown(r.cv) : std::string("no cv")) + "\n";
    }
    for (const std::string& w : log.warnings) out += w + "\n";
    return out;
  }
  double value = 0;
  std::int32_t k = 0;
  std::string why;
  if (program == "ngsadmix") {
    return read_ngsadmix_log(text, value, k, why)
               ? "like " + shown(value) + ", nPop " + std::to_string(k) + "\n"
               : "none: " + why + "\n";
  }
  return read_faststructure_log(text, value, why) ? "marginal " + shown(value) + "\n"
                                                  : "none: " + why + "\n";
}

TEST(RunLogs, EachLayoutAndItsDecoys) {
  int cases = 0;
  for (const test::Block& b : test::blocks("input/log_cases.txt")) {
    std::string text, expected;
    for (std::size_t i = 1; i < b.lines.size(); ++i) {
      const std::string& l = b.lines[i];
      if (l.rfind("> ", 0) == 0) {
        std::string e = l.substr(2);
        if (const std::size_t at = e.find('@'); at != std::string::npos)
          e.replace(at, 1, "log.out");
        expected += e + "\n";
      } else {
        text += l + "\n";
      }
    }
    EXPECT_EQ(read_log(b.lines.at(0), text), expected) << b.title;
    ++cases;
  }
  EXPECT_GT(cases, 10);
}

}  // namespace
}  // namespace pelvano
