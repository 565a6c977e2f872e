// The fast replicate scoring and pair consistency against a plain transcription of the
// loops (reference_scoring.cpp), on random replicates with ties, zeros, NaN, values on the
// threshold and replicates at their mean, and K with fewer runs than others: every value
// must have the same bits.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "analysis/analysis.hpp"
#include "analysis/reference_scoring.hpp"
#include "input/study_reader.hpp"

namespace pelvano {
namespace {

bool same_bits(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) ||
         std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A membership drawn to hit the cases that matter: ties, zeros, the threshold, NaN, tiny
// values, and plain values.
float draw_membership(std::mt19937_64& rng, bool allow_nan) {
  switch (rng() % 20) {
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
    case 7:
    case 8:
      // Every bit of the mantissa used, at any scale: the sums of the pairs then need more
      // bits than a double holds, so that only additions in the one right order give the
      // right bits.
      return std::ldexp(static_cast<float>((rng() % (1u << 23)) | (1u << 23)),
                        -24 - static_cast<int>(rng() % 40));
    default:
      return std::ldexp(static_cast<float>(rng() % (1u << 24)), -24);
  }
}

struct Config {
  std::int32_t kstart, kend, nind, nrun;
  bool nan;
  bool clustered;       // memberships concentrated on one cluster per individual
  bool uneven = false;  // each K with 1 to nrun runs, as a folder may have them
};

// Two runs with the same random replicates, their Parsimony tables cleared; the memberships
// are held by `study`, as the reading holds them.
void fill(Run& a, Run& b, Study& study, const Config& c, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  for (Run* run : {&a, &b}) {
    run->KSTART = c.kstart;
    run->KEND = c.kend;
    run->NIND = c.nind;
    run->NRUN = c.nrun;
    create_tables(*run);
    for (std::int32_t k = c.kstart; k <= c.kend; ++k) {
      for (int slot = 0; slot <= 5; ++slot) run->Q2(slot, k) = 0;
      run->Q2(1, k) = -1e300;
    }
  }
  study = Study{};
  for (std::int32_t k = c.kstart; k <= c.kend; ++k) {
    const auto runs =
        c.uneven ? 1 + static_cast<std::int32_t>(rng() % static_cast<std::uint64_t>(c.nrun))
                 : c.nrun;
    for (std::int32_t r = 1; r <= runs; ++r) {
      StudyFile f;
      f.k = k;
      f.run = r;
      // Ln P(D) values from a small set, so that some equal the mean of their K.
      f.lnp = -100.0 - static_cast<double>(rng() % 4);
      if (c.nan && rng() % 25 == 0) f.lnp = std::numeric_limits<double>::quiet_NaN();
      for (std::int32_t i = 1; i <= c.nind; ++i) {
        const auto home = static_cast<std::int32_t>(rng() % static_cast<std::uint64_t>(k)) + 1;
        for (std::int32_t cl = 1; cl <= k; ++cl) {
          // NaN memberships only in the first replicate, so that the others can be scored.
          float v = draw_membership(rng, c.nan && r == 1);
          if (c.clustered) v = cl == home ? 0.7f + v * 0.3f : v * 0.1f;
          f.q.push_back(v);
        }
      }
      study.runs_of[k].push_back(study.files.size());
      study.files.push_back(std::move(f));
    }
  }
  fill_tables(a, study);
  fill_tables(b, study);
}

void PrintTo(const Config& c, std::ostream* os) {
  *os << "K " << c.kstart << ".." << c.kend << ", " << c.nind << " individuals, " << c.nrun
      << " runs" << (c.nan ? ", NaN" : "") << (c.clustered ? ", clustered" : "")
      << (c.uneven ? ", uneven" : "");
}

class FastScoring : public ::testing::TestWithParam<Config> {};

TEST_P(FastScoring, HasTheBitsOfThePlainLoops) {
  const Config& c = GetParam();
  int scored = 0;
  // Odd seeds on the widest kernel the processor has, even ones on the portable kernel.
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    use_portable_similarity_kernel(seed % 2 == 0);
    pelvano::Run plain, fast;
    Study study;
    fill(plain, fast, study, c, seed * 7919 + static_cast<std::uint64_t>(c.nind));
    const std::vector<SimilaritySums> sums = precompute_similarities(fast);
    for (std::int32_t k = c.kstart; k <= c.kend; ++k) {
      const std::int32_t runs = plain.KRUN(k);
      double total = 0;
      for (std::int32_t r = 1; r <= runs; ++r) total += plain.LOGLK(r, k);
      const double mean = total / static_cast<double>(runs);
      std::vector<SimilaritySums> plain_sums(static_cast<std::size_t>(c.nrun));
      test::reference_score_replicates(plain, k, mean, plain_sums.data());
      test::reference_penalty_and_consistency(plain, k, mean);
      score_replicates(fast, k, mean,
                       sums.data() + static_cast<std::size_t>(k - c.kstart) * c.nrun);
      penalty_and_consistency(fast, k, mean);
      for (int slot = 0; slot <= 5; ++slot) {
        EXPECT_TRUE(same_bits(plain.Q2(slot, k), fast.Q2(slot, k)))
            << "seed " << seed << " K " << k << " slot " << slot << ": " << plain.Q2(slot, k)
            << " vs " << fast.Q2(slot, k);
      }
      EXPECT_EQ(plain.BESTREP(k), fast.BESTREP(k)) << "seed " << seed << " K " << k;
      scored += plain.BESTREP(k) > 0;
      // The sums of every scored replicate, best or not.
      for (std::int32_t r = 1; r <= runs; ++r) {
        const SimilaritySums& a = plain_sums[static_cast<std::size_t>(r - 1)];
        const SimilaritySums& b = sums[static_cast<std::size_t>(k - c.kstart) * c.nrun + r - 1];
        EXPECT_TRUE(same_bits(a.sw, b.sw) && same_bits(a.sb, b.sb) && a.cw == b.cw && a.cb == b.cb)
            << "seed " << seed << " K " << k << " run " << r << ": " << a.sw << " " << a.sb
            << " vs " << b.sw << " " << b.sb;
      }
      for (std::int32_t r = 1; r <= runs; ++r) {
        if (mean >= plain.LOGLK(r, k)) continue;
        for (std::int32_t i = 1; i <= c.nind; ++i) {
          ASSERT_EQ(plain.CLUSTER(i, r), fast.CLUSTER(i, r));
          ASSERT_TRUE(same_bits(plain.QM(i, r), fast.QM(i, r)));
        }
      }
    }
  }
  use_portable_similarity_kernel(false);
  // The draws must reach the scoring, or the comparison proves little.
  if (c.clustered && c.nind > 5) {
    EXPECT_GT(scored, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    RandomReplicates, FastScoring,
    ::testing::Values(Config{1, 4, 1, 3, false, false}, Config{1, 3, 2, 4, false, false},
                      Config{1, 6, 31, 5, false, true}, Config{2, 5, 32, 6, true, false},
                      Config{1, 3, 33, 7, false, true}, Config{3, 4, 64, 2, true, true},
                      Config{1, 2, 65, 9, false, false}, Config{5, 7, 100, 5, false, true},
                      Config{11, 11, 129, 4, true, false}, Config{1, 4, 257, 8, false, true},
                      Config{9, 14, 61, 10, false, true}, Config{1, 12, 43, 6, true, true},
                      Config{1, 8, 40, 5, false, true, true},
                      Config{2, 9, 70, 7, true, true, true}));

}  // namespace
}  // namespace pelvano
