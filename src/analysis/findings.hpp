// Everything pelvano-plot shows of a study, worked out once for every file it writes.
#pragma once

#include <vector>

#include "analysis/modes.hpp"
#include "analysis/summary.hpp"
#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

struct Findings {
  // The per-K numbers, the methods' choices and Puechmaille's estimators (one set per
  // threshold of the command line, when the individuals are in groups).
  StudySummary summary;
  // The modes of every K, when every individual has memberships (none otherwise).
  std::vector<KModes> modes;
};

// The analysis pass and the methods' choices on the run tables, the modes of every K found
// alongside them, then Puechmaille's estimators and the summary. Stops the run when the
// memberships have more decimals than can be compared exactly.
Findings find(Run& run, const Study& study);

}  // namespace pelvano
