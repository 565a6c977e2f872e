// The results file: the report of a run.
#pragma once

#include <string>

#include "analysis/summary.hpp"
#include "base/tables.hpp"

namespace pelvano {

// The results file's text: the banner and the report of the summary, which names the
// parameter file (or folder) and the list file of the run.
std::string results_text(const Run& run, const StudySummary& s);

// Writes the results file and the two closing console lines.
void write_results(const Run& run, const StudySummary& s);

}  // namespace pelvano
