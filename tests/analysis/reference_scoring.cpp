#include "analysis/reference_scoring.hpp"

#include <cmath>
#include <limits>
#include <vector>

namespace pelvano::test {

namespace {

// 0.65 in single precision, widened: the first assignment threshold, and the fraction of
// the individuals that must be counted.
constexpr double first_threshold = static_cast<double>(0.65f);
static_assert(first_threshold == 0.6499999761581421);

constexpr std::int32_t small_cluster = 5;

bool above_mean(const Run& run, std::int32_t r, std::int32_t k, double mean) {
  return !(mean >= run.LOGLK(r, k));
}

// Counts the assigned individuals of replicate r whose largest membership exceeds t.
std::int64_t count_clusters(Run& run, std::int32_t k, std::int32_t r, double t) {
  for (std::int32_t c = 1; c <= k; ++c) run.CLUSTERSIZE(c) = 0;
  for (std::int32_t i = 1; i <= run.NIND; ++i) {
    if (run.QM(i, r) > t) ++run.CLUSTERSIZE(run.CLUSTER(i, r));
  }
  std::int64_t counted = 0;
  for (std::int32_t c = 1; c <= k; ++c) counted += run.CLUSTERSIZE(c);
  return counted;
}

}  // namespace

void reference_score_replicates(Run& run, std::int32_t k, double mean, SimilaritySums* sums) {
  const QEntry& q = run.q(k);
  const double needed = static_cast<double>(run.NIND) * first_threshold;
  for (std::int32_t r = 1; r <= run.KRUN(k); ++r) {
    if (!above_mean(run, r, k, mean)) continue;

    // Each individual goes to the cluster of its largest membership (the first of equals).
    for (std::int32_t i = 1; i <= run.NIND; ++i) {
      float best = -std::numeric_limits<float>::infinity();
      std::int32_t chosen = 1;
      for (std::int32_t c = 1; c <= k; ++c) {
        if (q(c, i, r) > best) {
          best = q(c, i, r);
          chosen = c;
        }
      }
      run.CLUSTER(i, r) = chosen;
      run.QM(i, r) = static_cast<double>(q(chosen, i, r));
    }

    // Lower the threshold until more than 65 % of the individuals are counted. A replicate
    // in which too few individuals have any membership above 0 never gets there: once the
    // threshold has reached 0 it is left unscored.
    double t = first_threshold;
    bool scored = true;
    while (!(static_cast<double>(count_clusters(run, k, r, t)) > needed)) {
      t = t * 0.5;
      if (t == 0) {
        scored = false;
        break;
      }
    }
    if (!scored) continue;

    // Similarity of the membership vectors within and between clusters.
    double sw = 0, cw = 0, sb = 0, cb = 0;
    for (std::int32_t i = 1; i <= run.NIND; ++i) {
      float self = 0.0f;
      for (std::int32_t c = 1; c <= k; ++c) self = self + q(c, i, r) * q(c, i, r);
      sw += static_cast<double>(self);
      cw += 1;
      const std::int32_t ci = run.CLUSTER(i, r);
      for (std::int32_t j = 1; j <= i - 1; ++j) {
        float s = 0.0f;
        for (std::int32_t c = 1; c <= k; ++c) s = s + q(c, i, r) * q(c, j, r);
        if (run.CLUSTER(j, r) == ci) {
          sw += static_cast<double>(s);
          cw += 1;
        } else {
          sb += static_cast<double>(s);
          cb += 1;
        }
      }
    }
    if (sums != nullptr) {
      sums[r - 1] =
          SimilaritySums{sw, sb, static_cast<std::int64_t>(cw), static_cast<std::int64_t>(cb)};
    }
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

void reference_penalty_and_consistency(Run& run, std::int32_t k, double mean) {
  const float h = static_cast<float>(k) * 0.5f * static_cast<float>(run.KRUN(k));
  run.Q2(1, k) = run.Q2(1, k) - run.Q2(2, k) / static_cast<double>(h);

  std::vector<std::int32_t> above;
  for (std::int32_t r = 1; r <= run.KRUN(k); ++r) {
    if (above_mean(run, r, k, mean)) above.push_back(r);
  }
  double p = 0;
  double consistent = run.Q2(5, k);
  for (std::int32_t i = 1; i <= run.NIND; ++i) {
    for (std::int32_t j = 1; j <= i - 1; ++j) {
      double together = 0, apart = 0;
      for (const std::int32_t r : above) {
        if (run.CLUSTER(i, r) == run.CLUSTER(j, r)) {
          together += 1;
        } else {
          apart += 1;
        }
      }
      if (together + apart >= 1.5) {
        p += 1;
        if (together < 0.1 || apart < 0.1) consistent += 1;
      }
    }
  }
  run.Q2(5, k) = consistent / (p + 0.00001);
}

}  // namespace pelvano::test
