// Reading one Structure output file, all of it, in one pass: the header, the table of
// pre-defined populations, the estimated Ln probability of the data and the ancestry table.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "base/reader.hpp"
#include "base/study.hpp"

namespace pelvano {

// The line of the estimated Ln probability of the data begins with this text.
inline constexpr std::string_view lnprob_mark = "Estimated Ln Prob of Data   =";

// Opens the file `file.name` and reads its header: the first line whose first value is "Run",
// then the numbers of individuals, loci and clusters from the lines after it. Ends the run
// through the reading layer when the file ends or a value is bad.
void read_file_header(TextReader& in, FreeForm& ff, StudyFile& file);

// How the rest of a file is read.
struct BodyReading {
  bool keep_text = false;  // keep the memberships as printed, and their exact units
  // The rows of the first file in list order, to compare this file's with; nullptr when
  // this is the first file, whose rows are kept in `individuals` instead.
  const std::vector<Individual>* first = nullptr;
  bool first_groups = false;
};

// Reads the rest of the file after its header (read_file_header) and closes it. Fills `file`;
// sets `individuals` (the first file) or `difference` (where this file's rows first differ
// from the first file's). A row that is not one of the table's layout, or a membership that
// is not a number from 0 to 1, ends the run like a failed read, naming the file and line.
void read_file_body(TextReader& in, FreeForm& ff, StudyFile& file, const BodyReading& how,
                    std::vector<Individual>& individuals, std::optional<RowDifference>& difference);

}  // namespace pelvano
