#include "analysis/log_methods.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace pelvano {

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();

// The start of the running maximum of DeltaK, as in the analysis pass.
constexpr double deltak_floor = static_cast<double>(-1e30f);

}  // namespace

MeanSd mean_sd(const std::vector<double>& values) {
  MeanSd m;
  m.count = static_cast<std::int32_t>(values.size());
  if (values.empty()) {
    m.mean = m.sd = none;
    return m;
  }
  const auto n = static_cast<double>(values.size());
  double x1 = 0, x2 = 0;
  for (const double v : values) {
    x1 += v;
    x2 += v * v;
  }
  x1 = x1 / n;
  x2 = x2 / n;
  m.mean = x1;
  m.sd = std::sqrt(std::fabs(x2 - x1 * x1) * n / (n - 1.0));
  return m;
}

std::int32_t clusters_used(const StudyFile& file) {
  const std::vector<double> q = normalised_memberships(file);
  const auto k = static_cast<std::size_t>(file.k);
  std::vector<double> total(k, 0.0);
  for (std::size_t i = 0; i < static_cast<std::size_t>(file.individuals); ++i) {
    for (std::size_t c = 0; c < k; ++c) total[c] += q[i * k + c];
  }
  std::sort(total.begin(), total.end(), std::greater<>());
  const double enough = static_cast<double>(file.individuals) - 1.0;
  double sum = 0;
  for (std::size_t c = 0; c < k; ++c) {
    sum += total[c];
    if (sum >= enough) return static_cast<std::int32_t>(c + 1);
  }
  return file.k;
}

std::int32_t most_common(const std::vector<std::int32_t>& values) {
  std::map<std::int32_t, std::int32_t> times;
  for (const std::int32_t v : values) ++times[v];
  std::int32_t best = 0, most = 0;
  for (const auto& [v, n] : times) {
    if (n > most) {
      best = v;
      most = n;
    }
  }
  return best;
}

void summarise_logs(const Run& run, const Study& study, StudySummary& s) {
  const std::string what = study.lnp_name + "s";  // "log-likelihoods", "marginal likelihoods"
  bool any_lnp = false, any_cv = false;
  std::vector<std::int32_t> all_used;
  for (KSummary& row : s.ks) {
    std::vector<double> lnp, cv;
    std::vector<std::int32_t> used;
    for (std::int32_t r = 1; r <= run.KRUN(row.k); ++r) {
      const StudyFile& f = study.file(row.k, r);
      if (!std::isnan(f.lnp)) lnp.push_back(f.lnp);
      if (!std::isnan(f.cv_error)) cv.push_back(f.cv_error);
      if (study.program == "fastStructure" && study.has_memberships()) {
        used.push_back(clusters_used(f));
      }
    }
    const MeanSd l = mean_sd(lnp);
    row.mean = l.mean;
    row.sd = l.sd;
    row.numbered = l.count;
    const MeanSd c = mean_sd(cv);
    row.cv_mean = c.mean;
    row.cv_sd = c.sd;
    row.cv_runs = c.count;
    row.clusters_used = most_common(used);
    all_used.insert(all_used.end(), used.begin(), used.end());
    any_lnp = any_lnp || l.count > 0;
    any_cv = any_cv || c.count > 0;
  }
  // L'(K), |L''(K)| and DeltaK over the means of the runs that have a number.
  s.evanno = 0;
  double best = deltak_floor;
  for (std::size_t i = 0; i < s.ks.size(); ++i) {
    KSummary& row = s.ks[i];
    row.l1.reset();
    row.l2.reset();
    row.deltak.reset();
    if (i > 0) row.l1 = row.mean - s.ks[i - 1].mean;
  }
  for (std::size_t i = 1; i + 1 < s.ks.size(); ++i) {
    KSummary& row = s.ks[i];
    row.l2 = std::fabs(*s.ks[i + 1].l1 - *row.l1);
    row.deltak = *row.l2 / row.sd;
    if (*row.deltak > best) {
      best = *row.deltak;
      s.evanno = row.k;
    }
  }
  const bool one_run =
      std::all_of(s.ks.begin(), s.ks.end(), [](const KSummary& k) { return k.numbered <= 1; });
  s.evanno_none = !any_lnp                   ? "no logs with " + what
                  : s.ks.size() < 3          ? "DeltaK needs three K or more"
                  : s.evanno == 0 && one_run ? "one run per K"
                  : s.evanno == 0            ? "no finite DeltaK"
                                             : "";
  // The largest mean: a maximum-likelihood program's only grows with K.
  s.pritchard = 0;
  double top = -std::numeric_limits<double>::infinity();
  for (const KSummary& row : s.ks) {
    if (row.mean > top) {
      top = row.mean;
      s.pritchard = row.k;
    }
  }
  s.pritchard_none = study.lnp_grows    ? std::string("only grows with K")
                     : !any_lnp         ? "no logs with " + what
                     : s.pritchard == 0 ? "no finite mean"
                                        : "";
  // The lowest mean cross-validation error.
  s.cv = 0;
  double low = std::numeric_limits<double>::infinity();
  for (const KSummary& row : s.ks) {
    if (row.cv_mean < low) {
      low = row.cv_mean;
      s.cv = row.k;
    }
  }
  s.cv_none = !any_cv ? "no logs with CV errors" : s.cv == 0 ? "no finite CV error" : "";
  s.clusters_used = most_common(all_used);
  s.clusters_none = s.clusters_used == 0 ? "no memberships" : "";
  if (!any_lnp) {
    s.parsimony_none = "no logs with " + what;
  } else if (!s.parsimony_none.empty() &&
             std::any_of(s.ks.begin(), s.ks.end(),
                         [](const KSummary& k) { return k.numbered < k.runs; })) {
    s.parsimony_none = "no K with a " + study.lnp_name + " for every run";
  }
  s.no_lnp = any_lnp ? "" : "no logs with " + what;
}

}  // namespace pelvano
