// Evanno's L'(K) and |L''(K)|: the steps of the mean Ln P(D|K) from one K to the next, and
// the change of those steps, from which DeltaK is made. Users who know Evanno's paper look
// for them beside DeltaK; their values are the table's L1 and Abs_L2 columns.
#include <cstddef>
#include <optional>

#include "report/panel.hpp"

namespace pelvano {

namespace {

constexpr std::string_view blue = "#0072b2";        // as the mean Ln P(D|K) they come from
constexpr std::string_view vermillion = "#d55e00";  // as DeltaK, which divides it by the SD

// A panel of one of the derivatives: `least` values of K are needed for a first value.
Panel derivative_panel(const StudySummary& s, std::optional<double> KSummary::*field,
                       std::string_view name, std::string_view colour, std::string cls,
                       std::size_t least) {
  Panel p;
  p.series.push_back(Series{std::string(name), "", colour, std::move(cls), {}, "", 0});
  std::vector<LeftOut> out;
  for (const KSummary& k : s.ks) {
    const std::optional<double>& v = k.*field;
    p.series[0].value.push_back(v);
    if (!v) continue;
    if (drawable(*v)) {
      include(p, *v);
    } else {
      out.push_back({k.k, reason(*v, "no value")});
    }
  }
  if (s.ks.size() < least) {
    p.notes.push_back(std::string(name) + " needs at least " + (least == 2 ? "two" : "three") +
                      " values of K");
  } else if (!out.empty()) {
    p.notes.push_back(std::string(name) + " left out for " + k_list(out));
  }
  return p;
}

}  // namespace

Panel l1_panel(const StudySummary& s) {
  Panel p = derivative_panel(s, &KSummary::l1, "L'(K)", blue, "l1", 2);
  p.title = "L'(K) = L(K) - L(K-1), L the mean " +
            (s.lnp_name.empty() ? std::string("Ln P(D|K)") : s.lnp_name) + " (Evanno)";
  p.ylabel = "L'(K)";
  finish_axis(p, s);
  return p;
}

Panel l2_panel(const StudySummary& s) {
  Panel p = derivative_panel(s, &KSummary::l2, "|L''(K)|", vermillion, "l2", 3);
  p.title = "|L''(K)| = |L'(K+1) - L'(K)| (Evanno)";
  p.ylabel = "|L''(K)|";
  p.from_zero = true;
  finish_axis(p, s);
  return p;
}

}  // namespace pelvano
