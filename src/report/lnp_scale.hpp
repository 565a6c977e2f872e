// The scale of the Ln P(D|K) panel, which no outlying run can flatten: one run of Ln P(D)
// -50000 among runs near -20000 would stretch the axis until the curve the user came to
// see is a straight line. The panel spans, over every K, the runs within ten median
// absolute deviations of that K's median run (at least 1 % of the median either side);
// the runs beyond are drawn at the panel's edge and named in a note.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/summary.hpp"

namespace pelvano {

struct OffScale {
  // For each K of the summary, each of its runs: 1 above the scale, -1 below it, 0 on it.
  std::vector<std::vector<int>> off;
  std::vector<bool> any;   // for each K: some run of it is off the scale
  std::int64_t count = 0;  // runs off the scale
  std::string note;        // "2 runs off scale (lowest -50000 at K = 4)"; ""
};

// The runs of each K off the scale of the panel. Runs whose Ln P(D) is not finite are
// left out of the panel anyway and are never off its scale.
OffScale off_scale(const StudySummary& s);

}  // namespace pelvano
