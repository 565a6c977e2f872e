// Modes within each K: the replicate runs of K aligned to one another, grouped into the runs
// that found the same clustering (a mode), and each group averaged.
//
// Two runs A and B (A the lower-numbered) are aligned by the permutation pi of B's clusters
// that minimises D = sum over A's clusters a of sum over the individuals i of
// (A_ia - B_i,pi(a))^2, each sum in ascending order, in double precision (the lexicographically
// first pi of exactly equal least D); their similarity is G' = 1 - sqrt(D) / sqrt(2C) for C
// individuals. Runs are linked when G' reaches the threshold; the largest set of runs all
// linked to each other (then the largest sum of G' over its pairs, then the first run
// numbers) is the first mode, the largest set of the runs left the next, and so on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/decimal.hpp"
#include "base/study.hpp"

namespace pelvano {

struct Mode {
  std::vector<std::int32_t> runs;         // its run numbers, ascending
  std::int32_t reference = 0;             // its reference run
  std::optional<double> mean_similarity;  // G' over its pairs of runs (none for one run)
  std::optional<double> min_similarity;
  std::optional<double> h_prime;  // over its pairs, each run aligned to the reference run
  double mean_lnp = 0;            // of its runs
  std::vector<double> mean;       // C x K mean memberships, in the reference run's clusters
};

// The modes of one K of R runs, numbered 1..R.
struct KModes {
  std::int32_t k = 0;
  std::int32_t runs = 0;
  std::int32_t individuals = 0;
  std::vector<double> similarity;  // R x R: G' of each pair at its best alignment, 1 alone
  // Of each pair (a < b, from 0), the best alignment: element c is b's cluster (from 0) for
  // a's cluster c. pairs[a * R + b].
  std::vector<std::vector<int>> pairs;
  std::vector<int> mode;  // of each run, from 1
  // Of each run, its clusters aligned to its mode's reference run: element c is its cluster
  // (from 0) for the reference run's cluster c.
  std::vector<std::vector<int>> to_reference;
  std::vector<double> similarity_to_reference;  // G' with its mode's reference run
  std::vector<Mode> modes;  // the major mode first, then the minor ones in the order found
};

// Whether K has two runs or more and no two of them are in one mode.
inline bool none_agree(const KModes& m) {
  return m.runs >= 2 && m.modes.size() == static_cast<std::size_t>(m.runs);
}

// What the page and the bar plot say of a mode's runs: "major mode · 3 of 5 runs",
// "minor mode 2 · 1 of 5 runs", or for the first mode of a K none of whose runs agree, "no
// two of the 5 runs agree".
// The parts are joined by `dot`.
std::string mode_runs_text(const KModes& m, std::size_t mode, const std::string& dot);

// The clusters of run `run` (from 1) for the clusters of run `reference` (from 1): element c
// is run's cluster for reference's cluster c, by the pair's one best alignment.
std::vector<int> alignment(const KModes& m, std::int32_t run, std::int32_t reference);

// The modes of K: q[r] holds the normalised memberships of run r + 1 (C x K), lnp[r] its
// Ln P(D). The pairs are aligned on all cores.
KModes find_modes(std::int32_t k, std::int32_t individuals,
                  const std::vector<std::vector<double>>& q, const std::vector<double>& lnp,
                  const Threshold& threshold);

// The modes of every K of the study, kfirst to klast, each over its own runs.
std::vector<KModes> modes_of_study(const Study& study, std::int32_t kfirst, std::int32_t klast,
                                   std::int32_t individuals, const Threshold& threshold);

// The largest set of the vertices `among` that are all linked to each other (linked[a * n +
// b]); of several, the one with the largest sum of weight over its pairs (weight[a * n + b],
// summed over the pairs in ascending order), then the one whose vertices, in ascending
// order, come first. Vertices from 0, the result ascending.
std::vector<int> largest_linked_set(int n, const std::vector<char>& linked,
                                    const std::vector<double>& weight,
                                    const std::vector<int>& among);

}  // namespace pelvano
