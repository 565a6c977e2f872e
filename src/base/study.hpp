// The study: everything read from the files of the runs, read once, in one reading that both
// programs share. Whatever program wrote the files, its reader turns them into this one
// study; the steps after the reading take it read-only and never ask which program it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelvano {

// One individual, as the files name it.
struct Individual {
  std::string number;  // the word that numbers it in the files ("" when they have none)
  std::string label;   // as written, blanks included; "" when the files have no labels
  std::string miss;    // the share of its data missing, as CLUMPP's files write it ("(0)")
  std::string group;   // its sampling population (Structure's Pop value); "" when none
};

// How a Structure output file lays out its rows; only its reader and its tests look at it.
struct StructureLayout {
  std::int32_t loci = 0;
  bool usepopinfo = false;  // written with USEPOPINFO: prior rows hold no memberships
  bool ind_r = false;       // its rows carry the individual's r before the memberships
  bool intervals = false;   // its rows carry the memberships' probability intervals after them
};

// One file of the study: replicate `run` of its K.
struct StudyFile {
  std::string name;  // as listed (the folder, "/", the file's name), used whole

  std::int32_t individuals = 0;
  std::int32_t k = 0;
  std::int32_t run = 0;  // its rank among the files of its K, in list order (from 1)
  double lnp = 0;        // the estimated Ln probability of the data (NaN when none)
  // ADMIXTURE's cross-validation error of the run, from its log (NaN when none).
  double cv_error = std::numeric_limits<double>::quiet_NaN();

  bool groups = false;     // its rows name each individual's group
  StructureLayout layout;  // what the rows of a Structure output file hold

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
  // Rows (from 0) that hold no memberships: with Structure's USEPOPINFO, the individuals used
  // as prior.
  std::vector<std::int32_t> prior_rows;
  int decimals = 0;  // the most decimals any of its memberships needs to be held exactly

  // The file's own table of each group's memberships (Structure's "Proportion of membership
  // of each pre-defined population"): per group its number, the K memberships as printed,
  // the number of individuals.
  std::vector<std::vector<std::string>> group_table;

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

// Why the files hold no memberships for some individuals, in the words of their reader.
struct MissingMemberships {
  std::size_t file = 0;  // the first such file, by its place in list order
  std::string line;      // one line for the user: which file, and what cannot be done
  std::string why;       // a few words for a figure: "written with USEPOPINFO"
  std::string reason;    // the one word of a method that cannot choose: "USEPOPINFO"
  std::string rows;      // what those rows are: "Rows of individuals of known population"
};

struct Study {
  std::vector<StudyFile> files;         // in list order
  std::vector<Individual> individuals;  // as the first file names them
  // The first file, in list order, whose labels, %Miss words or groups differ from the
  // first file's; the individuals are matched by their order all the same.
  std::optional<RowDifference> renamed;
  // Set when some file holds no memberships for some individuals: then nothing that needs
  // every individual's memberships (the Parsimony scoring, modes, bar plots) can be done.
  std::optional<MissingMemberships> missing;
  int decimals = 0;  // the most decimals of any membership of any file
  // The files of each K, by run number: runs_of[K][r - 1] is the place of run r in files.
  std::map<std::int32_t, std::vector<std::size_t>> runs_of;
  // The groups' names and the order to show them in, as given (--populations): each group's
  // value in the files and its name. For files without groups of their own (memberships
  // files), every group: its number from 1, as CLUMPP's files number it, and its name.
  std::vector<std::pair<std::string, std::string>> group_names;
  // Groups the reading numbered (memberships files): the name of group i + 1 as --groups or
  // the .fam file gives it. Empty when the files number their own groups (Structure's Pop).
  std::vector<std::string> numbered_groups;
  // The program that wrote the files, to name them by: "Structure", "ADMIXTURE",
  // "fastStructure" or "NGSadmix".
  std::string program = "Structure";
  std::string kind = "Structure output files";  // what the files are, in the plural
  // Their names as one pattern: "K*_f", "run#/sample.#.Q" (# for a number).
  std::string pattern;
  // What each file's lnp is, for other programs' runs: "log-likelihood" (ADMIXTURE,
  // NGSadmix: the final one, from the run's log) or "marginal likelihood" (fastStructure);
  // "" for Structure's Ln P(D). With lnp_grows, the largest mean only grows with K.
  std::string lnp_name;
  bool lnp_grows = false;
  // Why no method can choose K from the runs' numbers, in a few words ("" when some run has
  // one): "no logs with log-likelihoods" for memberships files without their logs.
  std::string no_lnp;
  // Why the individuals are in no groups, in a few words: Structure's files without a Pop
  // column, other programs' files without --groups or a .fam file of families.
  std::string no_groups = "no Pop column";

  // Whether the individuals are in groups (Structure's Pop column).
  bool has_groups() const { return !files.empty() && files.front().groups; }
  bool has_memberships() const { return !missing.has_value(); }
  std::int32_t runs(std::int32_t k) const;
  // The largest number of runs of any K, and whether some K have fewer.
  std::int32_t most_runs() const;
  bool uneven_runs() const;
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
