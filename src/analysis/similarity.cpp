#include "analysis/similarity.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#if defined(__x86_64__) && defined(__clang__)
#include <immintrin.h>
#elif defined(__x86_64__)
// GCC 12 warns falsely about the undefined start values inside its own intrinsics.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

#include "base/parallel.hpp"

namespace pelvano {

// THE ORDER OF THE SUMS. The report's digits depend on it, so it must not change:
//
//   for each individual i = 1..n:
//     for each j = i, 1, 2, .., i - 1 (first i with itself):
//       s = 0.0f; for c = 1..K: s = s + q(i, c) * q(j, c)     (float, each step rounded)
//       if j == i or cluster(j) == cluster(i): Sw = Sw + double(s)   else: Sb = Sb + double(s)
//
// Sw and Sb are each one sequence of double additions in this order; rounding makes any
// other order (pairwise sums, partial sums per block, per core) give other bits. What may
// be done at once is only what does not touch that order:
//  - the dot products of many pairs (each lane keeps the ascending clusters), formed in
//    any order and kept until their turn comes: two individuals' products are formed in
//    one pass over the individuals before them, the second one's added after the first's;
//  - the sums of different replicates, which are independent: here the replicates of a
//    batch sit in the lanes of one vector, so one vector addition advances the Sw (or Sb)
//    of every replicate of the batch by one pair;
//  - leaving a sum alone for a pair that is not its own (a masked addition), which is what
//    the plain loop does.
// Padding is exact: a replicate with fewer clusters than the batch's widest gets zero
// memberships for the clusters it lacks, which turn its dot products s into s + 0.0f, the
// same value except that -0.0f becomes +0.0f; and neither sum can tell +0.0 from -0.0,
// because a sum that starts at +0.0 is never -0.0 (x + y is -0.0 only when both are).
// Lanes of replicates the batch does not have, and individuals past the last, hold zeros
// and their results are dropped. tests/analysis/scoring_test.cpp holds the kernel to the
// plain loops of tests/analysis/reference_scoring.cpp, bit for bit.

namespace {

constexpr int lanes = 16;

// The memberships of a batch of B replicates (B = 4 or 8), group by group of J = 16 / B
// individuals: for group g and cluster c, the 16 values q(g * J + t, c) of replicate b at
// lane t * B + b. The clusters of the individuals likewise, 16 to a group.
struct Layout {
  const float* q;
  const std::int32_t* ids;
  std::int32_t k;  // clusters of the widest replicate
};

// Working memory on 64-byte boundaries: room for two individuals' memberships in every lane
// (2 K vectors of 16 lanes), and one vector per group.
struct Space {
  float* row;
  float* kept;
};

// The group of individual i.
inline std::size_t group_of(std::int32_t i, int per_group) {
  return static_cast<std::size_t>(i / per_group);
}

// ---------------------------------------------------------------------------------------
// The portable kernel, for processors without AVX-512: the compiler's vector extensions,
// built for several instruction sets, the widest the processor has chosen when the program
// starts.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(PELVANO_NO_CLONES)
#define PELVANO_AVX512 1
#else
#define PELVANO_AVX512 0
#endif

using Products = float __attribute__((vector_size(64)));

template <int B>
struct Vec;
template <>
struct Vec<4> {
  using Part = float __attribute__((vector_size(16)));  // one individual, B replicates
  using Ids = std::int32_t __attribute__((vector_size(16)));
  using Sum = double __attribute__((vector_size(32)));
  using Mask = std::int64_t __attribute__((vector_size(32)));
};
template <>
struct Vec<8> {
  using Part = float __attribute__((vector_size(32)));
  using Ids = std::int32_t __attribute__((vector_size(32)));
  using Sum = double __attribute__((vector_size(64)));
  using Mask = std::int64_t __attribute__((vector_size(64)));
};

// Adds the products of the first `count` individuals of a group to the sums, individual by
// individual: the lanes of replicates in which the individual is in cluster ci go to sw,
// the others to sb.
template <int B>
[[gnu::always_inline]] inline void add_group(const Products& products, const std::int32_t* ids,
                                             const typename Vec<B>::Ids& ci, int count,
                                             typename Vec<B>::Sum& sw, typename Vec<B>::Sum& sb) {
  using V = Vec<B>;
  alignas(64) float p[lanes];
  std::memcpy(p, &products, sizeof p);
  for (int t = 0; t < count; ++t) {
    typename V::Part part;
    typename V::Ids id;
    std::memcpy(&part, p + t * B, sizeof part);
    std::memcpy(&id, ids + t * B, sizeof id);
    const typename V::Sum v = __builtin_convertvector(part, typename V::Sum);
    const typename V::Mask same = __builtin_convertvector(id == ci, typename V::Mask);
    sw = same ? sw + v : sw;
    sb = same ? sb : sb + v;
  }
}

// The sums of one batch; K is the number of clusters when known at compile time (the
// memberships of individual i then stay in registers), 0 otherwise.
template <int B, int K>
[[gnu::always_inline]] inline void portable_batch(const Layout& lay, std::int32_t n,
                                                  Products* spill, double* out_sw, double* out_sb) {
  using V = Vec<B>;
  constexpr int J = lanes / B;
  const int k = K > 0 ? K : lay.k;
  Products held[K > 0 ? K : 1];
  Products* row = K > 0 ? held : spill;
  typename V::Sum sw = {}, sb = {};
  for (std::int32_t i = 0; i < n; ++i) {
    const std::size_t gi = group_of(i, J);
    const int ti = i % J;
    // Individual i's memberships in every lane: lane t * B + b holds q(i, c) of replicate b.
    const float* qi = lay.q + gi * static_cast<std::size_t>(k) * lanes + ti * B;
    for (int c = 0; c < k; ++c) {
      float* r = reinterpret_cast<float*>(&row[c]);
      for (int t = 0; t < J; ++t) std::memcpy(r + t * B, qi + c * lanes, B * sizeof(float));
    }
    typename V::Ids ci;
    std::memcpy(&ci, lay.ids + gi * lanes + ti * B, sizeof ci);

    // With itself, in its own cluster.
    Products self = {};
    for (int c = 0; c < k; ++c) self = self + row[c] * row[c];
    typename V::Part part;
    std::memcpy(&part, &self, sizeof part);
    sw = sw + __builtin_convertvector(part, typename V::Sum);

    // With the individuals before it, J at a time.
    const float* qg = lay.q;
    const std::int32_t* ids = lay.ids;
    for (std::size_t g = 0; g <= gi; ++g) {
      const int count = g < gi ? J : ti;
      if (count == 0) break;
      Products acc = {};
      for (int c = 0; c < k; ++c) {
        Products qj;
        std::memcpy(&qj, qg + c * lanes, sizeof qj);
        acc = acc + row[c] * qj;
      }
      if (g < gi) {
        add_group<B>(acc, ids, ci, J, sw, sb);
      } else {
        add_group<B>(acc, ids, ci, count, sw, sb);
      }
      qg += static_cast<std::size_t>(k) * lanes;
      ids += lanes;
    }
  }
  for (int b = 0; b < B; ++b) {
    out_sw[b] = sw[b];
    out_sb[b] = sb[b];
  }
}

template <int B>
[[gnu::always_inline]] inline void portable_k(const Layout& lay, std::int32_t n, const Space& space,
                                              double* sw, double* sb) {
  auto* row = reinterpret_cast<Products*>(space.row);
  switch (lay.k) {
    case 2:
      return portable_batch<B, 2>(lay, n, row, sw, sb);
    case 3:
      return portable_batch<B, 3>(lay, n, row, sw, sb);
    case 4:
      return portable_batch<B, 4>(lay, n, row, sw, sb);
    case 5:
      return portable_batch<B, 5>(lay, n, row, sw, sb);
    case 6:
      return portable_batch<B, 6>(lay, n, row, sw, sb);
    case 7:
      return portable_batch<B, 7>(lay, n, row, sw, sb);
    case 8:
      return portable_batch<B, 8>(lay, n, row, sw, sb);
    case 9:
      return portable_batch<B, 9>(lay, n, row, sw, sb);
    case 10:
      return portable_batch<B, 10>(lay, n, row, sw, sb);
    default:
      return portable_batch<B, 0>(lay, n, row, sw, sb);
  }
}

PELVANO_CLONES("avx2")
void portable_kernel(const Layout& lay, int width, std::int32_t n, const Space& space, double* sw,
                     double* sb) {
  if (width == 4) {
    portable_k<4>(lay, n, space, sw, sb);
  } else {
    portable_k<8>(lay, n, space, sw, sb);
  }
}

// ---------------------------------------------------------------------------------------
// The kernel for processors with AVX-512: the same steps written with its instructions
// (the compiler's vector extensions do not reach the widening and mask instructions).

#if PELVANO_AVX512
#define PELVANO_TARGET_AVX512 __attribute__((target("avx512f")))

// The dot products of individual i (row, one vector per cluster) with one group.
template <int K>
[[gnu::always_inline]] PELVANO_TARGET_AVX512 inline __m512 dot_group(const __m512* row,
                                                                     const float* qg, int k) {
  __m512 acc = _mm512_setzero_ps();
  for (int c = 0; c < (K > 0 ? K : k); ++c) {
    acc = _mm512_add_ps(acc, _mm512_mul_ps(row[c], _mm512_loadu_ps(qg + c * lanes)));
  }
  return acc;
}

[[gnu::always_inline]] PELVANO_TARGET_AVX512 inline __m512d widen_low(__m512 p) {
  return _mm512_cvtps_pd(_mm512_castps512_ps256(p));
}
[[gnu::always_inline]] PELVANO_TARGET_AVX512 inline __m512d widen_high(__m512 p) {
  return _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(p), 1)));
}

// B = 8, two individuals to a group: the sums Sw of the eight replicates in one vector, the
// sums Sb in another; each product goes to one of them by a masked addition. The two
// individuals of a group are worked on together: one pass over the groups before theirs
// gives the products of both (the memberships are read once for the two), the first
// one's go to the sums at once, the second one's are kept until the first one's are done.
template <int K>
[[gnu::noinline]] PELVANO_TARGET_AVX512 void avx512_batch8(const Layout& lay, std::int32_t n,
                                                           __m512* spill, __m512* kept,
                                                           double* out_sw, double* out_sb) {
  const int k = K > 0 ? K : lay.k;
  const std::size_t step = static_cast<std::size_t>(k) * lanes;
  __m512 held[K > 0 ? 2 * K : 1];
  __m512* first = K > 0 ? held : spill;  // memberships of the group's first individual
  __m512* second = first + k;            // and of its second, in every lane
  __m512d sw = _mm512_setzero_pd(), sb = _mm512_setzero_pd();
  // The products of one group with an individual whose clusters are ci.
  auto add_group = [&](__m512 acc, const std::int32_t* ids, __m512i ci) PELVANO_TARGET_AVX512 {
    const __mmask16 same = _mm512_cmpeq_epi32_mask(_mm512_loadu_si512(ids), ci);
    const __m512d lo = widen_low(acc), hi = widen_high(acc);
    const auto m0 = static_cast<__mmask8>(same), m1 = static_cast<__mmask8>(same >> 8);
    sw = _mm512_mask_add_pd(sw, m0, sw, lo);
    sb = _mm512_mask_add_pd(sb, static_cast<__mmask8>(~m0), sb, lo);
    sw = _mm512_mask_add_pd(sw, m1, sw, hi);
    sb = _mm512_mask_add_pd(sb, static_cast<__mmask8>(~m1), sb, hi);
  };
  const std::size_t groups = group_of(n + 1, 2);
  for (std::size_t m = 0; m < groups; ++m) {
    const float* qm = lay.q + m * step;
    for (int c = 0; c < k; ++c) {
      const __m512d q = _mm512_castps_pd(_mm512_loadu_ps(qm + c * lanes));
      first[c] = _mm512_castpd_ps(_mm512_shuffle_f64x2(q, q, 0x44));
      second[c] = _mm512_castpd_ps(_mm512_shuffle_f64x2(q, q, 0xee));
    }
    const __m512i ids_m = _mm512_loadu_si512(lay.ids + m * lanes);
    const __m512i ci = _mm512_shuffle_i64x2(ids_m, ids_m, 0x44);
    const __m512i ci2 = _mm512_shuffle_i64x2(ids_m, ids_m, 0xee);

    // The first individual: with itself, then with the groups before.
    __m512 self = _mm512_setzero_ps();
    for (int c = 0; c < k; ++c) self = _mm512_add_ps(self, _mm512_mul_ps(first[c], first[c]));
    sw = _mm512_add_pd(sw, widen_low(self));
    const float* qg = lay.q;
    for (std::size_t g = 0; g < m; ++g, qg += step) {
      __m512 acc = _mm512_setzero_ps(), acc2 = _mm512_setzero_ps();
      for (int c = 0; c < k; ++c) {
        const __m512 q = _mm512_loadu_ps(qg + c * lanes);
        acc = _mm512_add_ps(acc, _mm512_mul_ps(first[c], q));
        acc2 = _mm512_add_ps(acc2, _mm512_mul_ps(second[c], q));
      }
      add_group(acc, lay.ids + g * lanes, ci);
      _mm512_store_ps(kept + g, acc2);
    }
    if (2 * m + 1 == static_cast<std::size_t>(n)) break;

    // The second individual: with itself, with the groups before, then with the first.
    self = _mm512_setzero_ps();
    for (int c = 0; c < k; ++c) self = _mm512_add_ps(self, _mm512_mul_ps(second[c], second[c]));
    sw = _mm512_add_pd(sw, widen_low(self));
    for (std::size_t g = 0; g < m; ++g)
      add_group(_mm512_load_ps(kept + g), lay.ids + g * lanes, ci2);
    const __m512 acc = dot_group<K>(second, qm, k);
    const auto m0 = static_cast<__mmask8>(_mm512_cmpeq_epi32_mask(ids_m, ci2));
    const __m512d lo = widen_low(acc);
    sw = _mm512_mask_add_pd(sw, m0, sw, lo);
    sb = _mm512_mask_add_pd(sb, static_cast<__mmask8>(~m0), sb, lo);
  }
  _mm512_storeu_pd(out_sw, sw);
  _mm512_storeu_pd(out_sb, sb);
}

// B = 4, four individuals to a group: Sw of the four replicates in lanes 0..3 and Sb in
// lanes 4..7 of one vector; each individual's four products go to both halves, and the
// mask lets through the half they belong to.
template <int K>
[[gnu::noinline]] PELVANO_TARGET_AVX512 void avx512_batch4(const Layout& lay, std::int32_t n,
                                                           __m512* spill, double* out_sw,
                                                           double* out_sb) {
  // Mask bits of four lanes: "same cluster" in the low half, "other cluster" in the high.
  static constexpr unsigned char split[16] = {0xf0, 0xe1, 0xd2, 0xc3, 0xb4, 0xa5, 0x96, 0x87,
                                              0x78, 0x69, 0x5a, 0x4b, 0x3c, 0x2d, 0x1e, 0x0f};
  const int k = K > 0 ? K : lay.k;
  __m512 held[K > 0 ? K : 1];
  __m512* row = K > 0 ? held : spill;
  __m512d sums = _mm512_setzero_pd();
  for (std::int32_t i = 0; i < n; ++i) {
    const std::size_t gi = group_of(i, 4);
    const int ti = i % 4;
    const float* qi = lay.q + gi * static_cast<std::size_t>(k) * lanes + ti * 4;
    for (int c = 0; c < k; ++c) row[c] = _mm512_broadcast_f32x4(_mm_loadu_ps(qi + c * lanes));
    const __m512i ci = _mm512_broadcast_i32x4(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(lay.ids + gi * lanes + ti * 4)));
    __m512 self = _mm512_setzero_ps();
    for (int c = 0; c < k; ++c) self = _mm512_add_ps(self, _mm512_mul_ps(row[c], row[c]));
    sums = _mm512_mask_add_pd(sums, 0x0f, sums, widen_low(self));

    const float* qg = lay.q;
    const std::int32_t* ids = lay.ids;
    for (std::size_t g = 0; g < gi; ++g) {
      const __m512 acc = dot_group<K>(row, qg, k);
      const unsigned same = _mm512_cmpeq_epi32_mask(_mm512_loadu_si512(ids), ci);
      const __m512d lo = widen_low(acc), hi = widen_high(acc);
      // Individual t of the group: its four products in both halves.
      sums = _mm512_mask_add_pd(sums, split[same & 0xf], sums, _mm512_shuffle_f64x2(lo, lo, 0x44));
      sums = _mm512_mask_add_pd(sums, split[(same >> 4) & 0xf], sums,
                                _mm512_shuffle_f64x2(lo, lo, 0xee));
      sums = _mm512_mask_add_pd(sums, split[(same >> 8) & 0xf], sums,
                                _mm512_shuffle_f64x2(hi, hi, 0x44));
      sums = _mm512_mask_add_pd(sums, split[same >> 12], sums, _mm512_shuffle_f64x2(hi, hi, 0xee));
      qg += static_cast<std::size_t>(k) * lanes;
      ids += lanes;
    }
    if (ti > 0) {  // the individuals before i in its own group
      const __m512 acc = dot_group<K>(row, qg, k);
      const unsigned same = _mm512_cmpeq_epi32_mask(_mm512_loadu_si512(ids), ci);
      const __m512d lo = widen_low(acc);
      sums = _mm512_mask_add_pd(sums, split[same & 0xf], sums, _mm512_shuffle_f64x2(lo, lo, 0x44));
      if (ti > 1) {
        sums = _mm512_mask_add_pd(sums, split[(same >> 4) & 0xf], sums,
                                  _mm512_shuffle_f64x2(lo, lo, 0xee));
      }
      if (ti > 2) {
        const __m512d hi = widen_high(acc);
        sums = _mm512_mask_add_pd(sums, split[(same >> 8) & 0xf], sums,
                                  _mm512_shuffle_f64x2(hi, hi, 0x44));
      }
    }
  }
  _mm256_storeu_pd(out_sw, _mm512_castpd512_pd256(sums));
  _mm256_storeu_pd(out_sb, _mm512_extractf64x4_pd(sums, 1));
}

PELVANO_TARGET_AVX512
void avx512_kernel(const Layout& lay, int width, std::int32_t n, const Space& space, double* sw,
                   double* sb) {
  auto* row = reinterpret_cast<__m512*>(space.row);
  auto* kept = reinterpret_cast<__m512*>(space.kept);
#define PELVANO_K_CASE(K)                                     \
  case K:                                                     \
    return width == 4 ? avx512_batch4<K>(lay, n, row, sw, sb) \
                      : avx512_batch8<K>(lay, n, row, kept, sw, sb);
  switch (lay.k) {
    PELVANO_K_CASE(2)
    PELVANO_K_CASE(3)
    PELVANO_K_CASE(4)
    PELVANO_K_CASE(5)
    PELVANO_K_CASE(6)
    PELVANO_K_CASE(7)
    PELVANO_K_CASE(8)
    PELVANO_K_CASE(9)
    PELVANO_K_CASE(10)
    PELVANO_K_CASE(11)
    PELVANO_K_CASE(12)
    default:
      return width == 4 ? avx512_batch4<0>(lay, n, row, sw, sb)
                        : avx512_batch8<0>(lay, n, row, kept, sw, sb);
  }
#undef PELVANO_K_CASE
}
#endif

std::atomic<bool> portable_only{false};

void run_batch(const Layout& lay, int width, std::int32_t n, const Space& space, double* sw,
               double* sb) {
#if PELVANO_AVX512
  static const bool avx512 = __builtin_cpu_supports("avx512f");
  if (avx512 && !portable_only.load(std::memory_order_relaxed)) {
    avx512_kernel(lay, width, n, space, sw, sb);
    return;
  }
#endif
  portable_kernel(lay, width, n, space, sw, sb);
}

}  // namespace

void use_portable_similarity_kernel(bool portable) {
  portable_only.store(portable, std::memory_order_relaxed);
}

void similarity_sums(const ReplicateView* reps, int count, std::int32_t n,
                     SimilarityScratch& scratch, SimilaritySums* out) {
  if (count <= 0) return;
  if (n <= 0) {
    std::fill(out, out + count, SimilaritySums{});
    return;
  }
  const int width = count <= 4 ? 4 : 8;
  const int per_group = lanes / width;
  std::int32_t k = 0;
  for (int b = 0; b < count; ++b) k = std::max(k, reps[b].k);
  const std::size_t groups = (static_cast<std::size_t>(n) + per_group - 1) / per_group;
  const std::size_t uk = static_cast<std::size_t>(k);
  scratch.columns.assign(groups * uk * lanes, 0.0f);
  scratch.ids.assign(groups * lanes, 0);
  for (int b = 0; b < count; ++b) {
    const ReplicateView& rep = reps[b];
    const std::size_t rk = static_cast<std::size_t>(rep.k);
    for (std::int32_t j = 0; j < n; ++j) {
      const std::size_t g = static_cast<std::size_t>(j / per_group);
      const std::size_t lane = static_cast<std::size_t>((j % per_group) * width + b);
      const float* qj = rep.q + static_cast<std::size_t>(j) * rk;
      float* dst = scratch.columns.data() + g * uk * lanes + lane;
      for (std::size_t c = 0; c < rk; ++c) dst[c * lanes] = qj[c];
      scratch.ids[g * lanes + lane] = rep.cluster[j];
    }
  }
  const std::size_t space = (2 * uk + groups) * lanes;
  scratch.space.resize(space + lanes);
  void* start = scratch.space.data();
  std::size_t room = scratch.space.size() * sizeof(float);
  auto* row = static_cast<float*>(std::align(64, space * sizeof(float), start, room));
  double sw[8], sb[8];
  run_batch(Layout{scratch.columns.data(), scratch.ids.data(), k}, width, n,
            Space{row, row + 2 * uk * lanes}, sw, sb);

  std::vector<std::int64_t> sizes;
  const std::int64_t pairs = std::int64_t{n} * (n - 1) / 2;
  for (int b = 0; b < count; ++b) {
    // Pairs in the same cluster: m (m - 1) / 2 for each cluster of m individuals.
    sizes.assign(static_cast<std::size_t>(reps[b].k) + 1, 0);
    for (std::int32_t j = 0; j < n; ++j) {
      const std::int32_t c = reps[b].cluster[j];
      if (c >= 1 && c <= reps[b].k) ++sizes[static_cast<std::size_t>(c)];
    }
    std::int64_t same = 0;
    for (const std::int64_t m : sizes) same += m * (m - 1) / 2;
    out[b] = SimilaritySums{sw[b], sb[b], same + n, pairs - same};
  }
}

SimilaritySums similarity_sums(const float* q, const std::int32_t* cluster, std::int32_t n,
                               std::int32_t k, SimilarityScratch& scratch) {
  const ReplicateView rep{q, cluster, k};
  SimilaritySums out;
  similarity_sums(&rep, 1, n, scratch, &out);
  return out;
}

}  // namespace pelvano
