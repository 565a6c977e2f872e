// One row of the ancestry table ("Inferred ancestry of individuals") as Structure writes it:
// one line of words separated by blanks.
//
//   row number, label words (none without labels), %Miss word "(n)", Pop value (only with a
//   Pop column), ":", the individual's r (only with LINKAGE and INDIVIDUALR), then the K
//   memberships, then (only with ANCESTDIST) K probability intervals "(lo,hi)".
//
// With USEPOPINFO an individual used as prior has, after the ":" (and r), the probability of
// its given population, then "| Pop j: g0 g1 g2" for every other cluster j, a final "|" and
// at most one word of one to three "*", and no memberships.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace pelvano {

// What a file's lines before its ancestry rows tell about them.
struct TableLayout {
  std::int32_t k = 0;
  bool ind_r = false;       // the header names "Ind's r"
  bool intervals = false;   // the header names "probability intervals"
  bool usepopinfo = false;  // the file holds prior rows
};

// A row taken apart: views into its line.
struct AncestryRow {
  std::string_view number;
  std::string_view label;  // its words as written, blanks included; empty without labels
  std::string_view miss;
  std::string_view pop;  // empty without a Pop value
  bool has_pop = false;
  bool prior = false;               // an individual used as prior: no memberships
  std::vector<std::string_view> q;  // the K memberships as printed (none in a prior row)
  std::vector<float> value;         // their single-precision values
  // Their exact values in units of 10^-most_decimals, when the reading asks for them (0 for
  // a value that needs more decimals).
  std::vector<std::int64_t> units;
  std::int64_t decimals = 0;  // the most decimals any of them needs to be held exactly
};

enum class RowReading {
  ok,
  unreadable,    // not a row of this layout
  out_of_range,  // a membership that is not a number from 0 to 1
};

// The words of a line: what lies between blanks (spaces and tabs), as views into it.
void split_words(std::string_view line, std::vector<std::string_view>& words);

// Reads one line as a row of the layout, with each membership's exact units when `units` is
// true. `words` is working memory.
RowReading read_ancestry_row(std::string_view line, const TableLayout& layout, AncestryRow& row,
                             std::vector<std::string_view>& words, bool units = false);

}  // namespace pelvano
