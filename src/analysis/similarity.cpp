#include "analysis/similarity.hpp"

#include <algorithm>
#include <cstddef>

namespace pelvano {

namespace {

// Dot products are formed for blocks of this many earlier individuals at once: one
// individual's memberships against the block, cluster by cluster, each lane keeping the
// ascending order of the clusters, so that every lane gives the single-precision value
// that a one-pair-at-a-time loop gives.
constexpr std::int32_t block = 32;

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(PELVANO_NO_CLONES)
#define PELVANO_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define PELVANO_VECTOR_CLONES
#endif

struct Lane {
  const float* q;        // memberships, individual by individual
  const float* columns;  // memberships, cluster by cluster
  const std::int32_t* cluster;
  std::int32_t k;
  float* pairs;  // dot products of the current block
};

// Dot products of individual i with the block of individuals j0 .. j0 + block - 1.
[[gnu::always_inline]] inline void dot_block(const float* qi, const float* columns,
                                             std::size_t stride, std::int32_t k, std::int32_t j0,
                                             float* pairs) {
  float acc[block];
  for (std::int32_t jj = 0; jj < block; ++jj) acc[jj] = 0.0f;
  for (std::int32_t c = 0; c < k; ++c) {
    const float a = qi[c];
    const float* col = columns + static_cast<std::size_t>(c) * stride + j0;
    for (std::int32_t jj = 0; jj < block; ++jj) acc[jj] = acc[jj] + a * col[jj];
  }
  for (std::int32_t jj = 0; jj < block; ++jj) pairs[jj] = acc[jj];
}

template <int B>
[[gnu::always_inline]] inline void sums_of_batch(const Lane* lanes, std::int32_t n,
                                                 std::size_t stride, SimilaritySums* out) {
  double sw[B], sb[B];
  std::int64_t cw[B];
  for (int b = 0; b < B; ++b) {
    sw[b] = 0;
    sb[b] = 0;
    cw[b] = 0;
  }
  for (std::int32_t i = 0; i < n; ++i) {
    std::int32_t ci[B];
    for (int b = 0; b < B; ++b) {
      const Lane& l = lanes[b];
      const float* qi = l.q + static_cast<std::size_t>(i) * static_cast<std::size_t>(l.k);
      float self = 0.0f;
      for (std::int32_t c = 0; c < l.k; ++c) self = self + qi[c] * qi[c];
      sw[b] += static_cast<double>(self);
      ci[b] = l.cluster[i];
    }
    for (std::int32_t j0 = 0; j0 < i; j0 += block) {
      for (int b = 0; b < B; ++b) {
        const Lane& l = lanes[b];
        dot_block(l.q + static_cast<std::size_t>(i) * static_cast<std::size_t>(l.k), l.columns,
                  stride, l.k, j0, l.pairs);
      }
      const std::int32_t end = std::min(i - j0, block);
      // Adding +0.0 leaves a sum unchanged (neither sum can be -0.0: both start at +0.0),
      // so every pair can touch both sums without a branch.
      for (std::int32_t jj = 0; jj < end; ++jj) {
        for (int b = 0; b < B; ++b) {
          const double v = static_cast<double>(lanes[b].pairs[jj]);
          const bool same = lanes[b].cluster[j0 + jj] == ci[b];
          sw[b] += same ? v : 0.0;
          sb[b] += same ? 0.0 : v;
          cw[b] += same;
        }
      }
    }
  }
  const std::int64_t pairs = std::int64_t{n} * (n - 1) / 2;
  for (int b = 0; b < B; ++b) {
    out[b].sw = sw[b];
    out[b].sb = sb[b];
    out[b].cw = cw[b] + n;
    out[b].cb = pairs - cw[b];
  }
}

// The batch kernel, built for several instruction sets; the widest the processor has is
// chosen when the program starts.
PELVANO_VECTOR_CLONES
void run_batch(const Lane* lanes, int count, std::int32_t n, std::size_t stride,
               SimilaritySums* out) {
  switch (count) {
    case 1:
      sums_of_batch<1>(lanes, n, stride, out);
      break;
    case 2:
      sums_of_batch<2>(lanes, n, stride, out);
      break;
    case 3:
      sums_of_batch<3>(lanes, n, stride, out);
      break;
    default:
      sums_of_batch<4>(lanes, n, stride, out);
      break;
  }
}

}  // namespace

void similarity_sums(const ReplicateView* reps, int count, std::int32_t n,
                     SimilarityScratch& scratch, SimilaritySums* out) {
  if (count <= 0) return;
  if (n <= 0) {
    std::fill(out, out + count, SimilaritySums{});
    return;
  }
  const std::size_t blocks = (static_cast<std::size_t>(n) + block - 1) / block;
  const std::size_t stride = blocks * block;
  std::size_t total = 0;
  for (int b = 0; b < count; ++b) total += static_cast<std::size_t>(reps[b].k) * stride;
  scratch.columns.assign(total, 0.0f);
  scratch.pairs.resize(static_cast<std::size_t>(count) * block);

  Lane lanes[similarity_batch];
  float* columns = scratch.columns.data();
  for (int b = 0; b < count; ++b) {
    const ReplicateView& rep = reps[b];
    for (std::int32_t j = 0; j < n; ++j) {
      for (std::int32_t c = 0; c < rep.k; ++c) {
        columns[static_cast<std::size_t>(c) * stride + static_cast<std::size_t>(j)] =
            rep.q[static_cast<std::size_t>(j) * static_cast<std::size_t>(rep.k) +
                  static_cast<std::size_t>(c)];
      }
    }
    lanes[b] = Lane{rep.q, columns, rep.cluster, rep.k,
                    scratch.pairs.data() + static_cast<std::size_t>(b) * block};
    columns += static_cast<std::size_t>(rep.k) * stride;
  }
  run_batch(lanes, count, n, stride, out);
}

SimilaritySums similarity_sums(const float* q, const std::int32_t* cluster, std::int32_t n,
                               std::int32_t k, SimilarityScratch& scratch) {
  const ReplicateView rep{q, cluster, k};
  SimilaritySums out;
  similarity_sums(&rep, 1, n, scratch, &out);
  return out;
}

}  // namespace pelvano
