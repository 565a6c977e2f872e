// Finding the Structure output files of a study.
#pragma once

#include <string>
#include <vector>

#include "control/tables.hpp"

namespace pelvano {

// Names of the entries of `folder` that match `pattern` as the shell matches a file name
// (a leading "." only by a pattern that starts with "."), directories left out, sorted in
// byte order. A folder that cannot be listed gives no names.
std::vector<std::string> list_matching(const std::string& folder, const std::string& pattern);

// Lists the Structure output files into the list file, checks their number, fills
// READFILE from the list file and checks that every file exists. Sets FILELISTNAME,
// ESTFILENAME and NFILES.
void discover(Run& run);

}  // namespace pelvano
