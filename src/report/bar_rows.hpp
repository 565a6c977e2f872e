// The rows of the bar plot, in its two views: each K's modes, or one run of each K.
#pragma once

#include <vector>

#include "analysis/modes.hpp"
#include "base/study.hpp"
#include "base/tables.hpp"
#include "report/bars.hpp"

namespace pelvano {

// For every K its major mode's mean memberships, its minor modes' in rows after it (the rows
// point at the means that `modes` hold). The major
// modes keep their colours across K (the clusters of K + 1 matched to those of K by their
// overlap); a minor mode takes its colours from its K's major mode, its reference run
// aligned to the major mode's.
std::vector<BarRow> mode_rows(const Study& study, const std::vector<KModes>& modes);

// For every K its representative run (the Parsimony method's best run, or the run of
// largest Ln P(D)), as the files print its memberships, coloured alike across K.
std::vector<BarRow> run_rows(const Run& run, const Study& study);

}  // namespace pelvano
