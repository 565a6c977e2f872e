// The study's report as one page for a browser: the answer of every method, the figures,
// the per-K table and the results file, in a single file that needs nothing else to be read
// (its links to the other files work beside them).
#pragma once

#include <string>
#include <vector>

#include "analysis/modes.hpp"
#include "report/bars.hpp"
#include "report/summary.hpp"

namespace pelvano {

// Everything the page shows.
struct Page {
  StudySummary summary;
  std::vector<BarRow> rows;   // the bar plot's rows: each K's modes, or one run of each K
  std::vector<KModes> modes;  // of every K (none for a study written with USEPOPINFO)
  std::string mode_threshold;
  std::string figure;  // the SVG documents
  std::string bars;
  std::string results;  // the results file's text
  // The files beside the page, by their names in its folder ("" when not written).
  std::string results_file, list_file, table_file, figure_file, bars_file, colours_file,
      clumpp_folder, modes_file, modes_folder;
};

// A name in a link: every byte but letters, digits and - . _ ~ percent-encoded.
std::string link_to(const std::string& name);

// The whole page: HTML5 that an XML parser reads too.
std::string page_html(const Page& p);

}  // namespace pelvano
