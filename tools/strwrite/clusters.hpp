// How the replicate runs of a clustering program see a data set with P true populations: the
// true ancestry of each individual, how the true populations map onto the K clusters of one
// replicate (merged below K = P, split beyond it, in an order of its own), and the
// memberships each individual gets from that. Every simulated study of the writer draws its
// memberships here.
#pragma once

#include <cstddef>
#include <vector>

#include "strwrite/rng.hpp"

namespace pelvano::tools {

// The true ancestry of every individual over the P populations, n * P values: wholly its
// given population (pop, 1-based), except for round(admixed * n) individuals drawn by
// `truth`, who have 20% to 80% from one other population.
std::vector<double> true_ancestry(const std::vector<int>& pop, int P, double admixed, Rng& truth);

// How the true populations map onto the clusters of one replicate run at K.
struct ReplicateView {
  int P = 1, K = 1;
  std::vector<double> share;  // P * K: the part of true population p seen in cluster c
  // The memberships' concentration around the shares and their floor (Dirichlet parameters
  // conc * m + eps), and how closely the clusters' allele frequencies follow the true ones.
  double conc = 80.0, eps = 0.3, drift = 400.0;
  double at(int p, int c) const { return share[static_cast<std::size_t>(p) * K + c]; }
};

// Draws the view of one replicate: below K = P contiguous blocks of true populations merge,
// with block sizes that vary between replicates (so some replicates form minor modes); beyond
// it each extra cluster splits off part of one true population; the clusters come in a random
// order (label switching).
ReplicateView replicate_view(Rng& r, int P, int K);

// The K memberships of an individual with the P-value true ancestry `ancestry`, into q.
void draw_memberships(Rng& r, const ReplicateView& v, const double* ancestry,
                      std::vector<double>& q);

}  // namespace pelvano::tools
