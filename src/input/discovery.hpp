// Finding the Structure output files of a study.
#pragma once

#include "base/tables.hpp"

namespace pelvano {

// Lists the Structure output files into the list file, checks their number, fills
// READFILE from the list file and checks that every file exists. Sets FILELISTNAME,
// ESTFILENAME and NFILES.
void discover(Run& run);

}  // namespace pelvano
