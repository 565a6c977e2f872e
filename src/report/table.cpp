#include "report/table.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <type_traits>

#include "report/palette.hpp"

namespace pelvano {

namespace {

std::string optional_cell(const std::optional<double>& x) {
  return x ? real_cell(*x) : "";
}

}  // namespace

std::string text_cell(std::string_view text) {
  if (text.find_first_of("\t\r\n\"") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string real_cell(double x) {
  // Missing to R's read.delim and to pandas: NaN, and the value that stands for none.
  if (std::isnan(x) || std::fabs(x) == 1e300) return "";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, res.ptr);
}

namespace {

// A column of the per-K table: its name and its cell for a K.
struct Column {
  std::string_view name;
  std::string (*cell)(const KSummary&);
};

// The Parsimony method's numbers of a K none of whose runs was scored do not exist.
std::string scored_cell(const KSummary& k, double x) {
  return k.best_run > 0 ? real_cell(x) : "";
}

const Column k_column{"K", [](const KSummary& k) { return std::to_string(k.k); }};
const Column runs_column{"Runs", [](const KSummary& k) { return std::to_string(k.runs); }};
const Column evanno_columns[] = {
    {"L1", [](const KSummary& k) { return optional_cell(k.l1); }},
    {"Abs_L2", [](const KSummary& k) { return optional_cell(k.l2); }},
    {"DeltaK", [](const KSummary& k) { return optional_cell(k.deltak); }}};
const Column parsimony_columns[] = {
    {"Best_score", [](const KSummary& k) { return scored_cell(k, k.best_score); }},
    {"Small_clusters", [](const KSummary& k) { return scored_cell(k, k.small_clusters); }},
    {"Pair_consistency", [](const KSummary& k) { return scored_cell(k, k.consistency); }},
    {"Parsimony", [](const KSummary& k) { return scored_cell(k, k.parsimony); }},
    {"Best_run",
     [](const KSummary& k) { return k.best_run > 0 ? std::to_string(k.best_run) : ""; }},
    {"Best_file", [](const KSummary& k) { return k.best_run > 0 ? text_cell(k.best_file) : ""; }}};

// The columns of the study: those of Structure's runs; for other programs' runs K and its
// runs, the CV error (ADMIXTURE's runs with --cv), the log-likelihoods or marginal
// likelihoods with Evanno's and the Parsimony method's numbers (with logs), and the
// clusters used (fastStructure).
std::vector<Column> columns_of(const StudySummary& s) {
  std::vector<Column> c{k_column, runs_column};
  const auto add = [&](const auto& more) { c.insert(c.end(), std::begin(more), std::end(more)); };
  if (s.lnp_name.empty()) {
    c.push_back({"Mean_LnP", [](const KSummary& k) { return real_cell(k.mean); }});
    c.push_back({"SD_LnP", [](const KSummary& k) { return real_cell(k.sd); }});
    add(evanno_columns);
    add(parsimony_columns);
    return c;
  }
  if (std::any_of(s.ks.begin(), s.ks.end(), [](const KSummary& k) { return k.cv_runs > 0; })) {
    c.push_back({"CV_error", [](const KSummary& k) { return real_cell(k.cv_mean); }});
    c.push_back({"SD_CV_error", [](const KSummary& k) { return real_cell(k.cv_sd); }});
    c.push_back({"CV_runs", [](const KSummary& k) { return std::to_string(k.cv_runs); }});
  }
  if (s.no_lnp.empty()) {
    c.push_back({"Mean_LogL", [](const KSummary& k) { return real_cell(k.mean); }});
    c.push_back({"SD_LogL", [](const KSummary& k) { return real_cell(k.sd); }});
    c.push_back({"LogL_runs", [](const KSummary& k) { return std::to_string(k.numbered); }});
    add(evanno_columns);
    add(parsimony_columns);
  }
  if (!s.lnp_grows) {
    c.push_back({"Clusters_used", [](const KSummary& k) {
                   return k.clusters_used > 0 ? std::to_string(k.clusters_used) : "";
                 }});
  }
  return c;
}

}  // namespace

std::string table_text(const StudySummary& s) {
  const std::vector<Column> columns = columns_of(s);
  std::string out;
  for (const Column& c : columns) {
    if (!out.empty()) out += '\t';
    out += c.name;
  }
  // Puechmaille's estimators: one set of columns per threshold, named after it when there
  // are several.
  for (const Puechmaille& p : s.puechmaille) {
    const std::string suffix = s.puechmaille.size() > 1 ? "_" + p.threshold : "";
    for (const char* name : {"MedMeaK", "MaxMeaK", "MedMedK", "MaxMedK"}) {
      out += '\t';
      out += name + suffix;
    }
  }
  out += '\n';
  for (std::size_t i = 0; i < s.ks.size(); ++i) {
    const KSummary& k = s.ks[i];
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (c > 0) out += '\t';
      out += columns[c].cell(k);
    }
    for (const Puechmaille& p : s.puechmaille) {
      const PuechmailleK& v = p.ks[i];
      for (const std::int32_t n : {v.medmea, v.maxmea, v.medmed, v.maxmed}) {
        out += '\t';
        out += std::to_string(n);
      }
    }
    out += '\n';
  }
  return out;
}

std::string alignment_table_text(const std::vector<BarRow>& rows) {
  const bool modes = !rows.empty() && rows.front().mode > 0;
  std::string out = modes ? "K\tMode\tRun\tCluster\tColour_index\tColour\n"
                          : "K\tRun\tCluster\tColour_index\tColour\n";
  for (const BarRow& row : rows) {
    for (std::size_t c = 0; c < row.colour.size(); ++c) {
      out += std::to_string(row.k) + '\t';
      if (modes) out += std::to_string(row.mode) + '\t';
      out += std::to_string(row.run) + '\t' + std::to_string(c + 1) + '\t' +
             std::to_string(row.colour[c]) + '\t' + cluster_colour(row.colour[c]) + '\n';
    }
  }
  return out;
}

}  // namespace pelvano
