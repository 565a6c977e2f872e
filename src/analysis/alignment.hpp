// Clusters aligned across K, so that a cluster keeps its colour from one K to the next.
#pragma once

#include <cstdint>
#include <vector>

#include "base/tables.hpp"

namespace pelvano {

// The replicate run that represents K in the bar plot: the Parsimony method's best run of K,
// or, when none of its runs was scored, the run with the largest Ln P(D) (the first of
// equals).
std::int32_t representative_run(const Run& run, std::int32_t k);

// The colours (numbered from 1) of the clusters of consecutive K. q[j] holds the
// memberships of the run of K = kfirst + j, K values per individual, as exact integers.
// The clusters of the first K keep their order; the clusters of K + 1 take the colours of
// the clusters of K they overlap most (the sum over the individuals of the smaller of the
// two memberships), and the one left over takes the next colour.
std::vector<std::vector<int>> align_colours(const std::vector<std::vector<std::int64_t>>& q,
                                            std::int32_t kfirst, std::int32_t nind);

// The same for memberships as doubles (the mean memberships of modes): the overlaps summed
// over the individuals in ascending order, the matching with the largest total of them
// (summed over the clusters of K in ascending order, the first of exactly equal ones).
std::vector<std::vector<int>> align_colours(const std::vector<std::vector<double>>& q,
                                            std::int32_t kfirst, std::int32_t nind);

}  // namespace pelvano
