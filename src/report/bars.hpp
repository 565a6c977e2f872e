// The bar plot of pelvano-plot: the memberships of the representative run of every K, one
// stacked bar per individual, clusters coloured alike across K.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/study.hpp"

namespace pelvano {

// One K: its representative run and the colours of its clusters.
struct BarRow {
  std::int32_t k = 0;
  std::int32_t run = 0;
  std::string file;
  std::vector<int> colour;      // colour index of each cluster
  std::vector<std::int64_t> q;  // memberships in units of 10^-decimals, K per individual
};

struct BarPlot {
  std::string title;
  std::vector<Individual> individuals;
  bool pop_column = false;
  // From --populations: Pop values and names, in the order of the file.
  std::vector<std::pair<std::string, std::string>> populations;
  bool keep_order = false;
  int decimals = 0;
  std::vector<BarRow> rows;  // one per K, in ascending K
  std::int32_t evanno = 0, pritchard = 0, parsimony = 0;
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

// Reads a --populations file: one population per line, its Pop value and then its name
// (the rest of the line); blank lines are passed over. A file that cannot be read or a
// line without a Pop value ends the run as a command line that cannot be used.
std::vector<std::pair<std::string, std::string>> read_populations(const std::string& file,
                                                                  const std::string& program);

}  // namespace pelvano
