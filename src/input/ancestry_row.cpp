#include "input/ancestry_row.hpp"

#include <algorithm>
#include <charconv>

#include "base/decimal.hpp"
#include "base/reader.hpp"
#include "input/membership.hpp"

namespace pelvano {

namespace {

bool blank(char c) {
  return c == ' ' || c == '\t';
}

bool parenthesised(std::string_view w) {
  return w.size() >= 2 && w.front() == '(' && w.back() == ')';
}

bool real(std::string_view w) {
  PrintedReal r;
  return read_printed_real(w, r);
}

// "(lo,hi)": two reals.
bool interval(std::string_view w) {
  if (!parenthesised(w)) return false;
  w = w.substr(1, w.size() - 2);
  const std::size_t comma = w.find(',');
  return comma != std::string_view::npos && real(w.substr(0, comma)) && real(w.substr(comma + 1));
}

// The rest of a prior row from words[p]: the probability of its given population, then
// "| Pop j: g0 g1 g2" for each of the K - 1 other clusters in ascending order, then "|",
// then at most one word of one to three "*".
bool prior_row(const std::vector<std::string_view>& w, std::size_t p, std::int32_t k) {
  if (p >= w.size() || !real(w[p++])) return false;
  std::int64_t before = 0;  // the cluster of the group before
  for (std::int32_t g = 1; g < k; ++g) {
    if (w.size() - p < 6 || w[p] != "|" || w[p + 1] != "Pop") return false;
    const std::string_view j = w[p + 2];
    std::int32_t cluster = 0;
    if (j.size() < 2 || j.back() != ':' ||
        parse_int32(j.substr(0, j.size() - 1), cluster) != ReadError::none || cluster <= before ||
        cluster > k || !real(w[p + 3]) || !real(w[p + 4]) || !real(w[p + 5])) {
      return false;
    }
    before = cluster;
    p += 6;
  }
  if (p >= w.size() || w[p++] != "|") return false;
  if (p < w.size()) {
    const std::string_view stars = w[p++];
    if (stars.empty() || stars.size() > 3 ||
        stars.find_first_not_of('*') != std::string_view::npos) {
      return false;
    }
  }
  return p == w.size();
}

}  // namespace

void split_words(std::string_view line, std::vector<std::string_view>& words) {
  words.clear();
  const std::size_t n = line.size();
  for (std::size_t p = 0; p < n;) {
    while (p < n && blank(line[p])) ++p;
    if (p == n) break;
    const std::size_t start = p;
    while (p < n && !blank(line[p])) ++p;
    words.push_back(line.substr(start, p - start));
  }
}

RowReading read_ancestry_row(std::string_view line, const TableLayout& layout, AncestryRow& row,
                             std::vector<std::string_view>& words, bool units) {
  split_words(line, words);
  const std::vector<std::string_view>& w = words;
  // The separator: the first ":" after a parenthesised word.
  std::size_t sep = 0;
  bool paren = false;
  for (; sep < w.size(); ++sep) {
    if (paren && w[sep] == ":") break;
    paren = paren || parenthesised(w[sep]);
  }
  if (sep >= w.size()) return RowReading::unreadable;
  // Before it: the row number, the label words, the %Miss word (the last parenthesised
  // word) and at most one Pop value.
  std::size_t miss = sep - 1;
  while (miss > 0 && !parenthesised(w[miss])) --miss;
  if (miss == 0 || sep - miss > 2) return RowReading::unreadable;
  row.number = w[0];
  row.label = miss > 1 ? line.substr(static_cast<std::size_t>(w[1].data() - line.data()),
                                     static_cast<std::size_t>(w[miss - 1].data() - w[1].data()) +
                                         w[miss - 1].size())
                       : std::string_view();
  row.miss = w[miss];
  row.has_pop = sep - miss == 2;
  row.pop = row.has_pop ? w[miss + 1] : std::string_view();

  // After it: r, then a prior row or the memberships (and their intervals).
  std::size_t p = sep + 1;
  if (layout.ind_r && (p >= w.size() || !real(w[p++]))) return RowReading::unreadable;
  row.q.clear();
  row.value.clear();
  row.units.clear();
  row.decimals = 0;
  row.prior = layout.usepopinfo && p + 1 < w.size() && w[p + 1] == "|";
  if (row.prior) return prior_row(w, p, layout.k) ? RowReading::ok : RowReading::unreadable;
  const auto k = static_cast<std::size_t>(layout.k);
  const std::size_t rest = w.size() - p;
  if (rest != k && !(layout.intervals && rest == 2 * k)) return RowReading::unreadable;
  for (std::size_t c = 0; c < k; ++c) {
    const std::string_view text = w[p + c];
    Membership m;
    switch (read_membership(text, units, m)) {
      case MembershipText::ok:
        break;
      case MembershipText::unreadable:
        return RowReading::unreadable;
      case MembershipText::out_of_range:
        return RowReading::out_of_range;
    }
    row.decimals = std::max(row.decimals, m.decimals);
    row.q.push_back(text);
    row.value.push_back(m.value);
    if (units) row.units.push_back(m.units);
  }
  for (std::size_t c = p + k; c < w.size(); ++c) {
    if (!interval(w[c])) return RowReading::unreadable;
  }
  return RowReading::ok;
}

}  // namespace pelvano
