// Puechmaille's estimators of K for unevenly sampled populations (Puechmaille 2016,
// Molecular Ecology Resources 16:608-627): MedMeaK, MaxMeaK, MedMedK and MaxMedK, from the
// memberships of every run and the sampling population (Pop value) of every individual.
// Memberships are compared exactly as the files print them: as integers of their smallest
// printed unit, the threshold as a decimal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/decimal.hpp"
#include "base/study.hpp"

namespace pelvano {

// The four values of one K, or (as the study's estimates) the largest of each over K.
struct PuechmailleK {
  std::int32_t k = 0;
  std::int32_t medmea = 0;
  std::int32_t maxmea = 0;
  std::int32_t medmed = 0;
  std::int32_t maxmed = 0;
};

struct Puechmaille {
  std::string threshold;  // as given, the shortest decimal
  std::vector<PuechmailleK> ks;
  PuechmailleK estimate;
};

// The clusters of one run (k memberships per individual, in units of 10^-decimals) for
// which some population's mean (first) and median (second) membership lies strictly above
// the threshold (a decimal strictly between 0 and 1).
std::pair<std::int32_t, std::int32_t> clusters_above(const std::vector<std::int64_t>& q,
                                                     std::int32_t k,
                                                     const std::vector<std::string>& pop,
                                                     int decimals, const Threshold& threshold);

// The estimators of the study from the exact memberships of its runs, each K from kfirst to
// klast over its own runs; pop holds the Pop value of each individual.
Puechmaille puechmaille(const Study& study, std::int32_t kfirst, std::int32_t klast,
                        const std::vector<std::string>& pop, const Threshold& threshold);

}  // namespace pelvano
