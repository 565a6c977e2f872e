// The input files of CLUMPP, the program that aligns the clusters of replicate runs: for
// every K, its runs as an individual file (and, with a Pop column, a population file), and a
// parameter file, laid out as Structure Harvester writes them, so that the files of either
// tool can stand for the other's.
#pragma once

#include <string>

#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// Writes K<k>.indfile, K<k>.popfile and K<k>.paramfile for every K into `folder` (made
// when missing), each file whole; removes such files of K outside the study's range.
void write_clumpp(const std::string& folder, const Run& run, const Study& study);

// Removes every such file of the folder, and the folder when nothing else is left in it.
void remove_clumpp(const std::string& folder);

// The start of individual i's line in an individual file, up to and including its " : ".
std::string individual_line(const Study& study, std::size_t i);

}  // namespace pelvano
