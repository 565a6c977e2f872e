// The program driver: one complete analysis, phase after phase.
#pragma once

#include <functional>

#include "base/fatal.hpp"
#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// Everything a report needs: the banner (with its pause, unless show_banner is false); the
// study's six values, from the folder the command line names or from the parameter file;
// the run tables; the listing and the reading of every Structure output file into the
// study (the memberships as printed kept when keep_text is true); the analysis pass and the
// choices of the three methods. `meanwhile`, when given, is called once the study is read,
// right before the analysis pass (to start work that needs the study alone). Every failure
// ends the run through a FatalError.
void read_and_analyse(Run& run, Study& study, bool show_banner, bool keep_text,
                      const std::function<void()>& meanwhile = {});

// The line that tells that the Parsimony method and everything drawn from the memberships
// need runs written without USEPOPINFO.
std::string usepopinfo_line(const Study& study);

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
