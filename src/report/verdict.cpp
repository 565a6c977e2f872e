#include "report/verdict.hpp"

#include <algorithm>
#include <set>

namespace pelvano {

std::vector<std::string> verdict_sentences(const StudySummary& s,
                                           const std::vector<KModes>& modes) {
  const std::int32_t evanno = s.evanno_none.empty() ? s.evanno : 0;
  const std::int32_t parsimony = s.parsimony_none.empty() ? s.parsimony : 0;
  // The K of the three methods that chose, and of Puechmaille's estimators.
  std::vector<std::int32_t> three;
  const std::int32_t pritchard = s.pritchard_none.empty() ? s.pritchard : 0;
  for (const std::int32_t k : {evanno, pritchard, parsimony}) {
    if (k > 0) three.push_back(k);
  }
  std::vector<std::int32_t> puechmaille;
  for (const Puechmaille& p : s.puechmaille) {
    for (const std::int32_t k :
         {p.estimate.medmea, p.estimate.maxmea, p.estimate.medmed, p.estimate.maxmed}) {
      if (k > 0) puechmaille.push_back(k);
    }
  }
  std::set<std::int32_t> chosen(three.begin(), three.end());
  chosen.insert(puechmaille.begin(), puechmaille.end());

  std::vector<std::string> out;
  if (!s.no_lnp.empty()) {
    out.push_back("The " + s.kind +
                  " hold memberships but no log-likelihoods, so no method here can choose K "
                  "from them yet: compare the modes and bar plots of each K.");
  }
  // Agreement needs two methods that chose, at least.
  if (chosen.size() == 1 && !three.empty() && three.size() + puechmaille.size() >= 2) {
    out.push_back("All methods choose K = " + std::to_string(*chosen.begin()) + ".");
  }
  if (evanno > 0 && evanno < pritchard) {
    out.push_back(
        "DeltaK finds the uppermost level of structure and cannot choose K = 1, while the mean "
        "Ln P(D|K) keeps rising slowly past the true K, so the smallest K where it levels off "
        "is the usual reading.");
  }
  if (parsimony > 0 && evanno > 0 && parsimony != pritchard && parsimony != evanno) {
    out.push_back(
        "The Parsimony method differs from both: it rewards runs whose individuals separate "
        "cleanly and consistently.");
  }
  if (!three.empty() && std::any_of(puechmaille.begin(), puechmaille.end(), [&](std::int32_t k) {
        return std::find(three.begin(), three.end(), k) == three.end();
      })) {
    out.push_back(
        "Puechmaille's estimators differ from the others: they are meant for unevenly sampled "
        "populations.");
  }
  std::set<std::int32_t> near;
  for (const std::int32_t k : chosen) near.insert({k - 1, k, k + 1});
  for (const KModes& m : modes) {
    if (near.count(m.k) == 0 || m.modes.size() < 2) continue;
    out.push_back("At K = " + std::to_string(m.k) + " the runs found " +
                  std::to_string(m.modes.size()) + " different clusterings (see Modes).");
  }
  return out;
}

}  // namespace pelvano
