// Finding the Structure output files of a study and keeping their list.
#pragma once

#include <string>
#include <vector>

#include "base/tables.hpp"

namespace pelvano {

// Stops the run when a name holds a line end: the list file holds one name per line, and
// such a name would be read back as two, the first perhaps of another file.
void check_list_names(const std::vector<std::string>& files);

// Names the list file and the results file: <folder>/<file_stem>.list and .K.
void name_outputs(Run& run);

// With a parameter file: lists the Structure output files into the list file, checks their
// number, fills READFILE from the list file and checks that every file exists. Sets
// FILELISTNAME, ESTFILENAME and NFILES.
void discover(Run& run);

// In a folder, once the study is known: writes the list file of the files read, `files`,
// and sets READFILE and NFILES.
void keep_list(Run& run, const std::vector<std::string>& files);

}  // namespace pelvano
