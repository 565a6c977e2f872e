// What pelvano-plot writes beside the results file: the per-K table, the figure, the bar
// plot with its colours, and (with --clumpp) the input files of CLUMPP.
#pragma once

#include "base/tables.hpp"

namespace pelvano {

// The phases of pelvano-plot: the analysis, then every file, one console line each.
void plot(Run& run);

}  // namespace pelvano
