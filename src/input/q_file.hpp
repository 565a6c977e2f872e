// Reading one memberships file of ADMIXTURE (NAME.K.Q), fastStructure (NAME.K.meanQ) or
// NGSadmix (NAME.qopt): one line per individual, its K memberships separated by blanks or
// tabs, nothing else. The three programs print them alike; files shared between users
// often have CR LF line ends, a blank at the end of each line and an empty last line, and
// are read as they are. A byte-order mark at the start of the file (a file saved by an
// editor) is passed over.
#pragma once

#include <cstdint>
#include <string>

#include "base/reader.hpp"
#include "base/study.hpp"

namespace pelvano {

// The K a memberships file's name carries ("sample.3.Q", "sample.3.meanQ": 3); 0 when it
// carries none (NGSadmix's names, or a renamed file).
std::int32_t k_in_name(const std::string& name);

// What reading a memberships file found beside its memberships.
struct QFileNotes {
  // The first line (from 1) whose memberships do not sum to 1 within 0.01; 0 when none.
  std::int64_t off_sum_line = 0;
};

// Reads the file `file.name` whole into `file`: its K (the values of its first line), its
// individuals (its lines) and its memberships (q, and with keep_text their exact units and
// their text). `name_k`: the K its name carries (0: none), which the values must agree with.
// Stops the run with one line naming the file (and the line) when the file cannot be read,
// is empty, or has a line that is not K memberships from 0 to 1.
QFileNotes read_q_file(TextReader& in, StudyFile& file, bool keep_text, std::int32_t name_k);

}  // namespace pelvano
