// The parameter file: six values, one per line.
#pragma once

#include "control/tables.hpp"

namespace pelvano {

// Reads and checks the parameter file named run.fname, setting PATHNAME, FILENAME,
// FILENAME0, KSTART, KEND, NIND and NRUN. Every failure ends the run with its message.
void read_parameters(Run& run);

// Stops the run unless KSTART, KEND, NIND and NRUN describe at least one run of one
// individual at K of 1 or more.
void check_numbers(const Run& run);

}  // namespace pelvano
