// The largest set of runs all linked to each other: an exact search, branch and bound with
// the greedy colouring of the candidates as the bound, over bit sets of the vertices.
#include <algorithm>
#include <bit>
#include <cstdint>

#include "analysis/modes.hpp"

namespace pelvano {

namespace {

using Bits = std::vector<std::uint64_t>;

struct Search {
  int n = 0;
  std::size_t words = 0;
  const std::vector<double>& weight;
  std::vector<Bits> neighbours;
  std::vector<int> current;
  std::vector<int> best;
  double best_sum = 0;

  bool has(const Bits& b, int v) const {
    return (b[static_cast<std::size_t>(v) / 64] >> (v % 64)) & 1u;
  }

  // The sum of the weights of the pairs of a set given in ascending order, pair after pair.
  double pair_sum(const std::vector<int>& set) const {
    double sum = 0;
    for (std::size_t a = 0; a < set.size(); ++a) {
      for (std::size_t b = a + 1; b < set.size(); ++b) {
        sum += weight[static_cast<std::size_t>(set[a]) * static_cast<std::size_t>(n) +
                      static_cast<std::size_t>(set[b])];
      }
    }
    return sum;
  }

  void consider(std::vector<int> set) {
    std::sort(set.begin(), set.end());
    if (set.size() < best.size()) return;
    const double sum = pair_sum(set);
    if (set.size() > best.size() || sum > best_sum || (sum == best_sum && set < best)) {
      best = std::move(set);
      best_sum = sum;
    }
  }

  // The candidates in an order of ascending colours, and the colour of each: vertices of one
  // colour are never linked, so a set of linked candidates has at most as many members as
  // the colours of its last one.
  void colour(const Bits& candidates, std::vector<int>& order, std::vector<int>& colours) const {
    order.clear();
    colours.clear();
    Bits left = candidates;
    for (int c = 1;; ++c) {
      Bits free = left;
      bool any = false;
      for (std::size_t w = 0; w < words; ++w) {
        while (free[w] != 0) {
          const int v = static_cast<int>(w * 64) + std::countr_zero(free[w]);
          any = true;
          order.push_back(v);
          colours.push_back(c);
          left[w] &= ~(std::uint64_t{1} << (v % 64));
          // The vertices of this colour are not linked to v.
          for (std::size_t x = 0; x < words; ++x)
            free[x] &= ~neighbours[static_cast<std::size_t>(v)][x];
          free[w] &= ~(std::uint64_t{1} << (v % 64));
        }
      }
      if (!any) break;
    }
  }

  void expand(Bits candidates) {
    std::vector<int> order, colours;
    colour(candidates, order, colours);
    for (std::size_t i = order.size(); i-- > 0;) {
      if (current.size() + static_cast<std::size_t>(colours[i]) < best.size()) return;
      const int v = order[i];
      current.push_back(v);
      Bits next(words);
      bool any = false;
      for (std::size_t w = 0; w < words; ++w) {
        next[w] = candidates[w] & neighbours[static_cast<std::size_t>(v)][w];
        any = any || next[w] != 0;
      }
      if (any) {
        expand(std::move(next));
      } else {
        consider(current);
      }
      current.pop_back();
      candidates[static_cast<std::size_t>(v) / 64] &= ~(std::uint64_t{1} << (v % 64));
    }
  }
};

}  // namespace

std::vector<int> largest_linked_set(int n, const std::vector<char>& linked,
                                    const std::vector<double>& weight,
                                    const std::vector<int>& among) {
  Search s{n, (static_cast<std::size_t>(n) + 63) / 64, weight, {}, {}, {}, 0};
  s.neighbours.assign(static_cast<std::size_t>(n), Bits(s.words, 0));
  Bits candidates(s.words, 0);
  for (const int a : among) {
    candidates[static_cast<std::size_t>(a) / 64] |= std::uint64_t{1} << (a % 64);
  }
  for (const int a : among) {
    for (const int b : among) {
      if (a != b && linked[static_cast<std::size_t>(a) * static_cast<std::size_t>(n) +
                           static_cast<std::size_t>(b)]) {
        s.neighbours[static_cast<std::size_t>(a)][static_cast<std::size_t>(b) / 64] |=
            std::uint64_t{1} << (b % 64);
      }
    }
  }
  if (!among.empty()) s.expand(candidates);
  return s.best;
}

}  // namespace pelvano
