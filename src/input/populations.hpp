// The names and order of the groups (Structure's Pop values), from --populations.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pelvano {

// Reads a --populations file: one population per line, its Pop value and then its name
// (the rest of the line); blank lines are passed over. A file that cannot be read or a
// line without a Pop value ends the run as a command line that cannot be used.
std::vector<std::pair<std::string, std::string>> read_populations(const std::string& file,
                                                                  const std::string& program);

}  // namespace pelvano
