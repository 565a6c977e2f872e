// strwrite qstudy: replicate runs for every K in a range, as the memberships files of ADMIXTURE
// (NAME.K.Q), fastStructure (NAME.K.meanQ) or NGSadmix (NAME.qopt), on one simulated data set
// of individuals in named groups, each group part of one of P true populations. The
// memberships come from the model of the Structure-format studies (clusters.hpp), each file
// from its own random stream derived from the seed, K and the run number, so the format and
// the layout flags change only how the same numbers are written.

#include "strwrite/exact.hpp"  // first: see there

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "strwrite/args.hpp"
#include "strwrite/clusters.hpp"
#include "strwrite/model.hpp"
#include "strwrite/modes.hpp"
#include "strwrite/render.hpp"
#include "strwrite/rng.hpp"

namespace pelvano::tools {

namespace {

// How one program lays out its memberships files.
struct QFormat {
  const char* name;       // the value of --format
  const char* extension;  // of every file
  bool k_in_name;         // NAME.K.extension, replicates in folders; else NAME_K#_run#.extension
  const char* separator;  // between two values of a row
  bool trailing_blank;    // a blank after the last value of every row
  int floor;              // the smallest value printed, in millionths
};

// ADMIXTURE keeps every membership at 0.000010 or more; so do the fastStructure files users
// share. NGSadmix prints values down to 0.000000.
constexpr QFormat kFormats[] = {
    {"admixture", ".Q", true, " ", false, 10},
    {"faststructure", ".meanQ", true, "  ", false, 10},
    {"ngsadmix", ".qopt", false, " ", true, 0},
};

// Independent generators for what is not drawn per file.
constexpr std::uint64_t kShuffleSalt = 0x53485546464c4531ULL, kSexSalt = 0x5345584553303031ULL;

// The path of run `rep` of K, relative to the study folder. ADMIXTURE and fastStructure name a
// file after the data and K only, so replicates live in folders of their own (run01, run02,
// ...), unless there is one run per K; NGSadmix files carry K and the run in the name.
std::string run_path(const QFormat& f, const std::string& stem, int K, int rep, int runs) {
  const std::string k = std::to_string(K);
  if (!f.k_in_name) return stem + "_K" + k + "_run" + std::to_string(rep) + f.extension;
  const std::string file = stem + "." + k + f.extension;
  if (runs == 1) return file;
  const int width = runs < 100 ? 2 : static_cast<int>(std::to_string(runs).size());
  std::string number = std::to_string(rep);
  number.insert(0, static_cast<std::size_t>(width) - number.size(), '0');
  return "run" + number + "/" + file;
}

// "A" .. "Z", "AA", "AB", ...: the letters of group g (0-based).
std::string group_letters(int g) {
  std::string s;
  for (++g; g > 0; g = (g - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (g - 1) % 26));
  return s;
}

// Appends millionths as %.6f prints the value they stand for.
void append_millionths(std::string& o, int v) {
  char buf[16];
  int n = 0;
  for (int d = 0; d < 6; ++d, v /= 10) buf[15 - n++] = static_cast<char>('0' + v % 10);
  buf[15 - n++] = '.';
  do {
    buf[15 - n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0);
  o.append(buf + 16 - n, static_cast<std::size_t>(n));
}

bool write_text(const std::filesystem::path& path, const std::string& text) {
  if (write_file(path.string(), text, false)) return true;
  std::fprintf(stderr, "strwrite: cannot write %s\n", path.string().c_str());
  return false;
}

}  // namespace

int run_qstudy_mode(int argc, char** argv) {
  const Args a = parse_args(argc, argv,
                            {"--format", "--dir", "--stem", "--kmin", "--kmax", "--runs", "--ind",
                             "--pops", "--groups", "--admixed", "--seed"},
                            {"--crlf", "--fam", "--group-file", "--shuffle"});
  if (!a.error.empty()) return usage_error(a.error);
  std::string err;
  int kmin = 0, kmax = 0, runs = 0, n = 0, P = 0, G = 0;
  std::uint64_t seed = 1;
  double admixed = 0.1;
  const std::string* format = find_value(a, "--format");
  const std::string* dir = find_value(a, "--dir");
  const std::string* stem_opt = find_value(a, "--stem");
  const std::string stem = stem_opt ? *stem_opt : "sample";
  const QFormat* f = nullptr;
  for (const QFormat& q : kFormats)
    if (format && *format == q.name) f = &q;
  if (!format) return usage_error("missing --format");
  if (!f) return usage_error("bad value for --format: " + *format);
  if (!dir || dir->empty()) return usage_error("missing --dir");
  if (stem.empty() || stem.find_first_of("/\\") != std::string::npos)
    return usage_error("--stem must be a file name without a path separator");
  if (!int_option(a, "--kmin", 1, 100, true, kmin, err) ||
      !int_option(a, "--kmax", 1, 100, true, kmax, err) ||
      !int_option(a, "--runs", 1, 1000, true, runs, err) ||
      !int_option(a, "--ind", 1, 10000000, true, n, err) ||
      !int_option(a, "--pops", 1, 100, true, P, err) ||
      !int_option(a, "--groups", 1, 10000, false, G, err) ||
      !int_option(a, "--seed", 0, ~0ULL, false, seed, err) ||
      !fraction_option(a, "--admixed", admixed, err))
    return usage_error(err);
  if (G == 0) G = P;
  if (kmax < kmin) return usage_error("--kmax is smaller than --kmin");
  if (G < P) return usage_error("--groups is smaller than --pops");
  if (n < G) return usage_error("--ind is smaller than the number of groups");
  if (too_large(n, kmax, 1, 1)) return usage_error("individuals and K are too large together");
  const std::string eol = has_flag(a, "--crlf") ? "\r\n" : "\n";

  // The individuals in G equal blocks of groups, group g part of true population g * P / G.
  std::vector<int> group(n), pop(n);
  for (int i = 0; i < n; ++i) {
    group[i] = static_cast<int>(static_cast<long long>(i) * G / n);
    pop[i] = static_cast<int>(static_cast<long long>(group[i]) * P / G) + 1;
  }
  Rng truth = make_rng(seed);
  const std::vector<double> ancestry = true_ancestry(pop, P, admixed, truth);
  // The order of the individuals in every file: as drawn, or shuffled.
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i) order[i] = i;
  if (has_flag(a, "--shuffle")) {
    Rng s = make_rng(seed ^ kShuffleSalt);
    order = permutation(s, n);
  }

  const std::filesystem::path root(*dir);
  std::error_code ec;
  std::filesystem::create_directories(root, ec);
  if (ec) {
    std::fprintf(stderr, "strwrite: cannot create directory %s\n", dir->c_str());
    return 1;
  }

  int written = 0;
  std::vector<int> parts;
  std::vector<double> q;
  std::string text;
  for (int K = kmin; K <= kmax; ++K) {
    for (int rep = 1; rep <= runs; ++rep) {
      // Each file has its own stream, so it does not depend on the K range asked for.
      std::uint64_t mix =
          seed ^ (static_cast<std::uint64_t>(K) << 32 | static_cast<std::uint64_t>(rep));
      Rng r = make_rng(splitmix64(mix));
      const ReplicateView view = replicate_view(r, P, K);
      parts.resize(static_cast<std::size_t>(n) * K);
      for (int i = 0; i < n; ++i) {
        draw_memberships(r, view, &ancestry[static_cast<std::size_t>(i) * P], q);
        to_parts(q, 1000000, K > 1 ? f->floor : 0, &parts[static_cast<std::size_t>(i) * K]);
      }
      text.clear();
      text.reserve(static_cast<std::size_t>(n) * (static_cast<std::size_t>(K) * 10 + 2));
      for (const int i : order) {
        for (int c = 0; c < K; ++c) {
          if (c > 0) text += f->separator;
          append_millionths(text, parts[static_cast<std::size_t>(i) * K + c]);
        }
        if (f->trailing_blank) text += ' ';
        text += eol;
      }
      const std::filesystem::path path = root / run_path(*f, stem, K, rep, runs);
      std::filesystem::create_directories(path.parent_path(), ec);
      if (!write_text(path, text)) return 1;
      ++written;
    }
  }

  // The individuals' groups: a PLINK .fam file (family = group, blanks made underscores) and a
  // file of group names, one line per individual.
  const int width = static_cast<int>(std::to_string(n).size());
  if (has_flag(a, "--fam")) {
    Rng s = make_rng(seed ^ kSexSalt);
    std::vector<int> sex(n);
    for (int& x : sex) x = 1 + below(s, 2);
    text.clear();
    for (const int i : order) {
      std::string label = std::to_string(i + 1);
      label.insert(0, static_cast<std::size_t>(width) - label.size(), '0');
      text += "Pop_" + group_letters(group[i]) + " ind" + label + " 0 0 " + std::to_string(sex[i]) +
              " -9" + eol;
    }
    if (!write_text(root / (stem + ".fam"), text)) return 1;
  }
  if (has_flag(a, "--group-file")) {
    text.clear();
    for (const int i : order) text += "Pop " + group_letters(group[i]) + eol;
    if (!write_text(root / "groups.txt", text)) return 1;
  }
  std::printf(
      "strwrite: wrote %d %s files (K = %d..%d, %d runs each, %d individuals in %d groups, %d "
      "true populations) to %s\n",
      written, f->name, kmin, kmax, runs, n, G, P, dir->c_str());
  return 0;
}

}  // namespace pelvano::tools
