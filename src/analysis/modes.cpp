#include "analysis/modes.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numeric>

#include "analysis/assignment.hpp"
#include "base/decimal.hpp"
#include "base/parallel.hpp"

namespace pelvano {

namespace {

// The costs of every pairing of A's clusters a with B's clusters b: the sum over the
// individuals, in ascending order, of (A_ia - B_ib)^2. With K fixed at compile time the
// sums stay in registers and the processor's vector additions take several at once.
template <std::size_t K>
void pair_costs_of(const double* a, const double* b, std::size_t c, double* cost) {
  double sum[K * K] = {};
  for (std::size_t i = 0; i < c; ++i) {
    const double* ai = a + i * K;
    const double* bi = b + i * K;
    for (std::size_t x = 0; x < K; ++x) {
      for (std::size_t y = 0; y < K; ++y) {
        const double d = ai[x] - bi[y];
        sum[x * K + y] += d * d;
      }
    }
  }
  std::copy(sum, sum + K * K, cost);
}

void pair_costs_any(const double* a, const double* b, std::size_t c, std::size_t k, double* cost) {
  std::fill(cost, cost + k * k, 0.0);
  for (std::size_t i = 0; i < c; ++i) {
    const double* ai = a + i * k;
    const double* bi = b + i * k;
    for (std::size_t x = 0; x < k; ++x) {
      const double ax = ai[x];
      double* row = cost + x * k;
      for (std::size_t y = 0; y < k; ++y) {
        const double d = ax - bi[y];
        row[y] += d * d;
      }
    }
  }
}

PELVANO_CLONES("avx2")
void pair_costs(const double* a, const double* b, std::size_t c, std::size_t k, double* cost) {
  switch (k) {
    case 1:
      return pair_costs_of<1>(a, b, c, cost);
    case 2:
      return pair_costs_of<2>(a, b, c, cost);
    case 3:
      return pair_costs_of<3>(a, b, c, cost);
    case 4:
      return pair_costs_of<4>(a, b, c, cost);
    case 5:
      return pair_costs_of<5>(a, b, c, cost);
    case 6:
      return pair_costs_of<6>(a, b, c, cost);
    case 7:
      return pair_costs_of<7>(a, b, c, cost);
    case 8:
      return pair_costs_of<8>(a, b, c, cost);
    case 9:
      return pair_costs_of<9>(a, b, c, cost);
    case 10:
      return pair_costs_of<10>(a, b, c, cost);
    case 11:
      return pair_costs_of<11>(a, b, c, cost);
    case 12:
      return pair_costs_of<12>(a, b, c, cost);
    default:
      return pair_costs_any(a, b, c, k, cost);
  }
}

double similarity_of(double d, std::int32_t individuals) {
  return 1.0 - std::sqrt(d) / std::sqrt(2.0 * static_cast<double>(individuals));
}

}  // namespace

std::string mode_runs_text(const KModes& m, std::size_t mode, const std::string& dot) {
  if (mode == 0 && none_agree(m)) {
    return "no two of the " + std::to_string(m.runs) + " runs agree";
  }
  return (mode == 0 ? std::string("major mode") : "minor mode " + std::to_string(mode + 1)) + dot +
         std::to_string(m.modes[mode].runs.size()) + " of " + std::to_string(m.runs) +
         (m.runs == 1 ? " run" : " runs");
}

std::vector<int> alignment(const KModes& m, std::int32_t run, std::int32_t reference) {
  const auto k = static_cast<std::size_t>(m.k);
  std::vector<int> out(k);
  if (run == reference) {
    std::iota(out.begin(), out.end(), 0);
    return out;
  }
  const auto r = static_cast<std::size_t>(m.runs);
  if (reference < run) {
    // The pair's alignment gives run's cluster for each of the reference's.
    return m.pairs[static_cast<std::size_t>(reference - 1) * r + static_cast<std::size_t>(run - 1)];
  }
  // The pair's alignment gives the reference's cluster for each of run's: turned round.
  const std::vector<int>& p =
      m.pairs[static_cast<std::size_t>(run - 1) * r + static_cast<std::size_t>(reference - 1)];
  for (std::size_t c = 0; c < k; ++c) out[static_cast<std::size_t>(p[c])] = static_cast<int>(c);
  return out;
}

KModes find_modes(std::int32_t k, std::int32_t individuals,
                  const std::vector<std::vector<double>>& q, const std::vector<double>& lnp,
                  const Threshold& threshold) {
  KModes m;
  m.k = k;
  m.individuals = individuals;
  m.runs = static_cast<std::int32_t>(q.size());
  const auto r = static_cast<std::size_t>(m.runs);
  const auto kk = static_cast<std::size_t>(k);
  const auto c = static_cast<std::size_t>(individuals);
  m.similarity.assign(r * r, 1.0);
  m.pairs.assign(r * r, {});

  // Every pair once, the lower-numbered run as A, on all cores; each pair to its own place.
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t a = 0; a < r; ++a) {
    for (std::size_t b = a + 1; b < r; ++b) pairs.emplace_back(a, b);
  }
  std::atomic<std::size_t> next{0};
  run_on_cores(pairs.size(), [&](bool) {
    std::vector<double> cost(kk * kk);
    for (std::size_t t; (t = next.fetch_add(1)) < pairs.size();) {
      const auto [a, b] = pairs[t];
      pair_costs(q[a].data(), q[b].data(), c, kk, cost.data());
      std::vector<int> best = least_assignment(cost, k, k);
      const double g = similarity_of(assignment_total(cost, k, best), individuals);
      m.similarity[a * r + b] = m.similarity[b * r + a] = g;
      m.pairs[a * r + b] = std::move(best);
    }
  });

  // The modes: the largest linked set of the runs left, again and again.
  std::vector<char> linked(r * r, 0);
  for (std::size_t a = 0; a < r; ++a) {
    for (std::size_t b = 0; b < r; ++b) {
      linked[a * r + b] = a != b && at_least(m.similarity[a * r + b], threshold);
    }
  }
  m.mode.assign(r, 0);
  m.to_reference.assign(r, {});
  m.similarity_to_reference.assign(r, 1.0);
  std::vector<int> left(r);
  std::iota(left.begin(), left.end(), 0);
  while (!left.empty()) {
    const std::vector<int> set = largest_linked_set(m.runs, linked, m.similarity, left);
    Mode mode;
    for (const int x : set) mode.runs.push_back(x + 1);
    // The reference: the largest sum of G' to the others (the lowest run of equals).
    double best = -1;
    for (const int x : set) {
      double sum = 0;
      for (const int y : set) {
        if (y != x)
          sum += m.similarity[static_cast<std::size_t>(x) * r + static_cast<std::size_t>(y)];
      }
      if (set.size() <= 2 ? mode.reference == 0 : sum > best) {
        best = sum;
        mode.reference = x + 1;
      }
    }
    // Every run aligned to the reference, and the means.
    std::vector<std::vector<double>> aligned;
    mode.mean.assign(c * kk, 0.0);
    double lnp_sum = 0;
    for (const int x : set) {
      const std::int32_t run = x + 1;
      m.mode[static_cast<std::size_t>(x)] = static_cast<int>(m.modes.size()) + 1;
      m.to_reference[static_cast<std::size_t>(x)] = alignment(m, run, mode.reference);
      m.similarity_to_reference[static_cast<std::size_t>(x)] =
          m.similarity[static_cast<std::size_t>(x) * r +
                       static_cast<std::size_t>(mode.reference - 1)];
      const std::vector<int>& p = m.to_reference[static_cast<std::size_t>(x)];
      std::vector<double> own(c * kk);
      for (std::size_t i = 0; i < c; ++i) {
        for (std::size_t a = 0; a < kk; ++a) {
          own[i * kk + a] = q[static_cast<std::size_t>(x)][i * kk + static_cast<std::size_t>(p[a])];
        }
      }
      for (std::size_t v = 0; v < own.size(); ++v) mode.mean[v] += own[v];
      aligned.push_back(std::move(own));
      lnp_sum += lnp[static_cast<std::size_t>(x)];
    }
    const auto count = static_cast<double>(set.size());
    for (double& v : mode.mean) v = v / count;
    mode.mean_lnp = lnp_sum / count;
    if (set.size() > 1) {
      double g_sum = 0, g_min = 2, h_sum = 0;
      std::size_t n = 0;
      for (std::size_t x = 0; x < set.size(); ++x) {
        for (std::size_t y = x + 1; y < set.size(); ++y) {
          const double g =
              m.similarity[static_cast<std::size_t>(set[x]) * r + static_cast<std::size_t>(set[y])];
          g_sum += g;
          g_min = std::min(g_min, g);
          // The distance of the two runs as both are aligned to the reference run.
          double d = 0;
          for (std::size_t a = 0; a < kk; ++a) {
            double s = 0;
            for (std::size_t i = 0; i < c; ++i) {
              const double e = aligned[x][i * kk + a] - aligned[y][i * kk + a];
              s += e * e;
            }
            d += s;
          }
          h_sum += similarity_of(d, individuals);
          ++n;
        }
      }
      mode.mean_similarity = g_sum / static_cast<double>(n);
      mode.min_similarity = g_min;
      mode.h_prime = h_sum / static_cast<double>(n);
    }
    m.modes.push_back(std::move(mode));
    std::vector<int> rest;
    for (const int x : left) {
      if (!std::binary_search(set.begin(), set.end(), x)) rest.push_back(x);
    }
    left = std::move(rest);
  }
  return m;
}

std::vector<KModes> modes_of_study(const Study& study, std::int32_t kfirst, std::int32_t klast,
                                   std::int32_t individuals, const Threshold& threshold) {
  std::vector<KModes> out;
  for (std::int32_t k = kfirst; k <= klast; ++k) {
    // The memberships of the runs of K, normalised on all cores, each into its place; only
    // one K's at a time are held.
    const auto runs = static_cast<std::size_t>(study.runs(k));
    std::vector<std::vector<double>> q(runs);
    std::vector<double> lnp(runs);
    std::atomic<std::size_t> next{0};
    run_on_cores(runs, [&](bool) {
      for (std::size_t r; (r = next.fetch_add(1)) < runs;) {
        const StudyFile& f = study.file(k, static_cast<std::int32_t>(r) + 1);
        q[r] = normalised_memberships(f);
        lnp[r] = f.lnp;
      }
    });
    out.push_back(find_modes(k, individuals, q, lnp, threshold));
  }
  return out;
}

}  // namespace pelvano
