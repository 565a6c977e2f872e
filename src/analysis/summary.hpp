// The per-K numbers of a finished analysis and the methods' choices, gathered once from the
// run tables for every file written: the results file, and pelvano-plot's table, figure and
// page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
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
  // Other programs' runs, whose numbers come from their logs: how many runs of K have one
  // (the mean and the rest are over those), their mean CV error, its standard deviation
  // and runs (ADMIXTURE), and the clusters the runs use (fastStructure; 0: none).
  std::int32_t numbered = 0;
  double cv_mean = 0;
  double cv_sd = 0;
  std::int32_t cv_runs = 0;
  std::int32_t clusters_used = 0;
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
  // The Parsimony best K as the results file prints it: the smallest K even when no run of
  // any K could be scored (then parsimony_none says why the method cannot choose).
  std::int32_t parsimony = 0;
  // Why a method cannot choose, in a few fixed words ("" when it chose): "one run per K",
  // "DeltaK needs three K or more", "no finite DeltaK", "no run could be scored" (followed
  // by ": " and the reader's reason, "USEPOPINFO", when the files lack memberships).
  std::string evanno_none;
  std::string pritchard_none;
  std::string parsimony_none;
  // The program that wrote the files ("Structure", "ADMIXTURE", ...), and why no method can
  // choose K from them ("" when the files hold each run's Ln P(D)).
  std::string program;
  std::string kind;     // what the files are: "Structure output files", "ADMIXTURE files"
  std::string pattern;  // their names as one pattern: "K*_f", "run#/sample.#.Q"
  std::string no_lnp;
  std::string lnp_name;  // "" for Structure's Ln P(D); "log-likelihood", "marginal likelihood"
  bool lnp_grows = false;
  // The lowest mean CV error (ADMIXTURE) and the clusters used (fastStructure), with why
  // they cannot choose.
  std::int32_t cv = 0;
  std::string cv_none;
  std::int32_t clusters_used = 0;
  std::string clusters_none;
  // Puechmaille's estimators, one set per threshold; none when the files have no Pop column.
  std::vector<Puechmaille> puechmaille;
  // The warning that the files name their individuals differently ("" when they do not, or
  // when nothing is drawn by individual).
  std::string renamed;
  // Why nothing is drawn from the memberships (none when every individual has them).
  std::optional<MissingMemberships> missing;
};

// One method's choice: its name as the outputs give it, its K, and why it chose none ("" when
// it chose).
struct MethodChoice {
  std::string name;
  std::int32_t k = 0;
  std::string none;
};

// The methods that choose K for the study, in the order the outputs list them: Evanno,
// Pritchard and Parsimony for Structure's runs; the CV error (ADMIXTURE), the marginal
// likelihood and the clusters used (fastStructure), then Evanno and Parsimony for the other
// programs' runs (the largest mean log-likelihood, which only grows with K, is none).
std::vector<MethodChoice> method_choices(const StudySummary& s);

// Gathers the summary from the run tables after the analysis pass and the choices.
StudySummary summarise(const Run& run, const Study& study);

// A method's choice as the user reads it: "3", or "none (one run per K)".
std::string choice_text(std::int32_t k, const std::string& none);

}  // namespace pelvano
