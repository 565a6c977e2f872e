// The study: everything read from the Structure output files, read once, in one reading that
// both programs share. The steps after the reading take it read-only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelvano {

// One individual, as the words before the memberships of its ancestry row show it.
struct Individual {
  std::string number;  // the row's first word
  std::string label;   // as written, blanks included; "" when the rows have no label
  std::string miss;    // the %Miss word, such as "(0)"
  std::string pop;     // the Pop value; "" when the row has none
};

// One Structure output file: replicate `run` of its K.
struct StudyFile {
  std::string name;  // as listed (the folder, "/", the file's name), used whole

  // The three counts after the line whose first word is "Run".
  std::int32_t individuals = 0;
  std::int32_t loci = 0;
  std::int32_t k = 0;
  std::int32_t run = 0;  // its rank among the files of its K, in list order (from 1)
  double lnp = 0;        // the estimated Ln probability of the data

  bool usepopinfo = false;  // written with USEPOPINFO: prior rows hold no memberships
  bool pop_column = false;  // its rows carry a Pop value
  bool ind_r = false;       // its rows carry the individual's r before the memberships
  bool intervals = false;   // its rows carry the memberships' probability intervals after them

  // The memberships, K per row, row after row: the single-precision value of each printed
  // decimal, rounded from the text itself (0 in prior rows).
  std::vector<float> q;
  // The same memberships exactly, in units of 10^-most_decimals (when the reading was asked
  // to keep them; 0 in prior rows, and for a value of more decimals, in a file whose
  // `decimals` then says so). Every other form of the memberships is worked out from these.
  std::vector<std::int64_t> units;
  // The same memberships as printed (when the reading was asked to keep them): each row's K
  // words separated by one blank and followed by one, row i from q_start[i] to
  // q_start[i + 1]; a prior row has none.
  std::string q_text;
  std::vector<std::size_t> q_start;
  std::vector<std::int32_t> prior_rows;  // rows (from 0) of the individuals used as prior
  int decimals = 0;  // the most decimals any of its memberships needs to be held exactly

  // The table "Proportion of membership of each pre-defined population": per population its
  // number, the K memberships as printed, the number of individuals.
  std::vector<std::vector<std::string>> pop_table;

  // The K memberships of row i as printed, single-spaced.
  std::string_view memberships(std::size_t i) const {
    const std::size_t n = q_start[i + 1] - q_start[i];
    return std::string_view(q_text).substr(q_start[i], n > 0 ? n - 1 : 0);
  }
};

// Where the rows of a file first differ from those of the first file in list order.
struct RowDifference {
  std::size_t file = 0;  // the file, by its place in list order
  std::int64_t row = 0;  // from 1
  std::string field;     // "label", "%Miss" or "Pop"
  std::string first;     // the value in the first file ("" for none)
  std::string second;    // and in this one
};

struct Study {
  std::vector<StudyFile> files;         // in list order
  std::vector<Individual> individuals;  // the rows of the first file
  // The first file, in list order, whose labels, %Miss words or Pop values differ from the
  // first file's; the individuals are matched by their order all the same.
  std::optional<RowDifference> renamed;
  // The first file, in list order, written with USEPOPINFO; files.size() when none was.
  std::size_t usepopinfo = 0;
  int decimals = 0;  // the most decimals of any membership of any file
  // The files of each K, by run number: runs_of[K][r - 1] is the place of run r in files.
  std::map<std::int32_t, std::vector<std::size_t>> runs_of;

  bool pop_column() const { return !files.empty() && files.front().pop_column; }
  bool has_usepopinfo() const { return usepopinfo < files.size(); }
  std::int32_t runs(std::int32_t k) const;
  // Run r of K, which must exist.
  const StudyFile& file(std::int32_t k, std::int32_t r) const;
};

// The memberships of a file in integer units of 10^-decimals, K per row (0 in prior rows),
// from its units. decimals is at least the file's own and at most most_decimals.
std::vector<std::int64_t> membership_units(const StudyFile& file, int decimals);

// The memberships of a file as doubles (the double nearest each decimal), each row divided
// by its sum; a row whose memberships sum to 0 stays all zeros. From its units.
std::vector<double> normalised_memberships(const StudyFile& file);

}  // namespace pelvano
