#include "report/table.hpp"

#include <charconv>
#include <cmath>
#include <string_view>
#include <type_traits>

#include "report/palette.hpp"

namespace pelvano {

namespace {

constexpr std::string_view header[] = {
    "K",         "Runs",     "Mean_LnP",   "SD_LnP",         "L1",
    "Abs_L2",    "DeltaK",   "Best_score", "Small_clusters", "Pair_consistency",
    "Parsimony", "Best_run", "Best_file"};

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

std::string table_text(const StudySummary& s) {
  // Files without Ln P(D) give K and its runs alone: the other columns are all worked out
  // from Ln P(D).
  const std::size_t columns = s.no_lnp.empty() ? std::size(header) : 2;
  std::string out;
  for (std::size_t c = 0; c < columns; ++c) {
    if (!out.empty()) out += '\t';
    out += header[c];
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
    // The Parsimony method's numbers of a K none of whose runs was scored do not exist.
    const bool scored = k.best_run > 0;
    const auto parsimony_cell = [&](double x) { return scored ? real_cell(x) : ""; };
    const std::string cells[] = {std::to_string(k.k),
                                 std::to_string(k.runs),
                                 real_cell(k.mean),
                                 real_cell(k.sd),
                                 optional_cell(k.l1),
                                 optional_cell(k.l2),
                                 optional_cell(k.deltak),
                                 parsimony_cell(k.best_score),
                                 parsimony_cell(k.small_clusters),
                                 parsimony_cell(k.consistency),
                                 parsimony_cell(k.parsimony),
                                 scored ? std::to_string(k.best_run) : "",
                                 scored ? text_cell(k.best_file) : ""};
    static_assert(std::extent_v<decltype(cells)> == std::extent_v<decltype(header)>);
    for (std::size_t c = 0; c < columns; ++c) {
      if (c > 0) out += '\t';
      out += cells[c];
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
