#include "analysis/alignment.hpp"

#include "analysis/assignment.hpp"

#include <algorithm>
#include <numeric>

namespace pelvano {

std::int32_t representative_run(const Run& run, std::int32_t k) {
  if (run.BESTREP(k) > 0) return run.BESTREP(k);
  std::int32_t best = 1;
  for (std::int32_t r = 2; r <= run.KRUN(k); ++r) {
    if (run.LOGLK(r, k) > run.LOGLK(best, k)) best = r;
  }
  return best;
}

namespace {

// The colours of K + 1 from those of K and the best matching of K's clusters to K + 1's.
std::vector<int> next_colours(const std::vector<int>& before, const std::vector<int>& match) {
  const std::size_t k = before.size();
  std::vector<int> next(k + 1, static_cast<int>(k) + 1);  // the one left over: a new colour
  for (std::size_t a = 0; a < k; ++a) next[static_cast<std::size_t>(match[a])] = before[a];
  return next;
}

// The colours of every row, q[j] the memberships of K = kfirst + j: the overlaps of the
// clusters of consecutive K summed over the individuals in ascending order (exactly, in
// integers, or in doubles), then the matching with the largest total overlap: the least
// assignment of the negated overlaps, the lowest columns first among exactly equal totals.
// Integer overlaps are exact as doubles, and so are their totals, below 2^53.
template <class T>
std::vector<std::vector<int>> colours_of(const std::vector<std::vector<T>>& q, std::int32_t kfirst,
                                         std::int32_t nind) {
  std::vector<std::vector<int>> colours;
  if (q.empty()) return colours;
  colours.emplace_back(static_cast<std::size_t>(kfirst));
  std::iota(colours[0].begin(), colours[0].end(), 1);
  for (std::size_t j = 1; j < q.size(); ++j) {
    const auto k = static_cast<std::size_t>(kfirst) + j - 1;  // clusters of the row before
    std::vector<T> overlap(k * (k + 1), T{0});
    for (std::size_t i = 0; i < static_cast<std::size_t>(nind); ++i) {
      for (std::size_t a = 0; a < k; ++a) {
        for (std::size_t b = 0; b <= k; ++b) {
          overlap[a * (k + 1) + b] += std::min(q[j - 1][i * k + a], q[j][i * (k + 1) + b]);
        }
      }
    }
    std::vector<double> cost(overlap.size());
    for (std::size_t v = 0; v < overlap.size(); ++v) cost[v] = -static_cast<double>(overlap[v]);
    const std::vector<int> match =
        least_assignment(cost, static_cast<int>(k), static_cast<int>(k) + 1);
    colours.push_back(next_colours(colours[j - 1], match));
  }
  return colours;
}

}  // namespace

std::vector<std::vector<int>> align_colours(const std::vector<std::vector<double>>& q,
                                            std::int32_t kfirst, std::int32_t nind) {
  return colours_of(q, kfirst, nind);
}

std::vector<std::vector<int>> align_colours(const std::vector<std::vector<std::int64_t>>& q,
                                            std::int32_t kfirst, std::int32_t nind) {
  return colours_of(q, kfirst, nind);
}

}  // namespace pelvano
