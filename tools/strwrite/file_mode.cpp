// strwrite file: one output file for a given K and Ln P(D), on a data set drawn from --seed;
// the memberships are drawn too, or taken as given from a rows file (--q).

#include "strwrite/exact.hpp"  // first: see there

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "strwrite/args.hpp"
#include "strwrite/layout_values.hpp"
#include "strwrite/model.hpp"
#include "strwrite/modes.hpp"
#include "strwrite/render.hpp"
#include "strwrite/rng.hpp"

namespace pelvano::tools {

namespace {

// The OUTFILE name Structure would have been given for the file at path.
std::string outfile_name(const std::string& path) {
  std::string base = std::filesystem::path(path).filename().string();
  if (base.size() > 2 && base.compare(base.size() - 2, 2, "_f") == 0) base.resize(base.size() - 2);
  return "results/" + base;
}

}  // namespace

int run_file_mode(int argc, char** argv) {
  const Args a = parse_args(
      argc, argv, {"--out", "--ind", "--k", "--lnp", "--loci", "--alleles", "--seed", "--q"},
      {"--pop-column", "--no-labels", "--crlf", "--ind-r", "--intervals", "--usepopinfo"});
  if (!a.error.empty()) return usage_error(a.error);
  std::string err;
  int n = 0, K = 0, loci = 20, alleles = 4;
  std::uint64_t seed = 1;
  const std::string* out = find_value(a, "--out");
  const std::string* lnp = find_value(a, "--lnp");
  if (!out || out->empty()) return usage_error("missing --out");
  if (!lnp || lnp->empty() || lnp->find_first_of("\r\n") != std::string::npos)
    return usage_error("missing or bad --lnp");
  if (!int_option(a, "--ind", 1, 10000000, true, n, err) ||
      !int_option(a, "--k", 1, 100, true, K, err) ||
      !int_option(a, "--loci", 1, 1000000, false, loci, err) ||
      !int_option(a, "--alleles", 1, 100, false, alleles, err) ||
      !int_option(a, "--seed", 0, ~0ULL, false, seed, err))
    return usage_error(err);
  if (too_large(n, K, loci, alleles))
    return usage_error("individuals, K, loci and alleles are too large together");

  DataSet d = data_set_shape(n, loci, alleles, K, !has_flag(a, "--no-labels"),
                             has_flag(a, "--pop-column") || has_flag(a, "--usepopinfo"));
  set_layout_flags(a, d);

  RunResult run;
  run.k = K;
  run.seed = seed;
  run.outfile = outfile_name(*out);
  run.lnp_text = *lnp;
  {
    char* end = nullptr;
    const double v = std::strtod(lnp->c_str(), &end);
    run.lnp = (*end == '\0' && std::isfinite(v)) ? v : -1.5 * static_cast<double>(n) * loci;
  }

  if (const std::string* qpath = find_value(a, "--q")) {
    std::ifstream in(*qpath, std::ios::binary);
    if (!in) return usage_error("cannot read " + *qpath);
    std::string line, word;
    for (int line_no = 1; std::getline(in, line); ++line_no) {
      // The values keep their text as given; they are rejoined with single blanks.
      std::istringstream words(line);
      std::string row;
      int count = 0;
      while (words >> word) row += (count++ ? " " : "") + word;
      if (count == 0) continue;
      if (count != K)
        std::fprintf(stderr,
                     "strwrite: warning: %s line %d has %d values, K is %d (written as given)\n",
                     qpath->c_str(), line_no, count, K);
      run.q_text.push_back(row);
    }
    if (run.q_text.size() != static_cast<std::size_t>(n))
      return usage_error(*qpath + " has " + std::to_string(run.q_text.size()) + " rows, --ind is " +
                         std::to_string(n));
  }

  Rng r = make_rng(seed);
  new_data_set(d, r);
  std::vector<double> fst(K);
  for (double& f : fst) f = uniform(r, 0.01, 0.2);
  run.freq = drifted_freqs(d, r, fst);
  run.alpha = uniform(r, 0.02, 0.09);
  run.variance =
      (0.4 * (static_cast<double>(n) * (K - 1) + static_cast<double>(loci) * (alleles - 1) * K) +
       5.0) *
      uniform(r, 0.8, 1.25);
  if (run.q_text.empty()) {
    run.q_milli.resize(static_cast<std::size_t>(n) * K);
    std::vector<double> m(K), alpha(K), q, flat(K, 1.0);
    for (int i = 0; i < d.n_ind; ++i) {
      if (uniform01(r) < 0.75) {
        std::fill(m.begin(), m.end(), 0.0);
        m[d.pop[i] - 1] = 1.0;
      } else {
        dirichlet(r, flat, m);  // admixed individual
      }
      for (int j = 0; j < K; ++j) alpha[j] = 50.0 * m[j] + 0.3;
      dirichlet(r, alpha, q);
      to_milli(q, &run.q_milli[static_cast<std::size_t>(i) * K]);
    }
  }
  add_layout_values(d, run);
  if (!write_file(*out, render(d, run), has_flag(a, "--crlf"))) {
    std::fprintf(stderr, "strwrite: cannot write %s\n", out->c_str());
    return 1;
  }
  return 0;
}

}  // namespace pelvano::tools
