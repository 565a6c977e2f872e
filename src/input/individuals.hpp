// The individuals of a study and the memberships as the Structure output files print them,
// for pelvano-plot: bar plots, CLUMPP files and the estimators that compare memberships
// exactly. Pelvano itself never reads them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/tables.hpp"

namespace pelvano {

// One individual, as the first column(s) of its ancestry row show it.
struct Individual {
  std::string number;  // the first value of the row
  std::string label;   // its label, or its number when the rows have no Label column
  std::string miss;    // the %Miss token, such as "(0)"
  std::string pop;     // its Pop value ("" when the rows have no Pop column)
};

// One Structure output file: replicate r of K.
struct RunRows {
  std::string file;
  std::int32_t k = 0;
  std::int32_t r = 0;
  // The K memberships of individual i (from 0) as printed, single-spaced: text[start[i]]
  // up to start[i + 1] - 1.
  std::string text;
  std::vector<std::size_t> start;
  // The table "Proportion of membership of each pre-defined population", one row per
  // population: its number, the K memberships as printed, the number of individuals.
  std::vector<std::vector<std::string>> pop_table;

  std::string_view memberships(std::size_t i) const {
    return std::string_view(text).substr(start[i], start[i + 1] - start[i] - 1);
  }
};

struct StudyRows {
  bool pop_column = false;
  std::vector<Individual> individuals;  // the same in every file
  std::vector<RunRows> runs;            // in the order of the files
  int decimals = 0;                     // the most decimals of any membership

  const RunRows& run(std::int32_t k, std::int32_t r) const;
};

// Reads the rows of every file of READFILE again, after read_output_files. Stops the run
// when the files do not hold the same individuals (number, label and Pop value at each
// position), naming the two files and the individual.
StudyRows read_rows(const Run& run);

// The exact value of a membership as printed, in units of 10^-decimals; false when it has
// more decimals or is too large to be held so.
bool exact_units(std::string_view text, int decimals, std::int64_t& units);

// The number of decimals of a membership as printed (after its exponent).
int decimals_of(std::string_view text);

// The memberships of a run in units of 10^-decimals, K per individual.
std::vector<std::int64_t> units_of(const RunRows& rows, int decimals);

}  // namespace pelvano
