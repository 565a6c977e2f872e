// The command line of pelvano and pelvano-plot: its options and the text of --help.
#pragma once

#include <string>

#include "base/options.hpp"

namespace pelvano {

// Parses argv. A command line that cannot be parsed (an unknown option, a missing value)
// ends the run through a FatalError of kind usage.
Options parse_options(int argc, const char* const* argv, const std::string& program);

// The text of --help.
std::string usage_text(const std::string& program);

}  // namespace pelvano
