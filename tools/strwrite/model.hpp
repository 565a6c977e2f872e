// The data strwrite writes: what stays the same for every run on one data set, what one
// replicate run produced, and the simulation of the data set itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "strwrite/rng.hpp"

namespace pelvano::tools {

// What stays the same for every run on one data set.
struct DataSet {
  int n_ind = 0, n_loci = 0, n_alleles = 0;
  bool labels = true, pop_column = false;
  // Layouts of the ancestry table: each individual's r (--ind-r), the 90% probability
  // intervals of the memberships (--intervals), prior rows for individuals used as prior
  // (--usepopinfo, which also turns pop_column on).
  bool ind_r = false, intervals = false, use_pop_info = false;
  std::vector<int> pop;            // 1-based given population of each individual
  std::vector<int> ind_missing;    // percent missing genotypes of each individual
  std::vector<int> locus_missing;  // tenths of a percent, per locus
  std::vector<int> allele_name;    // n_loci * n_alleles allele sizes
  std::vector<double> anc;         // n_loci * n_alleles ancestral frequencies
};

// What one replicate run at one K produced.
struct RunResult {
  int k = 1;
  std::string outfile;   // the OUTFILE name the run was given
  std::string lnp_text;  // printed verbatim
  double lnp = 0.0;
  double variance = 0.0, alpha = 0.0;
  std::vector<int> q_milli;         // n_ind * k memberships in thousandths
  std::vector<std::string> q_text;  // or: n_ind verbatim membership rows
  std::vector<double> freq;         // n_loci * n_alleles * k cluster allele frequencies
  std::uint64_t seed = 1;
  // Values only the layout flags print; empty unless their flag is set (see layout_values.hpp).
  std::vector<int> r_tenthousandths;  // n_ind values of r, in ten-thousandths
  std::vector<int> interval_milli;    // n_ind * k * 2: low and high end of each membership
  std::vector<int> prior_milli;       // n_ind * (1 + 3 * (k - 1)), see layout_values.hpp
};

// The k memberships of individual i as numbers: from q_milli, or read from the start of its
// verbatim row, where values missing or unreadable count as zero.
std::vector<double> membership_row(const RunResult& run, int i);

// Rounds memberships to thousandths summing to exactly 1000; the largest absorbs the difference.
void to_milli(const std::vector<double>& q, int* out);

// Rounds memberships to whole parts of `total` summing to exactly total, none below `floor`
// (k * floor must not exceed total); the largest absorbs the difference.
void to_parts(const std::vector<double>& q, int total, int floor, int* out);

// Draws the missing-data shares, allele sizes and ancestral frequencies of d, whose n_ind,
// n_loci and n_alleles are set.
void new_data_set(DataSet& d, Rng& r);

// The shape of a data set: n individuals in `groups` equal blocks of given populations
// 1..groups, with the layout the flags ask for (--no-labels, --pop-column).
DataSet data_set_shape(int n, int loci, int alleles, int groups, bool labels, bool pop_column);

// Allele frequencies of one population per entry of fst, drifted from the ancestral ones by
// that F value; laid out as n_loci * n_alleles * fst.size().
std::vector<double> drifted_freqs(const DataSet& d, Rng& r, const std::vector<double>& fst);

}  // namespace pelvano::tools
