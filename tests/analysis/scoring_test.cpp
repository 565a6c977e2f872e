// The program's fast replicate scoring and pair consistency against a plain transcription
// of the loops, on random replicates with ties, zeros, NaN and values on the threshold.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "analysis/analysis.hpp"
#include "analysis/reference_scoring.hpp"
#include "analysis/similarity.hpp"
#include "support/test_support.hpp"

namespace pelvano {
namespace {

bool same_bits(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) ||
         std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A membership drawn to hit the cases that matter: ties, zeros, the threshold, NaN, and
// plain values.
float draw_membership(std::mt19937_64& rng, bool allow_nan) {
  const int kind = static_cast<int>(rng() % 20);
  switch (kind) {
    case 0:
    case 1:
      return 0.0f;
    case 2:
      return 0.65f;
    case 3:
      return 0.5f;
    case 4:
      return 1.0f;
    case 5:
      return allow_nan ? std::numeric_limits<float>::quiet_NaN() : 0.25f;
    case 6:
      return static_cast<float>(rng() % 1001) / 1000.0f;
    default:
      return std::ldexp(static_cast<float>(rng() % (1u << 24)), -24);
  }
}

struct Config {
  std::int32_t kstart, kend, nind, nrun;
  bool nan;
  bool clustered;  // memberships concentrated on one cluster per individual
};

// Fills two identical runs with random replicates.
void fill(pelvano::Run& a, pelvano::Run& b, const Config& c, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  for (std::int32_t k = c.kstart; k <= c.kend; ++k) {
    for (std::int32_t r = 1; r <= c.nrun; ++r) {
      // Ln P(D) values from a small set, so that some equal the mean of their K.
      double lnp = -100.0 - static_cast<double>(rng() % 4);
      if (c.nan && rng() % 25 == 0) lnp = std::numeric_limits<double>::quiet_NaN();
      a.LOGLK(r, k) = b.LOGLK(r, k) = lnp;
      for (std::int32_t i = 1; i <= c.nind; ++i) {
        const auto home = static_cast<std::int32_t>(rng() % static_cast<std::uint64_t>(k)) + 1;
        for (std::int32_t cl = 1; cl <= k; ++cl) {
          // NaN memberships only in the first replicate, so that the others can be scored.
          float v = draw_membership(rng, c.nan && r == 1);
          if (c.clustered) v = cl == home ? 0.7f + v * 0.3f : v * 0.1f;
          a.q(k)(cl, i, r) = b.q(k)(cl, i, r) = v;
        }
      }
    }
  }
}

class FastScoring : public ::testing::TestWithParam<Config> {};

TEST_P(FastScoring, EqualsThePlainLoops) {
  const Config& c = GetParam();
  int scored = 0;
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    test::TempDir dir;
    test::Capture console;
    pelvano::Run plain, fast;
    test::set_up_run(plain, console, dir.str(), "K*", c.kstart, c.kend, c.nind, c.nrun);
    test::set_up_run(fast, console, dir.str(), "K*", c.kstart, c.kend, c.nind, c.nrun);
    fill(plain, fast, c, seed * 7919 + static_cast<std::uint64_t>(c.nind));
    for (pelvano::Run* run : {&plain, &fast}) {
      for (std::int32_t k = c.kstart; k <= c.kend; ++k) {
        for (int slot = 0; slot <= 5; ++slot) run->Q2(slot, k) = 0;
        run->Q2(1, k) = -1e300;
      }
    }
    const std::vector<SimilaritySums> sums = precompute_similarities(fast);
    for (std::int32_t k = c.kstart; k <= c.kend; ++k) {
      double total = 0;
      for (std::int32_t r = 1; r <= c.nrun; ++r) total += plain.LOGLK(r, k);
      const double mean = total / static_cast<double>(c.nrun);
      test::reference_score_replicates(plain, k, mean);
      test::reference_penalty_and_consistency(plain, k, mean);
      score_replicates(
          fast, k, mean,
          sums.data() + static_cast<std::size_t>(k - c.kstart) * static_cast<std::size_t>(c.nrun));
      penalty_and_consistency(fast, k, mean);
      for (int slot = 0; slot <= 5; ++slot) {
        EXPECT_TRUE(same_bits(plain.Q2(slot, k), fast.Q2(slot, k)))
            << "seed " << seed << " K " << k << " slot " << slot << ": " << plain.Q2(slot, k)
            << " vs " << fast.Q2(slot, k);
      }
      EXPECT_EQ(plain.BESTREP(k), fast.BESTREP(k)) << "seed " << seed << " K " << k;
      scored += plain.BESTREP(k) > 0;
      for (std::int32_t r = 1; r <= c.nrun; ++r) {
        if (!(mean >= plain.LOGLK(r, k))) {
          for (std::int32_t i = 1; i <= c.nind; ++i) {
            ASSERT_EQ(plain.CLUSTER(i, r), fast.CLUSTER(i, r));
            ASSERT_TRUE(same_bits(plain.QM(i, r), fast.QM(i, r)));
          }
        }
      }
    }
  }
  // The draws must reach the scoring, or the comparison proves little.
  if (c.clustered && c.nind > 5) {
    EXPECT_GT(scored, 0);
  }
}

void PrintTo(const Config& c, std::ostream* os) {
  *os << "K " << c.kstart << ".." << c.kend << ", " << c.nind << " individuals, " << c.nrun
      << " runs" << (c.nan ? ", NaN" : "") << (c.clustered ? ", clustered" : "");
}

INSTANTIATE_TEST_SUITE_P(
    RandomReplicates, FastScoring,
    ::testing::Values(Config{1, 4, 1, 3, false, false}, Config{1, 3, 2, 4, false, false},
                      Config{1, 6, 31, 5, false, true}, Config{2, 5, 32, 6, true, false},
                      Config{1, 3, 33, 7, false, true}, Config{3, 4, 64, 2, true, true},
                      Config{1, 2, 65, 9, false, false}, Config{5, 7, 100, 5, false, true},
                      Config{11, 11, 129, 4, true, false}, Config{1, 4, 257, 8, false, true}));

TEST(SimilaritySums, BatchesEqualSingleReplicates) {
  std::mt19937_64 rng(42);
  const std::int32_t n = 77;
  const std::int32_t ks[similarity_batch] = {1, 3, 6, 2};
  std::vector<std::vector<float>> q(similarity_batch);
  std::vector<std::vector<std::int32_t>> cl(similarity_batch);
  ReplicateView views[similarity_batch];
  for (int b = 0; b < similarity_batch; ++b) {
    for (std::int32_t i = 0; i < n * ks[b]; ++i) q[b].push_back(draw_membership(rng, b == 2));
    for (std::int32_t i = 0; i < n; ++i) {
      cl[b].push_back(static_cast<std::int32_t>(rng() % static_cast<std::uint64_t>(ks[b])) + 1);
    }
    views[b] = ReplicateView{q[b].data(), cl[b].data(), ks[b]};
  }
  SimilarityScratch scratch;
  for (int count = 1; count <= similarity_batch; ++count) {
    SimilaritySums together[similarity_batch];
    similarity_sums(views, count, n, scratch, together);
    for (int b = 0; b < count; ++b) {
      const SimilaritySums alone = similarity_sums(q[b].data(), cl[b].data(), n, ks[b], scratch);
      EXPECT_TRUE(same_bits(alone.sw, together[b].sw)) << count << " " << b;
      EXPECT_TRUE(same_bits(alone.sb, together[b].sb)) << count << " " << b;
      EXPECT_EQ(alone.cw, together[b].cw);
      EXPECT_EQ(alone.cb, together[b].cb);
      EXPECT_EQ(alone.cw + alone.cb, std::int64_t{n} * (n + 1) / 2);
    }
  }
}

}  // namespace
}  // namespace pelvano
