// The few sentences under the page's answer table that help the user decide: each one fixed
// and shown only when its condition holds; there is no other verdict.
#pragma once

#include <string>
#include <vector>

#include "analysis/modes.hpp"
#include "analysis/summary.hpp"

namespace pelvano {

// In order: whether the methods that chose (two at least) agree; why DeltaK may choose a
// smaller K than the mean Ln P(D|K); what the Parsimony method rewards when it differs from
// both (each of the three having chosen); what
// Puechmaille's estimators are meant for when they differ from the others; and, for each K
// chosen by a method and each K next to one, the number of clusterings its runs found when
// its major mode holds fewer than all of them.
std::vector<std::string> verdict_sentences(const StudySummary& s, const std::vector<KModes>& modes);

}  // namespace pelvano
