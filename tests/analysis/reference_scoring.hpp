// A plain transcription of the Parsimony replicate scoring and pair consistency, loop by
// loop, kept as the yardstick for the program's fast versions.
#pragma once

#include <cstdint>

#include "analysis/similarity.hpp"
#include "base/tables.hpp"

namespace pelvano::test {

// sums, when given, receives the similarity sums of every scored replicate r at sums[r - 1].
void reference_score_replicates(Run& run, std::int32_t k, double mean,
                                SimilaritySums* sums = nullptr);
void reference_penalty_and_consistency(Run& run, std::int32_t k, double mean);

}  // namespace pelvano::test
