// The program driver: one complete analysis, phase after phase.
#pragma once

#include "control/fatal.hpp"
#include "control/tables.hpp"

namespace pelvano {

// Start-up: platform from PATH, banner (with its pause, unless show_banner is false),
// parameter-file name and test, parameter file, run tables.
void start_up(Run& run, int argc, const char* const* argv, bool show_banner = true);

// Start-up, discovery and reading of every Structure output file, and the analysis pass:
// everything a report needs. Every failure ends the run through a FatalError.
void read_and_analyse(Run& run, int argc, const char* const* argv, bool show_banner = true);

// One complete run: start-up, then every phase in order, then the closing lines.
void drive(Run& run, int argc, const char* const* argv);

// Reports a fatal error as the user sees it (message line, error file, pause) and
// returns the exit status of the process.
int report_fatal(Run& run, const FatalError& error);

// The process entry of a program made of the phases: runs `phases` on a fresh run and
// reports a fatal error as the user sees it. Returns the exit status: 0 after a normal
// end, 1 after a fatal error.
int main_entry(int argc, const char* const* argv,
               void (*phases)(Run& run, int argc, const char* const* argv));

}  // namespace pelvano
