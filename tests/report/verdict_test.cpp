// The sentences under the page's answer table, each with its condition met and not met:
// verdict_cases.txt holds the cases.
#include "report/verdict.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/cases.hpp"

namespace pelvano {
namespace {

// A method's K from its field: "none" is a method that cannot choose, "nolnp" one that
// cannot for files without log-likelihoods.
void choice(const std::string& field, std::int32_t& k, std::string& none, StudySummary& s) {
  if (field == "none") {
    k = 0;
    none = "one run per K";
  } else if (field == "nolnp") {
    k = 0;
    none = s.no_lnp = "no logs with log-likelihoods";
    s.kind = "ADMIXTURE files";
    s.lnp_name = "log-likelihood";
  } else {
    k = std::stoi(field);
  }
}

// The kind of a sentence, as the cases name it.
std::string kind(const std::string& sentence) {
  int k = 0, n = 0;
  if (std::sscanf(sentence.c_str(), "All methods choose K = %d.", &k) == 1 &&
      sentence == "All methods choose K = " + std::to_string(k) + ".") {
    return "all " + std::to_string(k);
  }
  if (std::sscanf(sentence.c_str(), "At K = %d the runs found %d", &k, &n) == 2 &&
      sentence == "At K = " + std::to_string(k) + " the runs found " + std::to_string(n) +
                      " different clusterings (see Modes).") {
    return "modes " + std::to_string(k) + ":" + std::to_string(n);
  }
  if (sentence ==
      "No logs beside the ADMIXTURE files give their runs' log-likelihoods, so the methods "
      "that need them cannot choose K: compare the modes and bar plots of each K.") {
    return "nolnp";
  }
  if (sentence.starts_with("DeltaK finds the uppermost level of structure")) return "deltak";
  if (sentence.starts_with("The Parsimony method differs from both")) return "parsimony";
  if (sentence.starts_with("Puechmaille's estimators differ from the others")) {
    return "puechmaille";
  }
  return "unknown: " + sentence;
}

TEST(Verdict, EachSentenceWhereItsConditionHolds) {
  for (const auto& row : test::table("report/verdict_cases.txt")) {
    StudySummary s;
    choice(row.at(0), s.evanno, s.evanno_none, s);
    choice(row.at(1), s.pritchard, s.pritchard_none, s);
    choice(row.at(2), s.parsimony, s.parsimony_none, s);
    std::istringstream thresholds(row.at(3) == "-" ? "" : row[3]);
    for (std::string t; std::getline(thresholds, t, ';');) {
      std::istringstream in(t);
      Puechmaille p;
      if (in >> p.estimate.medmea >> p.estimate.maxmea >> p.estimate.medmed >> p.estimate.maxmed) {
        s.puechmaille.push_back(p);
      }
    }
    std::vector<KModes> modes;
    std::istringstream ks(row.at(4) == "-" ? "" : row[4]);
    for (std::string w; ks >> w;) {
      KModes m;
      m.k = std::stoi(w.substr(0, w.find(':')));
      m.modes.resize(std::stoul(w.substr(w.find(':') + 1)));
      m.runs = static_cast<std::int32_t>(m.modes.size()) + 1;
      modes.push_back(m);
    }
    std::string got;
    for (const std::string& sentence : verdict_sentences(s, modes)) {
      got += (got.empty() ? "" : ", ") + kind(sentence);
    }
    EXPECT_EQ(got.empty() ? "-" : got, row.at(5))
        << row[0] << " | " << row[1] << " | " << row[2] << " | " << row[3] << " | " << row[4];
  }
}

}  // namespace
}  // namespace pelvano
