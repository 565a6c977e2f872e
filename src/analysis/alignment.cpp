#include "analysis/alignment.hpp"

#include "analysis/assignment.hpp"

#include <algorithm>
#include <limits>
#include <numeric>
#include <type_traits>

namespace pelvano {

namespace {

using Matrix = std::vector<std::vector<std::int64_t>>;

// The largest total weight of an assignment of the rows `rows` to distinct columns among
// `cols`: the Hungarian method on the costs -weight, rows no more than columns.
std::int64_t best_total(const Matrix& w, const std::vector<int>& rows,
                        const std::vector<int>& cols) {
  const std::size_t n = rows.size(), m = cols.size();
  if (n == 0) return 0;
  constexpr std::int64_t inf = std::numeric_limits<std::int64_t>::max() / 4;
  std::vector<std::int64_t> u(n + 1, 0), v(m + 1, 0);
  std::vector<std::size_t> p(m + 1, 0), way(m + 1, 0);
  const auto cost = [&](std::size_t i, std::size_t j) { return -w[rows[i - 1]][cols[j - 1]]; };
  for (std::size_t i = 1; i <= n; ++i) {
    p[0] = i;
    std::size_t j0 = 0;
    std::vector<std::int64_t> minv(m + 1, inf);
    std::vector<bool> used(m + 1, false);
    do {
      used[j0] = true;
      const std::size_t i0 = p[j0];
      std::int64_t delta = inf;
      std::size_t j1 = 0;
      for (std::size_t j = 1; j <= m; ++j) {
        if (used[j]) continue;
        const std::int64_t cur = cost(i0, j) - u[i0] - v[j];
        if (cur < minv[j]) {
          minv[j] = cur;
          way[j] = j0;
        }
        if (minv[j] < delta) {
          delta = minv[j];
          j1 = j;
        }
      }
      for (std::size_t j = 0; j <= m; ++j) {
        if (used[j]) {
          u[p[j]] += delta;
          v[j] -= delta;
        } else {
          minv[j] -= delta;
        }
      }
      j0 = j1;
    } while (p[j0] != 0);
    do {
      const std::size_t j1 = way[j0];
      p[j0] = p[j1];
      j0 = j1;
    } while (j0 != 0);
  }
  return v[0];  // minus the least total cost
}

}  // namespace

std::int32_t representative_run(const Run& run, std::int32_t k) {
  if (run.BESTREP(k) > 0) return run.BESTREP(k);
  std::int32_t best = 1;
  for (std::int32_t r = 2; r <= run.KRUN(k); ++r) {
    if (run.LOGLK(r, k) > run.LOGLK(best, k)) best = r;
  }
  return best;
}

std::vector<int> best_assignment(const Matrix& w) {
  const int n = static_cast<int>(w.size());
  const int m = n == 0 ? 0 : static_cast<int>(w[0].size());
  std::vector<int> rows(static_cast<std::size_t>(n)), cols(static_cast<std::size_t>(m));
  std::iota(rows.begin(), rows.end(), 0);
  std::iota(cols.begin(), cols.end(), 0);
  const std::int64_t best = best_total(w, rows, cols);
  // Row by row, the lowest column that still allows the best total. The weights are exact
  // integers, so the totals compare exactly.
  std::vector<int> chosen;
  std::int64_t fixed = 0;
  for (int r = 0; r < n; ++r) {
    rows.erase(rows.begin());
    for (std::size_t c = 0; c < cols.size(); ++c) {
      std::vector<int> rest = cols;
      rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(c));
      const std::int64_t with =
          fixed + w[static_cast<std::size_t>(r)][static_cast<std::size_t>(cols[c])];
      if (with + best_total(w, rows, rest) == best) {
        chosen.push_back(cols[c]);
        fixed = with;
        cols = std::move(rest);
        break;
      }
    }
  }
  return chosen;
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
// clusters of consecutive K summed over the individuals in ascending order, then the best
// matching, exactly: in integers by best_assignment, in doubles by least_assignment on the
// negated overlaps (the least total of them is the largest total overlap).
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
    std::vector<int> match;
    if constexpr (std::is_same_v<T, double>) {
      for (double& v : overlap) v = -v;
      match = least_assignment(overlap, static_cast<int>(k), static_cast<int>(k) + 1);
    } else {
      Matrix w(k);
      for (std::size_t a = 0; a < k; ++a) {
        w[a].assign(overlap.begin() + static_cast<std::ptrdiff_t>(a * (k + 1)),
                    overlap.begin() + static_cast<std::ptrdiff_t>((a + 1) * (k + 1)));
      }
      match = best_assignment(w);
    }
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
