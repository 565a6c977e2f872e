// A plain transcription of the Parsimony replicate scoring and pair consistency, loop by
// loop, kept as the yardstick for the program's fast versions.
#pragma once

#include <cstdint>

#include "control/tables.hpp"

namespace pelvano::test {

void reference_score_replicates(Run& run, std::int32_t k, double mean);
void reference_penalty_and_consistency(Run& run, std::int32_t k, double mean);

}  // namespace pelvano::test
