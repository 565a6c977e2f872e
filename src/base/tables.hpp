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

// Entry K of Q: memberships (cluster 1..K, individual 1..NIND, replicate 1..NRUN), the
// cluster index varying fastest, so that one individual's memberships lie together and
// one replicate is one contiguous block of K x NIND values.
struct QEntry {
  std::int32_t k = 0;
  std::int32_t nind = 0;
  std::int32_t nrun = 0;
  std::vector<float> v;

  float& operator()(std::int64_t c, std::int64_t i, std::int64_t r) {
    assert(c >= 1 && c <= k && i >= 1 && i <= nind && r >= 1 && r <= nrun);
    return v[static_cast<std::size_t>((c - 1) + k * ((i - 1) + std::int64_t{nind} * (r - 1)))];
  }
  const float& operator()(std::int64_t c, std::int64_t i, std::int64_t r) const {
    assert(c >= 1 && c <= k && i >= 1 && i <= nind && r >= 1 && r <= nrun);
    return v[static_cast<std::size_t>((c - 1) + k * ((i - 1) + std::int64_t{nind} * (r - 1)))];
  }
  // The K x NIND memberships of replicate r, individual by individual.
  const float* replicate(std::int64_t r) const {
    return v.data() + static_cast<std::size_t>(std::int64_t{k} * nind * (r - 1));
  }
  float* replicate(std::int64_t r) {
    return v.data() + static_cast<std::size_t>(std::int64_t{k} * nind * (r - 1));
  }
};

// Everything one run of the program works on.
struct Run {
  // Settings of the process, not of the analysis.
  std::FILE* console = stdout;  // the program's own console output
  std::FILE* errstream = stderr;
  bool pauses = true;  // the pause after the banner and before a fatal end
  Options options;     // the command line

  // The folder separator: Pelvano lists folders with POSIX calls, so it is "/".
  char PLATFORMSLASH = '/';

  std::string fname;       // the parameter-file name as used to open it, or the folder
  std::string error_file;  // where a fatal error is written ("": beside the parameter file)
  std::string file_stem;   // the list and results files are <folder>/<file_stem>.list, .K

  // The parameter file.
  std::string PATHNAME;   // folder of the Structure output files
  std::string FILENAME;   // their generic name, ending with "*"
  std::string FILENAME0;  // the generic name without its "*"
  std::int32_t KSTART = 0;
  std::int32_t KEND = 0;
  std::int32_t NIND = 0;
  std::int32_t NRUN = 0;

  // Discovery.
  std::int64_t NFILES = 0;
  std::string FILELISTNAME;
  std::string ESTFILENAME;
  std::vector<std::string> READFILE;  // READFILE[f - 1] is file f, in list order

  // Tables.
  Table2<std::int32_t> CLUSTER;      // individual 1..NIND, replicate 1..NRUN
  Table1<std::int32_t> CLUSTERSIZE;  // cluster 1..KEND
  Table1<std::int32_t> BESTREP;      // K 1..KEND
  Table2<double> X;                  // K KSTART..KEND, statistic 1..2
  Table1<double> L1;                 // K KSTART+1..KEND
  Table2<double> LOGLK;              // replicate 1..NRUN, K KSTART..KEND
  Table1<double> DELTAK;             // K KSTART+1..KEND-1
  Table2<double> Q2;                 // slot 0..5, K KSTART..KEND
  Table1<double> BESTSCORE;          // K KSTART..KEND: the best replicate score, kept for
                                     // tables and figures after Q2(1, K) becomes the
                                     // Parsimony value
  std::vector<QEntry> Q;             // Q[K - KSTART] is entry K
  Table2<double> QM;                 // individual 1..NIND, replicate 1..NRUN
  Table1<std::int32_t> KRUN;         // K KSTART..KEND

  // Results chosen while the report is written.
  std::int32_t IDX = 0;
  std::int32_t evanno_best = 0;  // 0 when no K has a DeltaK that could be chosen

  QEntry& q(std::int32_t k) { return Q[static_cast<std::size_t>(k - KSTART)]; }
  const QEntry& q(std::int32_t k) const { return Q[static_cast<std::size_t>(k - KSTART)]; }
};

// Bytes the run tables need for the four numbers of the parameter file (saturating).
std::uint64_t table_bytes(std::int32_t kstart, std::int32_t kend, std::int32_t nind,
                          std::int32_t nrun);

// Stops the run unless KSTART, KEND, NIND and NRUN describe at least one run of one
// individual at K of 1 or more.
void check_numbers(const Run& run);

// Creates the run tables from KSTART, KEND, NIND and NRUN. Stops the run with a message
// when the tables cannot fit in memory.
void create_tables(Run& run);

}  // namespace pelvano
