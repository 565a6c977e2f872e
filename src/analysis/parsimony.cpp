// The Parsimony method: replicate scores from the individual memberships, the small-cluster
// penalty, the pair consistency, the best K, and the output file of its best replicate.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <exception>
#include <limits>
#include <vector>

#include "analysis/analysis.hpp"
#include "analysis/similarity.hpp"
#include "base/parallel.hpp"

namespace pelvano {

namespace {

// 0.65 in single precision, widened: the first assignment threshold, and the fraction of
// the individuals that must be counted.
constexpr double first_threshold = static_cast<double>(0.65f);
static_assert(first_threshold == 0.6499999761581421);

constexpr std::int32_t small_cluster = 5;

bool above_mean(const Run& run, std::int32_t r, std::int32_t k, double mean) {
  return !(mean >= run.LOGLK(r, k));
}

// Each individual goes to the cluster of its largest membership (the first of equals;
// cluster 1 when no membership is above -infinity).
void assign(const float* q, std::int32_t n, std::int32_t k, std::int32_t* cluster, double* qm) {
  for (std::int32_t i = 0; i < n; ++i) {
    const float* qi = q + static_cast<std::size_t>(i) * static_cast<std::size_t>(k);
    float best = -std::numeric_limits<float>::infinity();
    std::int32_t chosen = 1;
    for (std::int32_t c = 1; c <= k; ++c) {
      if (qi[c - 1] > best) {
        best = qi[c - 1];
        chosen = c;
      }
    }
    cluster[i] = chosen;
    qm[i] = static_cast<double>(qi[chosen - 1]);
  }
}

// Lowers the threshold from 0.65 by halves until more than 65 % of the individuals have a
// largest membership above it; sizes[c - 1] is then the number counted in cluster c.
// A replicate in which too few individuals have any membership above 0 never gets there:
// once the threshold has reached 0 it is left unscored (false).
bool count_clusters(const std::int32_t* cluster, const double* qm, std::int32_t n, std::int32_t k,
                    std::int32_t* sizes) {
  const double needed = static_cast<double>(n) * first_threshold;
  double t = first_threshold;
  for (;;) {
    std::fill(sizes, sizes + k, 0);
    std::int64_t counted = 0;
    for (std::int32_t i = 0; i < n; ++i) {
      if (qm[i] > t) {
        ++sizes[cluster[i] - 1];
        ++counted;
      }
    }
    if (static_cast<double>(counted) > needed) return true;
    t = t * 0.5;
    if (t == 0) return false;
  }
}

struct Replicate {
  std::int32_t k = 0;
  std::int32_t r = 0;
  SimilaritySums sums;
};

// Working memory of one core.
struct Worker {
  SimilarityScratch scratch;
  std::vector<std::int32_t> cluster[similarity_batch];
  std::vector<double> qm;
  std::vector<std::int32_t> sizes;
};

// Assignment, threshold and similarity sums of a batch of replicates.
void work_out(const Run& run, Replicate* batch, int count, Worker& w) {
  const std::int32_t n = run.NIND;
  ReplicateView views[similarity_batch];
  Replicate* scored[similarity_batch];
  int m = 0;
  w.qm.resize(static_cast<std::size_t>(n));
  for (int b = 0; b < count; ++b) {
    Replicate& rep = batch[b];
    std::vector<std::int32_t>& cluster = w.cluster[m];
    cluster.resize(static_cast<std::size_t>(n));
    w.sizes.resize(static_cast<std::size_t>(rep.k));
    const float* q = run.q(rep.k).replicate(rep.r);
    assign(q, n, rep.k, cluster.data(), w.qm.data());
    if (!count_clusters(cluster.data(), w.qm.data(), n, rep.k, w.sizes.data())) continue;
    views[m] = ReplicateView{q, cluster.data(), rep.k};
    scored[m] = &rep;
    ++m;
  }
  SimilaritySums sums[similarity_batch];
  similarity_sums(views, m, n, w.scratch, sums);
  for (int b = 0; b < m; ++b) scored[b]->sums = sums[b];
}

// The pairs (i, j), j < i, of the individuals i = first..last-1 (from 0) that are together
// in every replicate or apart in every one; sets[i * na + a] is the bit set of i's cluster
// in replicate a. Built with and without the processor's population count.
PELVANO_CLONES("popcnt")
std::int64_t consistent_pairs(const std::uint64_t* const* sets, std::size_t na, std::int64_t first,
                              std::int64_t last, std::uint64_t* together, std::uint64_t* apart) {
  std::int64_t consistent = 0;
  for (std::int64_t i = first; i < last; ++i) {
    // Pairs (i, j) with j < i: the words below i's word in full, i's own word in part.
    const auto full = static_cast<std::size_t>(i / 64);
    const std::uint64_t low = (std::uint64_t{1} << (i % 64)) - 1;
    const std::size_t used = full + (low != 0 ? 1 : 0);
    std::fill(together, together + used, ~0ull);
    std::fill(apart, apart + used, ~0ull);
    for (std::size_t a = 0; a < na; ++a) {
      const std::uint64_t* set = sets[static_cast<std::size_t>(i) * na + a];
      for (std::size_t w = 0; w < used; ++w) {
        together[w] &= set[w];
        apart[w] &= ~set[w];
      }
    }
    if (low != 0) {
      together[full] &= low;
      apart[full] &= low;
    }
    for (std::size_t w = 0; w < used; ++w) {
      consistent += std::popcount(together[w]) + std::popcount(apart[w]);
    }
  }
  return consistent;
}

}  // namespace

std::vector<SimilaritySums> precompute_similarities(const Run& run) {
  return precompute_similarities(run, run.KSTART, run.KEND);
}

std::vector<SimilaritySums> precompute_similarities(const Run& run, std::int32_t kfirst,
                                                    std::int32_t klast) {
  // Every above-mean replicate of every K is independent of the others. They are worked on
  // in batches (whose sums the processor overlaps) shared out among the cores, the largest
  // K first; each result goes to its own slot, so the numbers do not depend on how many
  // cores there are or which one did what.
  std::vector<Replicate> reps;
  for (std::int32_t k = klast; k >= kfirst; --k) {
    const std::int32_t runs = run.KRUN(k);
    double sum = 0;
    for (std::int32_t r = 1; r <= runs; ++r) sum += run.LOGLK(r, k);
    const double mean = sum / static_cast<double>(runs);
    for (std::int32_t r = 1; r <= runs; ++r) {
      if (above_mean(run, r, k, mean)) reps.push_back(Replicate{k, r, {}});
    }
  }
  const std::size_t batches = (reps.size() + similarity_batch - 1) / similarity_batch;
  for_each_in_order<Worker>(batches, [&](std::size_t t, Worker& w) {
    const std::size_t first = t * similarity_batch;
    const auto count =
        static_cast<int>(std::min<std::size_t>(similarity_batch, reps.size() - first));
    work_out(run, reps.data() + first, count, w);
    return true;
  });

  std::vector<SimilaritySums> sums(static_cast<std::size_t>(run.KEND - run.KSTART + 1) *
                                   static_cast<std::size_t>(run.NRUN));
  for (const Replicate& rep : reps) {
    sums[static_cast<std::size_t>(rep.k - run.KSTART) * static_cast<std::size_t>(run.NRUN) +
         static_cast<std::size_t>(rep.r - 1)] = rep.sums;
  }
  return sums;
}

void score_replicates(Run& run, std::int32_t k, double mean, const SimilaritySums* precomputed) {
  const std::int32_t n = run.NIND;
  const QEntry& q = run.q(k);
  SimilarityScratch scratch;
  std::vector<std::int32_t> sizes(static_cast<std::size_t>(k));
  for (std::int32_t r = 1; r <= run.KRUN(k); ++r) {
    if (!above_mean(run, r, k, mean)) continue;
    std::int32_t* cluster = &run.CLUSTER(1, r);
    double* qm = &run.QM(1, r);
    assign(q.replicate(r), n, k, cluster, qm);
    const bool scored = count_clusters(cluster, qm, n, k, sizes.data());
    for (std::int32_t c = 1; c <= k; ++c)
      run.CLUSTERSIZE(c) = sizes[static_cast<std::size_t>(c - 1)];
    if (!scored) continue;

    const SimilaritySums s = precomputed != nullptr
                                 ? precomputed[r - 1]
                                 : similarity_sums(q.replicate(r), cluster, n, k, scratch);
    double sw = s.sw, sb = s.sb;
    const double cw = static_cast<double>(s.cw);
    double cb = static_cast<double>(s.cb);
    if (cb < 0.5) {
      sb = 1;
      cb = 1;
    }
    const double d = sw / cw - sb / cb;

    // Mean reciprocal size of the clusters with more than 5 counted members.
    double f = 0, m = 0;
    for (std::int32_t c = 1; c <= k; ++c) {
      if (run.CLUSTERSIZE(c) <= small_cluster) {
        run.Q2(2, k) += 1;
      } else {
        m += 1;
        f += 1.0 / static_cast<double>(run.CLUSTERSIZE(c));
      }
    }
    const double score = (f / m) * d;
    if (score > run.Q2(1, k)) {
      run.Q2(1, k) = score;
      run.BESTREP(k) = r;
    }
  }
}

void penalty_and_consistency(Run& run, std::int32_t k, double mean) {
  // The factor of the penalty counts the runs of this K.
  const float h = static_cast<float>(k) * 0.5f * static_cast<float>(run.KRUN(k));
  run.Q2(1, k) = run.Q2(1, k) - run.Q2(2, k) / static_cast<double>(h);

  std::vector<std::int32_t> above;
  for (std::int32_t r = 1; r <= run.KRUN(k); ++r) {
    if (above_mean(run, r, k, mean)) above.push_back(r);
  }
  const std::int64_t n = run.NIND;
  // Every pair sees the same above-mean replicates, so either every pair is judged or none.
  if (above.size() < 2 || n < 2) {
    run.Q2(5, k) = run.Q2(5, k) / (0 + 0.00001);
    return;
  }
  // The members of each cluster of each above-mean replicate as bit sets: a pair is
  // together in every replicate when both lie in the intersection of their clusters, and
  // apart in every one when the second lies outside all the first one's clusters.
  const auto words = static_cast<std::size_t>((n + 63) / 64);
  const std::size_t nk = static_cast<std::size_t>(k);
  const std::size_t na = above.size();
  std::vector<std::uint64_t> members(na * nk * words, 0);
  // The bit set of individual i's cluster in each replicate: sets[i * na + a].
  std::vector<const std::uint64_t*> sets(static_cast<std::size_t>(n) * na);
  for (std::size_t a = 0; a < na; ++a) {
    for (std::int64_t i = 0; i < n; ++i) {
      const auto c = static_cast<std::size_t>(run.CLUSTER(i + 1, above[a]) - 1);
      members[(a * nk + c) * words + static_cast<std::size_t>(i / 64)] |= std::uint64_t{1}
                                                                          << (i % 64);
      sets[static_cast<std::size_t>(i) * na + a] = &members[(a * nk + c) * words];
    }
  }
  // Rows of individuals in blocks shared out among the cores, the longest rows first; the
  // count is a sum of integers, the same in any order.
  constexpr std::int64_t rows = 256;
  const std::int64_t blocks = (n + rows - 1) / rows;
  std::atomic<std::int64_t> next{0};
  std::atomic<std::int64_t> consistent{0};
  run_on_cores(static_cast<std::size_t>(blocks), [&](bool) {
    std::vector<std::uint64_t> together(words), apart(words);
    std::int64_t count = 0;
    for (std::int64_t b; (b = next.fetch_add(1)) < blocks;) {
      const std::int64_t last = n - b * rows;
      count += consistent_pairs(sets.data(), na, std::max<std::int64_t>(last - rows, 1), last,
                                together.data(), apart.data());
    }
    consistent += count;
  });
  const std::int64_t pairs = n * (n - 1) / 2;
  const auto p = static_cast<double>(pairs);
  run.Q2(5, k) = (run.Q2(5, k) + static_cast<double>(consistent.load())) / (p + 0.00001);
}

std::string best_output_file(const Run& run, const Study& study, std::int32_t k) {
  const std::int32_t r = run.BESTREP(k);
  return r >= 1 ? study.file(k, r).name : std::string();
}

}  // namespace pelvano
