#include "analysis/analysis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "control/fatal.hpp"
#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::TempDir;
using Memberships = std::vector<std::vector<float>>;  // one vector per individual

const double inf = std::numeric_limits<double>::infinity();

// A run with its tables, filled directly instead of from files.
struct Tables {
  TempDir dir;
  test::Capture console;
  pelvano::Run run;
  Tables(int kstart, int kend, int nind, int nrun) {
    test::set_up_run(run, console, dir.str(), "K*", kstart, kend, nind, nrun);
  }
  // Replicate r of K: its Ln probability and memberships.
  void set(int k, int r, double lnp, const Memberships& m) {
    run.LOGLK(r, k) = lnp;
    for (int i = 1; i <= run.NIND; ++i) {
      for (int c = 1; c <= k; ++c) {
        run.q(k)(c, i, r) = m[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(c - 1)];
      }
    }
  }
  // Every individual split evenly over the clusters.
  void set_even(int k, int r, double lnp) {
    set(k, r, lnp,
        Memberships(static_cast<std::size_t>(run.NIND),
                    std::vector<float>(static_cast<std::size_t>(k), 1.0f / k)));
  }
};

Memberships groups(int n1, std::vector<float> a, int n2, std::vector<float> b) {
  Memberships m(static_cast<std::size_t>(n1), a);
  m.insert(m.end(), static_cast<std::size_t>(n2), b);
  return m;
}

TEST(Evanno, WorkedExample) {
  Tables t(1, 4, 6, 3);
  const double lnp[4][3] = {
      {-500, -490, -510}, {-400, -390, -410}, {-380, -375, -385}, {-375, -370, -380}};
  for (int k = 1; k <= 4; ++k) {
    for (int r = 1; r <= 3; ++r) t.set_even(k, r, lnp[k - 1][r - 1]);
  }
  analyse(t.run);
  const double means[4] = {-500, -400, -380, -375};
  const double sds[4] = {10, 10, 5, 5};
  for (int k = 1; k <= 4; ++k) {
    EXPECT_DOUBLE_EQ(t.run.X(k, 1), means[k - 1]) << k;
    EXPECT_NEAR(t.run.X(k, 2), sds[k - 1], 1e-9) << k;
  }
  EXPECT_DOUBLE_EQ(t.run.L1(2), 100);
  EXPECT_DOUBLE_EQ(t.run.L1(4), 5);
  EXPECT_NEAR(t.run.DELTAK(2), 8, 1e-9);
  EXPECT_NEAR(t.run.DELTAK(3), 3, 1e-9);
  EXPECT_EQ(t.run.evanno_best, 2);
  EXPECT_EQ(pritchard_best(t.run), 4);
}

TEST(Evanno, TwoReplicatesGiveTheirDistanceOverRootTwo) {
  Tables t(1, 1, 6, 2);
  t.set_even(1, 1, -1000.5);
  t.set_even(1, 2, -1003.25);
  analyse(t.run);
  EXPECT_NEAR(t.run.X(1, 2), 2.75 / std::sqrt(2.0), 1e-12);
}

TEST(Evanno, TiesNaNAndInfinity) {
  struct Case {
    std::string what;
    std::vector<std::vector<double>> lnp;  // per K, per replicate
    int evanno;
    int pritchard;
  };
  const Case cases[] = {
      // L' = 10, 20, 30, 40: every L'' is 10 over a deviation of 1: equal DeltaK.
      {
          "equal DeltaK: the smaller K",
          {{-100, -101}, {-90, -91}, {-70, -71}, {-40, -41}, {0, -1}},
          2,
          5,
      },
      // K = 3 has equal replicates and a curvature: infinite DeltaK wins.
      {
          "infinite DeltaK",
          {{-100, -110}, {-50, -60}, {-30, -30}, {-20, -28}},
          3,
          4,
      },
      // K = 2 has equal replicates and no curvature: NaN, never chosen.
      {
          "NaN DeltaK",
          {{-30, -31}, {-20, -20}, {-9, -10}, {-5, -9}},
          3,
          4,
      },
      {"equal means: the smaller K", {{-10, -12}, {-5, -7}, {-5, -7}}, 2, 2},
      {"two K: no DeltaK", {{-10, -12}, {-5, -7}}, 0, 2},
      {"one K", {{-10, -12}}, 0, 1},
  };
  for (const Case& c : cases) {
    const int nk = static_cast<int>(c.lnp.size());
    Tables t(1, nk, 6, 2);
    for (int k = 1; k <= nk; ++k) {
      for (int r = 1; r <= 2; ++r) t.set_even(k, r, c.lnp[k - 1][r - 1]);
    }
    analyse(t.run);
    EXPECT_EQ(t.run.evanno_best, c.evanno) << c.what;
    EXPECT_EQ(pritchard_best(t.run), c.pritchard) << c.what;
    if (c.what == "infinite DeltaK") {
      EXPECT_EQ(t.run.DELTAK(3), inf);
    }
    if (c.what == "NaN DeltaK") {
      EXPECT_TRUE(std::isnan(t.run.DELTAK(2)));
    }
  }
}

TEST(Evanno, OneReplicatePerK) {
  Tables t(2, 5, 8, 1);
  for (int k = 2; k <= 5; ++k) t.set_even(k, 1, -100.0 + k * k);
  analyse(t.run);
  for (int k = 3; k <= 4; ++k) EXPECT_TRUE(std::isnan(t.run.DELTAK(k))) << k;
  EXPECT_EQ(t.run.evanno_best, 0);
  EXPECT_EQ(pritchard_best(t.run), 5);
  // No replicate lies above its mean: nothing is scored anywhere.
  for (int k = 2; k <= 5; ++k) {
    EXPECT_EQ(t.run.Q2(1, k), -1e300) << k;
    EXPECT_EQ(t.run.BESTREP(k), 0) << k;
  }
  EXPECT_EQ(parsimony_best(t.run), 2);
}

TEST(Pritchard, NaNMeansAreSkipped) {
  Tables t(3, 5, 6, 2);
  for (int k = 3; k <= 5; ++k) {
    for (int r = 1; r <= 2; ++r) t.set_even(k, r, -50);
  }
  t.run.LOGLK(1, 4) = std::numeric_limits<double>::quiet_NaN();
  analyse(t.run);
  EXPECT_TRUE(std::isnan(t.run.X(4, 1)));
  EXPECT_EQ(pritchard_best(t.run), 3);
  for (int k = 3; k <= 5; ++k) t.run.X(k, 1) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(pritchard_best(t.run), 3);
}

// The worked example: 12 individuals in two groups of six, found by replicates 1 and 2
// (with the clusters numbered the other way round in replicate 2).
struct ParsimonyExample : Tables {
  ParsimonyExample() : Tables(2, 2, 12, 4) { fill(*this); }
  static void fill(Tables& t) {
    t.set(2, 1, -100, groups(6, {0.9f, 0.1f}, 6, {0.1f, 0.9f}));
    t.set(2, 2, -101, groups(6, {0.1f, 0.9f}, 6, {0.9f, 0.1f}));
    t.set(2, 3, -120, groups(3, {0.9f, 0.1f}, 9, {0.1f, 0.9f}));
    t.set(2, 4, -130, groups(3, {0.9f, 0.1f}, 9, {0.1f, 0.9f}));
  }
};

TEST(Parsimony, WorkedExample) {
  ParsimonyExample t;
  analyse(t.run);
  // Values worked out by hand with every single-precision step rounded on its own.
  EXPECT_EQ(t.run.BESTREP(2), 1);
  EXPECT_EQ(t.run.BESTSCORE(2), 0.10666665683190027);
  EXPECT_EQ(t.run.Q2(2, 2), 0);
  EXPECT_EQ(t.run.Q2(5, 2), 66 / (66 + 0.00001));
  EXPECT_EQ(t.run.Q2(1, 2), (0.10666665683190027 + 66 / (66 + 0.00001)) - 0.25);
  EXPECT_EQ(parsimony_best(t.run), 2);
}

TEST(Parsimony, ScoreOfOneReplicate) {
  ParsimonyExample t;
  t.run.Q2(1, 2) = -1e300;
  score_replicates(t.run, 2, -112.75);
  EXPECT_EQ(t.run.Q2(1, 2), 0.10666665683190027);
  EXPECT_EQ(t.run.CLUSTER(1, 2), 2);
  EXPECT_EQ(t.run.CLUSTER(12, 2), 1);
  EXPECT_EQ(t.run.QM(7, 1), static_cast<double>(0.9f));
}

TEST(Parsimony, AssignmentThreshold) {
  struct Case {
    std::string what;
    Memberships m;
    double small_clusters;  // counted over the one scored replicate
  };
  const Case cases[] = {
      // 13 of 20 above 0.65: 13 > 20 x 0.6499999761581421, the threshold stays, and the
      // second cluster counts no member.
      {"13 of 20", groups(13, {0.9f, 0.1f}, 7, {0.4f, 0.6f}), 1},
      // 12 of 20: the threshold halves and all 20 are counted.
      {"12 of 20", groups(12, {0.9f, 0.1f}, 8, {0.4f, 0.6f}), 0},
      // 0.650 in the file is 0.65 in single precision, equal to the threshold: not counted.
      {"0.650 exactly", groups(13, {0.65f, 0.35f}, 7, {0.1f, 0.9f}), 0},
      {"just above 0.650", groups(13, {0.651f, 0.349f}, 7, {0.35f, 0.65f}), 1},
  };
  for (const Case& c : cases) {
    Tables t(2, 2, 20, 2);
    t.set(2, 1, -10, c.m);
    t.set_even(2, 2, -20);
    analyse(t.run);
    EXPECT_EQ(t.run.Q2(2, 2), c.small_clusters) << c.what;
    EXPECT_EQ(t.run.BESTREP(2), 1) << c.what;
  }
}

TEST(Parsimony, TiesUnscoredAndDegenerateReplicates) {
  {
    // Equal largest memberships go to the lower cluster.
    Tables t(3, 3, 6, 2);
    t.set(3, 1, -1, Memberships(6, {0.2f, 0.4f, 0.4f}));
    t.set_even(3, 2, -2);
    analyse(t.run);
    EXPECT_EQ(t.run.CLUSTER(1, 1), 2);
  }
  {
    // Replicates equal to their mean are not scored.
    Tables t(2, 2, 12, 3);
    for (int r = 1; r <= 3; ++r) t.set(2, r, -10, groups(6, {0.9f, 0.1f}, 6, {0.1f, 0.9f}));
    analyse(t.run);
    EXPECT_EQ(t.run.BESTREP(2), 0);
    EXPECT_EQ(t.run.Q2(2, 2), 0);
    EXPECT_EQ(t.run.Q2(1, 2), -1e300);
  }
  {
    // Everybody in one cluster: Sb / Cb is taken as 1.
    Tables t(2, 2, 8, 2);
    t.set(2, 1, -1, Memberships(8, {0.8f, 0.2f}));
    t.set_even(2, 2, -2);
    analyse(t.run);
    const float self = 0.8f * 0.8f + 0.2f * 0.2f;
    EXPECT_EQ(t.run.Q2(2, 2), 1);  // the empty second cluster is small
    // Score = (1/8) x (mean similarity - 1); penalty 1 / (2 x 0.5 x 2); no pairs judged.
    EXPECT_EQ(t.run.Q2(1, 2),
              (((1.0 / 8) * (static_cast<double>(self) * 36 / 36 - 1) - 1 / 2.0) + 0) - 0.25);
  }
  {
    // No cluster with more than 5 counted members: a NaN score, never the best, but its
    // small clusters count.
    Tables t(2, 2, 5, 2);
    t.set(2, 1, -1, groups(3, {0.9f, 0.1f}, 2, {0.1f, 0.9f}));
    t.set_even(2, 2, -2);
    analyse(t.run);
    EXPECT_EQ(t.run.BESTREP(2), 0);
    EXPECT_EQ(t.run.Q2(2, 2), 2);
    EXPECT_EQ(t.run.Q2(1, 2), -1e300);
  }
  {
    // Of equal scores the earliest replicate stays.
    Tables t(2, 2, 12, 3);
    t.set(2, 1, -1, groups(6, {0.9f, 0.1f}, 6, {0.1f, 0.9f}));
    t.set(2, 2, -5, groups(6, {0.9f, 0.1f}, 6, {0.1f, 0.9f}));
    t.set(2, 3, -1, groups(6, {0.1f, 0.9f}, 6, {0.9f, 0.1f}));
    analyse(t.run);
    EXPECT_EQ(t.run.BESTREP(2), 1);
  }
}

TEST(Parsimony, ReplicateWithoutMembershipsEndsUnscored) {
  // No individual has a membership above 0: the threshold would halve forever. The
  // replicate is left unscored, but its assignments still count for the pairs.
  Tables t(2, 2, 10, 3);
  t.set(2, 1, -1, Memberships(10, {0.0f, 0.0f}));
  t.set(2, 2, -1, Memberships(10, {0.0f, 0.0f}));
  t.set_even(2, 3, -9);
  analyse(t.run);
  EXPECT_EQ(t.run.Q2(2, 2), 0);
  EXPECT_EQ(t.run.BESTREP(2), 0);
  EXPECT_EQ(t.run.Q2(5, 2), 45 / (45 + 0.00001));
  EXPECT_EQ(t.run.Q2(1, 2), -1e300);
}

TEST(Parsimony, PairConsistency) {
  {
    // One individual: no pair.
    Tables t(2, 2, 1, 3);
    for (int r = 1; r <= 3; ++r) t.set(2, r, -r, Memberships(1, {0.9f, 0.1f}));
    analyse(t.run);
    EXPECT_EQ(t.run.Q2(5, 2), 0);
  }
  {
    // Fewer than two above-mean replicates: no pair is judged.
    Tables t(2, 2, 12, 3);
    t.set(2, 1, -1, groups(6, {0.9f, 0.1f}, 6, {0.1f, 0.9f}));
    t.set(2, 2, -9, groups(6, {0.9f, 0.1f}, 6, {0.1f, 0.9f}));
    t.set(2, 3, -9, groups(6, {0.9f, 0.1f}, 6, {0.1f, 0.9f}));
    analyse(t.run);
    EXPECT_EQ(t.run.Q2(5, 2), 0);
  }
  {
    // Two above-mean replicates that disagree about one individual: its 11 pairs are
    // together once and apart once.
    Tables t(2, 2, 12, 3);
    Memberships a = groups(6, {0.9f, 0.1f}, 6, {0.1f, 0.9f});
    Memberships b = a;
    b[0] = {0.1f, 0.9f};
    t.set(2, 1, -1, a);
    t.set(2, 2, -1, b);
    t.set_even(2, 3, -9);
    analyse(t.run);
    EXPECT_EQ(t.run.Q2(5, 2), 55 / (66 + 0.00001));
  }
}

TEST(Parsimony, SmallClusterPenalty) {
  // K = 3, four runs: every small cluster costs 2 / (3 x 4) = 1/6.
  Tables t(3, 3, 12, 4);
  // Replicate 1 has one empty cluster, replicate 2 two of them.
  t.set(3, 1, -1, groups(6, {0.9f, 0.1f, 0.0f}, 6, {0.1f, 0.9f, 0.0f}));
  t.set(3, 2, -2, Memberships(12, {0.9f, 0.05f, 0.05f}));
  t.set_even(3, 3, -50);
  t.set_even(3, 4, -60);
  t.run.Q2(1, 3) = -1e300;
  t.run.Q2(2, 3) = 0;
  score_replicates(t.run, 3, -28.25);
  EXPECT_EQ(t.run.Q2(2, 3), 3);
  const double best = t.run.Q2(1, 3);
  penalty_and_consistency(t.run, 3, -28.25);
  EXPECT_EQ(t.run.Q2(1, 3), best - 3 / static_cast<double>(3.0f * 0.5f * 4.0f));
}

TEST(BestOutputFile, CountsFilesOfTheChosenKInListOrder) {
  TempDir dir;
  test::Capture console;
  pelvano::Run run;
  test::set_up_run(run, console, dir.str(), "K*", 2, 3, 4, 3);
  const int ks[] = {2, 3, 2, 3, 2, 3};
  for (int f = 0; f < 6; ++f) {
    const std::string name = dir / ("file" + std::to_string(f + 1));
    // A first line of its own that leaves a reused field holding "Run" would stop early.
    test::write_file(name, "/\nRun parameters:\n 4 individuals\n 9 loci\n " +
                               std::to_string(ks[f]) + " populations\n");
    run.READFILE.push_back(name + "   ");
  }
  run.NFILES = 6;
  run.IDX = 3;
  run.BESTREP(3) = 2;
  EXPECT_EQ(best_output_file(run, run.IDX), dir / "file4   ");
  run.BESTREP(3) = 0;  // never set: no file
  EXPECT_EQ(best_output_file(run, run.IDX), "");
  run.IDX = 2;
  run.BESTREP(2) = 3;
  EXPECT_EQ(best_output_file(run, run.IDX), dir / "file5   ");
  // A file that can no longer be read ends the run.
  test::write_file(dir / "file1", "nothing here\n");
  try {
    best_output_file(run, run.IDX);
    FAIL() << "no failure";
  } catch (const FatalError& e) {
    EXPECT_EQ(e.kind, FatalKind::read_failure);
    EXPECT_EQ(e.message, "End of file in file, " + (dir / "file1") + ", at line 1!");
  }
}

}  // namespace
}  // namespace pelvano
