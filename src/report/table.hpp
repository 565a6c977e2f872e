// The per-K table of pelvano-plot: tab-separated text for R, Python or a spreadsheet.
#pragma once

#include <string>
#include <string_view>

#include "analysis/summary.hpp"
#include "report/bars.hpp"

namespace pelvano {

// A real in its shortest form that reads back to the same double; "Inf" and "-Inf" for the
// infinities, and an empty cell (missing) for NaN and for -1e300, the value that stands for
// none.
std::string real_cell(double x);

// A text as a cell of a tab-separated file: as it is, or, when it holds a tab, a line end
// or a double quote, in double quotes with a quote inside it doubled.
std::string text_cell(std::string_view text);

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
