// The run tables: the program's whole working memory, created once after the parameter
// file has been read and passed by reference to every phase.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/options.hpp"

namespace pelvano {

// A table with one inclusive index range lo..hi (empty when hi < lo).
template <class T>
struct Table1 {
  std::int64_t lo = 1;
  std::int64_t n = 0;
  std::vector<T> v;

  void create(std::int64_t first, std::int64_t last) {
    lo = first;
    n = last >= first ? last - first + 1 : 0;
    v.assign(static_cast<std::size_t>(n), T{});
  }
  T& operator()(std::int64_t i) {
    assert(i >= lo && i - lo < n);
    return v[static_cast<std::size_t>(i - lo)];
  }
  const T& operator()(std::int64_t i) const {
    assert(i >= lo && i - lo < n);
    return v[static_cast<std::size_t>(i - lo)];
  }
};

// A table with two inclusive index ranges; the first index varies fastest in memory.
template <class T>
struct Table2 {
  std::int64_t lo1 = 1, n1 = 0, lo2 = 1, n2 = 0;
  std::vector<T> v;

  void create(std::int64_t first1, std::int64_t last1, std::int64_t first2, std::int64_t last2) {
    lo1 = first1;
    n1 = last1 >= first1 ? last1 - first1 + 1 : 0;
    lo2 = first2;
    n2 = last2 >= first2 ? last2 - first2 + 1 : 0;
    v.assign(static_cast<std::size_t>(n1 * n2), T{});
  }
  T& operator()(std::int64_t a, std::int64_t b) {
    assert(a >= lo1 && a - lo1 < n1 && b >= lo2 && b - lo2 < n2);
    return v[static_cast<std::size_t>((a - lo1) + (b - lo2) * n1)];
  }
  const T& operator()(std::int64_t a, std::int64_t b) const {
    assert(a >= lo1 && a - lo1 < n1 && b >= lo2 && b - lo2 < n2);
    return v[static_cast<std::size_t>((a - lo1) + (b - lo2) * n1)];
  }
};

// Entry K of Q: the memberships of the replicate runs of K. They are the study's (the
// reading holds them once, per file); entry K points at each run's block of K x NIND values,
// individual by individual, the cluster index varying fastest.
struct QEntry {
  std::int32_t k = 0;
  std::int32_t nind = 0;
  std::int32_t nrun = 0;
  std::vector<const float*> runs;  // runs[r - 1]: the memberships of replicate r

  float operator()(std::int64_t c, std::int64_t i, std::int64_t r) const {
    assert(c >= 1 && c <= k && i >= 1 && i <= nind && r >= 1 && r <= nrun);
    return runs[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>((c - 1) + k * (i - 1))];
  }
  // The K x NIND memberships of replicate r, individual by individual.
  const float* replicate(std::int64_t r) const { return runs[static_cast<std::size_t>(r - 1)]; }
};

// Everything one run of the program works on: its settings, the names of its files, and the
// run tables, the program's working memory. The tables are created once the four numbers of
// the study are known (create_tables), filled from the study by the reading (KRUN, LOGLK and
// Q, which then stay as they are), worked on by the analysis pass in place, and only read by
// the reports.
struct Run {
  // Settings of the process, not of the analysis.
  std::FILE* console = stdout;  // the program's own console output
  std::FILE* errstream = stderr;
  bool pauses = true;          // the pause after the banner and before a fatal end
  bool progress_open = false;  // a progress line ends the console, without its line end yet
  Options options;             // the command line

  // The folder separator: Pelvano lists folders with POSIX calls, so it is "/".
  char PLATFORMSLASH = '/';

  // Names, each worked out once and then used as it is.
  std::string fname;       // the parameter-file name as used to open it, or the folder
  std::string error_file;  // where a fatal error is written ("": beside the parameter file)
  std::string file_stem;   // the list and results files are <folder>/<file_stem>.list, .K
  // pelvano-plot --out: the folder, made and writable, where its outputs and its error file
  // go instead of beside the input ("": beside the input).
  std::string out_folder;

  // The study's six values: from the parameter file, or from the files of a folder.
  std::string PATHNAME;   // folder of the Structure output files
  std::string FILENAME;   // their generic name, ending with "*"
  std::string FILENAME0;  // the generic name without its "*"
  std::int32_t KSTART = 0;
  std::int32_t KEND = 0;
  std::int32_t NIND = 0;
  std::int32_t NRUN = 0;  // runs per K; in a folder whose K have different numbers of runs,
                          // the largest (each K is analysed over its own, KRUN(K))

  // Discovery.
  std::int64_t NFILES = 0;
  std::string FILELISTNAME;
  std::string ESTFILENAME;
  std::vector<std::string> READFILE;  // READFILE[f - 1] is file f, in list order

  // The run tables. Index ranges are inclusive.
  //
  // Filled by the reading, from the study:
  Table1<std::int32_t> KRUN;  // K KSTART..KEND: the number of runs (files) of K, the runs
                              // K is analysed over: NRUN, or fewer in a folder of uneven runs
  Table2<double> LOGLK;       // replicate 1..NRUN, K KSTART..KEND: the Ln P(D) of run r of K
                              // (r up to KRUN(K); the slots beyond stay 0 and are not read)
  std::vector<QEntry> Q;      // Q[K - KSTART] is entry K: the memberships of the runs of K
  //
  // Worked on by the analysis pass, one K after the other in ascending order:
  Table2<std::int32_t> CLUSTER;      // individual 1..NIND, replicate 1..NRUN: while K is scored,
                                     // the cluster (1..K) of the individual's largest membership
                                     // in each above-mean replicate of K
  Table2<double> QM;                 // individual 1..NIND, replicate 1..NRUN: likewise, that
                                     // largest membership, widened to double
  Table1<std::int32_t> CLUSTERSIZE;  // cluster 1..KEND: the members counted in each cluster of
                                     // the replicate scored last
  Table1<std::int32_t> BESTREP;      // K 1..KEND: the best replicate run of K (0: none scored)
  Table2<double> X;       // K KSTART..KEND, statistic 1..2: the sums of Ln P(D) and of its squares
                          // over the runs of K, then their means, then X(K, 1) is Mean_Ln(D|K)
                          // and X(K, 2) its standard deviation
  Table1<double> L1;      // K KSTART+1..KEND: L'(K)
  Table1<double> DELTAK;  // K KSTART+1..KEND-1: DeltaK, once every K is done
  Table2<double> Q2;      // slot 0..5, K KSTART..KEND, for the Parsimony method: slot 1 the
                          // best replicate score (-1e300: none scored), less the small-cluster
                          // penalty, and at the end the Parsimony value; slot 2 the number of
                          // clusters of 5 or fewer counted members over the scored replicates;
                          // slot 5 the pair consistency; slots 0, 3 and 4 stay 0
  Table1<double> BESTSCORE;  // K KSTART..KEND: the best replicate score, kept for tables and
                             // figures after Q2(1, K) becomes the Parsimony value

  // Whether the replicate runs are scored for the Parsimony method: not when a file was
  // written with USEPOPINFO, whose prior rows hold no memberships.
  bool score_replicates = true;

  // The choices of the three methods, made after the analysis pass.
  std::int32_t evanno_best = 0;  // 0 when no K has a DeltaK that could be chosen
  std::int32_t pritchard_best = 0;
  std::int32_t IDX = 0;  // the Parsimony best K

  const QEntry& q(std::int32_t k) const { return Q[static_cast<std::size_t>(k - KSTART)]; }
  QEntry& q(std::int32_t k) { return Q[static_cast<std::size_t>(k - KSTART)]; }
};

// Bytes the run tables need for the four numbers of the parameter file, with the memberships
// the study holds for Q (saturating).
std::uint64_t table_bytes(std::int32_t kstart, std::int32_t kend, std::int32_t nind,
                          std::int32_t nrun);

// Stops the run unless KSTART, KEND, NIND and NRUN describe at least one run of one
// individual at K of 1 or more.
void check_numbers(const Run& run);

// Creates the run tables from KSTART, KEND, NIND and NRUN. Stops the run with a message
// when the tables cannot fit in memory.
void create_tables(Run& run);

// The runs per K as the report states them: their number when every K has as many, else
// the number most K have (of numbers equally common, the one of the smallest K) and then
// every K with another, in ascending order: "3, except K = 6: 4, K = 7: 2".
std::string runs_per_k(const Run& run);

}  // namespace pelvano
