#include "strwrite/exact.hpp"  // first: see there

#include "strwrite/render.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "strwrite/ancestry_table.hpp"
#include "strwrite/text.hpp"

namespace pelvano::tools {

namespace {

const char* const kRule = "--------------------------------------------\n";

}  // namespace

std::string render(const DataSet& d, const RunResult& run) {
  const int n = d.n_ind, L = d.n_loci, A = d.n_alleles, K = run.k;
  std::string o;
  o.reserve(4096 + static_cast<std::size_t>(n) * (40 + 6 * K) +
            static_cast<std::size_t>(L) * (40 + A * (20 + 6 * K)));

  o += "----------------------------------------------------\n"
       "Pelvano structure-format test writer (strwrite)\n"
       "Synthetic results laid out like a Structure 2.3 run;\n"
       "the values are simulated, no MCMC was performed.\n"
       "----------------------------------------------------\n\n\n";
  appendf(o, "Command line arguments:   structure -K %d -o %s\n", K, run.outfile.c_str());
  o += "Input File:    project_data\n\nRun parameters:\n";
  appendf(o, "   %d individuals\n   %d loci\n   %d populations assumed\n", n, L, K);
  o += "   10000 Burn-in period\n   20000 Reps\n";
  if (d.use_pop_info) o += "USEPOPINFO turned on\nMIGRPRIOR = 0.0100\n";
  o += "RANDOMIZE turned off\n\n\n";

  // Mean membership per cluster, overall and per given population.
  std::vector<double> qsum(static_cast<std::size_t>(K), 0.0);
  int max_pop = 0;
  for (int p : d.pop) max_pop = std::max(max_pop, p);
  std::vector<double> pop_sum(static_cast<std::size_t>(max_pop + 1) * K, 0.0);
  std::vector<int> pop_count(static_cast<std::size_t>(max_pop + 1), 0);
  for (int i = 0; i < n; ++i) {
    ++pop_count[d.pop[i]];
    const std::vector<double> q = membership_row(run, i);
    for (int k = 0; k < K; ++k) {
      qsum[k] += q[k];
      pop_sum[static_cast<std::size_t>(d.pop[i]) * K + k] += q[k];
    }
  }
  o += kRule;
  appendf(o,
          "Overall proportion of membership of the\nsample in each of the %d clusters\n\nInferred "
          "Clusters\n",
          K);
  for (int k = 0; k < K; ++k) appendf(o, "%3d    ", k + 1);
  o += "\n";
  for (int k = 0; k < K; ++k) appendf(o, "%s  ", fixed(qsum[k] / n, 3).c_str());
  o += "\n\n";
  o += kRule;

  if (d.pop_column) {
    appendf(
        o,
        "Proportion of membership of each pre-defined\n population in each of the %d clusters\n\n",
        K);
    o += "Given    Inferred Clusters";
    o.append(static_cast<std::size_t>(std::max(1, 7 * K - 15)), ' ');
    o += "Number of\n Pop    ";
    for (int k = 0; k < K; ++k) appendf(o, "%4d   ", k + 1);
    o += "   Individuals\n\n";
    for (int p = 1; p <= max_pop; ++p) {
      if (pop_count[p] == 0) continue;
      appendf(o, "%3d:     ", p);
      for (int k = 0; k < K; ++k)
        appendf(o, "%s  ",
                fixed(pop_sum[static_cast<std::size_t>(p) * K + k] / pop_count[p], 3).c_str());
      appendf(o, "    %6d\n", pop_count[p]);
    }
    o += "\n";
    o += kRule;
  }

  // Net nucleotide distances and expected heterozygosities from the cluster frequencies.
  std::vector<double> net(static_cast<std::size_t>(K) * K, 0.0),
      het(static_cast<std::size_t>(K), 0.0);
  for (int l = 0; l < L; ++l) {
    const double* f = run.freq.data() + static_cast<std::size_t>(l) * A * K;
    for (int i = 0; i < K; ++i) {
      double h = 1.0;
      for (int a = 0; a < A; ++a) h -= f[a * K + i] * f[a * K + i];
      het[i] += h;
      for (int j = i + 1; j < K; ++j) {
        double s = 0.0;
        for (int a = 0; a < A; ++a)
          s += (f[a * K + i] - f[a * K + j]) * (f[a * K + i] - f[a * K + j]);
        net[static_cast<std::size_t>(i) * K + j] += 0.5 * s;
      }
    }
  }
  o += "\nAllele-freq. divergence among pops (Net nucleotide distance),\ncomputed using point "
       "estimates of P.\n\n   ";
  for (int k = 0; k < K; ++k) appendf(o, "%4d    ", k + 1);
  o += " \n";
  for (int i = 0; i < K; ++i) {
    appendf(o, "%2d ", i + 1);
    for (int j = 0; j < K; ++j) {
      if (i == j) {
        o += "     -  ";
      } else {
        const double v = net[static_cast<std::size_t>(std::min(i, j)) * K + std::max(i, j)] / L;
        appendf(o, "  %s", fixed(v, 4).c_str());
      }
    }
    o += "  \n";
  }
  o += "\nAverage distances (expected heterozygosity) between individuals in same cluster:\n";
  for (int k = 0; k < K; ++k)
    appendf(o, "cluster %2d  : %s \n", k + 1, fixed(het[k] / L, 4).c_str());

  // Likelihood summary; Structure reports Ln P(D) = mean - variance / 2.
  o += "\n";
  o += kRule;
  appendf(o, "Estimated Ln Prob of Data   = %s\n", run.lnp_text.c_str());
  appendf(o, "Mean value of ln likelihood = %s\n", fixed(run.lnp + run.variance / 2.0, 1).c_str());
  appendf(o, "Variance of ln likelihood   = %s\n", fixed(run.variance, 1).c_str());
  appendf(o, "Mean value of alpha         = %s\n\n", fixed(run.alpha, 4).c_str());
  for (int k = 0; k < K; ++k) {
    // Moment estimate of the drift of cluster k away from the ancestral frequencies.
    double num = 0.0, den = 0.0;
    for (int l = 0; l < L; ++l)
      for (int a = 0; a < A; ++a) {
        const std::size_t ia = static_cast<std::size_t>(l) * A + a;
        const double p = d.anc[ia], diff = run.freq[ia * K + k] - p;
        num += diff * diff;
        den += p * (1.0 - p);
      }
    char label[40];
    std::snprintf(label, sizeof label, "Mean value of Fst_%d", k + 1);
    appendf(o, "%-28s= %s\n", label, fixed(den > 0.0 ? num / den : 0.0, 4).c_str());
  }

  append_ancestry_table(o, d, run);

  // Allele frequencies, one block per locus.
  o += "\n\nEstimated Allele Frequencies in each cluster\nFirst column gives estimated ancestral "
       "frequencies\n\n\n";
  for (int l = 0; l < L; ++l) {
    appendf(o, "Locus %d : \n%d alleles\n%d.%d%% missing data\n", l + 1, A, d.locus_missing[l] / 10,
            d.locus_missing[l] % 10);
    for (int a = 0; a < A; ++a) {
      const std::size_t ia = static_cast<std::size_t>(l) * A + a;
      appendf(o, "%5d   (%s) ", d.allele_name[ia], fixed(d.anc[ia], 3).c_str());
      for (int k = 0; k < K; ++k) {
        append_milli(o, std::llround(run.freq[ia * K + k] * 1000.0));
        o += ' ';
      }
      o += '\n';
    }
    o += '\n';
  }

  o += "Values of parameters used in structure:\n";
  appendf(o,
          "DATAFILE=project_data,\tOUTFILE=%s,\tNUMINDS=%d,\tNUMLOCI=%d,\tMISSING=-9,\tLABEL=%d,\t"
          "POPDATA=%d,\tPOPFLAG=%d,\tLOCDATA=0,\tPHENOTYPE=0,\tEXTRACOLS=0,\tMARKERNAMES=0,\t"
          "MAXPOPS=%d,\tBURNIN=10000,\tNUMREPS=20000,\tNOADMIX=0,\tLINKAGE=%d,\tUSEPOPINFO=%d,\t"
          "LOCPRIOR=0,\tINFERALPHA=1,\tALPHA=1.0000,\tPOPALPHAS=0,\tUNIFPRIORALPHA=1,\tALPHAMAX=10."
          "0000,\t"
          "FREQSCORR=1,\tONEFST=0,\tFPRIORMEAN=0.0100,\tFPRIORSD=0.0500,\tINFERLAMBDA=0,\tLAMBDA=1."
          "0000,\t"
          "COMPUTEPROB=1,\tPFROMPOPFLAGONLY=0,\tANCESTDIST=%d,\tUPDATEFREQ=10,\tPRINTQHAT=0,\t"
          "RANDOMIZE=0,\tSEED=%llu\n",
          run.outfile.c_str(), n, L, d.labels ? 1 : 0, d.pop_column ? 1 : 0, d.use_pop_info ? 1 : 0,
          K, d.ind_r ? 1 : 0, d.use_pop_info ? 1 : 0, d.intervals ? 1 : 0,
          static_cast<unsigned long long>(run.seed % 2147483647ULL));
  o += "[STRAT parameters]:      "
       "NUMSIMSTATS=1000,\tPHENOTYPECOL=-9,\tPOOLFREQ=10,\tLOCUSxONLINE=0,\t"
       "EMERROR=0.00100,\tMISSINGPHENO=-9\n";
  return o;
}

bool write_file(const std::string& path, const std::string& text, bool crlf) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = true;
  if (!crlf) {
    ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  } else {
    std::string t;
    t.reserve(text.size() + text.size() / 16);
    for (char c : text) {
      if (c == '\n') t += '\r';
      t += c;
    }
    ok = std::fwrite(t.data(), 1, t.size(), f) == t.size();
  }
  return std::fclose(f) == 0 && ok;
}

}  // namespace pelvano::tools
