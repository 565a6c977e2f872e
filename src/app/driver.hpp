// The program driver: one complete analysis, phase after phase.
#pragma once

#include "base/fatal.hpp"
#include "base/tables.hpp"

namespace pelvano {

// One complete run of pelvano: every phase in order, then the closing lines.
void drive(Run& run);

// Reports a fatal error as the user sees it (message line, error file, pause) and
// returns the exit status of the process.
int report_fatal(Run& run, const FatalError& error);

// The process entry of a program made of the phases: reads the command line, answers
// --help and --version, runs `phases` on a fresh run and reports a fatal error as the user
// sees it. Returns the exit status: 0 after a normal end, 1 after a fatal error, 2 for a
// command line that cannot be used.
int main_entry(int argc, const char* const* argv, const char* program, void (*phases)(Run& run));

}  // namespace pelvano
