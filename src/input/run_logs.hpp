// The logs of ADMIXTURE, NGSadmix and fastStructure beside their runs: each run's final
// log-likelihood (ADMIXTURE, NGSadmix), its marginal likelihood (fastStructure) and
// ADMIXTURE's cross-validation error, from which K is chosen.
//
//   ADMIXTURE: its standard output saved to a file of any name, often every K of a loop in
//   one file. Each block from "Summary:" on is one run's result: "Loglikelihood: V" (the
//   lines of the iterations, with "Elapsed:" and "(delta):", are not), the table of Fst
//   divergences whose rows Pop0 ... Pop(K-1) give K, and with --cv "CV error (K=k): V".
//   NGSadmix: NAME.log beside NAME.qopt, "best like=V after N iterations", "nPop=K".
//   fastStructure: NAME.K.log beside NAME.K.meanQ, its first line holding "Marginal
//   Likelihood", the value after its "=".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "base/study.hpp"

namespace pelvano {

// One ADMIXTURE result found in a log.
struct AdmixtureResult {
  std::int64_t line = 0;  // the line of its "Summary:"
  std::int32_t k = 0;     // 0: not known
  double loglikelihood = 0;
  bool has_loglikelihood = false;
  double cv = 0;
  bool has_cv = false;
};

// What an ADMIXTURE log holds: its results, and a warning for each block without a final
// log-likelihood and each run that never reached its summary.
struct AdmixtureLog {
  std::vector<AdmixtureResult> results;
  std::vector<std::string> warnings;
  bool admixture = false;  // the text is ADMIXTURE's at all
};

// Reads the text of a log (named `name` in the warnings) as ADMIXTURE's standard output.
AdmixtureLog read_admixture_log(std::string_view text, const std::string& name);

// The final log-likelihood and K of an NGSadmix log; false (with `why`) when it has none.
bool read_ngsadmix_log(std::string_view text, double& like, std::int32_t& k, std::string& why);

// The marginal likelihood of a fastStructure log; false (with `why`) when it has none.
bool read_faststructure_log(std::string_view text, double& marginal, std::string& why);

// Finds the logs of the study's runs in the folders that hold them and gives each run its
// number (StudyFile::lnp, and cv_error for ADMIXTURE with --cv), a warning on `console` for
// every log or result that cannot be used, each naming the file. No log stops the run.
void read_run_logs(Study& study, std::FILE* console);

}  // namespace pelvano
