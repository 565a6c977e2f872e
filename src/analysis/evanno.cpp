// The per-K summary of the log probabilities, DeltaK and the Evanno and Pritchard choices,
// and the analysis pass that runs the Parsimony work of each K inside the same loop.
#include <cmath>
#include <limits>

#include "analysis/analysis.hpp"

namespace pelvano {

namespace {

// The start of the running maximum of DeltaK: -1e30 in single precision, widened.
constexpr double deltak_floor = static_cast<double>(-1e30f);
static_assert(deltak_floor == -1.0000000150474662e+30);

// The smallest index of the largest value; a NaN is never chosen; 1 when nothing beats
// -infinity. Positions count from 1.
template <class Value>
std::int64_t first_largest(std::int64_t count, Value value) {
  double best = -std::numeric_limits<double>::infinity();
  std::int64_t p = 1;
  for (std::int64_t j = 1; j <= count; ++j) {
    const double v = value(j);
    if (v > best) {
      best = v;
      p = j;
    }
  }
  return p;
}

}  // namespace

void analyse(Run& run) {
  const std::int32_t ks = run.KSTART;
  const std::int32_t ke = run.KEND;

  for (std::int32_t k = ks; k <= ke; ++k) {
    run.X(k, 1) = 0;
    run.X(k, 2) = 0;
    for (int slot = 0; slot <= 5; ++slot) run.Q2(slot, k) = 0;
    run.Q2(1, k) = -1e300;
  }

  const std::vector<SimilaritySums> similarities =
      run.score_replicates ? precompute_similarities(run) : std::vector<SimilaritySums>();

  // Each K over its own runs: KRUN(K) is NRUN but in a folder of uneven runs.
  for (std::int32_t k = ks; k <= ke; ++k) {
    const std::int32_t runs = run.KRUN(k);
    const double nrun = static_cast<double>(runs);
    double sum = 0;
    for (std::int32_t r = 1; r <= runs; ++r) sum += run.LOGLK(r, k);
    const double mean = sum / nrun;

    if (run.score_replicates) {
      score_replicates(run, k, mean,
                       similarities.data() +
                           static_cast<std::size_t>(k - ks) * static_cast<std::size_t>(run.NRUN));
    }
    run.BESTSCORE(k) = run.Q2(1, k);

    for (std::int32_t r = 1; r <= runs; ++r) {
      const double v = run.LOGLK(r, k);
      run.X(k, 1) += v;
      run.X(k, 2) += v * v;
    }

    if (run.score_replicates) penalty_and_consistency(run, k, mean);

    run.X(k, 1) = run.X(k, 1) / nrun;
    run.X(k, 2) = run.X(k, 2) / nrun;
    run.X(k, 2) =
        std::sqrt(std::fabs(run.X(k, 2) - run.X(k, 1) * run.X(k, 1)) * nrun / (nrun - 1.0));
    if (k > ks) run.L1(k) = run.X(k, 1) - run.X(k - 1, 1);
  }

  double best = deltak_floor;
  run.evanno_best = 0;
  for (std::int32_t k = ks + 1; k <= ke - 1; ++k) {
    run.DELTAK(k) = std::fabs(run.L1(k + 1) - run.L1(k)) / run.X(k, 2);
    if (run.DELTAK(k) > best) {
      best = run.DELTAK(k);
      run.evanno_best = k;
    }
  }

  for (std::int32_t k = ks; k <= ke; ++k) {
    run.Q2(1, k) = (run.Q2(1, k) + run.Q2(5, k)) - 1.0 / static_cast<double>(2 * std::int64_t{k});
  }
}

void choose(Run& run) {
  run.pritchard_best = pritchard_best(run);
  run.IDX = parsimony_best(run);
}

std::int32_t pritchard_best(const Run& run) {
  const std::int64_t p =
      first_largest(std::int64_t{run.KEND} - run.KSTART + 1,
                    [&](std::int64_t j) { return run.X(run.KSTART + j - 1, 1); });
  return static_cast<std::int32_t>(run.KSTART + p - 1);
}

std::int32_t parsimony_best(const Run& run) {
  const std::int64_t p =
      first_largest(std::int64_t{run.KEND} - run.KSTART + 1,
                    [&](std::int64_t j) { return run.Q2(1, run.KSTART + j - 1); });
  return static_cast<std::int32_t>(run.KSTART + p - 1);
}

}  // namespace pelvano
