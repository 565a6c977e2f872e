#include "report/panel.hpp"

#include <algorithm>
#include <cmath>

namespace pelvano {

namespace {

// Values of this magnitude or more stand for "no value" (the Parsimony value of a K whose
// runs could not be scored is -1e300): like NaN and the infinities they are left out of
// the panels, which keeps every coordinate of the figure finite and every range sensible.
constexpr double placeholder = 1e250;

}  // namespace

bool drawable(double v) {
  return std::isfinite(v) && std::fabs(v) < placeholder;
}

std::string reason(double v, std::string_view placeholder_reason) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  return std::string(placeholder_reason);
}

bool lone_run(const StudySummary& s, const KSummary& k) {
  return k.runs == 1 && s.nrun > 1;
}

std::string k_list(const std::vector<LeftOut>& items) {
  std::vector<std::string> reasons;
  for (const LeftOut& i : items) {
    if (std::find(reasons.begin(), reasons.end(), i.why) == reasons.end()) {
      reasons.push_back(i.why);
    }
  }
  std::string out;
  for (const std::string& why : reasons) {
    std::string part;
    std::size_t n = 0;
    while (n < items.size()) {
      if (items[n].why != why) {
        ++n;
        continue;
      }
      std::size_t end = n;
      while (end + 1 < items.size() && items[end + 1].why == why &&
             items[end + 1].k == items[end].k + 1) {
        ++end;
      }
      if (!part.empty()) part += ", ";
      part += std::to_string(items[n].k);
      if (end > n) part += "\u2013" + std::to_string(items[end].k);
      n = end + 1;
    }
    if (!out.empty()) out += "; ";
    out += "K = " + part + " (" + why + ")";
  }
  return out;
}

void include(Panel& p, double v) {
  if (drawable(v)) p.range.push_back(v);
}

void finish_axis(Panel& p, const StudySummary& s) {
  for (std::size_t i = 0; i < s.ks.size(); ++i) {
    const auto& v = p.series.front().value[i];
    if (s.ks[i].k == p.best && v && drawable(*v)) p.best_shown = true;
  }
  p.empty = p.range.empty();
  if (p.empty && p.notes.empty()) p.notes.push_back("No values to show");
  if (p.from_zero) p.range.push_back(0);
  if (p.empty) {
    p.axis = nice_axis(0, 1, 4);
    return;
  }
  const auto [lo, hi] = std::minmax_element(p.range.begin(), p.range.end());
  p.axis = nice_axis(*lo, *hi, 4);
}

}  // namespace pelvano
