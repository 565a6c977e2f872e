// The membership similarities of replicate runs: for every individual, the dot product of
// its membership vector with its own and with those of all individuals before it, summed
// over the pairs in the same cluster and over the pairs in different clusters.
#pragma once

#include <cstdint>
#include <vector>

namespace pelvano {

struct SimilaritySums {
  double sw = 0;        // over the same-cluster pairs, each individual with itself included
  double sb = 0;        // over the pairs in different clusters
  std::int64_t cw = 0;  // number of same-cluster pairs
  std::int64_t cb = 0;  // number of pairs in different clusters
};

// One replicate run: k memberships per individual, and the cluster (1..k) of each.
struct ReplicateView {
  const float* q = nullptr;
  const std::int32_t* cluster = nullptr;
  std::int32_t k = 0;
};

// Working memory of the similarity sums, kept between calls to avoid allocations.
struct SimilarityScratch {
  std::vector<float> columns;     // the memberships of a batch, its replicates interleaved
  std::vector<std::int32_t> ids;  // the clusters, likewise
  std::vector<float> space;       // working memory of the kernel
};

// Replicates worked on together: their sums are independent chains of additions, which
// share the lanes of the processor's vector additions.
inline constexpr int similarity_batch = 8;

// The sums of up to similarity_batch replicates of n individuals each. Every dot product
// is formed in single precision with the clusters in ascending order, and each replicate's
// sums are added in double precision in the order of its pairs: individual i = 1..n, first
// with itself, then with j = 1..i-1. The results equal those of a one-pair-at-a-time loop.
void similarity_sums(const ReplicateView* reps, int count, std::int32_t n,
                     SimilarityScratch& scratch, SimilaritySums* out);

// The kernel takes the widest instructions the processor has; with true, only its portable
// vector code, which gives the same bits (for tests that hold both to the plain loops).
void use_portable_similarity_kernel(bool portable);

// The sums of one replicate.
SimilaritySums similarity_sums(const float* q, const std::int32_t* cluster, std::int32_t n,
                               std::int32_t k, SimilarityScratch& scratch);

}  // namespace pelvano
