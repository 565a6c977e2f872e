// The three methods of choosing K: Evanno's DeltaK, the largest mean Ln P(D|K)
// (Pritchard) and the Parsimony score built from the individual memberships.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/similarity.hpp"
#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// The analysis pass: one ascending loop over K, each K over its own KRUN(K) runs (mean,
// replicate scoring, sums, penalty and pair consistency, mean and standard deviation,
// L'(K)), then DeltaK and the Evanno best K, then the Parsimony value of every K. Touches
// only the run tables. Without score_replicates, no replicate is scored: every K keeps the
// Parsimony value of a K none of whose runs could be scored.
void analyse(Run& run);

// The similarity sums of every above-mean replicate of every K that gets scored (of K from
// kfirst to klast when given), worked out on all cores; element (K - KSTART) * NRUN + r - 1
// belongs to replicate r of K.
std::vector<SimilaritySums> precompute_similarities(const Run& run);
std::vector<SimilaritySums> precompute_similarities(const Run& run, std::int32_t kfirst,
                                                    std::int32_t klast);

// Scores the above-mean replicates of K: fills CLUSTER, QM, CLUSTERSIZE, BESTREP(K),
// Q2(1, K) (the best score) and Q2(2, K) (the small clusters). precomputed, when given,
// holds the similarity sums of replicates 1..KRUN(K) of K from precompute_similarities.
void score_replicates(Run& run, std::int32_t k, double mean,
                      const SimilaritySums* precomputed = nullptr);

// Subtracts the small-cluster penalty from Q2(1, K) and sets the pair consistency Q2(5, K).
void penalty_and_consistency(Run& run, std::int32_t k, double mean);

// The smallest K with the largest Mean_Ln(D|K); KSTART when no mean is above -infinity.
std::int32_t pritchard_best(const Run& run);

// The smallest K with the largest Parsimony value.
std::int32_t parsimony_best(const Run& run);

// The choices of the Pritchard and Parsimony methods, after the analysis pass: sets
// pritchard_best and IDX.
void choose(Run& run);

// The Structure output file of replicate BESTREP(k) of K = k; "" when there is none.
std::string best_output_file(const Run& run, const Study& study, std::int32_t k);

}  // namespace pelvano
