#include "report/lnp_scale.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "report/panel.hpp"
#include "report/table.hpp"

namespace pelvano {

namespace {

// The median of the values (the mean of the two middle ones for an even number).
double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : v[n / 2 - 1] / 2 + v[n / 2] / 2;
}

// The farthest run off the scale on one side, and its K.
struct Extreme {
  double value = 0;
  std::int32_t k = 0;
};

std::string extreme_text(const char* side, const Extreme& e) {
  return std::string(side) + " " + real_cell(e.value) + " at K = " + std::to_string(e.k);
}

}  // namespace

OffScale off_scale(const StudySummary& s) {
  OffScale out;
  std::optional<Extreme> lowest, highest;
  for (const KSummary& k : s.ks) {
    std::vector<double> runs;
    for (const double v : k.lnp) {
      if (drawable(v)) runs.push_back(v);
    }
    std::vector<int> off(k.lnp.size(), 0);
    bool any = false;
    if (!runs.empty()) {
      const double mid = median(runs);
      std::vector<double> deviations;
      for (const double v : runs) deviations.push_back(std::fabs(v - mid));
      const double room = std::max(10 * median(deviations), std::fabs(mid) / 100);
      for (std::size_t r = 0; r < k.lnp.size(); ++r) {
        const double v = k.lnp[r];
        if (!drawable(v) || !(std::fabs(v - mid) > room)) continue;
        off[r] = v > mid ? 1 : -1;
        any = true;
        ++out.count;
        if (v < mid && (!lowest || v < lowest->value)) lowest = Extreme{v, k.k};
        if (v > mid && (!highest || v > highest->value)) highest = Extreme{v, k.k};
      }
    }
    out.off.push_back(std::move(off));
    out.any.push_back(any);
  }
  if (out.count > 0) {
    std::string where;
    if (lowest) where = extreme_text("lowest", *lowest);
    if (highest) where += (where.empty() ? "" : ", ") + extreme_text("highest", *highest);
    out.note = std::to_string(out.count) + (out.count == 1 ? " run" : " runs") + " off scale (" +
               where + ")";
  }
  return out;
}

}  // namespace pelvano
