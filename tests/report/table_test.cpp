#include "report/table.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace pelvano {
namespace {

TEST(Table, ColumnsEmptyCellsSpecialValuesAndQuoting) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  StudySummary s;
  for (std::int32_t k = 1; k <= 3; ++k) {
    s.ks.push_back(KSummary{k,
                            2,
                            -100 + k / 3.0,
                            1.5,
                            {},
                            {},
                            {},
                            0.25,
                            1,
                            0.75,
                            0.125,
                            2,
                            "runs/K" + std::to_string(k) + "_run2_f",
                            {}});
  }
  s.ks[1].l1 = 0.1;
  s.ks[1].l2 = 9.75;
  s.ks[1].deltak = nan;
  s.ks[2].l1 = 1e-300;
  s.ks[0].sd = inf;
  s.ks[0].parsimony = -1e300;
  s.ks[0].best_score = -inf;
  s.ks[0].best_run = 0;
  s.ks[0].best_file = "";
  s.ks[2].best_file = "runs\tx/\"K3\"_f";
  EXPECT_EQ(
      table_text(s),
      "K\tRuns\tMean_LnP\tSD_LnP\tL1\tAbs_L2\tDeltaK\tBest_score\tSmall_clusters\t"
      "Pair_consistency\tParsimony\tBest_run\tBest_file\n"
      "1\t2\t-99.66666666666667\tInf\t\t\t\t-Inf\t1\t0.75\t-1e+300\t\t\n"
      "2\t2\t-99.33333333333333\t1.5\t0.1\t9.75\tNaN\t0.25\t1\t0.75\t0.125\t2\truns/K2_run2_f\n"
      "3\t2\t-99\t1.5\t1e-300\t\t\t0.25\t1\t0.75\t0.125\t2\t\"runs\tx/\"\"K3\"\"_f\"\n");
}

}  // namespace
}  // namespace pelvano
