// The study a run works on, named on the command line in one of two ways: a folder of the
// files of the runs, or a parameter file that gives their folder, generic name and numbers.
#pragma once

#include <optional>
#include <string>

#include "base/options.hpp"
#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// Whether the command line names a folder (rather than a parameter file).
bool names_folder(const Options& o);

// Whether the command line's folder or parameter file (the default when none is named)
// exists.
bool names_existing_path(const Options& o);

// When the command line names a Structure output file (a regular file whose name ends in
// "_f" and whose header has the line "Run parameters:") instead of its folder: the folder
// to name ("." for a file named without one). Otherwise nothing.
std::optional<std::string> folder_of_structure_file(const Options& o);

// When the command line names a folder without Structure output files but with memberships
// files of ADMIXTURE, fastStructure or NGSadmix (at any depth): the first of them, as its
// path in the folder. Otherwise nothing.
std::optional<std::string> memberships_file_in(const Options& o);

// Locates the files of the study from the command line, reads them into the study (for
// pelvano-plot, `plot`: the memberships as printed and their exact units kept, and the
// memberships files of ADMIXTURE, fastStructure and NGSadmix read too), creates the
// run tables and fills them from it. On the console: a progress line for each file, then
// the lines that tell how the study will be analysed (K with their own numbers of runs,
// files without every individual's memberships, which turn off the scoring of runs).
// Every failure ends the run through a FatalError.
Study read_input(Run& run, bool plot);

}  // namespace pelvano
