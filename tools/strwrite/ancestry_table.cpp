#include "strwrite/ancestry_table.hpp"

#include <cstdio>

#include "strwrite/layout_values.hpp"
#include "strwrite/text.hpp"

namespace pelvano::tools {

namespace {

// The header line; "Pop:" ends within its first 29 characters, with or without the Label
// column. With USEPOPINFO Structure ends the header after "Pop".
std::string header(const DataSet& d) {
  std::string h = "        ";
  if (d.labels) h += "Label ";
  h += "(%Miss) ";
  if (d.use_pop_info) return h + "Pop\n";
  if (d.pop_column) h += "Pop";
  h += d.ind_r ? ":   Ind's r " : ":  ";
  h += "Inferred clusters";
  if (d.intervals) h += " (and 90% probability intervals)";
  return h + "\n";
}

// What a prior row prints after the colon: the probability of coming from the given
// population, then "| Pop j: " and three probabilities for each other cluster j, a last "|",
// and one to three '*' when the first probability is below 0.5, 0.3 or 0.1.
void append_prior_row(std::string& o, const DataSet& d, const RunResult& run, int i) {
  const int K = run.k, width = 1 + 3 * (K - 1);
  const int* p = &run.prior_milli[static_cast<std::size_t>(i) * width];
  append_milli(o, p[0]);
  o += " | ";
  for (int j = 1, v = 1; j <= K; ++j) {
    if (j == d.pop[i]) continue;
    appendf(o, "Pop %d: ", j);
    for (int g = 0; g < 3; ++g, ++v) {
      append_milli(o, p[v]);
      o += ' ';
    }
    o += " | ";
  }
  o += p[0] < 100 ? "***" : p[0] < 300 ? "**" : p[0] < 500 ? "*" : "";
  o += ' ';
}

// What an ordinary row prints after the colon (and r): the memberships, then with --intervals
// four blanks and the interval of each membership.
void append_membership_row(std::string& o, const DataSet& d, const RunResult& run, int i) {
  const int K = run.k;
  if (run.q_text.empty()) {
    for (int k = 0; k < K; ++k) {
      append_milli(o, run.q_milli[static_cast<std::size_t>(i) * K + k]);
      o += ' ';
    }
  } else {
    o += run.q_text[i];
    o += ' ';
  }
  if (!d.intervals) return;
  o += "    ";
  for (int k = 0; k < K; ++k) {
    const int* b = &run.interval_milli[(static_cast<std::size_t>(i) * K + k) * 2];
    o += '(';
    append_milli(o, b[0]);
    o += ',';
    append_milli(o, b[1]);
    o += ") ";
  }
}

}  // namespace

void append_ancestry_table(std::string& o, const DataSet& d, const RunResult& run) {
  o += "\n\nInferred ancestry of individuals:\n";
  if (d.use_pop_info) o += "Probability of being from assumed population | prob of other pops\n";
  o += header(d);
  // The Pop column takes the place of two of the blanks before the colon.
  for (int i = 0; i < d.n_ind; ++i) {
    char miss[24], label[24];
    std::snprintf(miss, sizeof miss, "(%d)", d.ind_missing[i]);
    std::snprintf(label, sizeof label, "ind%d", i + 1);
    if (!d.labels && d.pop_column)
      appendf(o, "%3d %6s %4d :", i + 1, miss, d.pop[i]);
    else if (!d.labels)
      appendf(o, "%3d %6s   :", i + 1, miss);
    else if (d.pop_column)
      appendf(o, "%3d %8s %6s %4d :", i + 1, label, miss, d.pop[i]);
    else
      appendf(o, "%3d %8s %6s   :", i + 1, label, miss);
    if (d.ind_r) {
      const int r = run.r_tenthousandths[i];
      appendf(o, "   %d.%04d", r / 10000, r % 10000);
    }
    o += "  ";
    if (used_as_prior(d, run.k, i))
      append_prior_row(o, d, run, i);
    else
      append_membership_row(o, d, run, i);
    o += '\n';
  }
}

}  // namespace pelvano::tools
