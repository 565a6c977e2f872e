#include "strwrite/exact.hpp"  // first: see there

#include "strwrite/model.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace pelvano::tools {

void to_milli(const std::vector<double>& q, int* out) {
  to_parts(q, 1000, 0, out);
}

void to_parts(const std::vector<double>& q, int total, int floor, int* out) {
  const int k = static_cast<int>(q.size());
  int sum = 0;
  for (int j = 0; j < k; ++j)
    sum += (out[j] = std::max(floor, static_cast<int>(std::llround(q[j] * total))));
  while (sum != total) {
    const int top = static_cast<int>(std::max_element(out, out + k) - out);
    const int step = sum > total ? -std::min(sum - total, out[top] - floor) : total - sum;
    out[top] += step;
    sum += step;
  }
}

std::vector<double> membership_row(const RunResult& run, int i) {
  std::vector<double> q(static_cast<std::size_t>(run.k), 0.0);
  if (run.q_text.empty()) {
    for (int k = 0; k < run.k; ++k)
      q[k] = run.q_milli[static_cast<std::size_t>(i) * run.k + k] / 1000.0;
    return q;
  }
  const char* text = run.q_text[i].c_str();
  for (int k = 0; k < run.k; ++k) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text) break;
    q[k] = v;
    text = end;
  }
  return q;
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

DataSet data_set_shape(int n, int loci, int alleles, int groups, bool labels, bool pop_column) {
  DataSet d;
  d.n_ind = n;
  d.n_loci = loci;
  d.n_alleles = alleles;
  d.labels = labels;
  d.pop_column = pop_column;
  d.pop.resize(d.n_ind);
  for (int i = 0; i < d.n_ind; ++i) {
    d.pop[i] = static_cast<int>(static_cast<long long>(i) * groups / d.n_ind) + 1;
  }
  return d;
}

}  // namespace pelvano::tools
