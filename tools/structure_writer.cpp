// strwrite: writes text files laid out like the output of the population-structure
// program Structure (one file per replicate run per assumed number of clusters K).
// Pelvano uses these files for its tests, benchmarks and example study.
//
//   strwrite file  --out PATH --ind N --k K --lnp VALUE [--loci L] [--alleles A]
//                  [--seed S] [--pop-column | --no-labels] [--q ROWSFILE] [--crlf]
//   strwrite study --dir DIR [--stem NAME] --kmin A --kmax B --runs R --ind N --pops P
//                  [--admixed FRACTION] [--loci L] [--alleles A] [--seed S] [--pop-column]
//
// All random numbers come from a self-contained xoshiro256** generator, and every
// transcendental function used by the draws is computed here with plain arithmetic,
// so the same seed gives byte-identical files with any compiler and C library.
// Numbers are printed through integer arithmetic and snprintf with explicit formats.

// Keep floating-point results identical on targets with fused multiply-add.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace pelvano::tools {

// ---------------------------------------------------------------- random numbers

struct Rng {
  std::uint64_t s[4];
};

std::uint64_t splitmix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

Rng make_rng(std::uint64_t seed) {
  Rng r{};
  for (auto& w : r.s) w = splitmix64(seed);
  return r;
}

std::uint64_t rotl(std::uint64_t x, int k) {
  return (x << k) | (x >> (64 - k));
}

std::uint64_t next_u64(Rng& r) {
  const std::uint64_t result = rotl(r.s[1] * 5, 7) * 9;
  const std::uint64_t t = r.s[1] << 17;
  r.s[2] ^= r.s[0];
  r.s[3] ^= r.s[1];
  r.s[1] ^= r.s[2];
  r.s[0] ^= r.s[3];
  r.s[2] ^= t;
  r.s[3] = rotl(r.s[3], 45);
  return result;
}

// Uniform in [0, 1).
double uniform01(Rng& r) {
  return static_cast<double>(next_u64(r) >> 11) * 0x1.0p-53;
}
// Uniform in (0, 1].
double uniform_pos(Rng& r) {
  return static_cast<double>((next_u64(r) >> 11) + 1) * 0x1.0p-53;
}
double uniform(Rng& r, double lo, double hi) {
  return lo + (hi - lo) * uniform01(r);
}
// Integer in [0, n).
int below(Rng& r, int n) {
  const int v = static_cast<int>(uniform01(r) * n);
  return v < n ? v : n - 1;
}

// Natural logarithm from frexp and the atanh series; x must be positive and finite.
double det_log(double x) {
  int e = 0;
  double m = std::frexp(x, &e);  // x = m * 2^e, m in [0.5, 1)
  if (m < 0.70710678118654752) {
    m *= 2.0;
    e -= 1;
  }
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double t = 0.0;
  for (int k = 14; k >= 0; --k) t = 1.0 / (2 * k + 1) + s2 * t;
  return e * 0.69314718055994531 + 2.0 * s * t;
}

// Exponential by range reduction to |r| <= ln2/2 and a Taylor series.
double det_exp(double x) {
  if (x < -745.0) return 0.0;
  if (x > 709.0) x = 709.0;
  const double k = std::floor(x * 1.4426950408889634 + 0.5);
  const double r = (x - k * 0.693147180369123816490) - k * 1.90821492927058770002e-10;
  double p = 1.0;
  for (int n = 20; n >= 1; --n) p = 1.0 + r * p / n;
  return std::ldexp(p, static_cast<int>(k));
}

// Standard normal draw (Marsaglia polar method).
double normal(Rng& r) {
  for (;;) {
    const double u = 2.0 * uniform01(r) - 1.0;
    const double v = 2.0 * uniform01(r) - 1.0;
    const double s = u * u + v * v;
    if (s > 0.0 && s < 1.0) return u * std::sqrt(-2.0 * det_log(s) / s);
  }
}

// Gamma(shape a, scale 1) draw (Marsaglia and Tsang, with the boost for a < 1).
double gamma_draw(Rng& r, double a) {
  if (a < 1.0) {
    const double g = gamma_draw(r, a + 1.0);
    return g * det_exp(det_log(uniform_pos(r)) / a);
  }
  const double d = a - 1.0 / 3.0;
  const double c = 1.0 / std::sqrt(9.0 * d);
  for (;;) {
    const double x = normal(r);
    double v = 1.0 + c * x;
    if (v <= 0.0) continue;
    v = v * v * v;
    const double u = uniform_pos(r);
    if (u < 1.0 - 0.0331 * x * x * x * x) return d * v;
    if (det_log(u) < 0.5 * x * x + d * (1.0 - v + det_log(v))) return d * v;
  }
}

// Dirichlet draw with parameters alpha (all positive) into out.
void dirichlet(Rng& r, const std::vector<double>& alpha, std::vector<double>& out) {
  out.resize(alpha.size());
  double sum = 0.0;
  for (std::size_t i = 0; i < alpha.size(); ++i) sum += (out[i] = gamma_draw(r, alpha[i]));
  if (sum > 0.0) {
    for (double& v : out) v /= sum;
    return;
  }
  // Every component underflowed: put everything on the largest parameter.
  const auto top = std::max_element(alpha.begin(), alpha.end()) - alpha.begin();
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = (static_cast<long>(i) == top) ? 1.0 : 0.0;
}

std::vector<int> permutation(Rng& r, int n) {
  std::vector<int> p(n);
  for (int i = 0; i < n; ++i) p[i] = i;
  for (int i = n - 1; i > 0; --i) std::swap(p[i], p[below(r, i + 1)]);
  return p;
}

// ---------------------------------------------------------------- text output

#if defined(__GNUC__) || defined(__clang__)
__attribute__((format(printf, 2, 3)))
#endif
void appendf(std::string& out, const char* fmt, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buf) {
    out.append(buf, static_cast<std::size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<std::size_t>(n) + 1);
  va_start(ap, fmt);
  std::vsnprintf(big.data(), big.size(), fmt, ap);
  va_end(ap);
  out.append(big.data(), static_cast<std::size_t>(n));
}

// Fixed-point text of v with `dec` decimals (1..6), rounded through integers.
std::string fixed(double v, int dec) {
  static const long long scale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  const long long n = std::llround(v * static_cast<double>(scale[dec]));
  const unsigned long long a =
      n < 0 ? static_cast<unsigned long long>(-n) : static_cast<unsigned long long>(n);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%llu.%0*llu", n < 0 ? "-" : "", a / scale[dec], dec,
                a % scale[dec]);
  return buf;
}

// Value given in thousandths, printed as %.3f would.
void append_milli(std::string& out, long long m) {
  appendf(out, "%lld.%03lld", m / 1000, m % 1000);
}

// ---------------------------------------------------------------- data model

// What stays the same for every run on one data set.
struct DataSet {
  int n_ind = 0, n_loci = 0, n_alleles = 0;
  bool labels = true, pop_column = false;
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
};

// Rounds memberships to thousandths summing to exactly 1000; the largest absorbs the difference.
void to_milli(const std::vector<double>& q, int* out) {
  const int k = static_cast<int>(q.size());
  int sum = 0;
  for (int j = 0; j < k; ++j) sum += (out[j] = static_cast<int>(std::llround(q[j] * 1000.0)));
  while (sum != 1000) {
    const int top = static_cast<int>(std::max_element(out, out + k) - out);
    const int step = sum > 1000 ? -std::min(sum - 1000, out[top]) : 1000 - sum;
    out[top] += step;
    sum += step;
  }
}

void new_data_set(DataSet& d, Rng& r) {
  const int n = d.n_ind, L = d.n_loci, A = d.n_alleles;
  d.ind_missing.assign(n, 0);
  for (int i = 0; i < n; ++i)
    if (uniform01(r) < 0.15) d.ind_missing[i] = 1 + below(r, 20);
  d.locus_missing.assign(L, 0);
  d.allele_name.assign(static_cast<std::size_t>(L) * A, 0);
  d.anc.assign(static_cast<std::size_t>(L) * A, 0.0);
  std::vector<double> alpha(A, 1.5), f;
  for (int l = 0; l < L; ++l) {
    if (uniform01(r) < 0.4) d.locus_missing[l] = 1 + below(r, 60);
    int size = 100 + 2 * below(r, 60);
    for (int a = 0; a < A; ++a) {
      if (a > 0) size += 2 * (1 + below(r, 3));
      d.allele_name[static_cast<std::size_t>(l) * A + a] = size;
    }
    dirichlet(r, alpha, f);
    std::copy(f.begin(), f.end(), d.anc.begin() + static_cast<std::ptrdiff_t>(l) * A);
  }
}

// Allele frequencies of `count` populations drifted from the ancestral ones with the given F
// values.
std::vector<double> drifted_freqs(const DataSet& d, Rng& r, const std::vector<double>& fst) {
  const int L = d.n_loci, A = d.n_alleles, K = static_cast<int>(fst.size());
  std::vector<double> out(static_cast<std::size_t>(L) * A * K), alpha(A), f;
  for (int l = 0; l < L; ++l)
    for (int k = 0; k < K; ++k) {
      const double c = (1.0 - fst[k]) / fst[k];
      for (int a = 0; a < A; ++a) alpha[a] = d.anc[static_cast<std::size_t>(l) * A + a] * c + 1e-3;
      dirichlet(r, alpha, f);
      for (int a = 0; a < A; ++a) out[(static_cast<std::size_t>(l) * A + a) * K + k] = f[a];
    }
  return out;
}

// ---------------------------------------------------------------- rendering

const char* const kRule = "--------------------------------------------\n";

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
  o += "   10000 Burn-in period\n   20000 Reps\nRANDOMIZE turned off\n\n\n";

  // Mean membership per cluster, overall and per given population.
  std::vector<double> qsum(static_cast<std::size_t>(K), 0.0);
  int max_pop = 0;
  for (int p : d.pop) max_pop = std::max(max_pop, p);
  std::vector<double> pop_sum(static_cast<std::size_t>(max_pop + 1) * K, 0.0);
  std::vector<int> pop_count(static_cast<std::size_t>(max_pop + 1), 0);
  for (int i = 0; i < n; ++i) {
    ++pop_count[d.pop[i]];
    const char* text = run.q_text.empty() ? nullptr : run.q_text[i].c_str();
    for (int k = 0; k < K; ++k) {
      double v = 0.0;
      if (!text) {
        v = run.q_milli[static_cast<std::size_t>(i) * K + k] / 1000.0;
      } else {
        char* end = nullptr;
        v = std::strtod(text, &end);
        if (end == text) break;  // fewer or unreadable values: the rest count as zero
        text = end;
      }
      qsum[k] += v;
      pop_sum[static_cast<std::size_t>(d.pop[i]) * K + k] += v;
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

  // Ancestry table.
  o += "\n\nInferred ancestry of individuals:\n";
  if (!d.labels)
    o += "        (%Miss) :  Inferred clusters\n";
  else if (d.pop_column)
    o += "        Label (%Miss) Pop:  Inferred clusters\n";
  else
    o += "        Label (%Miss) :  Inferred clusters\n";
  for (int i = 0; i < n; ++i) {
    char miss[24], label[24];
    std::snprintf(miss, sizeof miss, "(%d)", d.ind_missing[i]);
    std::snprintf(label, sizeof label, "ind%d", i + 1);
    if (!d.labels)
      appendf(o, "%3d %6s   :  ", i + 1, miss);
    else if (d.pop_column)
      appendf(o, "%3d %8s %6s %4d :  ", i + 1, label, miss, d.pop[i]);
    else
      appendf(o, "%3d %8s %6s   :  ", i + 1, label, miss);
    if (run.q_text.empty()) {
      for (int k = 0; k < K; ++k) {
        append_milli(o, run.q_milli[static_cast<std::size_t>(i) * K + k]);
        o += ' ';
      }
    } else {
      o += run.q_text[i];
      o += ' ';
    }
    o += '\n';
  }

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
          "POPDATA=%d,\tPOPFLAG=0,\tLOCDATA=0,\tPHENOTYPE=0,\tEXTRACOLS=0,\tMARKERNAMES=0,\t"
          "MAXPOPS=%d,\tBURNIN=10000,\tNUMREPS=20000,\tNOADMIX=0,\tLINKAGE=0,\tUSEPOPINFO=0,\t"
          "LOCPRIOR=0,\tINFERALPHA=1,\tALPHA=1.0000,\tPOPALPHAS=0,\tUNIFPRIORALPHA=1,\tALPHAMAX=10."
          "0000,\t"
          "FREQSCORR=1,\tONEFST=0,\tFPRIORMEAN=0.0100,\tFPRIORSD=0.0500,\tINFERLAMBDA=0,\tLAMBDA=1."
          "0000,\t"
          "COMPUTEPROB=1,\tPFROMPOPFLAGONLY=0,\tANCESTDIST=0,\tUPDATEFREQ=10,\tPRINTQHAT=0,\t"
          "RANDOMIZE=0,\tSEED=%llu\n",
          run.outfile.c_str(), n, L, d.labels ? 1 : 0, d.pop_column ? 1 : 0, K,
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

// ---------------------------------------------------------------- command line

struct Args {
  std::vector<std::pair<std::string, std::string>> values;
  std::vector<std::string> flags;
  std::string error;
};

const char* const kUsage =
    "usage: strwrite file --out PATH --ind N --k K --lnp VALUE [--loci L] [--alleles A] [--seed S]"
    " [--pop-column | --no-labels] [--q ROWSFILE] [--crlf]\n"
    "       strwrite study --dir DIR [--stem NAME] --kmin A --kmax B --runs R --ind N --pops P"
    " [--admixed FRACTION] [--loci L] [--alleles A] [--seed S] [--pop-column]\n";

Args parse_args(int argc, char** argv, const std::vector<std::string>& with_value,
                const std::vector<std::string>& flag_names) {
  Args a;
  for (int i = 2; i < argc && a.error.empty(); ++i) {
    std::string name = argv[i], value;
    const auto eq = name.find('=');
    const bool inline_value = name.rfind("--", 0) == 0 && eq != std::string::npos;
    if (inline_value) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (std::find(flag_names.begin(), flag_names.end(), name) != flag_names.end() &&
        !inline_value) {
      a.flags.push_back(name);
    } else if (std::find(with_value.begin(), with_value.end(), name) != with_value.end()) {
      if (!inline_value) {
        if (i + 1 >= argc) {
          a.error = "missing value for " + name;
          break;
        }
        value = argv[++i];
      }
      for (const auto& [n, v] : a.values)
        if (n == name) a.error = "option given twice: " + name;
      a.values.emplace_back(name, value);
    } else {
      a.error = "unknown argument: " + std::string(argv[i]);
    }
  }
  return a;
}

const std::string* find_value(const Args& a, const std::string& name) {
  for (const auto& [n, v] : a.values)
    if (n == name) return &v;
  return nullptr;
}

bool has_flag(const Args& a, const std::string& name) {
  return std::find(a.flags.begin(), a.flags.end(), name) != a.flags.end();
}

// Reads a non-negative integer option within [lo, hi]; a missing option keeps `out` unless
// required.
template <typename T>
bool int_option(const Args& a, const std::string& name, unsigned long long lo,
                unsigned long long hi, bool required, T& out, std::string& err) {
  const std::string* v = find_value(a, name);
  if (!v) {
    if (required) err = "missing " + name;
    return !required;
  }
  char* end = nullptr;
  errno = 0;
  const unsigned long long x = std::strtoull(v->c_str(), &end, 10);
  if (v->empty() || !std::isdigit(static_cast<unsigned char>((*v)[0])) || *end != '\0' ||
      errno != 0 || x < lo || x > hi) {
    err = "bad value for " + name + ": " + *v;
    return false;
  }
  out = static_cast<T>(x);
  return true;
}

int usage_error(const std::string& msg) {
  std::fprintf(stderr, "strwrite: %s\n%s", msg.c_str(), kUsage);
  return 2;
}

// Keeps the in-memory tables of one run at a sensible size.
bool too_large(long long n, long long k, long long loci, long long alleles) {
  return n * k > 200000000LL || loci * alleles * k > 100000000LL;
}

std::string outfile_name(const std::string& path) {
  std::string base = std::filesystem::path(path).filename().string();
  if (base.size() > 2 && base.compare(base.size() - 2, 2, "_f") == 0) base.resize(base.size() - 2);
  return "results/" + base;
}

// ---------------------------------------------------------------- single file

int run_file_mode(int argc, char** argv) {
  const Args a = parse_args(
      argc, argv, {"--out", "--ind", "--k", "--lnp", "--loci", "--alleles", "--seed", "--q"},
      {"--pop-column", "--no-labels", "--crlf"});
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
  if (has_flag(a, "--pop-column") && has_flag(a, "--no-labels"))
    return usage_error("--pop-column and --no-labels exclude each other");

  DataSet d;
  d.n_ind = n;
  d.n_loci = loci;
  d.n_alleles = alleles;
  d.labels = !has_flag(a, "--no-labels");
  d.pop_column = has_flag(a, "--pop-column");
  d.pop.resize(d.n_ind);
  for (int i = 0; i < d.n_ind; ++i)
    d.pop[i] = static_cast<int>(static_cast<long long>(i) * K / d.n_ind) + 1;

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
  if (!write_file(*out, render(d, run), has_flag(a, "--crlf"))) {
    std::fprintf(stderr, "strwrite: cannot write %s\n", out->c_str());
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------- simulated study

int run_study_mode(int argc, char** argv) {
  const Args a = parse_args(argc, argv,
                            {"--dir", "--stem", "--kmin", "--kmax", "--runs", "--ind", "--pops",
                             "--admixed", "--loci", "--alleles", "--seed"},
                            {"--pop-column"});
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
  if (const std::string* v = find_value(a, "--admixed")) {
    char* end = nullptr;
    admixed = std::strtod(v->c_str(), &end);
    if (v->empty() || *end != '\0' || !(admixed >= 0.0 && admixed <= 1.0))
      return usage_error("bad value for --admixed: " + *v);
  }

  // The data set and the true ancestry of every individual.
  Rng truth = make_rng(seed);
  DataSet d;
  d.n_ind = n;
  d.n_loci = loci;
  d.n_alleles = alleles;
  d.pop_column = has_flag(a, "--pop-column");
  d.pop.resize(d.n_ind);
  for (int i = 0; i < d.n_ind; ++i)
    d.pop[i] = static_cast<int>(static_cast<long long>(i) * P / n) + 1;
  new_data_set(d, truth);
  std::vector<double> pop_fst(P);
  for (double& f : pop_fst) f = uniform(truth, 0.03, 0.15);
  const std::vector<double> pop_freq = drifted_freqs(d, truth, pop_fst);
  std::vector<double> ancestry(static_cast<std::size_t>(n) * P,
                               0.0);  // true ancestry over the P populations
  for (int i = 0; i < d.n_ind; ++i) ancestry[static_cast<std::size_t>(i) * P + d.pop[i] - 1] = 1.0;
  if (P > 1) {
    const std::vector<int> order = permutation(truth, d.n_ind);
    const int n_mixed = static_cast<int>(std::llround(admixed * static_cast<double>(n)));
    for (int j = 0; j < n_mixed; ++j) {
      const int i = order[j], home = d.pop[i] - 1;
      int other = below(truth, P - 1);
      if (other >= home) ++other;
      const double share = uniform(truth, 0.2, 0.8);
      ancestry[static_cast<std::size_t>(i) * P + home] = share;
      ancestry[static_cast<std::size_t>(i) * P + other] = 1.0 - share;
    }
  }

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

      // share[p][c]: how true population p maps onto cluster c in this replicate.
      std::vector<double> share(static_cast<std::size_t>(P) * K, 0.0);
      auto at = [&](int p, int c) -> double& { return share[static_cast<std::size_t>(p) * K + c]; };
      const std::vector<int> perm = permutation(r, K);  // label switching
      double conc = 80.0, eps = 0.3, drift = 400.0;
      if (K <= P) {
        // Contiguous blocks of true populations are merged; block sizes vary per replicate.
        std::vector<int> size(K, static_cast<int>(P / K));
        const std::vector<int> extra = permutation(r, K);
        for (int j = 0; j < P % K; ++j) ++size[extra[j]];
        for (int c = 0, p = 0; c < K; ++c)
          for (int s = 0; s < size[c]; ++s, ++p) at(p, perm[c]) = 1.0;
      } else {
        // Extra clusters each split off part of one true population, plus a little everywhere.
        conc = 25.0;
        eps = 0.4;
        drift = 120.0;
        const double spread = 0.01;
        for (int p = 0; p < P; ++p) {
          at(p, perm[p]) = 1.0 - spread * (K - P);
          for (int c = P; c < K; ++c) at(p, perm[c]) = spread;
        }
        for (int c = P; c < K; ++c) {
          const int p = below(r, P);
          double& main = at(p, perm[p]);
          const double s = std::min(uniform(r, 0.15, 0.5), main * 0.6);
          main -= s;
          at(p, perm[c]) += s;
        }
      }

      run.q_milli.resize(static_cast<std::size_t>(n) * K);
      std::vector<double> m(K), alpha(K), q;
      for (int i = 0; i < d.n_ind; ++i) {
        std::fill(m.begin(), m.end(), 0.0);
        for (int p = 0; p < P; ++p) {
          const double w = ancestry[static_cast<std::size_t>(i) * P + p];
          if (w > 0.0)
            for (int c = 0; c < K; ++c) m[c] += w * at(p, c);
        }
        if (K == 1) {
          q.assign(1, 1.0);
        } else {
          for (int c = 0; c < K; ++c) alpha[c] = conc * m[c] + eps;
          dirichlet(r, alpha, q);
        }
        to_milli(q, &run.q_milli[static_cast<std::size_t>(i) * K]);
      }

      // Cluster allele frequencies: share-weighted mixtures of the true ones, re-estimated with
      // noise.
      run.freq.assign(static_cast<std::size_t>(loci) * alleles * K, 0.0);
      std::vector<double> colsum(K, 0.0), fa(alleles), f;
      for (int p = 0; p < P; ++p)
        for (int c = 0; c < K; ++c) colsum[c] += at(p, c);
      for (int l = 0; l < loci; ++l)
        for (int c = 0; c < K; ++c) {
          for (int al = 0; al < alleles; ++al) {
            const std::size_t ia = static_cast<std::size_t>(l) * alleles + al;
            double v = 0.0;
            for (int p = 0; p < P; ++p) v += at(p, c) * pop_freq[ia * P + p];
            fa[al] = (colsum[c] > 0.0 ? v / colsum[c] : d.anc[ia]) * drift + 0.01;
          }
          dirichlet(r, fa, f);
          for (int al = 0; al < alleles; ++al)
            run.freq[(static_cast<std::size_t>(l) * alleles + al) * K + c] = f[al];
        }

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

int main(int argc, char** argv) {
  using namespace pelvano::tools;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "file") return run_file_mode(argc, argv);
  if (mode == "study") return run_study_mode(argc, argv);
  if (mode == "--help" || mode == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return usage_error(mode.empty() ? "no mode given" : "unknown mode: " + mode);
}
