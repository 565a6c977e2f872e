// One run's results as the text of a Structure output file, and writing that text to disk.
#pragma once

#include <string>

#include "strwrite/model.hpp"

namespace pelvano::tools {

// The whole output file of `run` on data set d, with "\n" line ends.
std::string render(const DataSet& d, const RunResult& run);

// Writes text to path, with "\r\n" line ends when crlf is set; false if that fails.
bool write_file(const std::string& path, const std::string& text, bool crlf);

}  // namespace pelvano::tools
