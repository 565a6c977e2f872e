// A study given as a folder of memberships files of ADMIXTURE (NAME.K.Q), fastStructure
// (NAME.K.meanQ) or NGSadmix (NAME.qopt): found in the folder and its subfolders at any
// depth, since replicate runs usually live in run1/, run2/, ...
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// The folders pelvano-plot writes its own outputs into end so; the search passes them over.
inline constexpr std::array<std::string_view, 2> output_folder_ends = {".modes", ".clumpp"};

// Whether a file's name is that of a memberships file: ends in ".Q", ".meanQ" or ".qopt".
bool memberships_file_name(std::string_view name);

// The memberships files under the folder (hidden folders, links to folders and the output
// folders passed over; a link that leads nowhere or round in a loop ends its branch), as
// paths relative to it, in byte order. `pattern`: a shell pattern their file names must
// match ("" for any).
std::vector<std::string> find_memberships_files(const std::string& folder,
                                                const std::string& pattern);

// A memberships file's name without ".K.Q", ".K.meanQ" or ".qopt" (without ".Q" or ".meanQ"
// when it carries no K): "sample" for sample.3.Q.
std::string_view run_name_stem(std::string_view name);

// The name the outputs take from the files (their paths relative to the folder): the file
// name before ".K.Q", ".K.meanQ" or ".qopt" when every file shares it, else the file names'
// common start without a trailing "_", "-" or ".", else "pelvano".
std::string memberships_stem(const std::vector<std::string>& paths);

// Reads the study of the memberships files `paths` (relative to the folder named on the
// command line, from find_memberships_files) and sets what read_parameters would set (the
// folder, the numbers, the names of the list and error files). Stops the run with one line
// when the files are not one complete study. Returns the files, as the study names them.
std::vector<std::string> read_memberships_folder(Run& run, Study& study,
                                                 const std::vector<std::string>& paths);

}  // namespace pelvano
