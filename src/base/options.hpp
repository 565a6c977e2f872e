// What the command line of pelvano and pelvano-plot asks for.
#pragma once

#include <string>
#include <vector>

#include "base/decimal.hpp"

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
  // For memberships files, which hold only numbers: --fam FILE, the individuals' labels (and
  // groups) from a PLINK .fam file; --groups FILE, one group name per individual and line.
  std::string fam;
  std::string groups;
  bool clumpp = false;  // --clumpp: the input files of CLUMPP
  // --threshold LIST: the thresholds of Puechmaille's estimators
  std::vector<Threshold> thresholds = {threshold_of("0.5")};
  // --mode-threshold T: the similarity at which two runs are linked into one mode
  Threshold mode_threshold = threshold_of("0.9");
  bool best_runs = false;     // --best-runs: the bar plot shows one run of each K, not the modes
  bool aligned_runs = false;  // --aligned-runs: every run's memberships aligned, per K
  std::string out;            // --out DIR: the folder of the outputs (with has_out)
  std::string title;          // --title TEXT: the title of the figures and the page ("": theirs)
  bool has_out = false;
  // --format LIST: the figure and the bar plot also as PDF, as PNG (always as SVG)
  bool pdf = false;
  bool png = false;
};

}  // namespace pelvano
