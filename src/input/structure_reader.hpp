// Reading the Structure output files into the run tables.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/tables.hpp"
#include "base/reader.hpp"

namespace pelvano {

// The line of the estimated Ln probability of the data begins with this text.
inline constexpr std::string_view lnprob_mark = "Estimated Ln Prob of Data   =";

// The three counts at the head of a Structure output file.
struct OutputHeader {
  std::int32_t individuals = 0;
  std::int32_t loci = 0;
  std::int32_t k = 0;
};

// Scans an open Structure output file for the line whose first value is "Run" and reads
// the numbers of individuals, loci and assumed populations from the lines after it.
// Ends the run through the reading layer when the file ends or a value is bad.
OutputHeader read_output_header(TextReader& in, FreeForm& ff);

// Reads every file of READFILE into KRUN, LOGLK and Q, with a progress line on the console:
// the headers one after the other in list order, the rest of the files on all cores. The
// progress lines, the run numbers and the failure that stops the run (the first in list
// order) are those of reading the files one after the other.
void read_output_files(Run& run);

}  // namespace pelvano
