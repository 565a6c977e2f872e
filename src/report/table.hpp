// The per-K table of pelvano-plot: tab-separated text for R, Python or a spreadsheet.
#pragma once

#include <string>

#include "analysis/summary.hpp"
#include "report/bars.hpp"

namespace pelvano {

// A real in its shortest form that reads back to the same double; "NaN", "Inf", "-Inf"
// for the special values.
std::string real_cell(double x);

// One header line and one row per K, cells separated by tabs, every line ending with a
// line feed. A value that does not exist is an empty cell. A cell that holds a tab, a line
// end or a double quote is quoted with double quotes, a quote inside it doubled.
std::string table_text(const StudySummary& s);

// The colours of the bar plot: one row per cluster of each row of the plot, with the
// columns K, Mode (with modes: 1 for the major mode), Run (the run shown, or the mode's
// reference run), Cluster (numbered as in that run's file), Colour_index (from 1) and Colour
// ("#rrggbb").
std::string alignment_table_text(const std::vector<BarRow>& rows);

}  // namespace pelvano
