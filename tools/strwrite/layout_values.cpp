#include "strwrite/exact.hpp"  // first: see there

#include "strwrite/layout_values.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "strwrite/rng.hpp"

namespace pelvano::tools {

namespace {

// What a generator of this file is for; each has its own stream per individual.
enum class Purpose : std::uint64_t { kIndR = 1, kIntervals = 2, kPrior = 3 };

// A generator for one purpose and one individual of one run, independent of every other stream.
Rng layout_rng(std::uint64_t run_seed, int k, int i, Purpose purpose) {
  std::uint64_t x = run_seed ^ (static_cast<std::uint64_t>(purpose) << 56);
  std::uint64_t y = splitmix64(x) ^ (static_cast<std::uint64_t>(k) << 32 |
                                     static_cast<std::uint64_t>(static_cast<std::uint32_t>(i)));
  return make_rng(splitmix64(y));
}

void add_ind_r(const DataSet& d, RunResult& run) {
  run.r_tenthousandths.assign(static_cast<std::size_t>(d.n_ind), 0);
  const double lo = det_log(0.01), hi = det_log(3.2);
  for (int i = 0; i < d.n_ind; ++i) {
    Rng g = layout_rng(run.seed, run.k, i, Purpose::kIndR);
    const double r = det_exp(uniform(g, lo, hi));
    run.r_tenthousandths[i] =
        static_cast<int>(std::clamp(std::llround(r * 10000.0), 100LL, 32000LL));
  }
}

void add_intervals(const DataSet& d, RunResult& run) {
  const int K = run.k;
  run.interval_milli.assign(static_cast<std::size_t>(d.n_ind) * K * 2, 0);
  for (int i = 0; i < d.n_ind; ++i) {
    Rng g = layout_rng(run.seed, K, i, Purpose::kIntervals);
    const std::vector<double> q = membership_row(run, i);
    for (int k = 0; k < K; ++k) {
      // The interval is taken around the membership as printed, so it always holds it.
      const double v = std::isfinite(q[k]) ? std::clamp(q[k], 0.0, 1.0) : 0.0;
      const long long m = std::llround(v * 1000.0);
      const double spread = 0.05 + std::sqrt(v * (1.0 - v));
      const long long down = std::llround(1000.0 * spread * uniform(g, 0.4, 1.0));
      const long long up = std::llround(1000.0 * spread * uniform(g, 0.4, 1.0));
      int* out = &run.interval_milli[(static_cast<std::size_t>(i) * K + k) * 2];
      out[0] = static_cast<int>(std::max(0LL, m - down));
      out[1] = static_cast<int>(std::min(1000LL, m + up));
    }
  }
}

void add_prior(const DataSet& d, RunResult& run) {
  const int K = run.k, width = 1 + 3 * (K - 1);
  // Migrants themselves are rarer than individuals with a migrant parent or grandparent.
  const double generation_weight[3] = {0.05, 0.45, 0.5};
  run.prior_milli.assign(static_cast<std::size_t>(d.n_ind) * width, 0);
  std::vector<double> p(static_cast<std::size_t>(width));
  for (int i = 0; i < d.n_ind; ++i) {
    if (!used_as_prior(d, K, i)) continue;
    Rng g = layout_rng(run.seed, K, i, Purpose::kPrior);
    const double u = uniform01(g);
    const double home = u < 0.8   ? uniform(g, 0.95, 1.0)
                        : u < 0.9 ? uniform(g, 0.5, 0.95)
                                  : uniform(g, 0.0, 0.5);
    double total = 0.0;
    for (int j = 1; j < width; ++j)
      total += (p[j] = uniform(g, 0.2, 1.0) * generation_weight[(j - 1) % 3]);
    p[0] = home;
    for (int j = 1; j < width; ++j) p[j] *= (1.0 - home) / total;
    to_milli(p, &run.prior_milli[static_cast<std::size_t>(i) * width]);
  }
}

}  // namespace

bool used_as_prior(const DataSet& d, int k, int i) {
  return d.use_pop_info && (i + 1) % 5 != 0 && d.pop[i] <= k;
}

void add_layout_values(const DataSet& d, RunResult& run) {
  if (d.ind_r) add_ind_r(d, run);
  if (d.intervals) add_intervals(d, run);
  if (d.use_pop_info) add_prior(d, run);
}

}  // namespace pelvano::tools
