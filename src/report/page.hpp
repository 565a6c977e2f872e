// The study's report as one page for a browser: the answer of every method, the figures,
// the per-K table and the results file, in a single file that needs nothing else to be read
// (its links to the other files work beside them).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/modes.hpp"
#include "analysis/summary.hpp"
#include "base/study.hpp"
#include "report/bars.hpp"

namespace pelvano {

// A file or folder beside the page, in its list of files.
struct PageLink {
  std::string name;  // its name in the page's folder
  std::string what;  // what it holds
  bool folder = false;
};

// Everything the page shows.
struct Page {
  const Study& study;  // the files read, for the runs' names
  const StudySummary& summary;
  const std::vector<BarRow>& rows;   // the bar plot's rows: each K's modes, or one run of each K
  const std::vector<KModes>& modes;  // of every K (none without every individual's memberships)
  std::string mode_threshold;
  std::string_view figure;  // the SVG documents ("" for a bar plot not drawn)
  std::string_view bars;
  std::string results;  // the results file's text
  // The files beside the page, in the order of its list: pelvano's results and list files,
  // then the files of pelvano-plot written with it.
  std::vector<PageLink> links;
  std::string title;  // --title ("": "Choosing K for the Structure runs ... in ...")
};

// A name in a link: every byte but letters, digits and - . _ ~ / percent-encoded (a file's
// name holds no "/"; a path from the page's folder keeps its own).
std::string link_to(const std::string& name);

// The whole page: HTML5 that an XML parser reads too.
std::string page_html(const Page& p);

}  // namespace pelvano
