// The numbers that only the layout flags print: each individual's r (--ind-r), the 90%
// probability intervals of the memberships (--intervals) and the probabilities of the prior rows
// (--usepopinfo). They come from the memberships and from generators of their own, seeded from
// the run's seed, K and the individual, never from the streams that draw the memberships and
// Ln P(D); so every value a file has without these flags stays the same with them.
#pragma once

#include "strwrite/model.hpp"

namespace pelvano::tools {

// Whether individual i (0-based) gets a prior row under --usepopinfo: every individual whose
// 1-based number is not a multiple of 5, when its Pop is at most K. The others are written
// with their memberships, as Structure does for individuals flagged 0 or whose Pop exceeds K.
bool used_as_prior(const DataSet& d, int k, int i);

// Fills the values of run that the layout flags of d ask for; run's memberships must be set.
//  - r_tenthousandths: r between 0.0100 and 3.2000, log-uniform.
//  - interval_milli: low <= membership <= high, within 0..1, wider for memberships near 0.5.
//  - prior_milli, for individuals used as prior: first the probability of coming from the given
//    population, then for each other cluster j in ascending order the probabilities that the
//    individual, its parent or its grandparent came from j; they sum to exactly 1000. Mostly
//    above 0.95, with some below 0.5, 0.3 and 0.1 so that every mark Structure adds appears.
void add_layout_values(const DataSet& d, RunResult& run);

}  // namespace pelvano::tools
