// Choosing K for the runs of ADMIXTURE, NGSadmix and fastStructure, from the numbers their
// logs give each run (some runs may have none) and from their memberships:
//   - the lowest mean cross-validation error (ADMIXTURE with --cv);
//   - Evanno's DeltaK on the final log-likelihoods (ADMIXTURE, NGSadmix) or the marginal
//     likelihoods (fastStructure), worked out as for Structure over the runs that have one;
//   - the largest mean marginal likelihood (fastStructure; the largest mean log-likelihood of
//     a maximum-likelihood program only grows with K and is never offered);
//   - the clusters used (fastStructure): for each run the fewest of its clusters, largest
//     first, whose memberships summed over the N individuals reach N - 1; the most common
//     such number over the runs, the smaller on a tie.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/summary.hpp"
#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// The mean and standard deviation of some values as the analysis pass works them out (the
// sum divided by the count, the sum of squares likewise, the square root of the absolute
// difference of the square of the mean times n / (n - 1)); NaN for no value.
struct MeanSd {
  std::int32_t count = 0;
  double mean = 0;
  double sd = 0;
};
MeanSd mean_sd(const std::vector<double>& values);

// The clusters a run uses: the fewest of its clusters, largest total first, whose
// memberships (each row divided by its sum) summed over the individuals reach N - 1.
std::int32_t clusters_used(const StudyFile& file);

// The most common of some numbers, the smaller on a tie; 0 for none.
std::int32_t most_common(const std::vector<std::int32_t>& values);

// Fills the summary's numbers and choices of the methods of these programs, after the
// analysis pass (which gives the Parsimony method's), for a study whose files are not
// Structure's.
void summarise_logs(const Run& run, const Study& study, StudySummary& s);

}  // namespace pelvano
