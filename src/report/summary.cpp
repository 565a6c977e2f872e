#include "report/summary.hpp"

#include <cmath>

#include "analysis/analysis.hpp"
#include "report/results.hpp"

namespace pelvano {

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
  return s;
}

std::string companion_file_name(const Run& run, std::string_view extension) {
  // Never a hidden file: with the generic name "*" the files are named after the program.
  std::string name = run.PATHNAME;
  name += run.PLATFORMSLASH;
  name += run.file_stem.empty() ? "pelvano" : run.file_stem;
  return name + std::string(extension);
}

}  // namespace pelvano
