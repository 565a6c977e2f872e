// Modes within a K: the alignment of two runs against every permutation, the similarity of
// identical runs, H' against a search over all alignments, made-up runs with their modes
// worked out by hand (modes_cases.txt), and the largest linked set (linked_sets_cases.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <random>
#include <sstream>

#include "analysis/assignment.hpp"
#include "analysis/modes.hpp"
#include "base/reader.hpp"
#include "support/cases.hpp"

namespace pelvano {
namespace {

// A run of c individuals and k clusters, rows summing to 1; some clusters empty or copies of
// another, so that alignments tie.
std::vector<double> random_run(std::mt19937_64& rng, std::size_t c, std::size_t k) {
  std::vector<double> q(c * k, 0.0);
  const bool empty_cluster = k > 2 && rng() % 3 == 0;
  for (std::size_t i = 0; i < c; ++i) {
    double sum = 0;
    for (std::size_t a = 0; a < k; ++a) {
      q[i * k + a] = empty_cluster && a == k - 1 ? 0.0 : static_cast<double>(rng() % 1001) / 1000;
      sum += q[i * k + a];
    }
    for (std::size_t a = 0; a < k && sum > 0; ++a) q[i * k + a] /= sum;
  }
  if (k > 2 && rng() % 3 == 0) {  // a cluster twice
    for (std::size_t i = 0; i < c; ++i) q[i * k + 1] = q[i * k];
  }
  return q;
}

std::vector<double> permuted(const std::vector<double>& q, std::size_t k,
                             const std::vector<int>& p) {
  std::vector<double> out(q.size());
  for (std::size_t i = 0; i < q.size() / k; ++i) {
    for (std::size_t a = 0; a < k; ++a) out[i * k + static_cast<std::size_t>(p[a])] = q[i * k + a];
  }
  return out;
}

double cost_of(const std::vector<double>& a, const std::vector<double>& b, std::size_t k,
               std::size_t x, std::size_t y) {
  double s = 0;
  for (std::size_t i = 0; i < a.size() / k; ++i) {
    const double d = a[i * k + x] - b[i * k + y];
    s += d * d;
  }
  return s;
}

TEST(Alignment, LeastOfAllPermutations) {
  std::mt19937_64 rng(11);
  int ties = 0;
  for (int t = 0; t < 400; ++t) {
    const std::size_t k = 1 + static_cast<std::size_t>(t % 7);
    const std::size_t c = 1 + rng() % 12;
    const std::vector<double> a = random_run(rng, c, k);
    // B: another run, or A itself with its clusters in another order (exact ties of D when
    // A has equal clusters), or A with a little noise.
    std::vector<double> b = random_run(rng, c, k);
    std::vector<int> p(k);
    std::iota(p.begin(), p.end(), 0);
    std::shuffle(p.begin(), p.end(), rng);
    if (t % 3 == 1) b = permuted(a, k, p);
    std::vector<double> cost(k * k);
    for (std::size_t x = 0; x < k; ++x) {
      for (std::size_t y = 0; y < k; ++y) cost[x * k + y] = cost_of(a, b, k, x, y);
    }
    // Every permutation in lexicographic order; the first of the least exact totals.
    std::vector<int> perm(k), best;
    std::iota(perm.begin(), perm.end(), 0);
    double least = 0;
    int at_least = 0;
    do {
      const double d = assignment_total(cost, static_cast<int>(k), perm);
      if (best.empty() || d < least) {
        least = d;
        best = perm;
        at_least = 1;
      } else if (d == least) {
        ++at_least;
      }
    } while (std::next_permutation(perm.begin(), perm.end()));
    ties += at_least > 1;
    EXPECT_EQ(least_assignment(cost, static_cast<int>(k), static_cast<int>(k)), best)
        << "case " << t << ", K " << k;
  }
  EXPECT_GT(ties, 20);  // the cases must hold ties
}

// Clusters that share no individual: every assignment adds up to the same total but for
// rounding, and 14! of them cannot all be weighed. The first in lexicographic order is taken.
TEST(Alignment, CountlessNearTiesTakeTheFirst) {
  const int k = 14;
  std::vector<double> cost(static_cast<std::size_t>(k * k));
  for (int a = 0; a < k; ++a) {
    for (int b = 0; b < k; ++b) {
      cost[static_cast<std::size_t>(a * k + b)] =
          0.001 * (a + 1) * (a + 1) + 0.003 * (b + 7) * (b + 7);
    }
  }
  std::vector<int> identity(k);
  std::iota(identity.begin(), identity.end(), 0);
  EXPECT_EQ(least_assignment(cost, k, k), identity);
}

TEST(Alignment, RectangularLeastOfAllChoices) {
  std::mt19937_64 rng(5);
  for (int t = 0; t < 200; ++t) {
    const int n = 1 + t % 5, m = n + 1 + static_cast<int>(rng() % 2);
    std::vector<double> cost(static_cast<std::size_t>(n * m));
    for (double& x : cost) x = -static_cast<double>(rng() % 6);  // many exact ties
    std::vector<int> cols(static_cast<std::size_t>(m)), best;
    std::iota(cols.begin(), cols.end(), 0);
    double least = 0;
    do {
      const std::vector<int> first(cols.begin(), cols.begin() + n);
      const double d = assignment_total(cost, m, first);
      if (best.empty() || d < least) {
        least = d;
        best = first;
      }
    } while (std::next_permutation(cols.begin(), cols.end()));
    EXPECT_EQ(least_assignment(cost, n, m), best) << "case " << t;
  }
}

TEST(Similarity, IdenticalRunsInAnyClusterOrder) {
  std::mt19937_64 rng(3);
  for (std::size_t k = 1; k <= 6; ++k) {
    const std::size_t c = 20;
    std::vector<double> a(c * k);
    for (std::size_t i = 0; i < c; ++i) {
      for (std::size_t x = 0; x < k; ++x) a[i * k + x] = static_cast<double>(i * k + x + 1);
    }
    std::vector<int> p(k);
    std::iota(p.begin(), p.end(), 0);
    std::shuffle(p.begin(), p.end(), rng);
    const KModes m = find_modes(static_cast<std::int32_t>(k), static_cast<std::int32_t>(c),
                                {a, permuted(a, k, p), a}, {-1, -2, -3}, threshold_of("0.9"));
    EXPECT_EQ(m.similarity[1], 1.0);
    EXPECT_EQ(m.similarity[2], 1.0);
    EXPECT_EQ(m.similarity[5], 1.0);
    ASSERT_EQ(m.modes.size(), 1u);
    EXPECT_EQ(m.to_reference[1], p) << "K " << k;
  }
}

// The mean over the pairs of runs of 1 - |A - B| / sqrt(2C), every run in the order `p` of
// its clusters, the distances summed over the clusters and within each over the individuals.
double h_of(const std::vector<std::vector<double>>& runs, const std::vector<std::vector<int>>& p,
            std::size_t k) {
  double sum = 0;
  int pairs = 0;
  const std::size_t c = runs[0].size() / k;
  for (std::size_t x = 0; x < runs.size(); ++x) {
    for (std::size_t y = x + 1; y < runs.size(); ++y) {
      double d = 0;
      for (std::size_t a = 0; a < k; ++a) {
        double s = 0;
        for (std::size_t i = 0; i < c; ++i) {
          const double e = runs[x][i * k + static_cast<std::size_t>(p[x][a])] -
                           runs[y][i * k + static_cast<std::size_t>(p[y][a])];
          s += e * e;
        }
        d += s;
      }
      sum += 1.0 - std::sqrt(d) / std::sqrt(2.0 * static_cast<double>(c));
      ++pairs;
    }
  }
  return sum / pairs;
}

// The largest H of all orders of the clusters of every run.
double best_h(const std::vector<std::vector<double>>& runs, std::size_t k) {
  std::vector<std::vector<int>> all;
  std::vector<int> p(k);
  std::iota(p.begin(), p.end(), 0);
  do all.push_back(p);
  while (std::next_permutation(p.begin(), p.end()));
  double best = -1;
  std::vector<std::size_t> pick(runs.size(), 0);
  for (;;) {
    std::vector<std::vector<int>> order;
    for (const std::size_t i : pick) order.push_back(all[i]);
    best = std::max(best, h_of(runs, order, k));
    std::size_t r = 0;
    while (r < pick.size() && ++pick[r] == all.size()) pick[r++] = 0;
    if (r == pick.size()) return best;
  }
}

TEST(HPrime, NeverAboveTheBestOfAllAlignments) {
  std::mt19937_64 rng(17);
  int compared = 0, equal = 0;
  for (int t = 0; t < 120; ++t) {
    const std::size_t k = 1 + static_cast<std::size_t>(t % 3), c = 6;
    const std::size_t r = 2 + static_cast<std::size_t>(t / 3 % 3);
    const bool separated = t % 2 == 0;
    std::vector<std::vector<double>> runs;
    std::vector<double> truth(c * k, 0.0);
    for (std::size_t i = 0; i < c; ++i) truth[i * k + i % k] = 1.0;
    for (std::size_t x = 0; x < r; ++x) {
      std::vector<double> q = separated ? truth : random_run(rng, c, k);
      if (separated) {  // each largest membership at least 0.8, moved by at most 0.01
        for (std::size_t i = 0; i < c; ++i) {
          for (std::size_t a = 0; a < k; ++a) {
            const double e = static_cast<double>(rng() % 1001) / 100000;
            q[i * k + a] = q[i * k + a] == 1.0 ? 1.0 - e * static_cast<double>(k - 1) : e;
          }
        }
      }
      std::vector<int> p(k);
      std::iota(p.begin(), p.end(), 0);
      std::shuffle(p.begin(), p.end(), rng);
      runs.push_back(permuted(q, k, p));
    }
    // All runs in one mode (threshold just above 0), so that H' covers them all.
    const KModes m = find_modes(static_cast<std::int32_t>(k), static_cast<std::int32_t>(c), runs,
                                std::vector<double>(r, 0.0), threshold_of("0.000000001"));
    const double h = m.modes.size() == 1 && m.modes[0].h_prime ? *m.modes[0].h_prime : -2;
    if (m.modes.size() != 1) continue;  // a pair below the threshold
    const double most = best_h(runs, k);
    EXPECT_LE(h, most) << "case " << t;
    if (separated) {
      EXPECT_DOUBLE_EQ(h, most) << "case " << t;
      ++equal;
    }
    ++compared;
  }
  EXPECT_GT(compared, 80);
  EXPECT_GT(equal, 40);
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::stringstream in(s);
  for (std::string part; std::getline(in, part, sep);) out.push_back(part);
  return out;
}

std::string six(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  return buf;
}

TEST(Modes, MadeUpRuns) {
  for (const test::Block& b : test::blocks("analysis/modes_cases.txt")) {
    std::istringstream head(b.lines.at(0));
    std::size_t k = 0, c = 0;
    std::string threshold;
    head >> k >> c >> threshold;
    std::vector<std::vector<double>> runs;
    std::string expected;
    for (std::size_t l = 1; l < b.lines.size(); ++l) {
      if (b.lines[l].rfind("> ", 0) == 0) {
        expected += b.lines[l].substr(2) + "\n";
        continue;
      }
      std::vector<double> q;
      for (const std::string& row : split(b.lines[l], ',')) {
        std::istringstream in(row);
        std::vector<double> v;
        for (double x; in >> x;) v.push_back(x);
        double sum = 0;
        for (const double x : v) sum += x;
        for (const double x : v) q.push_back(sum != 0 ? x / sum : 0);
      }
      runs.push_back(q);
    }
    const KModes m = find_modes(static_cast<std::int32_t>(k), static_cast<std::int32_t>(c), runs,
                                std::vector<double>(runs.size(), 0.0), threshold_of(threshold));
    std::string got;
    for (const Mode& mode : m.modes) {
      std::string list;
      for (const std::int32_t r : mode.runs) list += (list.empty() ? "" : ",") + std::to_string(r);
      got += "runs " + list + " reference " + std::to_string(mode.reference) + "\n";
      for (std::size_t i = 0; i < c; ++i) {
        for (std::size_t a = 0; a < k; ++a) {
          got += (a > 0 ? " " : i > 0 ? ", " : "") + six(mode.mean[i * k + a]);
        }
      }
      got += "\n";
      const auto shown = [](const std::optional<double>& v) { return v ? six(*v) : "-"; };
      got += shown(mode.mean_similarity) + " " + shown(mode.min_similarity) + " " +
             shown(mode.h_prime) + "\n";
    }
    EXPECT_EQ(got, expected) << b.title;
  }
}

TEST(LinkedSets, LargestOfAll) {
  for (const std::vector<std::string>& row : test::table("analysis/linked_sets_cases.txt")) {
    const int n = std::stoi(row.at(0));
    const auto at = [n](int a, int b) {
      return static_cast<std::size_t>(a - 1) * static_cast<std::size_t>(n) +
             static_cast<std::size_t>(b - 1);
    };
    std::vector<char> linked(static_cast<std::size_t>(n * n), 0);
    std::vector<double> weight(static_cast<std::size_t>(n * n), 0.0);
    for (const std::string& link : split(row.at(1), ' ')) {
      if (link.empty() || link == "-") continue;
      const std::vector<std::string> ab = split(link, '-');
      linked[at(std::stoi(ab[0]), std::stoi(ab[1]))] = 1;
      linked[at(std::stoi(ab[1]), std::stoi(ab[0]))] = 1;
    }
    for (const std::string& w : split(row.at(2), ' ')) {
      if (w.empty() || w == "-") continue;
      const std::vector<std::string> ab = split(w.substr(0, w.find(':')), '-');
      const double v = std::stod(w.substr(w.find(':') + 1));
      weight[at(std::stoi(ab[0]), std::stoi(ab[1]))] = v;
      weight[at(std::stoi(ab[1]), std::stoi(ab[0]))] = v;
    }
    std::vector<int> all(static_cast<std::size_t>(n));
    std::iota(all.begin(), all.end(), 0);
    std::string got;
    for (const int v : largest_linked_set(n, linked, weight, all)) {
      got += (got.empty() ? "" : " ") + std::to_string(v + 1);
    }
    EXPECT_EQ(got, row.at(3)) << row.at(1);
  }
}

}  // namespace
}  // namespace pelvano
