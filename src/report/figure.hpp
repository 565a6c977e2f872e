// The figure of pelvano-plot: Mean Ln P(D|K) with its spread over the replicate runs,
// Evanno's L'(K) and |L''(K)|, DeltaK and the Parsimony value against K, as one SVG file
// sized for a page.
#pragma once

#include <string>
#include <string_view>

#include "analysis/summary.hpp"

namespace pelvano {

// The whole SVG document.
std::string figure_svg(const StudySummary& s, std::string_view title = {});

}  // namespace pelvano
