#include "analysis/assignment.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

namespace pelvano {

namespace {

// The Hungarian method (shortest augmenting paths with potentials) on rows <= cols: fills
// the potentials u (rows) and v (columns) of an optimal solution, whose reduced costs
// cost - u - v are, but for rounding, never negative and zero on that solution, and gives
// that solution's column of each row.
std::vector<int> potentials(const std::vector<double>& cost, int n, int m, std::vector<double>& u,
                            std::vector<double>& v) {
  const double inf = std::numeric_limits<double>::infinity();
  u.assign(static_cast<std::size_t>(n) + 1, 0.0);
  v.assign(static_cast<std::size_t>(m) + 1, 0.0);
  std::vector<int> p(static_cast<std::size_t>(m) + 1, 0), way(static_cast<std::size_t>(m) + 1, 0);
  std::vector<double> minv(static_cast<std::size_t>(m) + 1);
  std::vector<char> used(static_cast<std::size_t>(m) + 1);
  for (int i = 1; i <= n; ++i) {
    p[0] = i;
    int j0 = 0;
    std::fill(minv.begin(), minv.end(), inf);
    std::fill(used.begin(), used.end(), 0);
    do {
      used[static_cast<std::size_t>(j0)] = 1;
      const int i0 = p[static_cast<std::size_t>(j0)];
      double delta = inf;
      int j1 = 0;
      for (int j = 1; j <= m; ++j) {
        if (used[static_cast<std::size_t>(j)]) continue;
        const double cur = cost[static_cast<std::size_t>(i0 - 1) * static_cast<std::size_t>(m) +
                                static_cast<std::size_t>(j - 1)] -
                           u[static_cast<std::size_t>(i0)] - v[static_cast<std::size_t>(j)];
        if (cur < minv[static_cast<std::size_t>(j)]) {
          minv[static_cast<std::size_t>(j)] = cur;
          way[static_cast<std::size_t>(j)] = j0;
        }
        if (minv[static_cast<std::size_t>(j)] < delta) {
          delta = minv[static_cast<std::size_t>(j)];
          j1 = j;
        }
      }
      for (int j = 0; j <= m; ++j) {
        if (used[static_cast<std::size_t>(j)]) {
          u[static_cast<std::size_t>(p[static_cast<std::size_t>(j)])] += delta;
          v[static_cast<std::size_t>(j)] -= delta;
        } else {
          minv[static_cast<std::size_t>(j)] -= delta;
        }
      }
      j0 = j1;
    } while (p[static_cast<std::size_t>(j0)] != 0);
    do {
      const int j1 = way[static_cast<std::size_t>(j0)];
      p[static_cast<std::size_t>(j0)] = p[static_cast<std::size_t>(j1)];
      j0 = j1;
    } while (j0 != 0);
  }
  std::vector<int> column(static_cast<std::size_t>(n));
  for (int j = 1; j <= m; ++j) {
    if (p[static_cast<std::size_t>(j)] > 0)
      column[static_cast<std::size_t>(p[static_cast<std::size_t>(j)] - 1)] = j - 1;
  }
  return column;
}

// The depth-first walk over the assignments, in lexicographic order, whose reduced costs add
// up to no more than the rounding of the Hungarian method: the least exact total wins, the
// first of exactly equal ones. When the costs make very many assignments equal but for
// rounding (clusters that share no individual give costs that add up the same in any
// assignment), weighing them all would take factorial time: after `budget` steps the walk
// stops and the first of them, in lexicographic order, is taken.
struct Search {
  const std::vector<double>* cost = nullptr;
  int n = 0, m = 0;
  std::vector<double> reduced;  // n x m
  double slack = 0;
  // Columns whose costs are those of a lower column in every row give exactly the totals of
  // that column: of such a class only its lowest unused column is tried.
  std::vector<int> same_as;  // the next lower column of the same class, or -1
  std::vector<char> taken;
  std::vector<int> column, best, first;
  double best_total = std::numeric_limits<double>::infinity();
  long steps = 0;
  long budget = 20000;

  bool stopped() const { return steps > budget; }

  void walk(int row, double total, double reduced_sum) {
    if (++steps > budget) return;
    if (row == n) {
      if (first.empty()) first = column;
      if (total < best_total || best.empty()) {
        best_total = total;
        best = column;
      }
      return;
    }
    for (int c = 0; c < m && !stopped(); ++c) {
      if (taken[static_cast<std::size_t>(c)]) continue;
      const int lower = same_as[static_cast<std::size_t>(c)];
      if (lower >= 0 && !taken[static_cast<std::size_t>(lower)]) continue;
      const std::size_t at =
          static_cast<std::size_t>(row) * static_cast<std::size_t>(m) + static_cast<std::size_t>(c);
      const double r = reduced_sum + std::max(0.0, reduced[at]);
      if (r > slack) continue;
      taken[static_cast<std::size_t>(c)] = 1;
      column[static_cast<std::size_t>(row)] = c;
      walk(row + 1, row == 0 ? (*cost)[at] : total + (*cost)[at], r);
      taken[static_cast<std::size_t>(c)] = 0;
    }
  }
};

}  // namespace

double assignment_total(const std::vector<double>& cost, int cols, const std::vector<int>& column) {
  double total = 0;
  for (std::size_t r = 0; r < column.size(); ++r) {
    const double c = cost[r * static_cast<std::size_t>(cols) + static_cast<std::size_t>(column[r])];
    total = r == 0 ? c : total + c;
  }
  return total;
}

std::vector<int> least_assignment(const std::vector<double>& cost, int rows, int cols) {
  if (rows == 0) return {};
  std::vector<double> u, v;
  const std::vector<int> hungarian = potentials(cost, rows, cols, u, v);
  Search s;
  s.cost = &cost;
  s.n = rows;
  s.m = cols;
  s.reduced.resize(cost.size());
  double largest = 1;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const std::size_t at = static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
                             static_cast<std::size_t>(c);
      s.reduced[at] =
          cost[at] - u[static_cast<std::size_t>(r) + 1] - v[static_cast<std::size_t>(c) + 1];
      largest =
          std::max({largest, std::fabs(cost[at]), std::fabs(u[static_cast<std::size_t>(r) + 1]),
                    std::fabs(v[static_cast<std::size_t>(c) + 1])});
    }
  }
  // Each potential gathers at most one rounding per step of the method; an assignment's
  // reduced costs, summed, stay well within this of their exact sum.
  s.slack =
      64.0 * static_cast<double>(rows + 1) * static_cast<double>(cols + 1) * DBL_EPSILON * largest;
  // The method's own solution always lies within it.
  double own = 0;
  for (int r = 0; r < rows; ++r) {
    own +=
        std::max(0.0, s.reduced[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
                                static_cast<std::size_t>(hungarian[static_cast<std::size_t>(r)])]);
  }
  s.slack = std::max(s.slack, 2 * own);
  s.same_as.assign(static_cast<std::size_t>(cols), -1);
  for (int c = 1; c < cols; ++c) {
    for (int lower = c - 1; lower >= 0 && s.same_as[static_cast<std::size_t>(c)] < 0; --lower) {
      bool same = true;
      for (int r = 0; r < rows && same; ++r) {
        const std::size_t row = static_cast<std::size_t>(r) * static_cast<std::size_t>(cols);
        same =
            cost[row + static_cast<std::size_t>(c)] == cost[row + static_cast<std::size_t>(lower)];
      }
      if (same) s.same_as[static_cast<std::size_t>(c)] = lower;
    }
  }
  s.taken.assign(static_cast<std::size_t>(cols), 0);
  s.column.assign(static_cast<std::size_t>(rows), 0);
  s.walk(0, 0.0, 0.0);
  if (!s.stopped()) return s.best;
  return s.first.empty() ? hungarian : s.first;
}

}  // namespace pelvano
