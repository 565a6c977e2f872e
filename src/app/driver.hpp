// The program driver: one complete analysis, phase after phase.
#pragma once

#include "base/fatal.hpp"
#include "base/tables.hpp"

namespace pelvano {

// Start-up: banner (with its pause, unless show_banner is false), then the six values of
// the study, from the folder the command line names or from the parameter file, then the
// run tables.
void start_up(Run& run, bool show_banner = true);

// Start-up, discovery and reading of every Structure output file, and the analysis pass:
// everything a report needs. Every failure ends the run through a FatalError.
void read_and_analyse(Run& run, bool show_banner = true);

// One complete run: start-up, then every phase in order, then the closing lines.
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
