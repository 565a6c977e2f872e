// The ancestry table of an output file ("Inferred ancestry of individuals:"), in every layout the
// writer knows: with or without the Label and Pop columns, with each individual's r, with the
// probability intervals of the memberships, and with the prior rows of USEPOPINFO.
#pragma once

#include <string>

#include "strwrite/model.hpp"

namespace pelvano::tools {

// Appends the table, from its title line to the last row, to o.
void append_ancestry_table(std::string& o, const DataSet& d, const RunResult& run);

}  // namespace pelvano::tools
