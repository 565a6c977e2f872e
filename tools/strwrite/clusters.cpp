#include "strwrite/exact.hpp"  // first: see there

#include "strwrite/clusters.hpp"

#include <algorithm>
#include <cmath>

namespace pelvano::tools {

std::vector<double> true_ancestry(const std::vector<int>& pop, int P, double admixed, Rng& truth) {
  const int n = static_cast<int>(pop.size());
  std::vector<double> ancestry(static_cast<std::size_t>(n) * P, 0.0);
  for (int i = 0; i < n; ++i) ancestry[static_cast<std::size_t>(i) * P + pop[i] - 1] = 1.0;
  if (P > 1) {
    const std::vector<int> order = permutation(truth, n);
    const int n_mixed = static_cast<int>(std::llround(admixed * static_cast<double>(n)));
    for (int j = 0; j < n_mixed; ++j) {
      const int i = order[j], home = pop[i] - 1;
      int other = below(truth, P - 1);
      if (other >= home) ++other;
      const double share = uniform(truth, 0.2, 0.8);
      ancestry[static_cast<std::size_t>(i) * P + home] = share;
      ancestry[static_cast<std::size_t>(i) * P + other] = 1.0 - share;
    }
  }
  return ancestry;
}

ReplicateView replicate_view(Rng& r, int P, int K) {
  ReplicateView v;
  v.P = P;
  v.K = K;
  v.share.assign(static_cast<std::size_t>(P) * K, 0.0);
  auto at = [&](int p, int c) -> double& { return v.share[static_cast<std::size_t>(p) * K + c]; };
  const std::vector<int> perm = permutation(r, K);  // label switching
  if (K <= P) {
    // Contiguous blocks of true populations are merged; block sizes vary per replicate.
    std::vector<int> size(K, static_cast<int>(P / K));
    const std::vector<int> extra = permutation(r, K);
    for (int j = 0; j < P % K; ++j) ++size[extra[j]];
    for (int c = 0, p = 0; c < K; ++c)
      for (int s = 0; s < size[c]; ++s, ++p) at(p, perm[c]) = 1.0;
  } else {
    // Extra clusters each split off part of one true population, plus a little everywhere.
    v.conc = 25.0;
    v.eps = 0.4;
    v.drift = 120.0;
    const double spread = 0.01;
    for (int p = 0; p < P; ++p) {
      at(p, perm[p]) = 1.0 - spread * (K - P);
      for (int c = P; c < K; ++c) at(p, perm[c]) = spread;
    }
    for (int c = P; c < K; ++c) {
      const int p = below(r, P);
      double& main = at(p, perm[p]);
      const double s = std::min(uniform(r, 0.15, 0.5), main * 0.6);
      main -= s;
      at(p, perm[c]) += s;
    }
  }
  return v;
}

void draw_memberships(Rng& r, const ReplicateView& v, const double* ancestry,
                      std::vector<double>& q) {
  const int K = v.K;
  if (K == 1) {
    q.assign(1, 1.0);
    return;
  }
  thread_local std::vector<double> m, alpha;
  m.assign(K, 0.0);
  alpha.resize(K);
  for (int p = 0; p < v.P; ++p) {
    const double w = ancestry[p];
    if (w > 0.0)
      for (int c = 0; c < K; ++c) m[c] += w * v.at(p, c);
  }
  for (int c = 0; c < K; ++c) alpha[c] = v.conc * m[c] + v.eps;
  dirichlet(r, alpha, q);
}

}  // namespace pelvano::tools
