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
  for (const MethodChoice& m : method_choices(s)) {
    if (m.none.empty() && m.k > 0) three.push_back(m.k);
  }
  const bool structure = s.lnp_name.empty();
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
    out.push_back("No logs beside the " + s.kind + " give their runs' " + s.lnp_name +
                  "s, so the methods that need them cannot choose K: compare the modes and bar "
                  "plots of each K.");
  } else if (s.lnp_grows) {
    out.push_back("The mean log-likelihood of a maximum-likelihood program such as " + s.program +
                  " only grows with K, so it is shown but never offered as a best K.");
  }
  if (s.program == "ADMIXTURE" && s.cv_none.empty()) {
    out.push_back(
        "The CV error tells how well each K predicts the genotypes held out of the fit: the "
        "lowest is the usual choice, and a larger K whose error is almost as low is worth a "
        "look.");
  }
  if (!structure && !s.lnp_grows && s.pritchard_none.empty()) {
    out.push_back(
        "The marginal likelihood favours the K that explains the structure best, while the "
        "clusters used tell how many clusters the runs really fill: fastStructure reads K "
        "between the two.");
  }
  // Agreement needs two methods that chose, at least.
  if (chosen.size() == 1 && !three.empty() && three.size() + puechmaille.size() >= 2) {
    out.push_back("All methods choose K = " + std::to_string(*chosen.begin()) + ".");
  }
  if (structure && evanno > 0 && evanno < pritchard) {
    out.push_back(
        "DeltaK finds the uppermost level of structure and cannot choose K = 1, while the mean "
        "Ln P(D|K) keeps rising slowly past the true K, so the smallest K where it levels off "
        "is the usual reading.");
  }
  if (structure && parsimony > 0 && evanno > 0 && parsimony != pritchard && parsimony != evanno) {
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
