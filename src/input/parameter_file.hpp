// The parameter file: six values, one per line.
#pragma once

#include "base/tables.hpp"

namespace pelvano {

// Reads and checks the parameter file named run.fname, setting PATHNAME, FILENAME,
// FILENAME0, KSTART, KEND, NIND and NRUN. Every failure ends the run with its message.
void read_parameters(Run& run);

}  // namespace pelvano
