// The command line of pelvano and pelvano-plot.
#pragma once

#include <string>
#include <vector>

namespace pelvano {

// What the command line asks for.
struct Options {
  bool help = false;
  bool version = false;
  bool pauses = true;  // false with --no-pause
  std::string name;    // --name PATTERN: the generic name in a folder ("" when not given)
  bool has_name = false;
  std::string argument;  // the first argument that is not an option ("" when none)
  bool has_argument = false;

  // pelvano-plot only.
  bool keep_order = false;  // --keep-order: the files' order within each population
  std::string populations;  // --populations FILE: names and order of the populations
  bool clumpp = false;      // --clumpp: the input files of CLUMPP
  // --threshold LIST: the thresholds of Puechmaille's estimators, each the shortest form of
  // a decimal strictly between 0 and 1 ("0.5", "0.75")
  std::vector<std::string> thresholds = {"0.5"};
};

// Parses argv. A command line that cannot be parsed (an unknown option, a missing value)
// ends the run through a FatalError of kind usage.
Options parse_options(int argc, const char* const* argv, const std::string& program);

// The text of --help.
std::string usage_text(const std::string& program);

// The line of --version: the version line of the banner.
inline constexpr const char* version_line = "Pelvano, Version 1.0.0.0, Build 20180630";

}  // namespace pelvano
