// strwrite study: replicate runs for every K in a range on one simulated data set with P true
// populations. Each file has its own random stream, derived from the seed, K and the run number.

#include "strwrite/exact.hpp"  // first: see there

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "strwrite/args.hpp"
#include "strwrite/clusters.hpp"
#include "strwrite/layout_values.hpp"
#include "strwrite/model.hpp"
#include "strwrite/modes.hpp"
#include "strwrite/render.hpp"
#include "strwrite/rng.hpp"
#include "strwrite/text.hpp"

namespace pelvano::tools {

int run_study_mode(int argc, char** argv) {
  const Args a =
      parse_args(argc, argv,
                 {"--dir", "--stem", "--kmin", "--kmax", "--runs", "--ind", "--pops", "--admixed",
                  "--loci", "--alleles", "--seed"},
                 {"--pop-column", "--no-labels", "--ind-r", "--intervals", "--usepopinfo"});
  if (!a.error.empty()) return usage_error(a.error);
  std::string err;
  int kmin = 0, kmax = 0, runs = 0, n = 0, P = 0, loci = 20, alleles = 4;
  std::uint64_t seed = 1;
  const std::string* dir = find_value(a, "--dir");
  const std::string* stem_opt = find_value(a, "--stem");
  const std::string stem = stem_opt ? *stem_opt : "K";
  if (!dir || dir->empty()) return usage_error("missing --dir");
  if (stem.find_first_of("/\\") != std::string::npos)
    return usage_error("--stem must not contain a path separator");
  if (!int_option(a, "--kmin", 1, 100, true, kmin, err) ||
      !int_option(a, "--kmax", 1, 100, true, kmax, err) ||
      !int_option(a, "--runs", 1, 1000, true, runs, err) ||
      !int_option(a, "--ind", 1, 10000000, true, n, err) ||
      !int_option(a, "--pops", 1, 100, true, P, err) ||
      !int_option(a, "--loci", 1, 1000000, false, loci, err) ||
      !int_option(a, "--alleles", 1, 100, false, alleles, err) ||
      !int_option(a, "--seed", 0, ~0ULL, false, seed, err))
    return usage_error(err);
  if (kmax < kmin) return usage_error("--kmax is smaller than --kmin");
  if (too_large(n, std::max(kmax, P), loci, alleles))
    return usage_error("individuals, K, loci and alleles are too large together");
  double admixed = 0.1;
  if (!fraction_option(a, "--admixed", admixed, err)) return usage_error(err);

  // The data set and the true ancestry of every individual.
  Rng truth = make_rng(seed);
  DataSet d = data_set_shape(n, loci, alleles, P, !has_flag(a, "--no-labels"),
                             has_flag(a, "--pop-column") || has_flag(a, "--usepopinfo"));
  set_layout_flags(a, d);
  new_data_set(d, truth);
  std::vector<double> pop_fst(P);
  for (double& f : pop_fst) f = uniform(truth, 0.03, 0.15);
  const std::vector<double> pop_freq = drifted_freqs(d, truth, pop_fst);
  const std::vector<double> ancestry = true_ancestry(d.pop, P, admixed, truth);

  // Mean Ln P(D) curve: steep gains up to K = P, then a slight decline.
  const double base =
      1.5 * static_cast<double>(n) * static_cast<double>(loci);  // |Ln P(D)| at K = 1
  const double gain = base * std::min(0.06, 0.25 / std::max(1.0, static_cast<double>(P - 1)));
  auto mean_lnp = [&](int K) {
    double v = -base;
    for (int j = 2; j <= K; ++j) {
      if (j <= P)
        v += gain * (1.15 - 0.3 * (j - 2) / std::max(1.0, static_cast<double>(P - 2)));
      else
        v -= base * 0.003 * (1.0 + 0.3 * (j - P - 1));
    }
    return v;
  };

  std::error_code ec;
  std::filesystem::create_directories(*dir, ec);
  if (ec) {
    std::fprintf(stderr, "strwrite: cannot create directory %s\n", dir->c_str());
    return 1;
  }

  int written = 0;
  for (int K = kmin; K <= kmax; ++K) {
    std::vector<long long> lnp_tenths;
    for (int rep = 1; rep <= runs; ++rep) {
      // Each file has its own stream, so it does not depend on the K range asked for.
      std::uint64_t mix =
          seed ^ (static_cast<std::uint64_t>(K) << 32 | static_cast<std::uint64_t>(rep));
      const std::uint64_t file_seed = splitmix64(mix);
      Rng r = make_rng(file_seed);

      RunResult run;
      run.k = K;
      run.seed = file_seed;
      const std::string name = stem + std::to_string(K) + "_run" + std::to_string(rep);
      run.outfile = "results/" + name;

      // Ln P(D) with replicate noise that grows beyond the true number of populations.
      double sd = (K == 1 ? 0.3 : 1.0) * (1.0 + 0.05 * std::sqrt(base));
      if (K > P) sd += 0.2 * std::sqrt(base) * (K - P);
      double lnp = mean_lnp(K) + sd * normal(r);
      if (K > P && uniform01(r) < 0.15)
        lnp -= 2.0 * sd * std::fabs(normal(r));  // a poorly mixed run
      long long t = std::llround(lnp * 10.0);
      while (std::find(lnp_tenths.begin(), lnp_tenths.end(), t) != lnp_tenths.end()) --t;
      lnp_tenths.push_back(t);
      run.lnp = static_cast<double>(t) / 10.0;
      run.lnp_text = fixed(run.lnp, 1);
      run.variance = (0.4 * (static_cast<double>(n) * (K - 1) +
                             static_cast<double>(loci) * (alleles - 1) * K) +
                      5.0) *
                     uniform(r, 0.8, 1.25);
      run.alpha = uniform(r, 0.02, 0.05) + 0.3 * admixed + (K > P ? 0.015 * (K - P) : 0.0);

      // How the true populations map onto the clusters of this replicate.
      const ReplicateView view = replicate_view(r, P, K);
      run.q_milli.resize(static_cast<std::size_t>(n) * K);
      std::vector<double> q;
      for (int i = 0; i < d.n_ind; ++i) {
        draw_memberships(r, view, &ancestry[static_cast<std::size_t>(i) * P], q);
        to_milli(q, &run.q_milli[static_cast<std::size_t>(i) * K]);
      }

      // Cluster allele frequencies: share-weighted mixtures of the true ones, re-estimated with
      // noise.
      run.freq.assign(static_cast<std::size_t>(loci) * alleles * K, 0.0);
      std::vector<double> colsum(K, 0.0), fa(alleles), f;
      for (int p = 0; p < P; ++p)
        for (int c = 0; c < K; ++c) colsum[c] += view.at(p, c);
      for (int l = 0; l < loci; ++l)
        for (int c = 0; c < K; ++c) {
          for (int al = 0; al < alleles; ++al) {
            const std::size_t ia = static_cast<std::size_t>(l) * alleles + al;
            double v = 0.0;
            for (int p = 0; p < P; ++p) v += view.at(p, c) * pop_freq[ia * P + p];
            fa[al] = (colsum[c] > 0.0 ? v / colsum[c] : d.anc[ia]) * view.drift + 0.01;
          }
          dirichlet(r, fa, f);
          for (int al = 0; al < alleles; ++al)
            run.freq[(static_cast<std::size_t>(l) * alleles + al) * K + c] = f[al];
        }

      add_layout_values(d, run);
      const std::string path = (std::filesystem::path(*dir) / (name + "_f")).string();
      if (!write_file(path, render(d, run), false)) {
        std::fprintf(stderr, "strwrite: cannot write %s\n", path.c_str());
        return 1;
      }
      ++written;
    }
  }
  std::printf(
      "strwrite: wrote %d files (K = %d..%d, %d runs each, %d individuals, %d true populations) to "
      "%s\n",
      written, kmin, kmax, runs, n, P, dir->c_str());
  return 0;
}

}  // namespace pelvano::tools
