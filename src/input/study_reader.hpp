// Reading the Structure output files of a study: each file opened and read once, into the
// study that both programs use, and the run tables filled from it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// What the reading checks of each file's header, in list order, before the rest of the file
// counts: it gets the first file, the file, and the number of files of the file's K before
// it, and stops the run through a FatalError.
using HeaderCheck =
    std::function<void(const StudyFile& first, const StudyFile& file, std::int32_t runs_before)>;

// With a parameter file: the file has NIND individuals, a K from KSTART to KEND, and it is
// not run NRUN + 1 of its K.
HeaderCheck parameter_checks(const Run& run);

// Reads the files `names`, in list order, into a study, with a progress line for each file
// on the console: the first file first (the others' rows are compared with its rows), then
// the others on all cores. Each file's run number is its rank among the files of its K. The
// progress lines, the run numbers and the failure that stops the run (the first in list
// order, a file's header checks before the rest of it) are those of reading the files one
// after the other. `keep_text`: keep the memberships as printed.
Study read_study(Run& run, const std::vector<std::string>& names, const HeaderCheck& check,
                 bool keep_text);

// The progress line of file i (from 0) of the reading, over the one before it.
void show_progress(Run& run, std::size_t i, const std::string& name);

// Fills KRUN, LOGLK and Q from the study, after the tables have been created: entry K of Q
// then holds the KRUN(K) runs of K.
void fill_tables(Run& run, const Study& study);

}  // namespace pelvano
