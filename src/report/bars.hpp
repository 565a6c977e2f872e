// The bar plot of pelvano-plot: for every K the mean memberships of its modes (or the
// memberships of its representative run), one stacked bar per individual, clusters coloured
// alike across K.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/study.hpp"

namespace pelvano {

// The separator of the parts of a row's label.
inline const std::string bar_dot = "  \u00b7  ";

// One row: a mode of K (its reference run's clusters) or a run of K, and the colours of its
// clusters.
struct BarRow {
  std::int32_t k = 0;
  std::int32_t run = 0;     // the run shown, or the mode's reference run
  std::string file;         // the run's file
  std::vector<int> colour;  // colour index of each cluster
  // The memberships, K per individual, in units of 1 / unit: a run's own, or the mean
  // memberships of a mode, which the modes hold (and which must outlive the row).
  std::vector<double> q;
  const std::vector<double>* mean = nullptr;
  double unit = 1;
  std::int32_t mode = 0;           // the mode's number (1: the major mode); 0 for a run
  std::string mode_text;           // what its label says of the mode's runs
  std::vector<std::string> files;  // the files of the mode's runs, its reference run's first

  const std::vector<double>& values() const { return mean != nullptr ? *mean : q; }
};

struct BarPlot {
  std::string title;    // what the plot shows the memberships of ("the runs K* in study")
  std::string heading;  // its whole heading, --title ("": "Memberships of " and the title)
  std::vector<Individual> individuals;
  bool pop_column = false;
  // From --populations: Pop values and names, in the order of the file.
  std::vector<std::pair<std::string, std::string>> populations;
  bool keep_order = false;
  // One per K in ascending K (a run each), or with modes each K's major mode followed by its
  // minor modes.
  std::vector<BarRow> rows;
  // The methods' best K (0: none). The Parsimony method's K also orders the individuals
  // within their groups, the smallest K when it chose none (then parsimony_none).
  std::int32_t evanno = 0, pritchard = 0, parsimony = 0;
  bool parsimony_none = false;
};

// The order in which the individuals are drawn (indices from 0), and for each group of
// them (one per population, or one in all) its first position, its Pop value and its name.
struct Group {
  std::size_t first = 0;
  std::size_t count = 0;
  std::string pop;
  std::string name;
};
std::vector<std::size_t> individual_order(const BarPlot& p, std::vector<Group>& groups);

// The whole SVG document.
std::string bars_svg(const BarPlot& p);

}  // namespace pelvano
