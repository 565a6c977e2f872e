// The results file: the report of a run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// Everything the report shows, in the form it is printed from.
struct ReportValues {
  std::string fname;         // the parameter file
  std::string filelistname;  // the list file
  std::int32_t nind = 0;
  std::string runs;  // the runs per K, as runs_per_k states them
  std::int32_t kstart = 0;
  std::int32_t kend = 0;
  std::vector<double> mean;       // Mean_Ln(D|K), K = kstart..kend
  std::vector<double> deltak;     // DeltaK, K = kstart..kend (first and last not shown)
  std::vector<double> parsimony;  // Parsimony value, K = kstart..kend
  std::int32_t evanno = 0;
  std::int32_t pritchard = 0;
  std::int32_t parsimony_k = 0;
  std::int32_t best_run = 0;
  std::string best_file;  // "" when there is none
};

// The runs per K as the report states them: their number when every K has as many, else
// the number most K have (of numbers equally common, the one of the smallest K) and then
// every K with another, in ascending order: "3, except K = 6: 4, K = 7: 2".
std::string runs_per_k(const Run& run);

// Whether the K of the study have different numbers of runs (a folder's files may).
bool uneven_runs(const Run& run);

// The report as it follows the banner in the results file.
std::string report_text(const ReportValues& v);

// The results file's text: the banner and the report.
std::string results_text(const Run& run, const Study& study);

// Writes the results file and the two closing console lines.
void write_results(const Run& run, const Study& study);

}  // namespace pelvano
