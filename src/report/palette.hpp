// The colours of the clusters in the bar plot and the alignment table.
#pragma once

#include <string>

namespace pelvano {

// The colour of the cluster with colour index `index` (from 1), as "#rrggbb". The first 8
// are the colours that readers with any form of colour blindness can tell apart (the
// Okabe-Ito set, its black replaced by a grey); 12 more follow, distinct from them and
// from one another; beyond the 20, the colours come again, each round in a lighter shade.
std::string cluster_colour(int index);

}  // namespace pelvano
