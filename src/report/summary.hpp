// The per-K numbers of a finished analysis, gathered once for the table and the figure
// that pelvano-plot writes beside the results file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/puechmaille.hpp"
#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// One K of the study.
struct KSummary {
  std::int32_t k = 0;
  std::int32_t runs = 0;         // replicate runs read for this K
  double mean = 0;               // Mean_Ln(D|K)
  double sd = 0;                 // its standard deviation over the runs
  std::optional<double> l1;      // L'(K): none for the first K
  std::optional<double> l2;      // |L''(K)|: none for the first and the last K
  std::optional<double> deltak;  // none for the first and the last K
  double best_score = 0;         // score of the best replicate run (-1e300: none scored)
  double small_clusters = 0;     // clusters of 5 or fewer members, over the scored runs
  double consistency = 0;        // pair consistency
  double parsimony = 0;          // Parsimony value
  std::int32_t best_run = 0;     // 0: none
  std::string best_file;         // "": none
  std::vector<double> lnp;       // Ln P(D) of each replicate run, run 1 first
};

// The whole study as the table and the figure show it.
struct StudySummary {
  std::string folder;   // folder of the Structure output files, as in the parameter file
  std::string generic;  // their generic name, ending with "*"
  std::int32_t nind = 0;
  std::int32_t nrun = 0;     // runs per K: the largest number when they differ
  std::string runs;          // the runs per K as the report states them ("3, except K = 7: 2")
  std::vector<KSummary> ks;  // KSTART..KEND in order
  std::int32_t evanno = 0;   // 0: no DeltaK could be compared
  std::int32_t pritchard = 0;
  std::int32_t parsimony = 0;
  // Puechmaille's estimators, one set per threshold; none when the files have no Pop column.
  std::vector<Puechmaille> puechmaille;
  // The warning that the files name their individuals differently ("" when they do not).
  std::string renamed;
  // Why nothing is drawn from the memberships: the files were written with USEPOPINFO ("":
  // they were not).
  std::string usepopinfo;
};

// Gathers the summary from the run tables after the analysis pass and the choices.
StudySummary summarise(const Run& run, const Study& study);

// The name of a file beside the results file, named like it (`extension` includes its
// dot), or after the program when the generic name is "*".
std::string companion_file_name(const Run& run, std::string_view extension);

}  // namespace pelvano
