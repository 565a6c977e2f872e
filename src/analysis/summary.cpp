#include "analysis/summary.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/analysis.hpp"
#include "analysis/log_methods.hpp"
#include "base/variables.hpp"

namespace pelvano {

namespace {

// The warning when the files name their individuals differently: one line, both files, the
// row and the field.
std::string renamed_line(const Study& study) {
  const RowDifference& d = *study.renamed;
  const auto shown = [](const std::string& v) { return v.empty() ? std::string("none") : v; };
  return "Warning: the Structure output files " + study.files.front().name + " and " +
         study.files[d.file].name + " differ in row " + itoc(d.row) + ": " + d.field + " " +
         shown(d.first) + " in the first, " + shown(d.second) +
         " in the second; pelvano-plot matches the individuals by their order in the files "
         "and names them as the first file does.";
}

}  // namespace

StudySummary summarise(const Run& run, const Study& study) {
  StudySummary s;
  s.folder = run.PATHNAME;
  s.generic = run.FILENAME;
  s.nind = run.NIND;
  s.nrun = run.NRUN;
  s.runs = runs_per_k(run);
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    KSummary row;
    row.k = k;
    row.runs = run.KRUN(k);
    row.mean = run.X(k, 1);
    row.sd = run.X(k, 2);
    if (k > run.KSTART) row.l1 = run.L1(k);
    if (k > run.KSTART && k < run.KEND) {
      row.l2 = std::fabs(run.L1(k + 1) - run.L1(k));
      row.deltak = run.DELTAK(k);
    }
    row.best_score = run.BESTSCORE(k);
    row.small_clusters = run.Q2(2, k);
    row.consistency = run.Q2(5, k);
    row.parsimony = run.Q2(1, k);
    row.best_run = run.BESTREP(k);
    row.best_file = best_output_file(run, study, k);
    for (std::int32_t r = 1; r <= run.KRUN(k); ++r) row.lnp.push_back(run.LOGLK(r, k));
    s.ks.push_back(std::move(row));
  }
  s.evanno = run.evanno_best;
  s.pritchard = run.pritchard_best;
  s.parsimony = run.IDX;
  s.missing = study.missing;
  // Why a method cannot choose.
  const bool one_run =
      std::all_of(s.ks.begin(), s.ks.end(), [](const KSummary& k) { return k.runs == 1; });
  if (s.evanno == 0) {
    s.evanno_none = s.ks.size() < 3 ? "DeltaK needs three K or more"
                    : one_run       ? "one run per K"
                                    : "no finite DeltaK";
  }
  if (std::all_of(s.ks.begin(), s.ks.end(), [](const KSummary& k) { return k.best_run == 0; })) {
    s.parsimony_none = study.missing ? "no run could be scored: " + study.missing->reason
                       : one_run     ? "one run per K"
                                     : "no run could be scored";
  }
  s.program = study.program;
  s.kind = study.kind;
  s.pattern = study.pattern;
  s.no_lnp = study.no_lnp;
  s.lnp_name = study.lnp_name;
  s.lnp_grows = study.lnp_grows;
  if (!study.lnp_name.empty()) summarise_logs(run, study, s);
  if (study.renamed && study.has_memberships()) s.renamed = renamed_line(study);
  return s;
}

std::vector<MethodChoice> method_choices(const StudySummary& s) {
  const MethodChoice evanno{"Evanno", s.evanno, s.evanno_none};
  const MethodChoice parsimony{"Parsimony", s.parsimony, s.parsimony_none};
  if (s.lnp_name.empty()) return {evanno, {"Pritchard", s.pritchard, s.pritchard_none}, parsimony};
  std::vector<MethodChoice> out;
  if (s.program == "ADMIXTURE") out.push_back({"CV error", s.cv, s.cv_none});
  if (!s.lnp_grows) {
    out.push_back({"Marginal likelihood", s.pritchard, s.pritchard_none});
    out.push_back({"Clusters used", s.clusters_used, s.clusters_none});
  }
  out.push_back(evanno);
  out.push_back(parsimony);
  return out;
}

std::string choice_text(std::int32_t k, const std::string& none) {
  return none.empty() ? std::to_string(k) : "none (" + none + ")";
}

}  // namespace pelvano
