// A study given as a folder: the six values a parameter file would hold, worked out from the
// Structure output files themselves.
#pragma once

#include <string>
#include <vector>

#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// The generic name that the files share: the longest common start of their names without
// "_f", less any digits at its end, with the characters the pattern would take as
// wildcards escaped, followed by "*". `start` receives that common start itself.
std::string common_generic_name(const std::vector<std::string>& names, std::string& start);

// The name with every run of digits replaced by one "#": K3_run12_f gives K#_run#_f.
std::string name_pattern(const std::string& name);

// The names' patterns, each once in the order they first come, listed "a, b and c";
// `count` receives how many there are.
std::string distinct_patterns(const std::vector<std::string>& names, std::size_t& count);

// Sets what a parameter file would give (the range of K, the individuals, the runs per K)
// from the study read from the folder, checks them and the folder, and names the list and
// results files.
void take_study_numbers(Run& run, const Study& study, const std::string& folder);

// Reads the study of the folder named on the command line (its files matching --name
// followed by "_f", or all "_f" files) and sets what read_parameters would set (fname is
// the folder) and the names of the list and results files. Stops the run with one message
// when the files are not one complete study; the error file lies in the folder, named
// after the results file. Returns the files, as the study names them.
std::vector<std::string> read_folder(Run& run, Study& study, bool keep_text);

}  // namespace pelvano
