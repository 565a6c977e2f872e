// The figure and the bar plot as PDF and PNG: the outputs --format asks for, each rendered
// from the SVG document written before it.
#pragma once

#include <vector>

#include "report/outputs.hpp"

namespace pelvano {

// K.pdf, K.png, K.bars.pdf and K.bars.png, in that order, to follow the SVG documents.
std::vector<PlotOutput> rendered_outputs();

}  // namespace pelvano
